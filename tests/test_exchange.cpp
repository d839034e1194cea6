// The command exchange over a real pseudo-terminal, against the simulated receiver.
#include "core/Clock.h"
#include "receiver/SerialPort.h"

#include "SimReceiver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <thread>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace ze;

Q_DECLARE_METATYPE(zesim::FaultKind)

namespace {

const QString yReply = QStringLiteral("G\r\n>"); // noise level 6
const QString plainReply = QStringLiteral("\r\n>");

// The system's clocks, with the monotonic one shifted so a test can choose where within its
// whole second an exchange starts.
class PhasedClock final : public Clock
{
public:
    double secondsSinceMidnight() const override { return m_real.secondsSinceMidnight(); }
    QDateTime localNow() const override { return m_real.localNow(); }
    qint64 monotonicMs() const override { return m_real.monotonicMs() + m_offset; }
    // From now on, monotonicMs() % periodMs is about phaseMs.
    void setPhase(qint64 periodMs, qint64 phaseMs)
    {
        m_offset = 0;
        const qint64 now = m_real.monotonicMs();
        m_offset = ((phaseMs - now) % periodMs + periodMs) % periodMs;
    }

private:
    SystemClock m_real;
    qint64 m_offset = 0;
};

// One simulated receiver and one link opened on it.
struct Rig
{
    bool busy = false;
    PhasedClock clock;
    zesim::SimReceiver sim;
    std::unique_ptr<SerialPort> port;

    bool start(qint64 tickMs, bool pacing, QString *why)
    {
        std::string error;
        if (!sim.start(&error)) {
            *why = QString::fromStdString(error);
            return false;
        }
        sim.setPacing(pacing);
        sim.setNoiseLevel(6);
        port = std::make_unique<SerialPort>(clock, busy);
        port->setTickMs(tickMs);
        if (!port->setPort(device(), why))
            return false;
        port->OpenPort();
        *why = port->stateText();
        return port->isOpen();
    }
    QString device() const { return QString::fromStdString(sim.devicePath()); }
};

#define START_RIG(rig, tick, pacing)                                                               \
    do {                                                                                           \
        QString why_;                                                                              \
        QVERIFY2((rig).start((tick), (pacing), &why_), qPrintable(why_));                          \
    } while (false)

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
    void sendsTheCommandAndOneCarriageReturn();
    void keepsWhatCameWithThePrompt();
    void lateReplyLandsAtTheHeadOfTheNext_data();
    void lateReplyLandsAtTheHeadOfTheNext();
    void busyExchangeSendsNothing();
    void unansweredExchangeWaitsOneToTwoSeconds_data();
    void unansweredExchangeWaitsOneToTwoSeconds();
    void noPromptEndsAtTheLimit_data();
    void noPromptEndsAtTheLimit();
    void chunkedReplyIsAssembled();
    void hangUpDuringAnExchange();
    void hangUpWhileIdle();
    void reopensAfterTheDeviceComesBack();
    void openPortOnOpenPortChangesNothing();
    void lineSettingsReachTheLine();
    void resetPort_data();
    void resetPort();
    void openFailures_data();
    void openFailures();
};

void TestExchange::promptEndsTheExchange_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");

    QTest::newRow("level") << QStringList() << "Y" << yReply;
    QTest::newRow("found") << QStringList() << "F" << plainReply;
    QTest::newRow("not found") << QStringList() << "E" << plainReply;
    QTest::newRow("tune channel") << QStringList() << "145.5000NT" << plainReply;
    QTest::newRow("read stored channel") << QStringList {"1X"} << " 7Z"
                                         << "C07 0N Z07 Y00014550000 Q\r\n>";
    QTest::newRow("read empty channel") << QStringList {"1X"} << " 8Z" << plainReply;
}

void TestExchange::promptEndsTheExchange()
{
    QFETCH(QStringList, setup);
    QFETCH(QString, command);
    QFETCH(QString, reply);

    Rig rig;
    START_RIG(rig, 1000, false);
    zesim::Scenario scenario;
    scenario.pacing = false;
    scenario.noiseLevel = 6;
    scenario.memory[107] = zesim::MemoryChannel {"145.5000", 'N', false};
    rig.sim.setScenario(scenario);
    for (const QString &s : setup)
        QCOMPARE(rig.port->Exchange(s), plainReply);

    QString got;
    const qint64 elapsed = timed(*rig.port, command, &got);
    QCOMPARE(got, reply);
    // Returned on the prompt, well before the one-second minimum of the limit.
    QVERIFY2(elapsed < 900, qPrintable(QString::number(elapsed)));
    QVERIFY(!rig.busy);
    QCOMPARE(QString::fromStdString(rig.sim.commands().back()), command);
}

