#include "CoreFixture.h"

#include <QDir>
#include <QSettings>
#include <QtTest>

using namespace ze;
using zetest::CoreFixture;

class TestStartUp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultsOnFirstStart();
    void storedValuesApplied_data();
    void storedValuesApplied();
    void refusedValueStopsStartUp_data();
    void refusedValueStopsStartUp();
    void bankFilesListedAndFirstLoaded();
    void noBankFiles();
    void rerunRebuildsListsAndRestoresSettings();
    void shutDownStoresFourKeys();
};

void TestStartUp::defaultsOnFirstStart()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    QCOMPARE(f.panel.steps.size(), 12);
    QCOMPARE(f.panel.steps.first(), qMakePair(QStringLiteral("0.5 Khz"), 5));
    QCOMPARE(f.panel.steps.last(), qMakePair(QStringLiteral("500 Khz"), 5000));
    QCOMPARE(f.panel.stepIndexValue, 5);
    QCOMPARE(f.panel.stepValue(), 125);
    QCOMPARE(f.panel.delay, QStringLiteral("2 sec."));
    QCOMPARE(f.panel.displayChoice, 0);
    QCOMPARE(f.panel.squelchPosition, 2);
    QCOMPARE(f.panel.delayEntries.size(), 61);
    QCOMPARE(f.panel.delayEntries.first(), QStringLiteral("0 sec."));
    QCOMPARE(f.panel.delayEntries.last(), QStringLiteral("60 sec."));
    QCOMPARE(f.panel.frequency, QStringLiteral("----.----"));
    QCOMPARE(f.panel.channel, QStringLiteral("--"));
    QCOMPARE(f.panel.shown, 1);
    const ProgramState &s = f.station->state();
    QCOMPARE(int(s.operatingMode), 0);
    QVERIFY(!s.startingUp);
    QVERIFY(!s.exchangeBusy);
    QVERIFY(f.station->serialPort().isOpen());
    QVERIFY(f.panel.portState.contains(QStringLiteral("9600,n,8,2")));
}

void TestStartUp::storedValuesApplied_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("display 1") << "Display"
                               << "1"
                               << "display=1";
    QTest::newRow("display 0.4 rounds to 0") << "Display"
                                             << "0.4"
                                             << "display=0";
    QTest::newRow("display empty is skipped") << "Display"
                                              << ""
                                              << "display=0";
    QTest::newRow("delay text kept") << "Delay"
                                     << "soon"
                                     << "delay=soon";
    QTest::newRow("delay empty is skipped") << "Delay"
                                            << ""
                                            << "delay=";
    QTest::newRow("step none") << "FreqStepSize"
                               << "-1"
                               << "step=-1";
    QTest::newRow("step 11") << "FreqStepSize"
                             << "11"
                             << "step=11";
    QTest::newRow("squelch 12") << "Squelch"
                                << "12"
                                << "squelch=12";
    QTest::newRow("line settings") << "Settings"
                                   << "4800,n,8,2"
                                   << "line=4800,n,8,2";
}

void TestStartUp::storedValuesApplied()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    CoreFixture f;
    f.storeSetting(key, value);
    QVERIFY(f.startUp());
    QVERIFY(f.panel.startupErrors.isEmpty());
    const QString seen = QStringLiteral("display=%1 delay=%2 step=%3 squelch=%4 line=%5")
                                 .arg(f.panel.displayChoice)
                                 .arg(f.panel.delay)
                                 .arg(f.panel.stepIndexValue)
                                 .arg(f.panel.squelchPosition)
                                 .arg(f.station->serialPort().lineSettings());
    QVERIFY2(seen.contains(expected), qPrintable(seen));
}

void TestStartUp::refusedValueStopsStartUp_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("display 2") << "Display"
                               << "2";
    QTest::newRow("display text") << "Display"
                                  << "Frequency";
    QTest::newRow("step 12") << "FreqStepSize"
                             << "12";
    QTest::newRow("step -2") << "FreqStepSize"
                             << "-2";
    QTest::newRow("squelch 13") << "Squelch"
                                << "13";
    QTest::newRow("squelch text") << "Squelch"
                                  << "loud";
    QTest::newRow("line settings") << "Settings"
                                   << "9600,x,8,2";
    QTest::newRow("port") << "CommPort"
                          << "not a port";
    QTest::newRow("handshaking 9") << "Handshaking"
                                   << "9";
    QTest::newRow("handshaking text") << "Handshaking"
                                      << "rts";
}

void TestStartUp::refusedValueStopsStartUp()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    CoreFixture f;
    f.storeSetting(key, value);
    f.writeFile(QStringLiteral("a.bnk"), " 1 \t 0 \tN\t145.5000\t 0 \t 0 \t 0 \tTower\r\n");
    QVERIFY(!f.startUp());
    QCOMPARE(f.panel.startupErrors.size(), 1);
    QVERIFY(f.panel.startupErrors.first().contains(value));
    // Stopped before the lists, the port and the window.
    QCOMPARE(f.panel.shown, 0);
    QVERIFY(f.panel.bankNames.isEmpty());
    QVERIFY(!f.station->serialPort().isOpen());
}

void TestStartUp::bankFilesListedAndFirstLoaded()
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

void TestStartUp::noBankFiles()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    QVERIFY(f.panel.bankNames.isEmpty());
    QVERIFY(f.panel.channels.texts.isEmpty());
    QVERIFY(f.station->state().currentBankName.isEmpty());
    QCOMPARE(f.panel.shown, 1);
}

void TestStartUp::rerunRebuildsListsAndRestoresSettings()
{
    CoreFixture f;
    f.writeFile(QStringLiteral("one.bnk"), " 1 \t 0 \tN\t145.5000\t 0 \t 0 \t 0 \tOne\r\n");
    f.writeFile(QStringLiteral("two.bnk"), " 1 \t 1 \tN\t145.6000\t 0 \t 0 \t 0 \tTwo\r\n");
    f.storeSetting(QStringLiteral("Squelch"), QStringLiteral("7"));
    QVERIFY(f.startUp());
    ProgramState &s = f.station->state();
    f.panel.squelchPosition = 11;
    f.station->SelectMode(ModeDirect);
    s.currentRange = 3;
    s.searchFrequency = QStringLiteral("100.5000");
    QVERIFY(QFile::remove(f.path(QStringLiteral("one.bnk"))));

    QVERIFY(f.station->StartUp());
    QCOMPARE(f.panel.bankNames, QStringList {"two"});
    QCOMPARE(f.panel.delayEntries.size(), 61);
    QCOMPARE(f.panel.squelchPosition, 7);
    QCOMPARE(s.currentBankName, QStringLiteral("two"));
    QCOMPARE(int(s.operatingMode), 0);
    // What start-up does not set keeps its value.
    QCOMPARE(int(s.currentRange), 3);
    QCOMPARE(s.searchFrequency, QStringLiteral("100.5000"));
    QVERIFY(f.station->serialPort().isOpen());
}

void TestStartUp::shutDownStoresFourKeys()
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

QTEST_GUILESS_MAIN(TestStartUp)
#include "test_startup.moc"
