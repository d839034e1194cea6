// Start-up with the stored settings, shutdown, and the control loop's own rules.
#include "CoreFixture.h"

#include <QDir>
#include <QSettings>
#include <QtTest>

using namespace ze;
using zetest::CoreFixture;

class TestControl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultsOnFirstStart();
    void storedValues_data();
    void storedValues();
    void bankFilesListedAndFirstLoaded();
    void shutDownStoresFourKeys();
    void wrapChannel_data();
    void wrapChannel();
    void checkHoldExpired_data();
    void checkHoldExpired();
    void idleModesSendNothing_data();
    void idleModesSendNothing();
    void runWaitsWhileIdleAndStops();
    void lostLinkDoesNotSpin();
};

void TestControl::defaultsOnFirstStart()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    QCOMPARE(f.panel.steps.size(), 12);
    QCOMPARE(f.panel.steps.first(), qMakePair(QStringLiteral("0.5 Khz"), 5));
    QCOMPARE(f.panel.steps.last(), qMakePair(QStringLiteral("500 Khz"), 5000));
    QCOMPARE(f.panel.stepValue(), 125);
    QCOMPARE(f.panel.delay, QStringLiteral("2 sec."));
    QCOMPARE(f.panel.delayEntries.size(), 61);
    QCOMPARE(f.panel.delayEntries.last(), QStringLiteral("60 sec."));
    QCOMPARE(f.panel.displayChoice, 0);
    QCOMPARE(f.panel.squelchPosition, 2);
    QCOMPARE(f.panel.frequency + f.panel.channel, QStringLiteral("----.------"));
    QCOMPARE(f.panel.shown, 1);
    QVERIFY(f.panel.bankNames.isEmpty());
    QVERIFY(f.station->state().currentBankName.isEmpty());
    QCOMPARE(int(f.station->state().operatingMode), 0);
    QVERIFY(!f.station->state().startingUp);
    QVERIFY(f.station->serialPort().isOpen());
    QVERIFY(f.panel.portState.contains(QStringLiteral("9600,n,8,2")));
}

void TestControl::storedValues_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected"); // null: start-up stops with a message
    auto row = [](const char *name, const char *key, const char *value, const char *expected) {
        QTest::newRow(name) << key << value << QString(expected);
    };
    row("display 1", "Display", "1", "display=1");
    row("display 0.4 rounds to 0", "Display", "0.4", "display=0");
    row("delay text kept", "Delay", "soon", "delay=soon");
    row("step none", "FreqStepSize", "-1", "step=-1");
    row("line settings", "Settings", "4800,n,8,2", "line=4800,n,8,2");
    row("display 2", "Display", "2", nullptr);
    row("step 12", "FreqStepSize", "12", nullptr);
    row("squelch 13", "Squelch", "13", nullptr);
    row("bad line settings", "Settings", "9600,x,8,2", nullptr);
    row("port", "CommPort", "not a port", nullptr);
    row("handshaking 9", "Handshaking", "9", nullptr);
}

void TestControl::storedValues()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    CoreFixture f;
    f.storeSetting(key, value);
    f.writeFile(QStringLiteral("a.bnk"), " 1 \t 0 \tN\t145.5000\t 0 \t 0 \t 0 \tTower\r\n");
    QCOMPARE(f.startUp(), !expected.isNull());
    if (expected.isNull()) {
        QCOMPARE(f.panel.startupErrors.size(), 1);
        QVERIFY(f.panel.startupErrors.first().contains(value));
        // Stopped before the lists, the port and the window.
        QCOMPARE(f.panel.shown, 0);
        QVERIFY(f.panel.bankNames.isEmpty());
        QVERIFY(!f.station->serialPort().isOpen());
        return;
    }
    QVERIFY(f.panel.startupErrors.isEmpty());
    const QString seen = QStringLiteral("display=%1 delay=%2 step=%3 squelch=%4 line=%5")
                                 .arg(f.panel.displayChoice)
                                 .arg(f.panel.delay)
                                 .arg(f.panel.stepIndexValue)
                                 .arg(f.panel.squelchPosition)
                                 .arg(f.station->serialPort().lineSettings());
    QVERIFY2(seen.contains(expected), qPrintable(seen));
}

