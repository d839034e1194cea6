// Reading the receiver's memory against the simulated receiver.
//
//   bench_memory [channels]
//
// Pacing on at 9600,n,8,2: one whole read (404 exchanges) of a memory holding the given number
// of channels (default 400, all of them); the time it takes, the line efficiency (the time the
// bytes exchanged need on the line divided by the measured time) and the main thread's CPU load.
#include "BenchReport.h"
#include "CoreFixture.h"
#include "UiFixture.h"
#include "receiver/MemoryTransfer.h"

#include <QApplication>
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

struct Read
{
    int channels = 0;
    double efficiency = 0;
    double cpuPercent = 0;
};

// One whole read through the station's port, its line set to 9600,n,8,2.
Read readWhole(ze::Station &station, ze::SerialPort &port, zesim::SimReceiver &sim, int channels)
{
    QString error;
    if (!port.setLineSettings(QStringLiteral("9600,n,8,2"), &error)) {
        std::fprintf(stderr, "port: %s\n", qPrintable(error));
        return {};
    }
    sim.setScenario(filledMemory(channels));
    port.exchange(ze::ReceiverCommand::level()); // settle the pacing switch
    sim.clearLog();
    const qint64 sentBefore = port.bytesSent();
    const qint64 receivedBefore = port.bytesReceived();
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = threadCpuSeconds();
    Read r;
    r.channels = ze::ReadMemoryBanks(station);
    const double seconds = double(timer.nsecsElapsed()) * 1e-9;
    const double cpu = threadCpuSeconds() - cpuBefore;
    const qint64 sent = port.bytesSent() - sentBefore;
    const qint64 received = port.bytesReceived() - receivedBefore;
    const ze::LineSettings line = *ze::parseLineSettings(port.lineSettings());
    const double lineSeconds = double(sent + received) * line.bitsPerByte() / line.baudRate;
    std::fprintf(stderr, "channels %d, exchanges %zu, %.3f s for %.3f s of line\n", r.channels,
                 sim.commands().size(), seconds, lineSeconds);
    r.efficiency = lineSeconds / seconds;
    r.cpuPercent = cpu / seconds * 100.0;
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int channels = argc > 1 ? QByteArray(argv[1]).toInt() : 400;
    if (channels < 0 || channels > 400)
        channels = 400;

    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL); // as main() does
    Read bare;
    {
        zetest::CoreFixture f(true, 1000);
        if (!f.receiverStarted || !f.startUp()) {
            std::fprintf(stderr, "simulator or start-up failed\n");
            return 1;
        }
        bare = readWhole(*f.station, f.serialPort(), f.sim, channels);
    }
    // The same with the main window shown: what the operator's read costs.
    Read shown;
    {
        zetest::UiFixture f;
        if (!f.receiverStarted || !f.startUp()) {
            std::fprintf(stderr, "simulator or start-up failed\n");
            return 1;
        }
        f.app->window().show();
        QCoreApplication::processEvents();
        shown = readWhole(f.app->station(), f.app->serialPort(), f.sim, channels);
    }
    zebench::report(QStringLiteral("full memory read (404 exchanges), 9600 baud: line efficiency"),
                    QString::number(bare.efficiency, 'f', 3), QStringLiteral(">= 0.97"),
                    bare.efficiency >= 0.97 && bare.channels == channels);
    zebench::report(QStringLiteral("full memory read, 9600 baud: CPU"),
                    QStringLiteral("%1 %").arg(bare.cpuPercent, 0, 'f', 2), QStringLiteral("< 3 %"),
                    bare.cpuPercent < 3.0);
    zebench::report(QStringLiteral("full memory read with the main window shown: line efficiency"),
                    QString::number(shown.efficiency, 'f', 3), QStringLiteral(">= 0.98"),
                    shown.efficiency >= 0.98 && shown.channels == channels);
    zebench::report(QStringLiteral("full memory read with the main window shown: CPU of the "
                                   "station's thread"),
                    QStringLiteral("%1 %").arg(shown.cpuPercent, 0, 'f', 2),
                    QStringLiteral("< 3 %"), shown.cpuPercent < 3.0);
    return bare.channels == channels && shown.channels == channels ? 0 : 1;
}
