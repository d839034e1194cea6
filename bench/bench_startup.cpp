// Start-up with a large working directory, then the idle loop.
//
//   bench_startup [idle seconds]
//
// 1. Time from the start of start-up to the end of the first control-loop pass, with 20 bank
//    files of 400 channels each (the first is loaded), the real main window (offscreen) and the
//    simulated receiver.
// 2. The process's CPU time while the loop idles for the given seconds (default 10).
#include "SimReceiver.h"
#include "storage/BankFile.h"
#include "ui/StationApp.h"

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
    std::printf("bank_files: 20\nchannels_per_file: 400\n");
    std::printf("startup_to_first_pass_ms: %.1f\n", startupMs);
    std::printf("channels_listed: %d\n", app.station().state().banks(4, 99).isEmpty() ? 0 : 400);

    // Idle: mode 0, the loop waits for events.
    QTimer::singleShot(static_cast<int>(idleSeconds * 1000), [&app] { app.loop().stop(); });
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer idle;
    idle.start();
    app.run();
    const double wall = idle.nsecsElapsed() / 1e9;
    const double cpu = processCpuSeconds() - cpuBefore;
    std::printf("idle_seconds: %.1f\n", wall);
    std::printf("idle_cpu_seconds: %.3f\n", cpu);
    std::printf("idle_cpu_percent: %.3f\n", 100.0 * cpu / wall);
    return 0;
}
