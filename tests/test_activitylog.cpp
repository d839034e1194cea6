#include "CoreFixture.h"
#include "receiver/Tuning.h"
#include "scan/ActivityLog.h"

#include <QDir>
#include <QtTest>

using namespace ze;
using zetest::CoreFixture;

namespace {

const QByteArray stamp = "2026-01-02 03:04:05";

void putChannel(CoreFixture &f, int bank, int channel, const QString &frequency,
                const QString &description = QStringLiteral("Tower"))
{
    f.station->state().banks(bank, channel)
            = ChannelRecord {frequency, description, QStringLiteral("N"), 0, 0, 0, 0};
}

void pressScan(CoreFixture &f)
{
    ProgramState &s = f.station->state();
    s.savedChannel = s.currentChannel;
    f.station->SelectMode(ModeScanStart);
    s.currentChannel = s.savedChannel;
}

QList<QByteArray> logLines(const CoreFixture &f)
{
    QList<QByteArray> lines = f.readFile(QStringLiteral("logging.txt")).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestActivityLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void towerLineBytes();
    void frequencyField_data();
    void frequencyField();
    void longFrequencyCutButRemembered();
    void oneLinePerSignal();
    void sameFrequencyTwoChannelsOneLine();
    void levelZeroWritesNothing();
    void searchLines_data();
    void searchLines();
    void searchLineEveryHoldingPassBelowSquelch();
    void untickedWritesNothingButClears();
    void unwritableLogKeepsScanning();
};

void TestActivityLog::towerLineBytes()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 0, QStringLiteral("145.5000"));
    f.sim.setSignalLevelAt(145.5, 7);
    f.panel.logTicked = true;
    f.panel.squelchPosition = 7; // threshold 5
    f.station->state().currentChannel = -1;
    pressScan(f);
    f.runPasses(1);
    QCOMPARE(f.readFile(QStringLiteral("logging.txt")), stamp + "\t145.5000  \t 7 \tN\tTower\r\n");
}

void TestActivityLog::frequencyField_data()
{
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("field");
    QTest::newRow("padded") << "145.5000"
                            << "145.5000  ";
    QTest::newRow("trimmed first") << "  98.5  "
                                   << "98.5      ";
    QTest::newRow("exactly ten") << "1234.56789"
                                 << "1234.56789";
    QTest::newRow("cut") << "000145.50000"
                         << "000145.500";
}

void TestActivityLog::frequencyField()
{
    QFETCH(QString, frequency);
    QFETCH(QString, field);
    QCOMPARE(logFrequencyField(frequency), field);
}

void TestActivityLog::longFrequencyCutButRemembered()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 0, QStringLiteral("000145.50000"));
    f.station->state().currentBank = 1;
    f.panel.channel = QStringLiteral("0");
    f.station->state().operatingMode = ModeScanning;
    WriteChannelLogLine(*f.station, 12);
    QCOMPARE(f.station->state().lastLoggedFrequency, QStringLiteral("000145.50000"));
    QCOMPARE(logLines(f).size(), 1);
    QVERIFY(logLines(f).first().contains("\t000145.500\t 12 \tN"));
}

void TestActivityLog::oneLinePerSignal()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 0, QStringLiteral("145.5000"));
    f.sim.setSignalLevelAt(145.5, 12);
    f.panel.logTicked = true;
    f.panel.delay = QStringLiteral("30 sec.");
    f.station->state().currentChannel = -1;
    pressScan(f);
    f.runPasses(3); // found, then held with the signal on
    QCOMPARE(logLines(f).size(), 1);
    f.sim.setSignalLevelAt(145.5, 0);
    f.runPasses(1); // a sample without signal
    f.sim.setSignalLevelAt(145.5, 12);
    f.runPasses(2); // back within the hold
    QCOMPARE(logLines(f).size(), 2);
}

void TestActivityLog::sameFrequencyTwoChannelsOneLine()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 0, QStringLiteral("145.5000"), QStringLiteral("First"));
    putChannel(f, 1, 1, QStringLiteral("145.5000"), QStringLiteral("Second"));
    f.sim.setSignalLevelAt(145.5, 12);
    f.panel.logTicked = true;
    f.panel.delay = QStringLiteral("0 sec.");
    f.clock.setSecondsSinceMidnight(100.0);
    f.station->state().currentChannel = -1;
    pressScan(f);
    f.runPasses(2);
    QCOMPARE(logLines(f).size(), 1);
    QVERIFY(logLines(f).first().endsWith("First\r"));
}

