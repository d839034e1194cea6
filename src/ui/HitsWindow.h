#pragma once

#include <QWidget>

class QCheckBox;
class QDateTimeEdit;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace ze {

class HitRecorder;
class Recorder;
class RecordingPlayer;
class HitSummaryModel;
class HitTableModel;
class Station;
struct Hit;

// frmHits, "Hits": every signal heard, newest first, live while scanning, filtered by text and
// period, with a summary per frequency; a hit can be tuned, locked out, added to a bank, and the
// hits shown exported as CSV, and its recording played. The log written so far can be taken in.
class HitsWindow : public QWidget
{
    Q_OBJECT
public:
    HitsWindow(Station &station, HitRecorder &recorder, Recorder *audio = nullptr,
               QWidget *parent = nullptr);

    QTableView *hitTable() const { return m_table; }
    QTableView *summaryTable() const { return m_summary; }
    // The hit of the table's current row, if any.
    const Hit *currentHit() const;
    RecordingPlayer *player() const { return m_player; }

    // The actions on the current hit.
    void tune();
    void lockOut();
    void addToBank();
    void exportShown();
    void importLog();

private:
    void applyFilter();
    void enableActions();
    void showMenu(const QPoint &at);

    Station &m_station;
    HitRecorder &m_recorder;
    HitTableModel *m_hits;
    HitSummaryModel *m_summaryModel;
    QLineEdit *m_text;
    QCheckBox *m_period;
    QDateTimeEdit *m_from;
    QDateTimeEdit *m_to;
    QTableView *m_table;
    QTableView *m_summary;
    QPushButton *m_tune;
    QPushButton *m_lockOut;
    QPushButton *m_toBank;
    RecordingPlayer *m_player;
    QTimer *m_filterDelay;
};

} // namespace ze