void TestExchange::sendsTheCommandAndOneCarriageReturn()
{
    Rig rig;
    START_RIG(rig, 1000, false);
    QCOMPARE(rig.port->Exchange(QStringLiteral("145.5000NT")), plainReply);
    QCOMPARE(rig.sim.receivedBytes(), std::string("145.5000NT\r"));
    QCOMPARE(rig.port->Exchange(QStringLiteral("Y")), yReply);
    QCOMPARE(rig.port->Exchange(QStringLiteral(" 7Z")), plainReply);
    QCOMPARE(rig.sim.receivedBytes(), std::string("145.5000NT\rY\r 7Z\r"));
}

void TestExchange::keepsWhatCameWithThePrompt()
{
    // Three commands in one line: the receiver's three replies go out in one write and come in
    // with one read; everything after the first ">" stays in the reply.
    Rig rig;
    START_RIG(rig, 1000, false);
    QString got;
    const qint64 elapsed = timed(*rig.port, QStringLiteral("Y\rF\rY"), &got);
    QCOMPARE(got, yReply + plainReply + yReply);
    QVERIFY(elapsed < 900);

    // The same when the replies pile up late: the next exchange takes them all at once.
    rig.sim.setFault({zesim::FaultKind::LateReply, 200, 0});
    QCOMPARE(rig.port->Exchange(QStringLiteral("Y\rY\rE")), yReply + yReply + plainReply);
}

void TestExchange::lateReplyLandsAtTheHeadOfTheNext_data()
{
    QTest::addColumn<int>("idleMs");
    QTest::addColumn<qint64>("maxElapsed");

    // Arrives while the next exchange waits: it ends that exchange long before its own reply.
    QTest::newRow("during the next exchange") << 0 << qint64(900);
    // Arrives between the exchanges and waits unread: the next exchange must not throw it away
    // and stops at its first read.
    QTest::newRow("before the next exchange") << 500 << qint64(150);
}

void TestExchange::lateReplyLandsAtTheHeadOfTheNext()
{
    QFETCH(int, idleMs);
    QFETCH(qint64, maxElapsed);

    Rig rig;
    START_RIG(rig, 100, false);
    rig.sim.setFault({zesim::FaultKind::LateReply, 400, 0});
    QString first;
    const qint64 firstElapsed = timed(*rig.port, QStringLiteral("Y"), &first);
    QCOMPARE(first, QString());
    QVERIFY(firstElapsed <= 350);
    // Nothing to wait on here: the reply is due 400 ms after "Y" went out.
    if (idleMs > 0)
        QTest::qWait(idleMs);

    rig.port->setTickMs(1000);
    QString second;
    const qint64 elapsed = timed(*rig.port, QStringLiteral("F"), &second);
    // "F" is answered 400 ms late, so it cannot be in this reply.
    QCOMPARE(second, yReply);
    QVERIFY2(elapsed < maxElapsed, qPrintable(QString::number(elapsed)));
}

void TestExchange::busyExchangeSendsNothing()
{
    Rig rig;
    START_RIG(rig, 100, false);
    rig.busy = true;
    QString got;
    const qint64 elapsed = timed(*rig.port, QStringLiteral("Y"), &got);
    QCOMPARE(got, QString());
    QVERIFY(rig.busy);
    QVERIFY(elapsed < 50);

    rig.busy = false;
    QCOMPARE(rig.port->Exchange(QStringLiteral("F")), plainReply);
    // Had "Y" gone out, it would stand before "F".
    QCOMPARE(rig.sim.receivedBytes(), std::string("F\r"));
}

