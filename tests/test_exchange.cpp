// The command exchange over a real pseudo-terminal, against the simulated receiver.
#include "Scenario.h"
#include "core/Clock.h"
#include "core/Station.h"
#include "receiver/ReplyTiming.h"
#include "receiver/SerialPort.h"

#include "Workspace.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace ze;
using zesim::FaultKind;

Q_DECLARE_METATYPE(zesim::Fault)

namespace {

const QString yReply = QStringLiteral("G\r\n>"); // noise level 6

// The real monotonic clock, shifted to set where in its whole second an exchange starts.
struct PhasedClock final : Clock
{
    double secondsSinceMidnight() const override { return 0; }
    QDateTime localNow() const override { return {}; }
    qint64 monotonicMs() const override { return real.monotonicMs() + offset; }
    void setPhase(qint64 ms) { offset = ((ms - real.monotonicMs()) % 1000 + 1000) % 1000; }

    SystemClock real;
    qint64 offset = 0;
};

// A link opened on the workspace's receiver through the path that follows it when it comes back,
// and a station that exchanges over it.
struct Rig : zetest::Workspace
{
    explicit Rig(qint64 tickMs)
        : Workspace(true)
        , port(clock)
        , station(paths(), clock)
    {
        sim.setNoiseLevel(6);
        port.setTickMs(tickMs);
        station.setLink(&port);
        if (receiverStarted && port.setPort(device()))
            port.OpenPort();
    }
    ~Rig() { station.setLink(nullptr); }
    QString device() const { return path(QStringLiteral("receiver")); }
    bool busy() const { return station.state().exchangeBusy; }

    PhasedClock clock;
    SerialPort port;
    Station station;
};

#define OPEN_RIG(rig, tickMs)                                                                      \
    Rig rig(tickMs);                                                                               \
    QVERIFY2(rig.port.isOpen(), qPrintable(rig.port.stateText()))

qint64 timed(Station &station, const ReceiverCommand &command, QString *reply)
{
    QElapsedTimer timer;
    timer.start();
    *reply = station.Exchange(command);
    return timer.elapsed();
}

} // namespace

class TestExchange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exchangeEnds_data();
    void exchangeEnds();
    void busyOrLateLosesNothing();
    void openAndReset();
    void replyTiming();
    void lagSettles_data();
    void lagSettles();
    void sleptThroughRepliesComeWhole();
};

void TestExchange::exchangeEnds_data()
{
    QTest::addColumn<zesim::Fault>("fault");
    QTest::addColumn<int>("phase"); // where in its second the exchange starts
    QTest::addColumn<QString>("reply"); // one without ">" as a dot for each character
    QTest::addColumn<qint64>("minMs");
    QTest::addColumn<qint64>("maxMs");
    auto row = [](const char *name, zesim::Fault fault, int phase, const QString &reply,
                  qint64 minMs, qint64 maxMs) {
        QTest::newRow(name) << fault << phase << reply << minMs << maxMs;
    };
    const zesim::Fault silence {FaultKind::NoReply, 0, 0};
    // The prompt ends it well before the one-second minimum of the limit.
    row("chunked", {FaultKind::Chunked, 1, 15}, 500, yReply, 0, 900);
    // What follows the first ">" in the same read is kept.
    row("reply twice", {FaultKind::Doubled, 0, 0}, 500, yReply + yReply, 0, 900);
    // Without one, the limit counts whole seconds: it ends when the clock reads two seconds past
    // the second the command went out in.
    row("silence, sent early in its second", silence, 20, "", 1700, 2300);
    row("silence, sent late in its second", silence, 900, "", 1000, 1400);
    // Stops collecting at the cap.
    row("flood capped", {FaultKind::Flood, 0, 0}, 500, QString(64 * 1024, u'.'), 0, 900);
}

void TestExchange::exchangeEnds()
{
    QFETCH(zesim::Fault, fault);
    QFETCH(int, phase);
    QFETCH(qint64, minMs);
    QFETCH(qint64, maxMs);
    OPEN_RIG(rig, 1000);
    rig.sim.setFault(fault);
    rig.clock.setPhase(phase);
    QString got;
    const qint64 elapsed = timed(rig.station, ReceiverCommand::level(), &got);
    rig.sim.clearFault();
    QTEST(got.contains(u'>') ? got : QString(got.size(), u'.'), "reply");
    QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString::number(elapsed)));
    QVERIFY(!rig.busy() && rig.port.isOpen());
    QCOMPARE(rig.port.lastExchangeTimedOut(), !got.contains(u'>') && got.size() < 64 * 1024);
    // The command and one carriage return, nothing else.
    QCOMPARE(rig.sim.receivedBytes(), std::string("Y\r"));
}

