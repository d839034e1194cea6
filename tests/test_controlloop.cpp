#include "CoreFixture.h"

#include <QtTest>

using namespace ze;
using zetest::CoreFixture;

class TestControlLoop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void selectModeResets();
    void wrapChannel_data();
    void wrapChannel();
    void checkHoldExpired_data();
    void checkHoldExpired();
    void idleModesSendNothing_data();
    void idleModesSendNothing();
    void runWaitsWhileIdleAndStops();
    void lostLinkDoesNotSpin();
};

void TestControlLoop::selectModeResets()
{
    CoreFixture f(false);
    ProgramState &s = f.station->state();
    s.currentBank = 3;
    s.currentChannel = 5;
    s.holdStart = 500;
    s.startingUp = true;
    f.station->SelectMode(6);
    QCOMPARE(int(s.currentBank), 1);
    QCOMPARE(int(s.currentChannel), 0);
    QCOMPARE(s.holdStart, 0);
    QVERIFY(!s.startingUp);
    QCOMPARE(int(s.operatingMode), 6);
}

void TestControlLoop::wrapChannel_data()
{
    QTest::addColumn<int>("bank");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("wrappedBank");
    QTest::addColumn<int>("wrappedChannel");
    QTest::newRow("in range") << 3 << 5 << 3 << 5;
    QTest::newRow("bank 0 becomes 1") << 0 << 5 << 1 << 5;
    QTest::newRow("channel 100") << 1 << 100 << 2 << 0;
    QTest::newRow("channel -1 goes forward") << 1 << -1 << 2 << 0;
    QTest::newRow("bank 4 to bank 1") << 4 << 100 << 1 << 0;
    QTest::newRow("bank 7 in range channel") << 7 << 99 << 1 << 99;
}

void TestControlLoop::wrapChannel()
{
    QFETCH(int, bank);
    QFETCH(int, channel);
    QFETCH(int, wrappedBank);
    QFETCH(int, wrappedChannel);
    CoreFixture f(false);
    ProgramState &s = f.station->state();
    s.currentBank = qint16(bank);
    s.currentChannel = qint16(channel);
    f.station->WrapChannel();
    QCOMPARE(int(s.currentBank), wrappedBank);
    QCOMPARE(int(s.currentChannel), wrappedChannel);
}

void TestControlLoop::checkHoldExpired_data()
{
    QTest::addColumn<int>("holdStart");
    QTest::addColumn<QString>("delay");
    QTest::addColumn<double>("now");
    QTest::addColumn<bool>("released");
    QTest::newRow("2 sec. not yet") << 1000 << "2 sec." << 1001.9 << false;
    QTest::newRow("2 sec. reached") << 1000 << "2 sec." << 1002.0 << true;
    QTest::newRow("0 sec. same second") << 1000 << "0 sec." << 1000.0 << true;
    QTest::newRow("0 sec. rounded up") << 1001 << "0 sec." << 1000.6 << false;
    QTest::newRow("45 sec.") << 1000 << "45 sec." << 1044.0 << false;
    QTest::newRow("45 sec. reached") << 1000 << "45 sec." << 1045.0 << true;
    QTest::newRow("typed 120 is 12") << 1000 << "120" << 1012.0 << true;
    QTest::newRow("typed 120 is not 120") << 1000 << "120" << 1011.5 << false;
    QTest::newRow("no number is 0") << 1000 << "soon" << 1000.0 << true;
    QTest::newRow("across midnight, waiting") << 86399 << "5 sec." << 3.0 << false;
    QTest::newRow("across midnight, released") << 86399 << "5 sec." << 4.0 << true;
    QTest::newRow("rounded to 86400") << 86400 << "2 sec." << 1.9 << false;
    QTest::newRow("rounded to 86400, released") << 86400 << "2 sec." << 2.0 << true;
}

void TestControlLoop::checkHoldExpired()
{
    QFETCH(int, holdStart);
    QFETCH(QString, delay);
    QFETCH(double, now);
    QFETCH(bool, released);
    CoreFixture f(false);
    f.station->state().holdStart = holdStart;
    f.panel.delay = delay;
    f.clock.setSecondsSinceMidnight(now);
    f.station->CheckHoldExpired();
    QCOMPARE(f.station->state().holdStart == 0, released);
    if (!released)
        QCOMPARE(f.station->state().holdStart, holdStart);
}

void TestControlLoop::idleModesSendNothing_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("0") << 0;
    QTest::newRow("8") << 8;
    QTest::newRow("-1") << -1;
}

void TestControlLoop::idleModesSendNothing()
{
    QFETCH(int, mode);
    CoreFixture f;
    QVERIFY(f.startUp());
    f.station->state().operatingMode = qint16(mode);
    f.panel.status = QStringLiteral("before");
    QVERIFY(!f.loop->pass());
    f.runPasses(3);
    QVERIFY(f.sent().empty());
    QCOMPARE(f.panel.status, QStringLiteral("before"));
    QCOMPARE(int(f.station->state().operatingMode), mode);
}

void TestControlLoop::runWaitsWhileIdleAndStops()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    // While idle the loop waits for events: a timer wakes it and selects direct mode; the loop
    // then samples on every pass until it is stopped.
    QTimer::singleShot(50, [&] { f.station->SelectMode(ModeDirect); });
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (f.sim.commands().size() >= 6)
            f.loop->stop();
    });
    watcher.start(5);
    QCOMPARE(f.loop->run(), 0);
    QVERIFY(!f.loop->running());
    const std::vector<std::string> sent = f.sim.commands();
    QVERIFY(sent.size() >= 6);
    QCOMPARE(sent.at(3), std::string("Y"));
}

void TestControlLoop::lostLinkDoesNotSpin()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    f.station->SelectMode(ModeDirect);
    f.sim.hangUp();
    f.loop->setReconnectIntervalMs(100);
    int wakeUps = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (++wakeUps == 5)
            f.loop->stop();
    });
    ticker.start(40);
    f.panel.statusWrites = 0;
    f.loop->run();
    QVERIFY(!f.station->serialPort().isOpen());
    QVERIFY(!f.panel.portState.isEmpty());
    // Each pass writes the status once; a loop that spun would make thousands of passes while
    // the five ticks come, one that waits makes about one a wake-up.
    QVERIFY2(f.panel.statusWrites <= 20, qPrintable(QString::number(f.panel.statusWrites)));
}

QTEST_GUILESS_MAIN(TestControlLoop)
#include "test_controlloop.moc"
