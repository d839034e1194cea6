#pragma once

#include <QGroupBox>

class QListWidget;
class QPushButton;

namespace ze {

class Station;

// The search lockouts, shown and edited: the frequencies a range search passes over.
class LockoutList : public QGroupBox
{
    Q_OBJECT
public:
    explicit LockoutList(Station &station, QWidget *parent = nullptr);

    QListWidget *list() const { return m_list; }

private:
    void refresh();
    void add();
    void remove();
    void clearAll();

    Station &m_station;
    QListWidget *m_list;
    QPushButton *m_add;
    QPushButton *m_remove;
    QPushButton *m_clear;
};

} // namespace ze