void TestControl::bankFilesListedAndFirstLoaded()
{
    CoreFixture f;
    f.writeFile(QStringLiteral("zulu.bnk"), " 1 \t 0 \tN\t145.5000\t 0 \t 0 \t 0 \tZulu\r\n");
    f.writeFile(QStringLiteral("alpha.bnk"), " 2 \t 5 \tW\t98.5000\t 0 \t 0 \t 0 \tAlpha\r\n");
    f.writeFile(QStringLiteral("notes.txt"), "x");
    f.writeFile(QStringLiteral("upper.BNK"), "x");
    QVERIFY(QDir(f.dir()).mkdir(QStringLiteral("folder.bnk")));
    QVERIFY(f.startUp());
    QCOMPARE(f.panel.bankNames, (QStringList {"alpha", "zulu"}));
    QCOMPARE(f.panel.editorBankNames, f.panel.bankNames);
    QCOMPARE(f.panel.selectedBank, 0);
    QCOMPARE(f.station->state().currentBankName, QStringLiteral("alpha"));
    QCOMPARE(f.station->state().banks(2, 5).Description, QStringLiteral("Alpha"));
    QCOMPARE(f.panel.channels.data, QVector<int> {205});
}

void TestControl::shutDownStoresFourKeys()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    f.panel.delay = QStringLiteral("45 sec.");
    f.panel.displayChoice = 1;
    f.panel.squelchPosition = 9;
    f.panel.stepIndexValue = -1;
    f.station->ShutDown();
    QVERIFY(f.station->shutDownDone());
    QVERIFY(!f.station->serialPort().isOpen());
    QSettings stored(f.path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    stored.beginGroup(QStringLiteral("Properties"));
    QCOMPARE(stored.value(QStringLiteral("Delay")).toString(), QStringLiteral("45 sec."));
    QCOMPARE(stored.value(QStringLiteral("Display")).toString(), QStringLiteral("1"));
    QCOMPARE(stored.value(QStringLiteral("Squelch")).toString(), QStringLiteral("9"));
    QCOMPARE(stored.value(QStringLiteral("FreqStepSize")).toString(), QStringLiteral("-1"));
    // The port keys are the options window's alone.
    QVERIFY(!stored.contains(QStringLiteral("Settings")));
}

void TestControl::wrapChannel_data()
{
    QTest::addColumn<int>("bank");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("wrapped");
    auto row = [](const char *name, int bank, int channel, const char *wrapped) {
        QTest::newRow(name) << bank << channel << QString(wrapped);
    };
    row("bank 0 becomes 1", 0, 5, "1-5");
    row("channel -1 goes forward", 1, -1, "2-0");
    row("bank 4 to bank 1", 4, 100, "1-0");
    row("bank 7 in range channel", 7, 99, "1-99");
}

void TestControl::wrapChannel()
{
    QFETCH(int, bank);
    QFETCH(int, channel);
    CoreFixture f(false);
    ProgramState &s = f.station->state();
    s.currentBank = qint16(bank);
    s.currentChannel = qint16(channel);
    f.station->WrapChannel();
    QTEST(QStringLiteral("%1-%2").arg(s.currentBank).arg(s.currentChannel), "wrapped");
}

void TestControl::checkHoldExpired_data()
{
    QTest::addColumn<int>("holdStart");
    QTest::addColumn<QString>("delay");
    QTest::addColumn<double>("now");
    QTest::addColumn<bool>("released");
    auto row = [](const char *name, int holdStart, const char *delay, double now, bool released) {
        QTest::newRow(name) << holdStart << QString(delay) << now << released;
    };
    row("2 sec. not yet", 1000, "2 sec.", 1001.9, false);
    row("0 sec. rounded up", 1001, "0 sec.", 1000.6, false);
    row("typed 120 is 12", 1000, "120", 1012.0, true);
    row("no number is 0", 1000, "soon", 1000.0, true);
    row("across midnight, waiting", 86399, "5 sec.", 3.0, false);
    row("across midnight, released", 86399, "5 sec.", 4.0, true);
    row("rounded to 86400", 86400, "2 sec.", 1.9, false);
}

void TestControl::checkHoldExpired()
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
    QCOMPARE(f.station->state().holdStart, released ? 0 : holdStart);
}

void TestControl::idleModesSendNothing_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("0") << 0;
    QTest::newRow("8") << 8;
    QTest::newRow("-1") << -1;
}

void TestControl::idleModesSendNothing()
{
    QFETCH(int, mode);
    CoreFixture f;
    QVERIFY(f.startUp());
    f.station->state().operatingMode = qint16(mode);
    f.panel.status = QStringLiteral("before");
    QVERIFY(!f.loop->pass());
    f.runPasses(3);
    QVERIFY(f.sent().empty());
    QCOMPARE(f.panel.status + f.panel.frequency, QStringLiteral("before----.----"));
    QCOMPARE(int(f.station->state().operatingMode), mode);
}

void TestControl::runWaitsWhileIdleAndStops()
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

void TestControl::lostLinkDoesNotSpin()
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

QTEST_GUILESS_MAIN(TestControl)
#include "test_control.moc"
