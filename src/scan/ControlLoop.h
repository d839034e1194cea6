#pragma once

#include <QObject>

class QTimer;

namespace ze {

class Station;

// The station's endless loop: one step of the current operating mode per pass, then every
// pending window event. An idle pass waits for the next event instead of passing again at once;
// while the receiver link is lost, the loop waits for the operator or the next reopen attempt.
class ControlLoop : public QObject
{
    Q_OBJECT
public:
    explicit ControlLoop(Station &station, QObject *parent = nullptr);

    // One step of the current mode; returns false when the pass had nothing to do (idle).
    bool pass();
    // Handles the pending window events; waits for one first when wait is true.
    static void handleEvents(bool wait);
    // Runs passes until stop(); returns the process exit status.
    int run();
    void stop();
    bool running() const { return m_running; }

    // How long the loop waits while the port is lost before the next reopen attempt.
    void setReconnectIntervalMs(int ms) { m_reconnectMs = ms; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool linkDown() const;
    // Tries the port again when it is due; false while the link stays down.
    bool reconnect();
    void waitForOperatorOrReconnect();

    Station &m_station;
    QTimer *m_wakeTimer;
    bool m_running = false;
    int m_reconnectMs = 2000;
    qint64 m_lastReconnect = 0;
    bool m_woken = false;
};

} // namespace ze
