#include "scan/ScanRate.h"

#include "core/Station.h"

#include <QTimer>

namespace ze {

ScanRate::ScanRate(Station &station, QObject *parent)
    : QObject(parent)
    , m_station(station)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &ScanRate::show);
    const StationEvents &events = station.events();
    connect(&events, &StationEvents::channelMeasured, this, &ScanRate::measured);
    connect(&events, &StationEvents::searchStepMeasured, this, &ScanRate::measured);
    connect(&events, &StationEvents::modeChanged, this, [this](int mode) {
        const bool scanning = mode == ModeScanning || mode == ModeScanStart || mode == ModeSearching
                || mode == ModeSearchStart;
        if (scanning == m_timer->isActive())
            return;
        m_times.clear();
        if (scanning) {
            m_timer->start();
        } else {
            m_timer->stop();
            if (m_station.hasViews())
                m_station.status().showRate(QString());
        }
    });
}

void ScanRate::measured()
{
    const qint64 now = m_station.clock().monotonicMs();
    m_times.push_back(now);
    while (!m_times.empty() && m_times.front() <= now - windowMs)
        m_times.pop_front();
}

void ScanRate::show()
{
    const qint64 now = m_station.clock().monotonicMs();
    while (!m_times.empty() && m_times.front() <= now - windowMs)
        m_times.pop_front();
    const int mode = m_station.state().operatingMode;
    const bool search = mode == ModeSearching || mode == ModeSearchStart;
    const double rate = 1000.0 * double(m_times.size()) / double(windowMs);
    if (m_station.hasViews())
        m_station.status().showRate(
                QStringLiteral("%1 %2/s")
                        .arg(rate, 0, 'f', 1)
                        .arg(search ? QStringLiteral("steps") : QStringLiteral("channels")));
}

} // namespace ze
