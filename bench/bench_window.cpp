// The real program scanning and searching: the main window, its control loop and the simulated
// receiver as a process of its own, paced at 9600,n,8,2.
//
//   bench_window [seconds per run] [runs]
//
// Runs on the platform Qt is given (offscreen, or xcb under an X server). Five runs (default)
// each of a bank scan over 100 filled channels and of a range search with the spectrum: the line
// efficiency (the time the bytes exchanged need on the line divided by the measured time) and
// the process's CPU load, which holds every thread of the program but not the receiver's.
#include "BenchReport.h"
#include "WholeProgram.h"
#include "ui/StationApp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Run
{
    double efficiency = 0;
    double cpuPercent = 0;
};

// One mode for the given seconds after a warm-up, through the real loop.
Run measure(ze::StationApp &app, const QString &button, double seconds)
{
    ze::MainWindow &window = app.window();
    ze::SerialPort &port = app.serialPort();
    const ze::LineSettings line = *ze::parseLineSettings(port.lineSettings());
    window.findChild<QAbstractButton *>(button)->click();

    Run run;
    qint64 bytesBefore = 0;
    double cpuBefore = 0;
    QElapsedTimer timer;
    QTimer::singleShot(500, &window, [&] {
        bytesBefore = port.bytesSent() + port.bytesReceived();
        cpuBefore = zebench::processCpuSeconds();
        timer.start();
        QTimer::singleShot(static_cast<int>(seconds * 1000), &window, [&] {
            const double wall = timer.nsecsElapsed() / 1e9;
            const qint64 bytes = port.bytesSent() + port.bytesReceived() - bytesBefore;
            run.efficiency = bytes * line.bitsPerByte() / line.baudRate / wall;
            run.cpuPercent = 100.0 * (zebench::processCpuSeconds() - cpuBefore) / wall;
            app.loop().stop();
        });
    });
    app.run();
    app.station().SelectMode(ze::ModeIdle);
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    ze::StationApp::prepareToolkit();
    QApplication application(argc, argv);
    const double seconds
            = argc > 1 && QByteArray(argv[1]).toDouble() > 0 ? QByteArray(argv[1]).toDouble() : 6.0;
    const int runs = argc > 2 && QByteArray(argv[2]).toInt() > 0 ? QByteArray(argv[2]).toInt() : 5;

    zebench::WholeProgram program;
    if (!program.start()) {
        std::fprintf(stderr, "bench_window: the simulated receiver did not start\n");
        return 1;
    }
    ze::SystemClock clock;
    ze::StationApp app(program.paths(), clock);
    if (!app.startUp()) {
        std::fprintf(stderr, "bench_window: start-up failed\n");
        return 1;
    }
    // Nothing holds: every scan pass visits the next channel.
    zebench::prepareWindow(app.window());

    const QString platform = QGuiApplication::platformName();
    for (const auto &[mode, button] :
         {std::pair {"bank scan", "cmdScanBanks"}, std::pair {"range search", "cmdSearchScan"}}) {
        std::vector<Run> results;
        for (int i = 0; i < runs; ++i) {
            results.push_back(measure(app, QLatin1String(button), seconds));
            std::fprintf(stderr, "%s %s run %d: efficiency %.4f, CPU %.2f %%\n",
                         qPrintable(platform), mode, i + 1, results.back().efficiency,
                         results.back().cpuPercent);
        }
        std::vector<double> efficiency;
        std::vector<double> cpu;
        for (const Run &r : results) {
            efficiency.push_back(r.efficiency);
            cpu.push_back(r.cpuPercent);
        }
        const QString what = QStringLiteral("%1, real window, %2, 9600 baud").arg(mode, platform);
        const double worst = *std::min_element(efficiency.begin(), efficiency.end());
        zebench::report(what
                                + QStringLiteral(": line efficiency, worst of %1 (median %2)")
                                          .arg(runs)
                                          .arg(zebench::median(efficiency), 0, 'f', 3),
                        QString::number(worst, 'f', 3), QStringLiteral(">= 0.97"), worst >= 0.97);
        const double median = zebench::median(cpu);
        zebench::report(what + QStringLiteral(": CPU, median of %1").arg(runs),
                        QStringLiteral("%1 %").arg(median, 0, 'f', 2), QStringLiteral("<= 1.5 %"),
                        median <= 1.5);
    }
    return 0;
}
