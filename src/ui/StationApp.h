#pragma once

#include "core/Station.h"
#include "scan/StationEngine.h"

#include <memory>

namespace ze {

class ActivityLog;
class ControlLoop;
class HitStore;
class MainWindow;
class Recorder;
class RigServer;
class SerialPort;

// The whole program for one working directory and settings store: the station with its serial
// port and control loop, the network server, the recorder, and the main window. main() runs one;
// tests build one in-process and run it pass by pass.
class StationApp
{
public:
    StationApp(const StationPaths &paths, Clock &clock);

    // What the program asks of Qt before the application object is made. The station drives
    // its own loop and hands events over between receiver exchanges; Qt's own event dispatcher
    // does that with about a quarter less CPU than the GLib one, which writes to its wake-up
    // descriptor for every posted event. On X the frames go by plain requests, not shared
    // memory: the display repaints the same small areas many times a second, and with shared
    // memory every such frame first waits for the X server to have read the last one (a round
    // trip). What the user sets for either is left alone.
    static void prepareToolkit();
    ~StationApp();
    StationApp(const StationApp &) = delete;
    StationApp &operator=(const StationApp &) = delete;

    Station &station() { return m_engine.station(); }
    SerialPort &serialPort() { return m_engine.serialPort(); }
    ControlLoop &loop() { return m_engine.loop(); }
    ActivityLog &activityLog() { return m_engine.activityLog(); }
    HitStore &hitStore() { return m_engine.hitStore(); }
    StationEngine &engine() { return m_engine; }
    RigServer &rigServer() { return *m_rigServer; }
    Recorder &recorder() { return *m_recorder; }
    MainWindow &window() { return *m_window; }

    // Start-up, then the network clients as the stored settings say.
    bool startUp();
    // Runs the control loop until the main window is closed.
    int run();

private:
    StationEngine m_engine;
    std::unique_ptr<RigServer> m_rigServer;
    std::unique_ptr<Recorder> m_recorder;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace ze
