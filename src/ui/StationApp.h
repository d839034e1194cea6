#pragma once

#include "core/ControlLoop.h"
#include "core/Station.h"
#include "ui/MainWindow.h"

#include <memory>

namespace ze {

// The whole program for one working directory and settings store: the station, its main window
// and its control loop. main() runs one; tests build one in-process and run it pass by pass.
class StationApp
{
public:
    StationApp(const StationPaths &paths, Clock &clock);

    // What the program asks of Qt before the application object is made. The station drives
    // its own loop and hands events over between receiver exchanges; Qt's own event dispatcher
    // does that with about a quarter less CPU than the GLib one, which writes to its wake-up
    // descriptor for every posted event. An explicit QT_NO_GLIB from the user is left alone.
    static void prepareToolkit();
    ~StationApp();
    StationApp(const StationApp &) = delete;
    StationApp &operator=(const StationApp &) = delete;

    Station &station() { return *m_station; }
    MainWindow &window() { return *m_window; }
    ControlLoop &loop() { return *m_loop; }

    // Start-up, then the network clients as the stored settings say.
    bool startUp();
    // Runs the control loop until the main window is closed.
    int run() { return m_loop->run(); }

private:
    std::unique_ptr<Station> m_station;
    std::unique_ptr<ControlLoop> m_loop;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace ze