void TestExchange::busyOrLateLosesNothing()
{
    OPEN_RIG(rig, 100);
    QString got;
    // An exchange asked for while another is under way sends nothing and leaves the flag.
    rig.station.state().exchangeBusy = true;
    QVERIFY(timed(rig.station, ReceiverCommand::notFound(), &got) < 50 && got.isEmpty()
            && rig.busy());
    rig.station.state().exchangeBusy = false;
    // A reply later than its exchange's limit waits unread; nothing to wait on here, it is due
    // 400 ms after "Y" went out.
    rig.sim.setFault({FaultKind::LateReply, 400, 0});
    QVERIFY(timed(rig.station, ReceiverCommand::level(), &got) <= 350 && got.isEmpty());
    QTest::qWait(500);
    rig.port.setTickMs(1000);
    // The next exchange returns it at its first read: the reply to "F" is 400 ms away.
    const qint64 elapsed = timed(rig.station, ReceiverCommand::found(), &got);
    QCOMPARE(got, yReply);
    QVERIFY2(elapsed < 150, qPrintable(QString::number(elapsed)));
    QCOMPARE(rig.sim.waitForCommands(2, 1000), size_t(2));
    QCOMPARE(rig.sim.receivedBytes(), std::string("Y\rF\r"));
}

void TestExchange::openAndReset()
{
    OPEN_RIG(rig, 100);
    QSignalSpy changed(&rig.port, &SerialPort::stateChanged);
    rig.port.OpenPort(); // already open: nothing happens
    SerialPort second(rig.clock); // a link opened after the rig's finds it busy
    QVERIFY(second.setPort(rig.device()));
    QSignalSpy secondChanged(&second, &SerialPort::stateChanged);
    second.OpenPort();
    if (!second.isOpen()) { // some platforms let a second program open the same device
        QVERIFY2(second.lastError().contains(QLatin1String("busy")),
                 qPrintable(second.lastError()));
        QCOMPARE(second.stateText(), rig.device() + QStringLiteral(": ") + second.lastError());
        QCOMPARE(secondChanged.count(), 1);
    }
    second.close();
    // New line settings reach an open line at once.
    QVERIFY(rig.port.setLineSettings(QStringLiteral("4800,n,8,2")));
    QCOMPARE(rig.sim.lineBaudRate(), 4800);
    // A reset closes an open port and leaves a closed one; a pseudo-terminal refuses its DTR
    // pulse, which is no port failure.
    rig.port.ResetPort();
    rig.port.ResetPort();
    QCOMPARE(rig.port.stateText(), rig.device() + QStringLiteral(" closed"));
    QCOMPARE(changed.count(), 2); // the new line settings and the first reset
    // A closed line gets new settings at its next opening, and DTR as it was before the resets.
    QVERIFY(rig.port.setLineSettings(QStringLiteral("2400,n,8,2")));
    rig.port.OpenPort();
    QVERIFY(rig.port.dtrEnable());
    QCOMPARE(rig.port.exchange(ReceiverCommand::level()), yReply);
    QCOMPARE(rig.sim.lineBaudRate(), 2400);
}

