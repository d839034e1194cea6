#pragma once

#include <QWidget>

class QListWidget;
class QPushButton;

namespace ze {

class MainWindow;
class Station;

// frmViewLogfile, "View logfile": the activity log, read anew on every activation.
class LogViewer : public QWidget
{
    Q_OBJECT
public:
    explicit LogViewer(MainWindow &main, QWidget *parent = nullptr);

    void refresh();
    QListWidget *list() const { return m_list1; }

protected:
    bool event(QEvent *event) override;

private:
    void clearLogfile();

    MainWindow &m_main;
    Station &m_station;
    QListWidget *m_list1;
    QPushButton *m_cmdClearLogfile;
    QPushButton *m_cmdRefresh;
    QPushButton *m_cmdConvertToBank;
    QPushButton *m_cmdClose;
};

} // namespace ze
