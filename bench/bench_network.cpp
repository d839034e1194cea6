// A bank scan while network clients misbehave: the channels scanned a second with a client that
// floods lines (and reads its answers), one that floods without reading, one that sends
// endless garbage and one that stays silent, against the same scan without clients.
//
//   bench_network [seconds per run] [runs]
#include "BenchReport.h"
#include "WholeProgram.h"
#include "remote/RigServer.h"
#include "ui/StationApp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

int connectTo(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Clients of their own threads, blocking on their sockets as a real program would.
class Abusers
{
public:
    explicit Abusers(int port)
    {
        m_silent = connectTo(port);
        for (const bool reads : {true, false}) {
            m_threads.emplace_back([this, port, reads] {
                const std::string lines = [] {
                    std::string s;
                    for (int i = 0; i < 512; ++i)
                        s += "f\n";
                    return s;
                }();
                const int fd = connectTo(port);
                char answers[4096];
                while (fd >= 0 && !m_stop) {
                    if (::send(fd, lines.data(), lines.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0
                        && errno != EAGAIN)
                        break;
                    if (reads && ::recv(fd, answers, sizeof answers, MSG_DONTWAIT) == 0)
                        break;
                    usleep(1000);
                }
                if (fd >= 0)
                    ::close(fd);
            });
        }
        m_threads.emplace_back([this, port] {
            const std::string garbage(4096, 'x');
            while (!m_stop) {
                const int fd = connectTo(port);
                while (fd >= 0 && !m_stop
                       && ::send(fd, garbage.data(), garbage.size(), MSG_NOSIGNAL) > 0)
                    usleep(1000);
                if (fd >= 0)
                    ::close(fd);
                usleep(10000);
            }
        });
    }
    ~Abusers()
    {
        m_stop = true;
        for (std::thread &t : m_threads)
            t.join();
        if (m_silent >= 0)
            ::close(m_silent);
    }

private:
    std::atomic<bool> m_stop {false};
    std::vector<std::thread> m_threads;
    int m_silent = -1;
};

// Channels tuned a second by a bank scan through the loop's own steps; passes over the empty
// banks tune nothing and do not count.
double channelsPerSecond(ze::StationApp &app, double seconds)
{
    app.window().findChild<QAbstractButton *>(QStringLiteral("cmdScanBanks"))->click();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 500) {
        app.loop().pass();
        ze::ControlLoop::handleEvents(false);
    }
    int tuned = 0;
    const QString &frequency = app.station().state().tunedFrequency;
    timer.restart();
    while (timer.nsecsElapsed() < seconds * 1e9) {
        const QString before = frequency;
        app.loop().pass();
        ze::ControlLoop::handleEvents(false);
        tuned += frequency != before;
    }
    const double rate = tuned / (timer.nsecsElapsed() / 1e9);
    app.station().SelectMode(ze::ModeIdle);
    return rate;
}

} // namespace

int main(int argc, char **argv)
{
    ze::StationApp::prepareToolkit();
    QApplication application(argc, argv);
    const double seconds
            = argc > 1 && QByteArray(argv[1]).toDouble() > 0 ? QByteArray(argv[1]).toDouble() : 5.0;
    const int runs = argc > 2 && QByteArray(argv[2]).toInt() > 0 ? QByteArray(argv[2]).toInt() : 3;

    zebench::WholeProgram program;
    if (!program.start()) {
        std::fprintf(stderr, "bench_network: the simulated receiver did not start\n");
        return 1;
    }
    ze::SystemClock clock;
    ze::StationApp app(program.paths(), clock);
    if (!app.startUp() || !app.rigServer().apply({true, 0, false})) {
        std::fprintf(stderr, "bench_network: start-up failed\n");
        return 1;
    }
    zebench::prepareWindow(app.window());
    const int port = app.rigServer().port();

    // Interleaved, so that a change in the machine's load meets both alike.
    std::vector<double> alone, abused, ratio;
    for (int i = 0; i < runs; ++i) {
        alone.push_back(channelsPerSecond(app, seconds));
        {
            Abusers abusers(port);
            abused.push_back(channelsPerSecond(app, seconds));
        }
        ratio.push_back(abused.back() / alone.back());
        std::fprintf(stderr, "run %d: %.2f channels/s alone, %.2f with clients\n", i + 1,
                     alone.back(), abused.back());
    }
    const double median = zebench::median(ratio);
    zebench::report(QStringLiteral("bank scan with flooding, garbage and silent clients: channels "
                                   "per second against none (median of %1; %2 and %3 /s)")
                            .arg(runs)
                            .arg(zebench::median(abused), 0, 'f', 2)
                            .arg(zebench::median(alone), 0, 'f', 2),
                    QString::number(median, 'f', 3), QStringLiteral(">= 0.90"), median >= 0.90);
    return 0;
}
