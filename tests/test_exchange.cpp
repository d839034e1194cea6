// The command exchange over a real pseudo-terminal, against the simulated receiver.
#include "core/Clock.h"
#include "receiver/SerialPort.h"

#include "Workspace.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <thread>

using namespace ze;
using zesim::FaultKind;

Q_DECLARE_METATYPE(zesim::Fault)

namespace {

const QString yReply = QStringLiteral("G\r\n>"); // noise level 6
const QString plainReply = QStringLiteral("\r\n>");

// The real monotonic clock, shifted so that a test can choose where within its whole second an
// exchange starts; the exchange reads no other time.
struct PhasedClock final : Clock
{
    double secondsSinceMidnight() const override { return 0; }
    QDateTime localNow() const override { return {}; }
    qint64 monotonicMs() const override { return real.monotonicMs() + offset; }
    void setPhase(qint64 ms) { offset = ((ms - real.monotonicMs()) % 1000 + 1000) % 1000; }

    SystemClock real;
    qint64 offset = 0;
};

// The workspace's simulated receiver and one link opened on it through the stable path, so that
// the link can find the receiver again after it comes back.
struct Rig : zetest::Workspace
{
    explicit Rig(qint64 tickMs)
        : Workspace(true)
    {
        std::string error;
        zesim::Scenario scenario;
        if (!receiverStarted
            || !zesim::parseScenario("pacing off\nnoise 6\nchannel 1 12 1296.1250 U att\n",
                                     scenario, &error)) {
            why = QString::fromStdString(error);
            return;
        }
        sim.setScenario(scenario);
        port = std::make_unique<SerialPort>(clock, busy);
        port->setTickMs(tickMs);
        if (port->setPort(device(), &why))
            port->OpenPort();
        why = port->stateText();
    }
    bool up() const { return port && port->isOpen(); }
    QString device() const { return path(QStringLiteral("receiver")); }

    bool busy = false;
    QString why;
    PhasedClock clock;
    std::unique_ptr<SerialPort> port;
};

#define OPEN_RIG(rig, tickMs)                                                                      \
    Rig rig(tickMs);                                                                               \
    QVERIFY2(rig.up(), qPrintable(rig.why))

qint64 timed(SerialPort &port, const QString &command, QString *reply)
{
    QElapsedTimer timer;
    timer.start();
    *reply = port.Exchange(command);
    return timer.elapsed();
}

} // namespace

class TestExchange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void promptEndsTheExchange_data();
    void promptEndsTheExchange();
    void lateReplyLandsAtTheHeadOfTheNext();
    void busyExchangeSendsNothing();
    void noPromptEndsAtTheLimit_data();
    void noPromptEndsAtTheLimit();
    void openAndReset_data();
    void openAndReset();
    void portFailures_data();
    void portFailures();
};

void TestExchange::promptEndsTheExchange_data()
{
    QTest::addColumn<zesim::Fault>("fault");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");

    const zesim::Fault none;
    QTest::newRow("level") << none << "Y" << yReply;
    QTest::newRow("chunked") << zesim::Fault {FaultKind::Chunked, 3, 15} << " 12Z"
                             << "C12 0W Z12 Y00129612500 U\r\n>";
    // Three commands in one line: the replies come in with one read, and everything after the
    // first ">" stays in the reply, also when they pile up late.
    QTest::newRow("three at once") << none << "Y\rF\rY" << yReply + plainReply + yReply;
    QTest::newRow("three late") << zesim::Fault {FaultKind::LateReply, 200, 0} << "Y\rY\rE"
                                << yReply + yReply + plainReply;
}

void TestExchange::promptEndsTheExchange()
{
    QFETCH(zesim::Fault, fault);
    QFETCH(QString, command);

    OPEN_RIG(rig, 1000);
    rig.sim.setFault(fault);
    QString got;
    const qint64 elapsed = timed(*rig.port, command, &got);
    QTEST(got, "reply");
    // Returned on the prompt, well before the one-second minimum of the limit.
    QVERIFY2(elapsed < 900, qPrintable(QString::number(elapsed)));
    QVERIFY(!rig.busy);
    // The command and one carriage return, nothing else.
    QCOMPARE(rig.sim.receivedBytes(), command.toStdString() + '\r');
}

