#include "ui/StationApp.h"

#include "receiver/RigServer.h"

namespace ze {

void StationApp::prepareToolkit()
{
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
}

StationApp::StationApp(const StationPaths &paths, Clock &clock)
    : m_station(std::make_unique<Station>(paths, clock))
    , m_loop(std::make_unique<ControlLoop>(*m_station))
    , m_window(std::make_unique<MainWindow>(*m_station))
{
    m_window->setControlLoop(m_loop.get());
}

bool StationApp::startUp()
{
    if (!m_station->StartUp())
        return false;
    m_station->applyNetworkSettings(NetworkSettings::read(m_station->settings()));
    return true;
}

StationApp::~StationApp()
{
    // The window goes first: it is attached to the station.
    m_window.reset();
    m_loop.reset();
    m_station.reset();
}

} // namespace ze
