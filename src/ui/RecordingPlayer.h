#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class QSlider;

namespace ze {

class Playback;

// A row to play one recording: play and pause, a position to drag, the time, and the folder it
// is in. `prefix` starts the controls' names, e.g. "Hit" gives cmdHitPlay.
class RecordingPlayer : public QWidget
{
    Q_OBJECT
public:
    RecordingPlayer(const QString &prefix, QWidget *parent = nullptr);
    ~RecordingPlayer() override;

    // The file the play button plays; "" when the row has none.
    void setFile(const QString &path);
    QString file() const { return m_file; }
    // Plays the file, or pauses and resumes what plays.
    void playOrPause();
    void openFolder();
    Playback &playback() { return *m_playback; }
    QPushButton *playButton() const { return m_play; }

private:
    void showPosition(qint64 ms);
    void showPlaying(bool playing);

    std::unique_ptr<Playback> m_playback;
    QString m_file;
    QString m_playingFile;
    QPushButton *m_play;
    QSlider *m_position;
    QLabel *m_time;
    QPushButton *m_folder;
};

} // namespace ze
