#include "ui/StationApp.h"

#include "audio/Recorder.h"
#include "remote/RigServer.h"
#include "scan/ControlLoop.h"
#include "scan/StartUp.h"
#include "ui/MainWindow.h"

namespace ze {

void StationApp::prepareToolkit()
{
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
}

StationApp::StationApp(const StationPaths &paths, Clock &clock)
    : m_engine(paths, clock)
    , m_rigServer(std::make_unique<RigServer>(m_engine.station()))
    , m_recorder(std::make_unique<Recorder>(m_engine.station(), m_engine.hitRecorder()))
    , m_window(std::make_unique<MainWindow>(m_engine, *m_rigServer))
{
    m_window->setControlLoop(&m_engine.loop());
    m_window->setRecorder(m_recorder.get());
}

bool StationApp::startUp()
{
    if (!StartUp(station()))
        return false;
    m_engine.tellStoreProblem();
    m_rigServer->apply(NetworkSettings::read(station().settings()));
    m_recorder->apply(RecordingSettings::read(station().settings()));
    return true;
}

int StationApp::run()
{
    return m_engine.loop().run();
}

StationApp::~StationApp()
{
    // The window goes first: it is attached to the station.
    m_window.reset();
    m_recorder.reset();
    m_rigServer.reset();
}

} // namespace ze
