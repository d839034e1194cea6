#pragma once

#include <QObject>
#include <QString>
#include <QThread>

namespace ze {

class PlaybackEngine;

// Plays one recording to the sound server's default output: play, pause, seek. The sound is fed
// from a thread of its own, so an exchange that holds the main thread does not make it stutter.
class Playback : public QObject
{
    Q_OBJECT
public:
    explicit Playback(QObject *parent = nullptr);
    ~Playback() override;
    Playback(const Playback &) = delete;
    Playback &operator=(const Playback &) = delete;

    // Opens the file and plays it from the start.
    void play(const QString &path);
    void pause();
    void resume();
    void seek(qint64 ms);
    void stop();

    bool playing() const { return m_playing; }
    QString path() const { return m_path; }
    qint64 durationMs() const { return m_durationMs; }
    qint64 positionMs() const { return m_positionMs; }

Q_SIGNALS:
    void started(qint64 durationMs);
    void positionChanged(qint64 ms);
    void playingChanged(bool playing);
    // The end of the file, or stopped: play starts from the beginning again.
    void ended();
    void failed(const QString &why);

private:
    QThread m_thread;
    PlaybackEngine *m_engine; // lives in m_thread
    QString m_path;
    bool m_playing = false;
    qint64 m_durationMs = 0;
    qint64 m_positionMs = 0;
};

} // namespace ze