void TestExchange::replyTiming()
{
    using std::chrono::microseconds;
    ReplyTiming timing;
    // Nothing learnt: wait on the line from the start.
    QCOMPARE(timing.bytesToSleepThrough('Y'), 0);
    timing.learn('Y', 4, false, false);
    QCOMPARE(timing.bytesToSleepThrough('Y'), 4);
    QCOMPARE(timing.bytesToSleepThrough('E'), 0); // a command not answered yet
    // The shortest reply a command had is what is slept through.
    timing.learn('Y', 9, false, true);
    QCOMPARE(timing.bytesToSleepThrough('Y'), 4);
    timing.learn('Y', 3, false, true);
    QCOMPARE(timing.bytesToSleepThrough('Y'), 3);
    timing.learn('T', 300, false, true);
    QCOMPARE(timing.bytesToSleepThrough('T'), 255);
    // Every checkEvery-th exchange waits on the line from the start.
    int checks = 0;
    for (int i = 0; i < 4 * ReplyTiming::checkEvery; ++i)
        checks += timing.bytesToSleepThrough('Y') == 0 ? 1 : 0;
    QCOMPARE(checks, 4);
    // A reply in before the line could carry it: a device faster than its line. An early one
    // that was slept on tells nothing.
    timing.learn('Y', 3, true, true);
    QCOMPARE(timing.bytesToSleepThrough('Y'), 3);
    timing.learn('Y', 3, true, false);
    QCOMPARE(timing.bytesToSleepThrough('Y'), 0);
    timing.learn('Y', 3, false, false);
    QCOMPARE(timing.bytesToSleepThrough('Y'), 3);
    timing.wokeEarly();
    timing.reset();
    QCOMPARE(timing.bytesToSleepThrough('Y'), 0);
    QCOMPARE(timing.lag(), microseconds(0));
}

void TestExchange::lagSettles_data()
{
    QTest::addColumn<int>("lowestUs"); // each reply comes this much after its line time
    QTest::addColumn<int>("highestUs"); // or more, evenly up to this
    QTest::addColumn<int>("minLagUs");
    QTest::addColumn<int>("maxLagUs");
    // One wake in five misses the reply: the lag sits near the 80th percentile.
    QTest::newRow("spread 0-200 us") << 0 << 200 << 140 << 185;
    QTest::newRow("steady 50 us") << 50 << 50 << 46 << 70;
    QTest::newRow("always at once") << 0 << 0 << 0 << 16;
    // A receiver far slower than its line is not slept on for more than the longest lag.
    QTest::newRow("50 ms turnaround") << 50000 << 50000 << 2000 << 2000;
}

void TestExchange::lagSettles()
{
    QFETCH(int, lowestUs);
    QFETCH(int, highestUs);
    QFETCH(int, minLagUs);
    QFETCH(int, maxLagUs);
    ReplyTiming timing;
    quint32 seed = 1;
    double lagSum = 0; // over the second half, once settled
    for (int i = 0; i < 4000; ++i) {
        seed = seed * 1664525U + 1013904223U;
        const int late = lowestUs + static_cast<int>((seed >> 8) % (highestUs - lowestUs + 1));
        if (timing.lag().count() >= late)
            timing.wokeInTime();
        else
            timing.wokeEarly();
        if (i >= 2000)
            lagSum += static_cast<double>(timing.lag().count());
    }
    const double lag = lagSum / 2000;
    QVERIFY2(lag >= minLagUs && lag <= maxLagUs, qPrintable(QString::number(lag)));
}

void TestExchange::sleptThroughRepliesComeWhole()
{
    OPEN_RIG(rig, 1000);
    zesim::Scenario scenario;
    scenario.noiseLevel = 6;
    scenario.memory[zesim::memoryKey(1, 1)] = zesim::MemoryChannel {"145.5", 'N', false};
    rig.sim.setScenario(scenario);
    // Replies of three lengths to the same kind of command, once the shortest is learnt: each
    // comes whole, none is taken for a hang-up or cut at the wake.
    rig.port.exchange(*ReceiverCommand::selectBank(1));
    const QString empty = rig.port.exchange(*ReceiverCommand::readChannel(2));
    const QString filled = rig.port.exchange(*ReceiverCommand::readChannel(1));
    QVERIFY2(filled.startsWith(QLatin1String("C01")) && filled.endsWith(u'>'), qPrintable(filled));
    for (int i = 0; i < 3 * ReplyTiming::checkEvery; ++i) {
        QCOMPARE(rig.port.exchange(*ReceiverCommand::readChannel(i % 2 + 1)),
                 i % 2 ? empty : filled);
        QCOMPARE(rig.port.exchange(ReceiverCommand::level()), yReply);
        QVERIFY(rig.port.isOpen() && !rig.port.lastExchangeTimedOut());
    }
    // A device faster than its line is not slept on: a hundred exchanges take far less than
    // the line would.
    rig.sim.setPacing(false);
    rig.port.exchange(ReceiverCommand::level());
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 100; ++i)
        QCOMPARE(rig.port.exchange(ReceiverCommand::level()), yReply);
    const double lineMs = 100 * 6 * 11.0 / 9.6;
    QVERIFY2(timer.elapsed() < lineMs / 2, qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