void TestExchange::unansweredExchangeWaitsOneToTwoSeconds_data()
{
    QTest::addColumn<int>("phaseMs");
    QTest::addColumn<qint64>("minElapsed");
    QTest::addColumn<qint64>("maxElapsed");

    // Whole seconds: the wait ends when the clock reads two seconds past the second the command
    // went out in.
    QTest::newRow("sent early in its second") << 20 << qint64(1850) << qint64(2150);
    QTest::newRow("sent late in its second") << 900 << qint64(1000) << qint64(1300);
}

void TestExchange::unansweredExchangeWaitsOneToTwoSeconds()
{
    QFETCH(int, phaseMs);
    QFETCH(qint64, minElapsed);
    QFETCH(qint64, maxElapsed);

    Rig rig;
    START_RIG(rig, 1000, false);
    rig.sim.setFault({zesim::FaultKind::NoReply, 0, 0});
    rig.clock.setPhase(1000, phaseMs);
    QString got;
    const qint64 elapsed = timed(*rig.port, QStringLiteral("Y"), &got);
    QCOMPARE(got, QString());
    QVERIFY2(elapsed >= minElapsed && elapsed <= maxElapsed, qPrintable(QString::number(elapsed)));
    QVERIFY(!rig.busy);
    QVERIFY(rig.port->isOpen());
}

void TestExchange::noPromptEndsAtTheLimit_data()
{
    QTest::addColumn<zesim::FaultKind>("kind");
    QTest::addColumn<int>("param");
    QTest::addColumn<bool>("pacing");
    QTest::addColumn<qint64>("tick");
    QTest::addColumn<qint64>("minSize");
    QTest::addColumn<qint64>("maxSize");
    QTest::addColumn<qint64>("minElapsed");
    QTest::addColumn<qint64>("maxElapsed");

    // With a 100 ms tick the limit falls between 100 and 200 ms.
    const qint64 cap = SerialPort::replyCap;
    QTest::newRow("no reply") << zesim::FaultKind::NoReply << 0 << false << qint64(100) << qint64(0)
                              << qint64(0) << qint64(95) << qint64(350);
    QTest::newRow("garbage") << zesim::FaultKind::Garbage << 40 << false << qint64(100)
                             << qint64(40) << qint64(40) << qint64(95) << qint64(350);
    QTest::newRow("paced flood") << zesim::FaultKind::Flood << 0 << true << qint64(100) << qint64(1)
                                 << cap - 1 << qint64(95) << qint64(350);
    // Stops collecting at the cap and returns, well before the one-second minimum.
    QTest::newRow("unpaced flood capped") << zesim::FaultKind::Flood << 0 << false << qint64(1000)
                                          << cap << cap << qint64(0) << qint64(900);
}

void TestExchange::noPromptEndsAtTheLimit()
{
    QFETCH(zesim::FaultKind, kind);
    QFETCH(int, param);
    QFETCH(bool, pacing);
    QFETCH(qint64, tick);
    QFETCH(qint64, minSize);
    QFETCH(qint64, maxSize);
    QFETCH(qint64, minElapsed);
    QFETCH(qint64, maxElapsed);

    Rig rig;
    START_RIG(rig, tick, pacing);
    rig.sim.setFault({kind, param, 0});
    QString got;
    const qint64 elapsed = timed(*rig.port, QStringLiteral("Y"), &got);
    rig.sim.clearFault();

    QVERIFY2(got.size() >= minSize && got.size() <= maxSize,
             qPrintable(QString::number(got.size())));
    QVERIFY(!got.contains(QLatin1Char('>')));
    QVERIFY2(elapsed >= minElapsed && elapsed <= maxElapsed, qPrintable(QString::number(elapsed)));
    QVERIFY(!rig.busy);
    QVERIFY(rig.port->isOpen());
}

void TestExchange::chunkedReplyIsAssembled()
{
    Rig rig;
    START_RIG(rig, 1000, false);
    zesim::Scenario scenario;
    scenario.pacing = false;
    scenario.memory[312] = zesim::MemoryChannel {"1296.1250", 'U', true};
    rig.sim.setScenario(scenario);
    QCOMPARE(rig.port->Exchange(QStringLiteral("3X")), plainReply);
    rig.sim.setFault({zesim::FaultKind::Chunked, 3, 15});
    QCOMPARE(rig.port->Exchange(QStringLiteral(" 12Z")),
             QStringLiteral("C12 0W Z12 Y00129612500 U\r\n>"));
}

