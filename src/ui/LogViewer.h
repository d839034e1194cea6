#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

namespace ze {

class HitStore;
class RecordingPlayer;
class Station;

// frmViewLogfile, "View logfile": the activity log, read anew on every activation; a line whose
// hit has a recording plays it.
class LogViewer : public QWidget
{
    Q_OBJECT
public:
    explicit LogViewer(Station &station, HitStore *hits = nullptr, QWidget *parent = nullptr);

    // At most this much of the log's end is shown, in bytes and in lines: the log grows without
    // limit.
    static constexpr qint64 shownBytes = qint64 {4} * 1024 * 1024;
    static constexpr int shownLines = 100000;

    void refresh();
    QListWidget *list() const { return m_list1; }
    RecordingPlayer *player() const { return m_player; }

protected:
    bool event(QEvent *event) override;

private:
    void clearLogfile();
    void convertToBank();
    void pickLine();

    Station &m_station;
    HitStore *m_hits;
    RecordingPlayer *m_player;
    QLabel *m_note; // what is left out, or why nothing could be read
    QListWidget *m_list1;
    QPushButton *m_cmdClearLogfile;
    QPushButton *m_cmdRefresh;
    QPushButton *m_cmdConvertToBank;
    QPushButton *m_cmdClose;
};

} // namespace ze
