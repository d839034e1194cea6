#pragma once

#include <QObject>

class QTimer;

namespace ze {

class Station;

// The station's endless loop: one step of the current operating mode per pass, then every
// pending window event. An idle pass waits for the next event instead of passing again at once,
// and so do passes that find nothing to send for a whole round of the banks (no bank ticked,
// nothing the receiver can take). While the receiver link is lost, the loop waits for the
// operator or the next reopen attempt; while the receiver does not answer, it waits for the
// operator and asks the receiver again now and then, and the mode goes on at its first reply.
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
    // How long it waits between two questions to a receiver that does not answer.
    void setProbeIntervalMs(int ms) { m_probeMs = ms; }

    // Passes in a row that may send nothing before the loop waits for an event: a whole round
    // of four banks of 100 channels, and one more.
    static constexpr int quietPassesBeforeWait = 401;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool linkDown() const;
    // Tries the port again when it is due; false while the link stays down.
    bool reconnect();
    void waitForOperatorOrReconnect();
    void waitForReceiver();
    // Waits for events until the operator acts, the wake timer runs out or stillWaiting says no.
    template<typename Condition> void waitFor(qint64 ms, Condition stillWaiting);

    Station &m_station;
    QTimer *m_wakeTimer;
    bool m_running = false;
    int m_reconnectMs = 2000;
    qint64 m_lastReconnect = 0;
    int m_probeMs = 3000;
    qint64 m_lastProbe = 0;
    int m_quietPasses = 0;
    bool m_woken = false;
};

} // namespace ze
