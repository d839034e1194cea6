// The log viewer on a large activity log.
//
//   bench_logviewer [megabytes]
//
// Writes a log of the given size (default 100 MB) of lines as the scanner writes them, then
// times the viewer's refresh (what every activation does) and reports the entries shown and
// the process's peak memory.
#include "SimReceiver.h"
#include "ui/LogViewer.h"
#include "ui/MainWindow.h"
#include "ui/StationApp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100;
    if (megabytes <= 0)
        megabytes = 100;

    QTemporaryDir dir;
    {
        QFile log(dir.filePath(QStringLiteral("logging.txt")));
        if (!log.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write the log\n");
            return 1;
        }
        QByteArray block;
        for (int i = 0; block.size() < 1024 * 1024; ++i)
            block += "2026-01-02 03:04:05\t" + QByteArray::number(100.0 + i * 0.0125, 'f', 4)
                    + "  \t 12 \tN\tChannel " + QByteArray::number(i % 400) + "\r\n";
        while (log.size() < megabytes * 1024 * 1024)
            log.write(block);
    }

    zesim::SimReceiver sim;
    sim.start();
    sim.setPacing(false);
    {
        QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Properties/CommPort"),
                          QString::fromStdString(sim.devicePath()));
    }
    ze::SystemClock clock;
    ze::StationApp app(ze::StationPaths {dir.path(), dir.filePath(QStringLiteral("settings.ini"))},
                       clock);
    if (!app.startUp()) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }

    ze::LogViewer viewer(app.window());
    viewer.show(); // as on activation: the list lays out what it holds
    constexpr int runs = 5;
    double slowestMs = 0;
    double totalMs = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        viewer.refresh();
        const double ms = timer.nsecsElapsed() / 1e6;
        slowestMs = qMax(slowestMs, ms);
        totalMs += ms;
    }
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("log_megabytes: %lld\nentries_shown: %d\nrefresh_ms_mean: %.1f\n"
                "refresh_ms_slowest: %.1f\npeak_rss_mb: %.1f\n",
                megabytes, viewer.list()->count(), totalMs / runs, slowestMs,
                usage.ru_maxrss / 1024.0);
    return 0;
}
