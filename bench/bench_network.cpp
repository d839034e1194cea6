// A bank scan while network clients misbehave: the channels scanned a second with a client that
// floods lines (and reads its answers), one that floods without reading, one that sends
// endless garbage and one that stays silent, against the same scan without clients. Then the
// clients that used to shut network control off: a burst of gets, lines that come with a
// half-close, idlers that take every place; after each a fresh client must be served. Last, how
// long a get takes while the receiver stops answering and the station waits on it.
//
//   bench_network [seconds per run] [runs]
#include "BenchReport.h"
#include "RawClient.h"
#include "WholeProgram.h"
#include "remote/RigServer.h"
#include "ui/StationApp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
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

bool freshClientServed(int port)
{
    zetest::RawClient fresh(port);
    return fresh.send("\\get_vfo\n") && fresh.readLines(1) == "VFOA\n";
}

// The clients that once shut network control off until restart, each followed by a fresh one.
void abuseCases(ze::StationApp &app)
{
    const int port = app.rigServer().port();
    {
        zetest::RawClient burst(port);
        QElapsedTimer timer;
        timer.start();
        burst.send(QByteArray("f\n").repeated(480));
        const qsizetype answered = burst.readLines(480).count('\n');
        const double ms = timer.nsecsElapsed() / 1e6;
        const bool served = freshClientServed(port);
        zebench::report(
                QStringLiteral("network: 480 gets in one write, answered (%1 ms), then "
                               "a fresh client served")
                        .arg(ms, 0, 'f', 1),
                QStringLiteral("%1 of 480, %2").arg(answered).arg(served ? "served" : "not served"),
                QStringLiteral("480, served"), answered == 480 && served);
    }
    {
        zetest::RawClient half(port);
        half.send("F 145500000\nf\nv");
        half.finishSending();
        QByteArray answers;
        const bool closed = half.waitForClose(5000, &answers);
        const bool served = freshClientServed(port);
        const qsizetype lines = answers.count('\n');
        zebench::report(QStringLiteral("network: lines that come with a half-close answered "
                                       "before the close, then a fresh client served"),
                        QStringLiteral("%1 of 3 lines%2, %3")
                                .arg(lines)
                                .arg(closed ? ", closed" : "")
                                .arg(served ? "served" : "not served"),
                        QStringLiteral("3 of 3 lines, closed, served"),
                        lines == 3 && closed && served);
    }
    {
        constexpr int limitMs = 1000;
        app.rigServer().setIdleLimitMs(limitMs);
        app.rigServer().apply({true, port, false});
        std::vector<std::unique_ptr<zetest::RawClient>> idlers;
        for (int i = 0; i < ze::RigServer::maxClients; ++i)
            idlers.push_back(std::make_unique<zetest::RawClient>(port));
        zetest::RawClient late(port);
        QByteArray told;
        late.waitForClose(2000, &told);
        QElapsedTimer timer;
        timer.start();
        bool served = false;
        while (!served && timer.elapsed() < 3 * limitMs)
            served = freshClientServed(port);
        const double ms = timer.nsecsElapsed() / 1e6;
        zebench::report(QStringLiteral("network: 16 silent clients take every place (one more "
                                       "is told why); a fresh client served once the idle limit "
                                       "(here %1 ms) let them go")
                                .arg(limitMs),
                        QStringLiteral("%1 after %2 ms")
                                .arg(served ? "served" : "not served")
                                .arg(ms, 0, 'f', 0),
                        QStringLiteral("served"), served && !told.isEmpty());
        app.rigServer().setIdleLimitMs(ze::RigServer::idleLimitMs);
        app.rigServer().apply({true, port, false});
    }
}

// Gets from a client of its own thread while the receiver (its process stopped) does not answer:
// the station waits out its exchanges, then asks the receiver now and then.
void getsWhileTheReceiverIsSilent(ze::StationApp &app, QProcess &receiver)
{
    const int port = app.rigServer().port();
    app.window().findChild<QAbstractButton *>(QStringLiteral("cmdScanBanks"))->click();
    ::kill(static_cast<pid_t>(receiver.processId()), SIGSTOP);
    std::atomic<bool> stop {false};
    std::vector<double> latencies;
    std::thread tracker([&] {
        zetest::RawClient client(port);
        while (!stop) {
            QElapsedTimer timer;
            timer.start();
            if (!client.send("f\n") || client.readLines(1).isEmpty())
                break;
            latencies.push_back(timer.nsecsElapsed() / 1e6);
            usleep(50000);
        }
    });
    // How long the windows go without their events once the station has told the silence: a
    // click waits at most that long to show.
    QElapsedTimer sinceEvents;
    double longestGap = 0;
    QTimer probe;
    probe.callOnTimeout([&] {
        if (sinceEvents.isValid())
            longestGap = std::max(longestGap, sinceEvents.nsecsElapsed() / 1e6);
        if (app.station().state().receiverSilent)
            sinceEvents.restart();
    });
    probe.start(20);
    QTimer::singleShot(10000, &app.window(), [&app] { app.loop().stop(); });
    app.run();
    probe.stop();
    stop = true;
    tracker.join();
    ::kill(static_cast<pid_t>(receiver.processId()), SIGCONT);
    app.station().SelectMode(ze::ModeIdle);
    const double worst
            = latencies.empty() ? 1e9 : *std::max_element(latencies.begin(), latencies.end());
    zebench::report(QStringLiteral("network: a get while the receiver does not answer (10 s, %1 "
                                   "gets, median %2 ms)")
                            .arg(latencies.size())
                            .arg(zebench::median(latencies), 0, 'f', 2),
                    QStringLiteral("worst %1 ms").arg(worst, 0, 'f', 2), QStringLiteral("<= 50 ms"),
                    worst <= 50 && latencies.size() > 100);
    zebench::report(QStringLiteral("window while the receiver does not answer: longest time "
                                   "without events once the silence is told"),
                    QStringLiteral("%1 ms").arg(longestGap, 0, 'f', 0), QStringLiteral("<= 300 ms"),
                    longestGap > 0 && longestGap <= 300);
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
    abuseCases(app);
    getsWhileTheReceiverIsSilent(app, program.sim);
    return 0;
}