void TestExchange::lateReplyLandsAtTheHeadOfTheNext()
{
    OPEN_RIG(rig, 100);
    rig.sim.setFault({FaultKind::LateReply, 400, 0});
    QString got;
    QVERIFY(timed(*rig.port, QStringLiteral("Y"), &got) <= 350);
    QCOMPARE(got, QString());
    // The reply comes in between the exchanges and waits unread; nothing to wait on here, it is
    // due 400 ms after "Y" went out.
    QTest::qWait(500);

    rig.port->setTickMs(1000);
    const qint64 elapsed = timed(*rig.port, QStringLiteral("F"), &got);
    // Not thrown away, and the exchange stops at its first read: "F" is answered 400 ms late,
    // so it cannot be in this reply.
    QCOMPARE(got, yReply);
    QVERIFY2(elapsed < 150, qPrintable(QString::number(elapsed)));
}

void TestExchange::busyExchangeSendsNothing()
{
    OPEN_RIG(rig, 100);
    rig.busy = true;
    QString got;
    QVERIFY(timed(*rig.port, QStringLiteral("Y"), &got) < 50);
    QCOMPARE(got, QString());
    QVERIFY(rig.busy); // not the exchange's to clear

    rig.busy = false;
    QCOMPARE(rig.port->Exchange(QStringLiteral("F")), plainReply);
    // Had "Y" gone out, it would stand before "F".
    QCOMPARE(rig.sim.receivedBytes(), std::string("F\r"));
}

void TestExchange::noPromptEndsAtTheLimit_data()
{
    QTest::addColumn<zesim::Fault>("fault");
    QTest::addColumn<qint64>("tick");
    QTest::addColumn<int>("phase"); // where in its second the exchange starts; -1: anywhere
    QTest::addColumn<int>("size");
    QTest::addColumn<qint64>("minElapsed");
    QTest::addColumn<qint64>("maxElapsed");

    // The real limit counts whole seconds: it ends when the clock reads two seconds past the
    // second the command went out in.
    auto row = [](const char *name, zesim::Fault fault, qint64 tick, int phase, int size,
                  qint64 minElapsed, qint64 maxElapsed) {
        QTest::newRow(name) << fault << tick << phase << size << minElapsed << maxElapsed;
    };
    const zesim::Fault silence {FaultKind::NoReply, 0, 0};
    row("silence, sent early in its second", silence, 1000, 20, 0, 1700, 2300);
    row("silence, sent late in its second", silence, 1000, 900, 0, 1000, 1400);
    // With a 100 ms tick the limit falls between 100 and 200 ms.
    row("garbage", {FaultKind::Garbage, 40, 0}, 100, -1, 40, 95, 350);
    // Stops collecting at the cap and returns, well before the one-second minimum.
    row("flood capped", {FaultKind::Flood, 0, 0}, 1000, -1, 64 * 1024, 0, 900);
}

void TestExchange::noPromptEndsAtTheLimit()
{
    QFETCH(zesim::Fault, fault);
    QFETCH(qint64, tick);
    QFETCH(int, phase);
    QFETCH(qint64, minElapsed);
    QFETCH(qint64, maxElapsed);

    OPEN_RIG(rig, tick);
    rig.sim.setFault(fault);
    if (phase >= 0)
        rig.clock.setPhase(phase);
    QString got;
    const qint64 elapsed = timed(*rig.port, QStringLiteral("Y"), &got);
    rig.sim.clearFault();

    QTEST(int(got.size()), "size");
    QVERIFY(!got.contains(QLatin1Char('>')));
    QVERIFY2(elapsed >= minElapsed && elapsed <= maxElapsed, qPrintable(QString::number(elapsed)));
    QVERIFY(!rig.busy);
    QVERIFY(rig.port->isOpen());
}

