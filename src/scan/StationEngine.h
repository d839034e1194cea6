#pragma once

#include "core/Station.h"

#include <memory>

namespace ze {

class ActivityLog;
class ControlLoop;
class SerialPort;

// The station without its windows: the program state, the serial port it is linked to, the
// control loop and the listeners of its events. The program and the tests build one for a
// working directory and a settings file, and attach windows (or a fake of them) to it.
class StationEngine
{
public:
    StationEngine(const StationPaths &paths, Clock &clock);
    ~StationEngine();
    StationEngine(const StationEngine &) = delete;
    StationEngine &operator=(const StationEngine &) = delete;

    Station &station() { return *m_station; }
    SerialPort &serialPort() { return *m_serialPort; }
    ControlLoop &loop() { return *m_loop; }
    ActivityLog &activityLog() { return *m_log; }

private:
    std::unique_ptr<Station> m_station;
    std::unique_ptr<SerialPort> m_serialPort;
    std::unique_ptr<ControlLoop> m_loop;
    std::unique_ptr<ActivityLog> m_log;
};

} // namespace ze
