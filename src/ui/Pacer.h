#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <functional>

class QTimer;

namespace ze {

// Passes repaint requests on at most once an interval, however often they come: the first after
// a quiet interval goes at the next event handling, a later one waits out the rest of the
// interval. A request while one waits is folded into it, and the one waiting goes whether or not
// another request follows, so the last thing drawn before the loop goes idle reaches the screen
// too. The wait is never restarted: requests that keep coming cannot hold the drawing off.
class Pacer : public QObject
{
    Q_OBJECT
public:
    static constexpr int defaultIntervalMs = 40; // 25 a second

    explicit Pacer(std::function<void()> flush, QObject *parent = nullptr,
                   int intervalMs = defaultIntervalMs);

    void request();
    bool pending() const { return m_pending; }
    // What waits goes now (a picture saved, a test reading the screen).
    void flushNow();

private:
    void fire();

    std::function<void()> m_flush;
    QTimer *m_timer;
    QElapsedTimer m_sinceFlush;
    int m_intervalMs;
    bool m_pending = false;
};

} // namespace ze
