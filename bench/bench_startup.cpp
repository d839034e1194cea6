// Start-up with a large working directory, then the idle loop.
//
//   bench_startup [idle seconds]
//
// 1. Time from the start of start-up to the end of the first control-loop pass, with 20 bank
//    files of 400 channels each (the first is loaded), the real main window (offscreen) and the
//    simulated receiver.
// 2. The process's CPU time while the loop idles for the given seconds (default 10).
#include "SimReceiver.h"
#include "scan/ControlLoop.h"
#include "storage/BankFile.h"
#include "ui/MainWindow.h"
#include "ui/StationApp.h"

#include "BenchReport.h"
#include <QApplication>
#include <QElapsedTimer>

#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

double processCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
            + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ze::StationApp::prepareToolkit();
    QApplication application(argc, argv);
    double idleSeconds = argc > 1 ? QByteArray(argv[1]).toDouble() : 10.0;
    if (idleSeconds <= 0)
        idleSeconds = 10.0;

    QTemporaryDir dir;
    ze::Banks banks;
    for (int bank = 1; bank <= 4; ++bank)
        for (int channel = 0; channel < 100; ++channel)
            banks(bank, channel) = ze::ChannelRecord {
                    QString::number(100.0 + bank * 100 + channel * 0.025, 'f', 4),
                    QStringLiteral("Channel %1-%2").arg(bank).arg(channel),
                    QStringLiteral("N"),
                    0,
                    0,
                    0,
                    0};
    for (int i = 0; i < 20; ++i)
        ze::writeBankFile(
                dir.filePath(QStringLiteral("bank%1.bnk").arg(i, 2, 10, QLatin1Char('0'))), banks);

    zesim::SimReceiver sim;
    sim.start();
    sim.setPacing(false);
    {
        QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Properties/CommPort"),
                          QString::fromStdString(sim.devicePath()));
    }

    ze::SystemClock clock;
    QElapsedTimer timer;
    timer.start();
    ze::StationApp app(ze::StationPaths {dir.path(), dir.filePath(QStringLiteral("settings.ini"))},
                       clock);
    if (!app.startUp()) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    app.loop().pass();
    app.loop().handleEvents(false);
    const double startupMs = timer.nsecsElapsed() / 1e6;
    std::fprintf(stderr, "bank_files: 20\nchannels_per_file: 400\n");
    std::fprintf(stderr, "startup_to_first_pass_ms: %.1f\n", startupMs);
    std::fprintf(stderr, "channels_listed: %d\n",
                 app.station().state().banks(4, 99).isEmpty() ? 0 : 400);

    // Idle: mode 0, the loop waits for events.
    QTimer::singleShot(static_cast<int>(idleSeconds * 1000), [&app] { app.loop().stop(); });
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer idle;
    idle.start();
    app.run();
    const double wall = idle.nsecsElapsed() / 1e9;
    const double cpu = processCpuSeconds() - cpuBefore;
    std::fprintf(stderr, "idle_seconds: %.1f\n", wall);
    std::fprintf(stderr, "idle_cpu_seconds: %.3f\n", cpu);
    std::fprintf(stderr, "idle_cpu_percent: %.3f\n", 100.0 * cpu / wall);
    zebench::report(QStringLiteral("start-up to the first pass, 20 bank files of 400 channels"),
                    QStringLiteral("%1 ms").arg(startupMs, 0, 'f', 1), QStringLiteral("<= 500 ms"),
                    startupMs <= 500);
    zebench::report(QStringLiteral("idle CPU over %1 s").arg(wall, 0, 'f', 0),
                    QStringLiteral("%1 %").arg(100.0 * cpu / wall, 0, 'f', 3),
                    QStringLiteral("< 1 %"), 100.0 * cpu / wall < 1.0);

    // A full bank file: what "Load" and every save of the bank editor do.
    const QString bankPath = dir.filePath(QStringLiteral("bank00.bnk"));
    double loadMs = 1e9;
    double saveMs = 1e9;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        ze::Banks loaded;
        if (ze::readBankFile(bankPath, loaded).linesRead != 400)
            return 1;
        loadMs = qMin(loadMs, timer.nsecsElapsed() / 1e6);
        timer.restart();
        const ze::SaveResult saved = ze::writeBankFile(bankPath, loaded);
        saveMs = qMin(saveMs, timer.nsecsElapsed() / 1e6);
        if (!saved.ok)
            return 1;
    }
    zebench::report(QStringLiteral("bank file of 400 channels: load"),
                    QStringLiteral("%1 ms").arg(loadMs, 0, 'f', 2), QStringLiteral("<= 100 ms"),
                    loadMs <= 100);
    zebench::report(QStringLiteral("bank file of 400 channels: save (atomic)"),
                    QStringLiteral("%1 ms").arg(saveMs, 0, 'f', 2), QStringLiteral("<= 100 ms"),
                    saveMs <= 100);
    return 0;
}