void TestExchange::hangUpDuringAnExchange()
{
    Rig rig;
    START_RIG(rig, 1000, false);
    rig.sim.setFault({zesim::FaultKind::NoReply, 0, 0});
    QSignalSpy changed(rig.port.get(), &SerialPort::stateChanged);
    std::thread hangUp([&rig] {
        if (rig.sim.waitForCommands(1, 5000) >= 1)
            rig.sim.hangUp();
    });
    QString got;
    const qint64 elapsed = timed(*rig.port, QStringLiteral("Y"), &got);
    hangUp.join();

    QCOMPARE(got, QString());
    QVERIFY(!rig.busy);
    QVERIFY(!rig.port->isOpen());
    QVERIFY(!rig.port->lastError().isEmpty());
    QCOMPARE(rig.port->stateText(), rig.device() + QStringLiteral(": ") + rig.port->lastError());
    QVERIFY(changed.count() >= 1);
    // The hang-up ended the wait, not the limit.
    QVERIFY2(elapsed < 1000, qPrintable(QString::number(elapsed)));

    const qint64 later = timed(*rig.port, QStringLiteral("Y"), &got);
    QCOMPARE(got, QString());
    QVERIFY2(later < 100, qPrintable(QString::number(later)));
    QVERIFY(!rig.busy);
}

void TestExchange::hangUpWhileIdle()
{
    Rig rig;
    START_RIG(rig, 100, false);
    QCOMPARE(rig.port->Exchange(QStringLiteral("Y")), yReply);
    QSignalSpy changed(rig.port.get(), &SerialPort::stateChanged);
    rig.sim.hangUp();
    // Found by the event loop, which must not be left spinning on the dead line.
    QTRY_VERIFY(!rig.port->isOpen());
    QCOMPARE(changed.count(), 1);
    QVERIFY(!rig.port->lastError().isEmpty());
    QString got;
    QVERIFY(timed(*rig.port, QStringLiteral("Y"), &got) < 50);
    QCOMPARE(got, QString());
}

void TestExchange::reopensAfterTheDeviceComesBack()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("receiver"));
    Rig rig;
    START_RIG(rig, 100, false);
    std::string error;
    QVERIFY2(rig.sim.setLinkPath(link.toStdString(), &error), error.c_str());
    rig.port->close();
    QVERIFY(rig.port->setPort(link));
    rig.port->OpenPort();
    QVERIFY2(rig.port->isOpen(), qPrintable(rig.port->stateText()));

    rig.sim.hangUp();
    QString got;
    rig.port->Exchange(QStringLiteral("Y"));
    QTRY_VERIFY(!rig.port->isOpen());
    QVERIFY2(rig.sim.comeBack(&error), error.c_str());
    rig.port->OpenPort();
    QVERIFY2(rig.port->isOpen(), qPrintable(rig.port->stateText()));
    QVERIFY(rig.port->lastError().isEmpty());
    QCOMPARE(rig.port->Exchange(QStringLiteral("Y")), yReply);
}

void TestExchange::openPortOnOpenPortChangesNothing()
{
    Rig rig;
    START_RIG(rig, 100, false);
    QCOMPARE(rig.port->Exchange(QStringLiteral("Y")), yReply);
    const QString before = rig.port->stateText();
    QSignalSpy changed(rig.port.get(), &SerialPort::stateChanged);
    rig.port->OpenPort();
    QCOMPARE(changed.count(), 0);
    QVERIFY(rig.port->isOpen());
    QCOMPARE(rig.port->stateText(), before);
    QCOMPARE(rig.port->Exchange(QStringLiteral("F")), plainReply);
}

void TestExchange::lineSettingsReachTheLine()
{
    Rig rig;
    START_RIG(rig, 100, false);
    QCOMPARE(rig.port->stateText(), rig.device() + QStringLiteral(" 9600,n,8,2"));
    QCOMPARE(rig.sim.lineBaudRate(), 9600);
    QVERIFY(rig.port->setLineSettings(QStringLiteral("4800,n,8,2")));
    QCOMPARE(rig.port->stateText(), rig.device() + QStringLiteral(" 4800,n,8,2"));
    QCOMPARE(rig.port->Exchange(QStringLiteral("Y")), yReply);
    QCOMPARE(rig.sim.lineBaudRate(), 4800);

    // Closed, the settings wait for the next opening.
    rig.port->close();
    QVERIFY(rig.port->setLineSettings(QStringLiteral("19200,n,8,1")));
    rig.port->OpenPort();
    QVERIFY(rig.port->isOpen());
    QCOMPARE(rig.port->Exchange(QStringLiteral("Y")), yReply);
    QCOMPARE(rig.sim.lineBaudRate(), 19200);
}

