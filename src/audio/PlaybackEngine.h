#pragma once

#include "SoundFile.h"

#include <QObject>
#include <QTimer>

#include <memory>

class QAudioSink;
class QIODevice;

namespace ze {

// The sink's side of Playback, in the playback thread.
class PlaybackEngine : public QObject
{
    Q_OBJECT
public:
    PlaybackEngine();
    ~PlaybackEngine() override;

    void open(const QString &path);
    void pause();
    void resume();
    void seek(qint64 ms);
    void close();

Q_SIGNALS:
    void opened(qint64 durationMs);
    void position(qint64 ms);
    void playing(bool on);
    void closed();
    void failed(const QString &why);

private:
    SoundFileReader m_reader;
    std::unique_ptr<QIODevice> m_stream;
    std::unique_ptr<QAudioSink> m_sink;
    QTimer m_tick;
    qint64 m_startMs = 0;
};

} // namespace ze