void TestExchange::openAndReset_data()
{
    QTest::addColumn<bool>("reset"); // ResetPort, or else OpenPort
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("dtr");

    QTest::newRow("reset an open port") << true << true << false;
    QTest::newRow("reset a closed port, DTR on") << true << false << true;
    QTest::newRow("open an open port") << false << true << true;
}

void TestExchange::openAndReset()
{
    QFETCH(bool, reset);
    QFETCH(bool, open);
    QFETCH(bool, dtr);

    OPEN_RIG(rig, 100);
    if (!open)
        rig.port->close();
    // A pseudo-terminal has no DTR line: the refusal must not count as a port failure.
    rig.port->setDtrEnable(dtr);
    const QString before = rig.port->stateText();

    QSignalSpy changed(rig.port.get(), &SerialPort::stateChanged);
    if (reset)
        rig.port->ResetPort();
    else
        rig.port->OpenPort();
    QCOMPARE(rig.port->isOpen(), !reset);
    QCOMPARE(rig.port->stateText(), reset ? rig.device() + QStringLiteral(" closed") : before);
    QCOMPARE(changed.count(), reset && open ? 1 : 0);
    QVERIFY(rig.port->lastError().isEmpty());

    // New line settings reach an open line at once and a closed one at its next opening.
    QVERIFY(rig.port->setLineSettings(QStringLiteral("4800,n,8,2")));
    rig.port->OpenPort();
    QCOMPARE(rig.port->dtrEnable(), dtr);
    QCOMPARE(rig.port->Exchange(QStringLiteral("Y")), yReply);
    QCOMPARE(rig.sim.lineBaudRate(), 4800);
}

void TestExchange::portFailures_data()
{
    QTest::addColumn<QString>("reasonMentions");
    QTest::newRow("missing") << QStringLiteral("not found");
    QTest::newRow("busy") << QStringLiteral("busy");
    QTest::newRow("hang-up") << QString(); // during an exchange
}

void TestExchange::portFailures()
{
    QFETCH(QString, reasonMentions);
    const QString kind = QString::fromLatin1(QTest::currentDataTag());

    OPEN_RIG(rig, 1000);
    const bool hangUp = kind == QLatin1String("hang-up");
    const QString device = kind == QLatin1String("missing")
            ? rig.path(QStringLiteral("ttyMissing0"))
            : rig.device();
    SerialPort second(rig.clock, rig.busy); // a link opened after the rig's
    QVERIFY(second.setPort(device));
    SerialPort &port = hangUp ? *rig.port : second;
    QSignalSpy changed(&port, &SerialPort::stateChanged);
    QString got;
    if (hangUp) {
        rig.sim.setFault({FaultKind::NoReply, 0, 0});
        std::thread thread([&rig] {
            if (rig.sim.waitForCommands(1, 5000) >= 1)
                rig.sim.hangUp();
        });
        const qint64 elapsed = timed(port, QStringLiteral("Y"), &got);
        thread.join();
        // The hang-up ends the wait at once.
        QCOMPARE(got, QString());
        QVERIFY2(elapsed < 1000, qPrintable(QString::number(elapsed)));
    } else {
        port.OpenPort();
        if (kind == QLatin1String("busy") && port.isOpen())
            QSKIP("the platform lets a second program open the same device");
    }
    QVERIFY(!rig.busy);
    QVERIFY(!port.isOpen());
    QVERIFY2(port.lastError().contains(reasonMentions), qPrintable(port.lastError()));
    QCOMPARE(port.stateText(), device + QStringLiteral(": ") + port.lastError());
    QCOMPARE(changed.count(), 1);
    // Later exchanges return at once.
    QVERIFY(timed(port, QStringLiteral("Y"), &got) < 100);
    QCOMPARE(got, QString());

    if (hangUp) {
        std::string error;
        QVERIFY2(rig.sim.comeBack(&error), error.c_str());
        rig.sim.clearFault();
        port.OpenPort();
        QVERIFY2(port.isOpen(), qPrintable(port.stateText()));
        QVERIFY(port.lastError().isEmpty());
        QCOMPARE(port.Exchange(QStringLiteral("Y")), yReply);
    }
}

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
