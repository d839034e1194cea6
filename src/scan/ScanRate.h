#pragma once

#include <QObject>

#include <deque>

class QTimer;

namespace ze {

class Station;

// The figure an operator watches while scanning: channels (or search steps) measured a second,
// over the last few seconds, in the status bar; hidden in the other modes.
class ScanRate : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 windowMs = 3000;

    explicit ScanRate(Station &station, QObject *parent = nullptr);

private:
    void measured();
    void show();

    Station &m_station;
    QTimer *m_timer;
    std::deque<qint64> m_times; // of the measurements within the window
};

} // namespace ze
