#include "scan/StationEngine.h"

#include "receiver/SerialPort.h"
#include "scan/ActivityLog.h"
#include "scan/ControlLoop.h"
#include "scan/HitRecorder.h"
#include "scan/ScanRate.h"
#include "storage/HitStore.h"

namespace ze {

StationEngine::StationEngine(const StationPaths &paths, Clock &clock)
    : m_station(std::make_unique<Station>(paths, clock))
    , m_serialPort(std::make_unique<SerialPort>(clock))
    , m_loop(std::make_unique<ControlLoop>(*m_station))
    , m_log(std::make_unique<ActivityLog>(*m_station))
    , m_hits(std::make_unique<HitStore>(m_station->workingDirectory().path()))
    , m_recorder(std::make_unique<HitRecorder>(*m_station, *m_hits))
    , m_rate(std::make_unique<ScanRate>(*m_station))
{
    m_station->setLink(m_serialPort.get());
    QObject::connect(
            m_hits.get(), &HitStore::problemChanged, m_hits.get(),
            [this](const QString &problem) { m_station->notify(NoticeSource::Hits, problem); });
}

void StationEngine::tellStoreProblem()
{
    m_station->notify(NoticeSource::Hits, m_hits->problem());
}

StationEngine::~StationEngine()
{
    // The listeners and the link go before the station whose events they hear.
    m_rate.reset();
    m_recorder.reset();
    m_hits.reset();
    m_log.reset();
    m_loop.reset();
    m_station->setLink(nullptr);
    m_serialPort.reset();
    m_station.reset();
}

} // namespace ze
