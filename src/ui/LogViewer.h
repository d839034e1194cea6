#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

namespace ze {

class Station;

// frmViewLogfile, "View logfile": the activity log, read anew on every activation.
class LogViewer : public QWidget
{
    Q_OBJECT
public:
    explicit LogViewer(Station &station, QWidget *parent = nullptr);

    // At most this much of the log's end is shown, in bytes and in lines: the log grows without
    // limit.
    static constexpr qint64 shownBytes = qint64 {4} * 1024 * 1024;
    static constexpr int shownLines = 100000;

    void refresh();
    QListWidget *list() const { return m_list1; }

protected:
    bool event(QEvent *event) override;

private:
    void clearLogfile();
    void convertToBank();

    Station &m_station;
    QLabel *m_note; // what is left out, or why nothing could be read
    QListWidget *m_list1;
    QPushButton *m_cmdClearLogfile;
    QPushButton *m_cmdRefresh;
    QPushButton *m_cmdConvertToBank;
    QPushButton *m_cmdClose;
};

} // namespace ze
