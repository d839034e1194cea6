// Exchange throughput and line efficiency against the simulated receiver.
//
//   bench_exchange [exchanges] [groups]
//
// 1. Pacing off: back-to-back "Y" exchanges; exchanges per second and the main thread's CPU
//    time per exchange (the simulator answers on a thread of its own).
// 2. Pacing on at 9600,n,8,2: scan-step-shaped groups (tune, "Y", "Y", "F"); the share of the
//    wall time the line is busy with the bytes of the exchange, and the main thread's CPU load.
#include "BenchReport.h"
#include "core/Clock.h"
#include "receiver/SerialPort.h"

#include "SimReceiver.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>

#include <sys/prctl.h>

namespace {

using zebench::threadCpuSeconds;

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

    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL); // as main() does
    ze::SystemClock clock;
    ze::SerialPort port(clock);
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
        port.exchange(ze::ReceiverCommand::level());
    int unanswered = 0;
    QElapsedTimer wall;
    double cpu0 = threadCpuSeconds();
    wall.start();
    for (int i = 0; i < exchanges; ++i) {
        if (!port.exchange(ze::ReceiverCommand::level()).endsWith(QLatin1Char('>')))
            ++unanswered;
    }
    double seconds = wall.nsecsElapsed() * 1e-9;
    double cpu = threadCpuSeconds() - cpu0;
    std::fprintf(stderr, "unpaced_exchanges: %d\n", exchanges);
    std::fprintf(stderr, "unpaced_unanswered: %d\n", unanswered);
    std::fprintf(stderr, "exchanges_per_second: %.0f\n", exchanges / seconds);
    std::fprintf(stderr, "cpu_us_per_exchange: %.1f\n", cpu / exchanges * 1e6);
    std::fprintf(stderr, "cpu_percent_unpaced: %.1f\n", cpu / seconds * 100.0);
    // Faster than the fastest line (115200 baud carries about 1 900 "Y" exchanges a second), at a
    // cost that leaves a paced line's budget to the window.
    const double rate = exchanges / seconds;
    const double cpuPerExchange = cpu / exchanges * 1e6;
    zebench::report(QStringLiteral("single exchanges unpaced: rate"),
                    QStringLiteral("%1 per second").arg(rate, 0, 'f', 0),
                    QStringLiteral(">= 2 000 per second"), rate >= 2000 && unanswered == 0);
    zebench::report(QStringLiteral("single exchanges unpaced: CPU per exchange"),
                    QStringLiteral("%1 us").arg(cpuPerExchange, 0, 'f', 1),
                    QStringLiteral("<= 50 us"), cpuPerExchange <= 50);

    // 2. Paced scan steps.
    sim.setPacing(true);
    const ze::LineSettings line = *ze::parseLineSettings(port.lineSettings());
    qint64 bytes = 0;
    unanswered = 0;
    auto exchange = [&](const ze::ReceiverCommand &command) {
        const QString reply = port.exchange(command);
        bytes += command.bytes().size() + 1 + reply.size();
        if (!reply.endsWith(QLatin1Char('>')))
            ++unanswered;
    };
    exchange(ze::ReceiverCommand::level()); // settle the pacing switch
    bytes = 0;
    unanswered = 0;
    cpu0 = threadCpuSeconds();
    wall.restart();
    for (int g = 0; g < groups; ++g) {
        const double mhz = 145.5 + 0.0125 * (g % 400);
        exchange(*ze::ReceiverCommand::channel(QString::asprintf("%.4f", mhz), QStringLiteral("N"),
                                               false));
        exchange(ze::ReceiverCommand::level());
        exchange(ze::ReceiverCommand::level());
        exchange(ze::ReceiverCommand::found());
    }
    seconds = wall.nsecsElapsed() * 1e-9;
    cpu = threadCpuSeconds() - cpu0;
    const double lineSeconds = bytes * line.bitsPerByte() / line.baudRate;
    std::fprintf(stderr, "paced_line_settings: %s\n", qPrintable(port.lineSettings()));
    std::fprintf(stderr, "paced_groups: %d\n", groups);
    std::fprintf(stderr, "paced_unanswered: %d\n", unanswered);
    std::fprintf(stderr, "paced_bytes: %lld\n", static_cast<long long>(bytes));
    std::fprintf(stderr, "paced_wall_seconds: %.3f\n", seconds);
    std::fprintf(stderr, "paced_line_seconds: %.3f\n", lineSeconds);
    std::fprintf(stderr, "paced_ms_per_group: %.2f\n", seconds / groups * 1e3);
    std::fprintf(stderr, "paced_overhead_ms_per_exchange: %.3f\n",
                 (seconds - lineSeconds) / (groups * 4) * 1e3);
    std::fprintf(stderr, "line_efficiency: %.4f\n", lineSeconds / seconds);
    std::fprintf(stderr, "cpu_percent_paced: %.2f\n", cpu / seconds * 100.0);
    const double efficiency = lineSeconds / seconds;
    zebench::report(QStringLiteral("single exchanges (tune, Y, Y, F), 9600 baud: line efficiency"),
                    QString::number(efficiency, 'f', 3), QStringLiteral(">= 0.97"),
                    efficiency >= 0.97 && unanswered == 0);
    zebench::report(QStringLiteral("single exchanges (tune, Y, Y, F), 9600 baud: CPU"),
                    QStringLiteral("%1 %").arg(cpu / seconds * 100.0, 0, 'f', 2),
                    QStringLiteral("< 3 %"), cpu / seconds * 100.0 < 3.0);

    port.close();
    sim.stop();
    return 0;
}
