#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace ze {

// Paces the redraws of a readout that a scan changes many times a second: a change after a
// quiet spell is shown when the loop next handles events, later ones together once the interval
// since the last redraw is over. Nobody reads a display faster, and each redraw costs CPU.
class RedrawPacer : public QObject
{
    Q_OBJECT
public:
    static constexpr int intervalMs = 100;

    RedrawPacer(std::function<void()> redraw, QObject *parent);

    void request();
    // Redraws at once what is waiting (tests, and a picture taken of the window).
    void flush();

private:
    std::function<void()> m_redraw;
    QTimer m_timer;
    QElapsedTimer m_last;
};

} // namespace ze
