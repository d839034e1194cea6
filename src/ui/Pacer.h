#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <vector>

class QTimer;

namespace ze {

class PacedFlush;

// Passes repaint requests on at most once an interval, however often they come: the first after
// a quiet interval goes at the next event handling, a later one waits out the rest of the
// interval. A request while one waits is folded into it, and the one waiting goes whether or not
// another request follows, so the last thing drawn before the loop goes idle reaches the screen
// too. The wait is never restarted: requests that keep coming cannot hold the drawing off.
// One pacer serves all the views of a window, so that what a pass changed in several of them
// goes in one event handling and is painted as one frame.
class Pacer : public QObject
{
    Q_OBJECT
public:
    // At most 6 or 7 a second while a scan runs: its readouts change faster than anyone reads
    // them anyway, and a frame costs the loop as much as four to six exchanges with the
    // receiver. A key or a hold after a quiet spell is still drawn at once.
    static constexpr int defaultIntervalMs = 150;

    explicit Pacer(QObject *parent = nullptr, int intervalMs = defaultIntervalMs);
    ~Pacer() override;
    Pacer(const Pacer &) = delete;
    Pacer &operator=(const Pacer &) = delete;

private:
    friend class PacedFlush;
    void request();
    void fire();

    std::vector<PacedFlush *> m_views;
    QTimer *m_timer;
    QElapsedTimer m_sinceFlush;
    int m_intervalMs;
};

// A view's share of a pacer: its flush goes at the pacer's next flush once it has asked.
class PacedFlush
{
public:
    PacedFlush(Pacer &pacer, std::function<void()> flush);
    ~PacedFlush();
    PacedFlush(const PacedFlush &) = delete;
    PacedFlush &operator=(const PacedFlush &) = delete;

    void request();
    // What waits goes now (a picture saved, a test reading the screen).
    void flushNow();

private:
    friend class Pacer;

    Pacer *m_pacer; // none once the window is going
    std::function<void()> m_flush;
    bool m_pending = false;
};

} // namespace ze
