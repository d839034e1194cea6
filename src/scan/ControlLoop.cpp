#include "scan/ControlLoop.h"

#include "core/Station.h"
#include "receiver/Tuning.h"
#include "scan/BankScan.h"
#include "scan/RangeSearch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <utility>

namespace ze {

ControlLoop::ControlLoop(Station &station, QObject *parent)
    : QObject(parent)
    , m_station(station)
    , m_wakeTimer(new QTimer(this))
{
    m_wakeTimer->setSingleShot(true);
    connect(m_wakeTimer, &QTimer::timeout, this, [this] { m_woken = true; });
}

bool ControlLoop::pass()
{
    Station &st = m_station;
    ProgramState &state = st.state();
    switch (state.operatingMode) {
    case ModeScanning:
        scanPass(st);
        return true;
    case ModeScanStart:
        scanStartPass(st);
        return true;
    case ModeManualStart:
        TuneChannel(st);
        st.setMode(ModeManual);
        st.ShowStatus(QStringLiteral("Manual mode"));
        return true;
    case ModeManual:
        SampleSignal(st);
        ShowScanPosition(st);
        ShowChannel(st);
        return true;
    case ModeSearching:
        searchPass(st);
        return true;
    case ModeSearchStart:
        searchStartPass(st);
        return true;
    case ModeDirect:
        if (state.pendingTune) {
            const PendingTune tune = *std::exchange(state.pendingTune, std::nullopt);
            st.Exchange(tune.command);
            st.noteTuning(tune.frequency, tune.mode, tune.attenuator);
        }
        SampleSignal(st);
        st.ShowStatus(QStringLiteral("Direct mode"));
        return true;
    default:
        return false;
    }
}

bool ControlLoop::linkDown() const
{
    return !m_station.link().isOpen();
}

void ControlLoop::handleEvents(bool wait)
{
    if (wait) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Windows closed with deleteLater go now, not when some outer event loop would run.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool ControlLoop::reconnect()
{
    const qint64 now = m_station.clock().monotonicMs();
    if (now - m_lastReconnect >= m_reconnectMs) {
        m_lastReconnect = now;
        m_station.link().OpenPort();
    }
    return !linkDown();
}

bool ControlLoop::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        m_woken = true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

template<typename Condition> void ControlLoop::waitFor(qint64 ms, Condition stillWaiting)
{
    // A pass repaints the windows, and their paint requests come back as events: any event
    // would wake the loop for another pass that finds the receiver or the link as it was.
    m_woken = false;
    m_wakeTimer->start(static_cast<int>(qMax(qint64 {0}, ms)));
    const int mode = m_station.state().operatingMode;
    QCoreApplication::instance()->installEventFilter(this);
    handleEvents(false);
    while (m_running && !m_woken && m_station.state().operatingMode == mode && stillWaiting())
        handleEvents(true);
    QCoreApplication::instance()->removeEventFilter(this);
    m_wakeTimer->stop();
}

void ControlLoop::waitForOperatorOrReconnect()
{
    const qint64 due = m_lastReconnect + m_reconnectMs - m_station.clock().monotonicMs();
    waitFor(qMin(due, qint64 {m_reconnectMs}), [this] { return linkDown(); });
}

void ControlLoop::waitForReceiver()
{
    const qint64 now = m_station.clock().monotonicMs();
    if (now - m_lastProbe >= m_probeMs) {
        m_lastProbe = now;
        m_station.link().probe();
    }
    const qint64 due = m_lastProbe + m_probeMs - m_station.clock().monotonicMs();
    waitFor(qMin(due, qint64 {m_probeMs}),
            [this] { return m_station.state().receiverSilent && !linkDown(); });
}

int ControlLoop::run()
{
    m_running = true;
    while (m_running) {
        if (m_station.state().receiverSilent && !linkDown()) {
            waitForReceiver();
            continue;
        }
        (void)m_station.takeExchangeTally();
        const bool worked = pass();
        if (!m_running)
            break;
        // A pass whose every exchange ran out of time: the receiver is not answering.
        const Station::ExchangeTally tally = m_station.takeExchangeTally();
        if (tally.made > 0)
            m_station.setReceiverSilent(tally.unanswered == tally.made);
        m_quietPasses = worked && tally.made == 0 ? m_quietPasses + 1 : 0;
        // Without a receiver every exchange returns at once. A link lost while idle is tried
        // again too, so that the port panel tells when the device is back.
        const bool lost = !m_station.link().lastError().isEmpty();
        if ((worked || lost) && linkDown() && !reconnect())
            waitForOperatorOrReconnect();
        else
            handleEvents(!worked || m_quietPasses > quietPassesBeforeWait);
    }
    return 0;
}

void ControlLoop::stop()
{
    m_running = false;
    // Wakes a pass that waits for events.
    QCoreApplication::postEvent(this, new QEvent(QEvent::User));
}

} // namespace ze
