#include "scan/StationEngine.h"

#include "receiver/SerialPort.h"
#include "scan/ActivityLog.h"
#include "scan/ControlLoop.h"

namespace ze {

StationEngine::StationEngine(const StationPaths &paths, Clock &clock)
    : m_station(std::make_unique<Station>(paths, clock))
    , m_serialPort(std::make_unique<SerialPort>(clock))
    , m_loop(std::make_unique<ControlLoop>(*m_station))
    , m_log(std::make_unique<ActivityLog>(*m_station))
{
    m_station->setLink(m_serialPort.get());
}

StationEngine::~StationEngine()
{
    // The listeners and the link go before the station whose events they hear.
    m_log.reset();
    m_loop.reset();
    m_station->setLink(nullptr);
    m_serialPort.reset();
    m_station.reset();
}

} // namespace ze
