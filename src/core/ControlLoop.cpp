#include "core/ControlLoop.h"

#include "core/Station.h"
#include "receiver/Tuning.h"
#include "scan/BankScan.h"
#include "scan/RangeSearch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace ze {

ControlLoop::ControlLoop(Station &station, QObject *parent)
    : QObject(parent)
    , m_station(station)
    , m_wakeTimer(new QTimer(this))
{
    m_wakeTimer->setSingleShot(true);
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
        state.operatingMode = ModeManual;
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
        SampleSignal(st);
        st.ShowStatus(QStringLiteral("Direct mode"));
        return true;
    default:
        return false;
    }
}

bool ControlLoop::linkDown() const
{
    return !m_station.serialPort().isOpen();
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

int ControlLoop::run()
{
    m_running = true;
    while (m_running) {
        const bool worked = pass();
        if (!m_running)
            break;
        bool wait = !worked;
        if (worked && linkDown()) {
            // Without a receiver every exchange returns at once: wait for the operator, and try
            // the port again now and then in case the adapter is back.
            const qint64 now = m_station.clock().monotonicMs();
            if (now - m_lastReconnect >= m_reconnectMs) {
                m_lastReconnect = now;
                m_station.serialPort().OpenPort();
            }
            if (linkDown()) {
                wait = true;
                if (!m_wakeTimer->isActive())
                    m_wakeTimer->start(m_reconnectMs);
            }
        }
        handleEvents(wait);
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
