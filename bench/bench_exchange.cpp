// Exchange throughput and line efficiency against the simulated receiver.
//
//   bench_exchange [exchanges] [groups]
//
// 1. Pacing off: back-to-back "Y" exchanges; exchanges per second and the main thread's CPU
//    time per exchange (the simulator answers on a thread of its own).
// 2. Pacing on at 9600,n,8,2: scan-step-shaped groups (tune, "Y", "Y", "F"); the share of the
//    wall time the line is busy with the bytes of the exchange, and the main thread's CPU load.
#include "core/Clock.h"
#include "receiver/SerialPort.h"

#include "SimReceiver.h"

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

int argOr(int argc, char **argv, int index, int fallback)
{
    if (argc > index) {
        const int v = QByteArray(argv[index]).toInt();
        if (v > 0)
            return v;
    }
    return fallback;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int exchanges = argOr(argc, argv, 1, 2000);
    const int groups = argOr(argc, argv, 2, 100);

    zesim::SimReceiver sim;
    std::string simError;
    if (!sim.start(&simError)) {
        std::fprintf(stderr, "simulator: %s\n", simError.c_str());
        return 1;
    }
    sim.setPacing(false);
    sim.setNoiseLevel(6);

    bool busy = false;
    ze::SystemClock clock;
    ze::SerialPort port(clock, busy);
    QString error;
    if (!port.setPort(QString::fromStdString(sim.devicePath()), &error)
        || !port.setLineSettings(QStringLiteral("9600,n,8,2"), &error)) {
        std::fprintf(stderr, "port: %s\n", qPrintable(error));
        return 1;
    }
    port.OpenPort();
    if (!port.isOpen()) {
        std::fprintf(stderr, "port: %s\n", qPrintable(port.stateText()));
        return 1;
    }

    // 1. Unpaced round trips.
    for (int i = 0; i < 50; ++i)
        port.Exchange(QStringLiteral("Y"));
    int unanswered = 0;
    QElapsedTimer wall;
    double cpu0 = threadCpuSeconds();
    wall.start();
    for (int i = 0; i < exchanges; ++i) {
        if (!port.Exchange(QStringLiteral("Y")).endsWith(QLatin1Char('>')))
            ++unanswered;
    }
    double seconds = wall.nsecsElapsed() * 1e-9;
    double cpu = threadCpuSeconds() - cpu0;
    std::printf("unpaced_exchanges: %d\n", exchanges);
    std::printf("unpaced_unanswered: %d\n", unanswered);
    std::printf("exchanges_per_second: %.0f\n", exchanges / seconds);
    std::printf("cpu_us_per_exchange: %.1f\n", cpu / exchanges * 1e6);
    std::printf("cpu_percent_unpaced: %.1f\n", cpu / seconds * 100.0);

    // 2. Paced scan steps.
    sim.setPacing(true);
    const ze::LineSettings line = *ze::parseLineSettings(port.lineSettings());
    qint64 bytes = 0;
    unanswered = 0;
    auto exchange = [&](const QString &command) {
        const QString reply = port.Exchange(command);
        bytes += command.size() + 1 + reply.size();
        if (!reply.endsWith(QLatin1Char('>')))
            ++unanswered;
    };
    exchange(QStringLiteral("Y")); // settle the pacing switch
    bytes = 0;
    unanswered = 0;
    cpu0 = threadCpuSeconds();
    wall.restart();
    for (int g = 0; g < groups; ++g) {
        const double mhz = 145.5 + 0.0125 * (g % 400);
        exchange(QString::asprintf("%.4fNT", mhz));
        exchange(QStringLiteral("Y"));
        exchange(QStringLiteral("Y"));
        exchange(QStringLiteral("F"));
    }
    seconds = wall.nsecsElapsed() * 1e-9;
    cpu = threadCpuSeconds() - cpu0;
    const double lineSeconds = bytes * line.bitsPerByte() / line.baudRate;
    std::printf("paced_line_settings: %s\n", qPrintable(port.lineSettings()));
    std::printf("paced_groups: %d\n", groups);
    std::printf("paced_unanswered: %d\n", unanswered);
    std::printf("paced_bytes: %lld\n", static_cast<long long>(bytes));
    std::printf("paced_wall_seconds: %.3f\n", seconds);
    std::printf("paced_line_seconds: %.3f\n", lineSeconds);
    std::printf("paced_ms_per_group: %.2f\n", seconds / groups * 1e3);
    std::printf("paced_overhead_ms_per_exchange: %.3f\n",
                (seconds - lineSeconds) / (groups * 4) * 1e3);
    std::printf("line_efficiency: %.4f\n", lineSeconds / seconds);
    std::printf("cpu_percent_paced: %.2f\n", cpu / seconds * 100.0);

    port.close();
    sim.stop();
    return 0;
}
