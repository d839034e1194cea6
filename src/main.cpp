#include "core/Clock.h"
#include "ui/StationApp.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdlib>

namespace {

// Demo hook: ZE3000R_SCREENSHOT=file saves a picture of the main window after
// ZE3000R_SCREENSHOT_AFTER milliseconds (default 4000) and closes it; ZE3000R_DEMO=scan or
// search presses the matching "Scan" button first.
void armScreenshot(ze::StationApp &app)
{
    const QString file = qEnvironmentVariable("ZE3000R_SCREENSHOT");
    if (file.isEmpty())
        return;
    bool ok = false;
    int after = qEnvironmentVariableIntValue("ZE3000R_SCREENSHOT_AFTER", &ok);
    if (!ok || after <= 0)
        after = 4000;
    const QString demo = qEnvironmentVariable("ZE3000R_DEMO");
    ze::MainWindow &window = app.window();
    QTimer::singleShot(300, &window, [&window, demo] { window.startDemo(demo); });
    QTimer::singleShot(after, &window, [&window, file] {
        window.grab().save(file);
        window.close();
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZE3000r"));
    QApplication::setOrganizationName(QStringLiteral("ZE3000r"));
    QApplication::setQuitOnLastWindowClosed(false);

    ze::SystemClock clock;
    ze::StationApp app(ze::StationPaths {QDir::currentPath(), QString()}, clock);
    if (!app.startUp())
        return EXIT_FAILURE;
    armScreenshot(app);
    return app.run();
}
