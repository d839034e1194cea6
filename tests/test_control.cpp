// Start-up with the stored settings, shutdown, and the control loop's own rules.
#include "CoreFixture.h"
#include "scan/StartUp.h"

#include <QDir>
#include <QSettings>
#include <QtTest>

#include <ctime>

using namespace ze;
using zetest::CoreFixture;

class TestControl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUp_data();
    void startUp();
    void wrapChannel_data();
    void wrapChannel();
    void checkHoldExpired_data();
    void checkHoldExpired();
    void systemClockTellsLocalTime();
};

void TestControl::startUp_data()
{
    QTest::addColumn<QString>("key"); // a stored setting, if any
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected"); // null: start-up stops with a message
    auto row = [](const char *name, const char *key, const char *value, const char *expected) {
        QTest::newRow(name) << key << value << QString(expected);
    };
    row("nothing stored", "", "", "display=0 delay=2 sec. step=5 squelch=2 line=9600,n,8,2");
    row("display 1", "Display", "1", "display=1");
    row("display 0.4 rounds to 0", "Display", "0.4", "display=0");
    row("delay text kept", "Delay", "soon", "delay=soon");
    row("step none", "FreqStepSize", "-1", "step=-1");
    row("line settings", "Settings", "4800,n,8,2", "line=4800,n,8,2");
    row("display 2", "Display", "2", nullptr);
    row("squelch too large for 16 bits", "Squelch", "1e9", nullptr);
    row("step text", "FreqStepSize", "many", nullptr);
    row("bad line settings", "Settings", "9600,x,8,2", nullptr);
    row("port", "CommPort", "not a port", nullptr);
    row("handshaking 9", "Handshaking", "9", nullptr);
}

void TestControl::startUp()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    CoreFixture f;
    if (!key.isEmpty())
        f.storeSetting(key, value);
    // Only files whose names end in ".bnk" exactly are banks, listed by name.
    f.writeFile(QStringLiteral("zulu.bnk"), " 1 \t 0 \tN\t145.5000\t 0 \t 0 \t 0 \tZulu\r\n");
    f.writeFile(QStringLiteral("alpha.bnk"), " 2 \t 5 \tW\t98.5000\t 0 \t 0 \t 0 \tAlpha\r\n");
    for (const char *other : {"notes.txt", "upper.BNK"})
        f.writeFile(QString::fromLatin1(other), "x");
    QVERIFY(QDir(f.dir()).mkdir(QStringLiteral("folder.bnk")));
    const bool ok = !expected.isNull();
    QCOMPARE(f.startUp(), ok);
    // A refused value stops it before the lists, the port and the window.
    QCOMPARE(f.panel.bankNames.join(u' '), ok ? QStringLiteral("alpha zulu") : QString());
    QCOMPARE(f.panel.shown, ok ? 1 : 0);
    QCOMPARE(f.serialPort().isOpen(), ok);
    QCOMPARE(f.panel.startupErrors.size(), ok ? 0 : 1);
    if (!ok) {
        // The refused value is gone from the store, so the next start takes the default.
        QVERIFY(f.panel.startupErrors.first().contains(value)
                && f.panel.startupErrors.first().contains(QStringLiteral("next start uses the"))
                && f.startUp());
        return;
    }
    // Twelve steps up to 500 kHz in hundreds of hertz, delays up to 60 seconds, the first bank
    // loaded, and the loop idle.
    QCOMPARE(f.panel.steps.size(), 12);
    QCOMPARE(f.panel.steps.last(), qMakePair(QStringLiteral("500 Khz"), 5000));
    QCOMPARE(f.panel.delayEntries.last(), QStringLiteral("60 sec."));
    QCOMPARE(f.panel.channels.data, QVector<int> {205});
    ProgramState &s = f.station->state();
    QVERIFY(s.currentBankName == QLatin1String("alpha") && s.operatingMode == ModeIdle
            && !s.startingUp);
    // An idle loop, or one in a mode it does not know, sends and shows nothing.
    const QString panel = f.panel.status + f.panel.frequency;
    for (const qint16 mode : {qint16(8), qint16(ModeIdle)}) {
        s.operatingMode = mode;
        QVERIFY(!f.loop->pass() && f.sent().empty() && f.panel.status + f.panel.frequency == panel);
    }
    const QString shown = QStringLiteral("display=%1 delay=%2 step=%3 squelch=%4")
                                  .arg(f.panel.displayChoice)
                                  .arg(f.panel.delay)
                                  .arg(f.panel.stepIndexValue)
                                  .arg(f.panel.squelchPosition);
    // The line settings as the port's state shows them.
    const QString seen = shown + QStringLiteral(" line=") + f.panel.portState.section(u' ', -1);
    QVERIFY2(seen.contains(expected), qPrintable(seen));

    // Shutdown stores the four as shown and leaves the line settings to the options window.
    ShutDown(*f.station);
    QVERIFY(f.station->shutDownDone() && !f.serialPort().isOpen());
    QSettings stored(f.path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    stored.beginGroup(QStringLiteral("Properties"));
    auto kept = [&](const char *name) { return stored.value(QLatin1String(name)).toString(); };
    QCOMPARE(QStringLiteral("display=%1 delay=%2 step=%3 squelch=%4")
                     .arg(kept("Display"), kept("Delay"), kept("FreqStepSize"), kept("Squelch")),
             shown);
    QCOMPARE(kept("Settings"), key == QLatin1String("Settings") ? value : QString());
}

void TestControl::wrapChannel_data()
{
    QTest::addColumn<int>("bank");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("wrapped");
    QTest::newRow("bank 0 becomes 1") << 0 << 5 << QStringLiteral("1-5");
    QTest::newRow("channel -1 goes forward") << 1 << -1 << QStringLiteral("2-0");
    QTest::newRow("bank 4 to bank 1") << 4 << 100 << QStringLiteral("1-0");
    QTest::newRow("bank 7 in range channel") << 7 << 99 << QStringLiteral("1-99");
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
    QTest::newRow("2 sec. not yet") << 1000 << QStringLiteral("2 sec.") << 1001.9 << false;
    QTest::newRow("typed 120 is 12") << 1000 << QStringLiteral("120") << 1012.0 << true;
    QTest::newRow("no number is 0") << 1000 << QStringLiteral("soon") << 1000.0 << true;
    QTest::newRow("across midnight, waiting") << 86399 << QStringLiteral("5 sec.") << 3.0 << false;
    QTest::newRow("across midnight, released") << 86399 << QStringLiteral("5 sec.") << 4.0 << true;
    QTest::newRow("rounded to 86400") << 86400 << QStringLiteral("2 sec.") << 1.9 << false;
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

QTEST_GUILESS_MAIN(TestControl)
void TestControl::systemClockTellsLocalTime()
{
    // The clock keeps the local offset for a minute at a time; it must still tell local time,
    // here in a zone half an hour off the hour.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Asia/Kolkata");
    tzset();
    const auto restore = qScopeGuard([&zone] {
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
    });
    const ze::SystemClock clock;
    for (int i = 0; i < 2; ++i) {
        const double expected = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
        const double difference = std::fabs(clock.secondsSinceMidnight() - expected);
        QVERIFY2(difference < 1.0 || difference > 86399.0, qPrintable(QString::number(difference)));
    }
}

#include "test_control.moc"
