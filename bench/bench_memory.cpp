// Reading the receiver's memory against the simulated receiver.
//
//   bench_memory [channels]
//
// Pacing on at 9600,n,8,2: one whole read (404 exchanges) of a memory holding the given number
// of channels (default 400, all of them); the time it takes, the line efficiency (the time the
// bytes exchanged need on the line divided by the measured time) and the main thread's CPU load.
#include "BenchReport.h"
#include "CoreFixture.h"
#include "receiver/MemoryTransfer.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>

#include <sys/prctl.h>

namespace {

using zebench::threadCpuSeconds;

// Channels spread over the four banks, every mode and both attenuator settings.
zesim::Scenario filledMemory(int channels)
{
    zesim::Scenario scenario;
    const char modes[] = {'N', 'W', 'A', 'L', 'U', 'C', 0};
    for (int i = 0; i < channels && i < 400; ++i) {
        const int bank = 1 + i % 4;
        const int channel = i / 4;
        char frequency[32];
        std::snprintf(frequency, sizeof frequency, "%.4f", 30.0 + i * 4.9875);
        scenario.memory[zesim::memoryKey(bank, channel)] = {frequency, modes[i % 7], i % 3 == 0};
    }
    return scenario;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int channels = argc > 1 ? QByteArray(argv[1]).toInt() : 400;
    if (channels < 0 || channels > 400)
        channels = 400;

    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL); // as main() does
    zetest::CoreFixture f(true, 1000);
    if (!f.receiverStarted || !f.startUp()) {
        std::fprintf(stderr, "simulator or start-up failed\n");
        return 1;
    }
    ze::SerialPort &port = f.serialPort();
    QString error;
    if (!port.setLineSettings(QStringLiteral("9600,n,8,2"), &error)) {
        std::fprintf(stderr, "port: %s\n", qPrintable(error));
        return 1;
    }
    f.sim.setScenario(filledMemory(channels));
    port.exchange(ze::ReceiverCommand::level()); // settle the pacing switch
    f.clearSent();

    const qint64 sentBefore = port.bytesSent();
    const qint64 receivedBefore = port.bytesReceived();
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = threadCpuSeconds();
    const int read = ze::ReadMemoryBanks(*f.station);
    const double seconds = timer.nsecsElapsed() * 1e-9;
    const double cpu = threadCpuSeconds() - cpuBefore;
    const qint64 sent = port.bytesSent() - sentBefore;
    const qint64 received = port.bytesReceived() - receivedBefore;
    const ze::LineSettings line = *ze::parseLineSettings(port.lineSettings());
    const double lineSeconds = (sent + received) * line.bitsPerByte() / line.baudRate;

    std::fprintf(stderr, "paced_line_settings: %s\n", qPrintable(port.lineSettings()));
    std::fprintf(stderr, "memory_channels: %d\n", channels);
    std::fprintf(stderr, "channels_read: %d\n", read);
    std::fprintf(stderr, "exchanges: %zu\n", f.sim.commands().size());
    std::fprintf(stderr, "bytes_sent: %lld\n", static_cast<long long>(sent));
    std::fprintf(stderr, "bytes_received: %lld\n", static_cast<long long>(received));
    std::fprintf(stderr, "read_seconds: %.3f\n", seconds);
    std::fprintf(stderr, "line_seconds: %.3f\n", lineSeconds);
    std::fprintf(stderr, "overhead_ms_per_exchange: %.3f\n", (seconds - lineSeconds) / 404 * 1e3);
    std::fprintf(stderr, "line_efficiency: %.4f\n", lineSeconds / seconds);
    std::fprintf(stderr, "cpu_percent: %.2f\n", cpu / seconds * 100.0);
    const double efficiency = lineSeconds / seconds;
    zebench::report(QStringLiteral("full memory read (404 exchanges), 9600 baud: line efficiency"),
                    QString::number(efficiency, 'f', 3), QStringLiteral(">= 0.97"),
                    efficiency >= 0.97 && read == channels);
    zebench::report(QStringLiteral("full memory read, 9600 baud: CPU"),
                    QStringLiteral("%1 %").arg(cpu / seconds * 100.0, 0, 'f', 2),
                    QStringLiteral("< 3 %"), cpu / seconds * 100.0 < 3.0);
    return read == channels ? 0 : 1;
}
