#pragma once

#include "core/Station.h"

#include <memory>

namespace ze {

class ActivityLog;
class ControlLoop;
class HitRecorder;
class HitStore;
class ScanRate;
class SerialPort;

// The station without its windows: the program state, the serial port it is linked to, the
// control loop and the listeners of its events (the activity log, the hits, the scanning rate). The
// program and the tests build one for a working directory and a settings file, and attach windows
// (or a fake of them) to it.
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
    HitStore &hitStore() { return *m_hits; }
    HitRecorder &hitRecorder() { return *m_recorder; }
    // What the hit store found wrong at its opening, in the status bar once there is one.
    void tellStoreProblem();

private:
    std::unique_ptr<Station> m_station;
    std::unique_ptr<SerialPort> m_serialPort;
    std::unique_ptr<ControlLoop> m_loop;
    std::unique_ptr<ActivityLog> m_log;
    std::unique_ptr<HitStore> m_hits;
    std::unique_ptr<HitRecorder> m_recorder;
    std::unique_ptr<ScanRate> m_rate;
};

} // namespace ze