void TestExchange::resetPort_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("dtr");

    QTest::newRow("open, dtr on") << true << true;
    QTest::newRow("open, dtr off") << true << false;
    QTest::newRow("closed, dtr on") << false << true;
    QTest::newRow("closed, dtr off") << false << false;
}

void TestExchange::resetPort()
{
    QFETCH(bool, open);
    QFETCH(bool, dtr);

    Rig rig;
    START_RIG(rig, 100, false);
    if (!open)
        rig.port->close();
    // A pseudo-terminal has no DTR line: the refusal must not count as a port failure.
    rig.port->setDtrEnable(dtr);
    QCOMPARE(rig.port->isOpen(), open);
    QVERIFY(rig.port->lastError().isEmpty());

    QSignalSpy changed(rig.port.get(), &SerialPort::stateChanged);
    rig.port->ResetPort();
    QVERIFY(!rig.port->isOpen());
    QCOMPARE(rig.port->dtrEnable(), dtr);
    QVERIFY(rig.port->lastError().isEmpty());
    QCOMPARE(rig.port->stateText(), rig.device() + QStringLiteral(" closed"));
    QCOMPARE(changed.count(), open ? 1 : 0);

    rig.port->OpenPort();
    QVERIFY2(rig.port->isOpen(), qPrintable(rig.port->stateText()));
    QCOMPARE(rig.port->dtrEnable(), dtr);
    QCOMPARE(rig.port->Exchange(QStringLiteral("Y")), yReply);
}

void TestExchange::openFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reasonMentions");

    QTest::newRow("missing device") << "missing"
                                    << "not found";
    QTest::newRow("not a serial port") << "plain file"
                                       << "not a serial port";
    QTest::newRow("permission") << "permission"
                                << "dialout";
    QTest::newRow("busy") << "busy"
                          << "busy";
}

void TestExchange::openFailures()
{
    QFETCH(QString, kind);
    QFETCH(QString, reasonMentions);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Rig rig; // only started for "busy"
    QString device;
    if (kind == QLatin1String("missing")) {
        device = dir.filePath(QStringLiteral("ttyGone0"));
    } else if (kind == QLatin1String("plain file") || kind == QLatin1String("permission")) {
#ifdef Q_OS_UNIX
        if (kind == QLatin1String("permission") && ::geteuid() == 0)
            QSKIP("root opens any file");
#endif
        device = dir.filePath(QStringLiteral("ttyFile0"));
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        if (kind == QLatin1String("permission"))
            QVERIFY(file.setPermissions(QFileDevice::Permissions()));
    } else {
        START_RIG(rig, 100, false);
        device = rig.device();
    }

    bool busy = false;
    SystemClock clock;
    SerialPort port(clock, busy);
    QVERIFY(port.setPort(device));
    QSignalSpy changed(&port, &SerialPort::stateChanged);
    port.OpenPort();
    if (kind == QLatin1String("busy") && port.isOpen())
        QSKIP("the platform lets a second program open the same device");
    QVERIFY(!port.isOpen());
    QVERIFY2(port.lastError().contains(reasonMentions), qPrintable(port.lastError()));
    QCOMPARE(port.stateText(), device + QStringLiteral(": ") + port.lastError());
    QCOMPARE(changed.count(), 1);
    QString got;
    QVERIFY(timed(port, QStringLiteral("Y"), &got) < 50);
    QCOMPARE(got, QString());

    if (kind == QLatin1String("busy")) {
        // The first link is untouched, and the second gets in once the first lets go.
        QCOMPARE(rig.port->Exchange(QStringLiteral("Y")), yReply);
        rig.port->close();
        port.OpenPort();
        QVERIFY2(port.isOpen(), qPrintable(port.stateText()));
        QVERIFY(port.lastError().isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