void TestActivityLog::levelZeroWritesNothing()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 0, QStringLiteral("145.5000"));
    f.panel.logTicked = true;
    f.panel.squelchPosition = 12; // level 0 counts as a signal
    f.station->state().currentChannel = -1;
    pressScan(f);
    f.runPasses(2);
    QVERIFY(!QFile::exists(f.path(QStringLiteral("logging.txt"))));
}

void TestActivityLog::searchLines_data()
{
    QTest::addColumn<QString>("lit");
    QTest::addColumn<QByteArray>("line");
    // The line takes the first lamp lit when it is written, before the step shows the range's.
    QTest::newRow("lamp lit") << "AU" << stamp + "\t100.5000  \t 3 \tA\t\r\n";
    QTest::newRow("no lamp lit") << "" << stamp + "\t100.5000  \t 3 \t\t\r\n";
}

void TestActivityLog::searchLines()
{
    QFETCH(QString, lit);
    QFETCH(QByteArray, line);
    CoreFixture f;
    QVERIFY(f.startUp());
    f.station->state().ranges[0]
            = RangeRecord {QStringLiteral("100"), QStringLiteral("101"), QStringLiteral("W"),
                           QStringLiteral("R"), QStringLiteral("0.5")};
    for (QChar letter : lit)
        f.panel.modes[modeLetters.indexOf(letter)] = true;
    f.sim.setSignalLevelAt(100.5, 3);
    f.panel.logTicked = true;
    f.station->SelectMode(ModeSearchStart);
    f.runPasses(1);
    QCOMPARE(f.readFile(QStringLiteral("logging.txt")), line);
}

void TestActivityLog::searchLineEveryHoldingPassBelowSquelch()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    f.station->state().ranges[0]
            = RangeRecord {QStringLiteral("100"), QStringLiteral("101"), QStringLiteral("N"),
                           QStringLiteral("R"), QStringLiteral("0.5")};
    f.sim.setSignalLevelAt(100.5, 12);
    f.panel.logTicked = true;
    f.panel.delay = QStringLiteral("30 sec.");
    f.station->SelectMode(ModeSearchStart);
    f.runPasses(2); // found, then held: one line
    QCOMPARE(logLines(f).size(), 1);
    f.sim.setSignalLevelAt(100.5, 4); // below the squelch, still level 4
    f.runPasses(3);
    QCOMPARE(logLines(f).size(), 4);
}

void TestActivityLog::untickedWritesNothingButClears()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 0, QStringLiteral("145.5000"));
    f.station->state().lastLoggedFrequency = QStringLiteral("145.5000");
    f.panel.squelchPosition = 0;
    f.station->state().currentChannel = -1;
    pressScan(f);
    f.runPasses(1);
    QVERIFY(f.station->state().lastLoggedFrequency.isEmpty());
    QVERIFY(!QFile::exists(f.path(QStringLiteral("logging.txt"))));
}

void TestActivityLog::unwritableLogKeepsScanning()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    // A folder where the log should be: no line can be appended.
    QVERIFY(QDir(f.dir()).mkdir(QStringLiteral("logging.txt")));
    putChannel(f, 1, 0, QStringLiteral("145.5000"));
    putChannel(f, 1, 1, QStringLiteral("145.6000"));
    f.sim.setSignalLevelAt(145.5, 12);
    f.panel.logTicked = true;
    f.panel.delay = QStringLiteral("0 sec.");
    f.clock.setSecondsSinceMidnight(100.0);
    f.station->state().currentChannel = -1;
    pressScan(f);
    f.runPasses(2);
    QVERIFY(f.panel.notice.contains(QStringLiteral("logging.txt")));
    QCOMPARE(f.sent().at(4), std::string("145.6000NT"));
    // Once the log can be written again the notice goes.
    QVERIFY(QDir(f.dir()).rmdir(QStringLiteral("logging.txt")));
    f.station->state().lastLoggedFrequency.clear();
    f.station->state().currentBank = 1;
    f.panel.channel = QStringLiteral("0");
    WriteChannelLogLine(*f.station, 5);
    QVERIFY(f.panel.notice.isEmpty());
}

QTEST_GUILESS_MAIN(TestActivityLog)
#include "test_activitylog.moc"
