// Bank scanning and log writing against the simulated receiver.
//
//   bench_scan [seconds]
//
// 1. Pacing on at 9600,n,8,2: the control loop scans one bank of 100 filled channels; channels
//    visited per second, line efficiency (the time the bytes exchanged need on the line divided
//    by the measured time) and the main thread's CPU load.
// 2. Pacing off: channels visited per second.
// 3. The time to append 10 000 lines to the activity log.
#include "CoreFixture.h"
#include "receiver/Tuning.h"
#include "scan/ActivityLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>

namespace {

double threadCpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void fillBank(ze::Banks &banks)
{
    for (int channel = 0; channel < 100; ++channel) {
        banks(1, channel) = ze::ChannelRecord {ze::FormatFrequency(145.0 + channel * 0.0125),
                                               QStringLiteral("Channel %1").arg(channel),
                                               QStringLiteral("N"),
                                               0,
                                               0,
                                               0,
                                               0};
    }
}

struct ScanRun
{
    double seconds = 0;
    int visited = 0;
    double lineSeconds = 0;
    double cpuPercent = 0;
};

ScanRun scan(bool pacing, double seconds)
{
    zetest::CoreFixture f(true, 1000);
    f.sim.setPacing(pacing);
    f.startUp();
    fillBank(f.station->state().banks);
    f.panel.ticked = {{true, false, false, false}};
    f.panel.squelchPosition = 0; // nothing holds: every pass is a step
    ze::SerialPort &port = f.station->serialPort();
    const qint64 sentBefore = port.bytesSent();
    const qint64 receivedBefore = port.bytesReceived();
    f.station->SelectMode(ze::ModeScanStart);

    ScanRun run;
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = threadCpuSeconds();
    int tunes = 0;
    while (timer.nsecsElapsed() < seconds * 1e9) {
        const int before = f.station->state().currentChannel;
        f.loop->pass();
        f.loop->handleEvents(false);
        // A bank of 100 filled channels: every pass in bank 1 visits one.
        if (f.station->state().currentBank == 1 && f.station->state().currentChannel != before)
            ++tunes;
    }
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.cpuPercent = 100.0 * (threadCpuSeconds() - cpuBefore) / run.seconds;
    run.visited = tunes;
    const qint64 bytes = port.bytesSent() - sentBefore + port.bytesReceived() - receivedBefore;
    ze::LineSettings line = *ze::parseLineSettings(port.lineSettings());
    run.lineSeconds = bytes * line.bitsPerByte() / line.baudRate;
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    double seconds = argc > 1 ? QByteArray(argv[1]).toDouble() : 5.0;
    if (seconds <= 0)
        seconds = 5.0;

    const ScanRun paced = scan(true, seconds);
    std::printf("paced_line_settings: 9600,n,8,2\n");
    std::printf("paced_seconds: %.3f\n", paced.seconds);
    std::printf("paced_channels_visited: %d\n", paced.visited);
    std::printf("paced_channels_per_second: %.1f\n", paced.visited / paced.seconds);
    std::printf("paced_line_efficiency: %.4f\n", paced.lineSeconds / paced.seconds);
    std::printf("paced_cpu_percent: %.2f\n", paced.cpuPercent);

    const ScanRun unpaced = scan(false, seconds);
    std::printf("unpaced_channels_per_second: %.1f\n", unpaced.visited / unpaced.seconds);
    std::printf("unpaced_cpu_percent: %.1f\n", unpaced.cpuPercent);

    zetest::CoreFixture f(false);
    fillBank(f.station->state().banks);
    f.station->state().currentBank = 1;
    f.panel.channel = QStringLiteral("5");
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 10000; ++i) {
        f.station->state().lastLoggedFrequency.clear();
        ze::WriteChannelLogLine(*f.station, 1 + i % 15);
    }
    const double logSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("log_lines: 10000\n");
    std::printf("log_append_seconds: %.3f\n", logSeconds);
    std::printf("log_file_bytes: %lld\n",
                static_cast<long long>(f.readFile(QStringLiteral("logging.txt")).size()));
    return 0;
}
