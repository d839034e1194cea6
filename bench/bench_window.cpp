// The real program scanning and searching: the main window, its control loop and the simulated
// receiver as a process of its own, paced at 9600,n,8,2.
//
//   bench_window [seconds per run] [runs]
//
// Runs on the platform Qt is given (offscreen, or xcb under an X server). Five pairs (default)
// each of a bank scan over 100 filled channels and of a range search, with the spectrum and the
// waterfall shown: a run of the bare client (BareClient.h) against a simulator of its own, then
// a run of the program, so that both see the machine as it is at that moment. Each run gives the
// line efficiency (the time the bytes exchanged need on the line divided by the measured time)
// and the process's CPU load, which holds every thread of the program but not the receiver's;
// the table gives the medians of the program's figures over the bare client's of its pair.
#include "BareClient.h"
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

using Run = zebench::LineRun;
using zebench::measure;

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

    // The bare client's simulator, beside the program's.
    zebench::WholeProgram floor;
    const int bare = floor.start() ? zebench::openBareLink(floor.link()) : -1;
    if (bare < 0) {
        std::fprintf(stderr, "bench_window: the bare client's receiver did not start\n");
        return 1;
    }

    const QString platform = QGuiApplication::platformName();
    for (const auto &[mode, button] :
         {std::pair {"bank scan", "cmdScanBanks"}, std::pair {"range search", "cmdSearchScan"}}) {
        std::vector<double> efficiency;
        std::vector<double> cpu;
        std::vector<double> bareEfficiency;
        std::vector<double> bareCpu;
        for (int i = 0; i < runs; ++i) {
            const Run floorRun = zebench::bareScan(bare, seconds);
            const Run run = measure(app, QLatin1String(button), seconds);
            std::fprintf(stderr,
                         "%s %s pair %d: bare client %.4f, %.2f %%; program %.4f, %.2f %%\n",
                         qPrintable(platform), mode, i + 1, floorRun.efficiency,
                         floorRun.cpuPercent, run.efficiency, run.cpuPercent);
            efficiency.push_back(run.efficiency / std::max(floorRun.efficiency, 1e-9));
            cpu.push_back(run.cpuPercent / std::max(floorRun.cpuPercent, 1e-9));
            bareEfficiency.push_back(floorRun.efficiency);
            bareCpu.push_back(floorRun.cpuPercent);
        }
        const QString what = QStringLiteral("%1 with spectrum and waterfall, real window, %2, 9600 "
                                            "baud, against the bare client (median of %3 pairs")
                                     .arg(mode, platform)
                                     .arg(runs);
        const double efficiencyRatio = zebench::median(efficiency);
        zebench::report(what
                                + QStringLiteral("; bare client %1): line efficiency")
                                          .arg(zebench::median(bareEfficiency), 0, 'f', 3),
                        QString::number(efficiencyRatio, 'f', 3), QStringLiteral(">= 0.98"),
                        efficiencyRatio >= 0.98);
        const double cpuRatio = zebench::median(cpu);
        zebench::report(what
                                + QStringLiteral("; bare client %1 %): CPU")
                                          .arg(zebench::median(bareCpu), 0, 'f', 2),
                        QString::number(cpuRatio, 'f', 2), QStringLiteral("<= 1.25"),
                        cpuRatio <= 1.25);
    }
    ::close(bare);
    return 0;
}
