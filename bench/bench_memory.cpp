// Reading the receiver's memory against the simulated receiver.
//
//   bench_memory [channels]
//
// Pacing on at 9600,n,8,2: one whole read (404 exchanges) of a memory holding the given number
// of channels (default 400, all of them); the time it takes, the line efficiency (the time the
// bytes exchanged need on the line divided by the measured time) and the main thread's CPU load.
#include "CoreFixture.h"
#include "receiver/MemoryTransfer.h"

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

    zetest::CoreFixture f(true, 1000);
    if (!f.receiverStarted || !f.startUp()) {
        std::fprintf(stderr, "simulator or start-up failed\n");
        return 1;
    }
    ze::SerialPort &port = f.station->serialPort();
    QString error;
    if (!port.setLineSettings(QStringLiteral("9600,n,8,2"), &error)) {
        std::fprintf(stderr, "port: %s\n", qPrintable(error));
        return 1;
    }
    f.sim.setScenario(filledMemory(channels));
    port.Exchange(QStringLiteral("Y")); // settle the pacing switch
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

    std::printf("paced_line_settings: %s\n", qPrintable(port.lineSettings()));
    std::printf("memory_channels: %d\n", channels);
    std::printf("channels_read: %d\n", read);
    std::printf("exchanges: %zu\n", f.sim.commands().size());
    std::printf("bytes_sent: %lld\n", static_cast<long long>(sent));
    std::printf("bytes_received: %lld\n", static_cast<long long>(received));
    std::printf("read_seconds: %.3f\n", seconds);
    std::printf("line_seconds: %.3f\n", lineSeconds);
    std::printf("overhead_ms_per_exchange: %.3f\n", (seconds - lineSeconds) / 404 * 1e3);
    std::printf("line_efficiency: %.4f\n", lineSeconds / seconds);
    std::printf("cpu_percent: %.2f\n", cpu / seconds * 100.0);
    return read == channels ? 0 : 1;
}
