#include "CoreFixture.h"

#include <QtTest>

using namespace ze;
using zetest::CoreFixture;
using Commands = std::vector<std::string>;

namespace {

void putChannel(CoreFixture &f, int bank, int channel, const QString &frequency, qint16 lockOut = 0)
{
    f.station->state().banks(bank, channel) = ChannelRecord {
            frequency, QStringLiteral("Ch"), QStringLiteral("N"), 0, 0, 0, lockOut};
}

// The bank "Scan" button: the channel is carried over, the bank starts at 1.
void pressScan(CoreFixture &f)
{
    ProgramState &s = f.station->state();
    s.savedChannel = s.currentChannel;
    f.station->SelectMode(ModeScanStart);
    s.currentChannel = s.savedChannel;
}

// The tuning commands among what was sent.
Commands tuned(const Commands &sent)
{
    Commands result;
    for (const std::string &c : sent)
        if (c != "Y" && c != "F" && c != "E")
            result.push_back(c);
    return result;
}

} // namespace

class TestScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noBankTickedSendsNothing();
    void scanStartsInBankOneAfterCurrentChannel();
    void emptyAndLockedOutNeverTuned();
    void visitSendsFourCommandsAndShowsPosition();
    void squelchZeroHoldsOnFirstChannel();
    void holdLastsForDelay_data();
    void holdLastsForDelay();
    void holdAcrossMidnight();
    void channel99ResumesInNextBank();
    void untickingBankMidScan();
};

void TestScan::noBankTickedSendsNothing()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 1, QStringLiteral("145.5000"));
    f.panel.ticked.fill(false);
    pressScan(f);
    // One pass a bank: 1, 2, 3, 4, then bank 1 again.
    QVector<int> banks;
    for (int i = 0; i < 5; ++i) {
        f.runPasses(1);
        banks << f.station->state().currentBank;
    }
    QCOMPARE(banks, (QVector<int> {2, 3, 4, 5, 2}));
    QCOMPARE(int(f.station->state().currentChannel), 0);
    QVERIFY(f.sent().empty());
    QCOMPARE(f.panel.status, QStringLiteral("Scanning mode"));
}

void TestScan::scanStartsInBankOneAfterCurrentChannel()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 3, 6, QStringLiteral("430.0000"));
    putChannel(f, 1, 6, QStringLiteral("145.6000"));
    ProgramState &s = f.station->state();
    s.currentBank = 3;
    s.currentChannel = 5;
    pressScan(f);
    f.runPasses(1);
    QCOMPARE(tuned(f.sent()), Commands {"145.6000NT"});
    QCOMPARE(int(s.operatingMode), int(ModeScanning));
}

void TestScan::emptyAndLockedOutNeverTuned()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 1, QStringLiteral("145.1000"));
    putChannel(f, 1, 2, QStringLiteral("145.2000"), 1);
    putChannel(f, 1, 3, QStringLiteral("145.3000"), 2);
    putChannel(f, 1, 4, QString());
    putChannel(f, 1, 5, QStringLiteral("145.5000"));
    pressScan(f);
    f.panel.squelchPosition = 0;
    f.runPasses(5);
    QCOMPARE(f.sent(), (Commands {"145.1000NT", "Y", "Y", "E", "145.5000NT", "Y", "Y", "E"}));
    QCOMPARE(int(f.station->state().currentChannel), 6);
}

void TestScan::visitSendsFourCommandsAndShowsPosition()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 1, QStringLiteral("145.1000"));
    pressScan(f);
    f.panel.squelchPosition = 0;
    f.runPasses(1);
    QCOMPARE(f.panel.channel, QStringLiteral("1"));
    QCOMPARE(int(f.station->state().currentChannel), 2);
    QCOMPARE(f.panel.frequency, QStringLiteral("Scanning..."));
    QCOMPARE(f.panel.bank, 1);
    QCOMPARE(f.panel.litModes(), QStringLiteral("N"));
    QCOMPARE(f.panel.litBars(), 1);
}

void TestScan::squelchZeroHoldsOnFirstChannel()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 1, QStringLiteral("145.1000"));
    putChannel(f, 1, 2, QStringLiteral("145.2000"));
    pressScan(f);
    f.panel.squelchPosition = 12;
    f.panel.delay = QStringLiteral("2 sec.");
    f.clock.setSecondsSinceMidnight(5000.0);
    f.runPasses(4);
    QCOMPARE(f.sent(),
             (Commands {"145.1000NT", "Y", "Y", "F", "Y", "Y", "F", "Y", "Y", "F", "Y", "Y", "F"}));
    // The display keeps the visited channel while the hold lasts.
    QCOMPARE(f.panel.channel, QStringLiteral("1"));
    QCOMPARE(f.panel.frequency, QStringLiteral("145.1000"));
}

void TestScan::holdLastsForDelay_data()
{
    QTest::addColumn<QString>("delay");
    QTest::addColumn<double>("heldFor");
    QTest::newRow("0 sec.") << "0 sec." << 0.0;
    QTest::newRow("45 sec.") << "45 sec." << 45.0;
    QTest::newRow("typed 120 counts as 12") << "120" << 12.0;
}

void TestScan::holdLastsForDelay()
{
    QFETCH(QString, delay);
    QFETCH(double, heldFor);
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 1, QStringLiteral("145.1000"));
    putChannel(f, 1, 2, QStringLiteral("145.2000"));
    f.sim.setSignalLevelAt(145.1, 12);
    pressScan(f);
    f.panel.delay = delay;
    f.clock.setSecondsSinceMidnight(5000.2);
    f.runPasses(1); // visits channel 1, finds the signal
    f.sim.setSignalLevelAt(145.1, 0); // the signal goes
    if (heldFor > 0) {
        QVERIFY(f.station->state().holdStart >= 1);
        f.clock.setSecondsSinceMidnight(5000.0 + heldFor - 0.5);
        f.runPasses(2);
        QCOMPARE(tuned(f.sent()), Commands {"145.1000NT"});
        f.clock.setSecondsSinceMidnight(5000.0 + heldFor);
        f.runPasses(1); // this check ends the hold
    }
    QCOMPARE(f.station->state().holdStart, 0);
    f.runPasses(1);
    QCOMPARE(tuned(f.sent()), (Commands {"145.1000NT", "145.2000NT"}));
}

void TestScan::holdAcrossMidnight()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 1, QStringLiteral("145.1000"));
    putChannel(f, 1, 2, QStringLiteral("145.2000"));
    f.sim.setSignalLevelAt(145.1, 12);
    pressScan(f);
    f.panel.delay = QStringLiteral("5 sec.");
    f.clock.setSecondsSinceMidnight(86398.0);
    f.runPasses(1);
    f.sim.setSignalLevelAt(145.1, 0);
    f.clock.setSecondsSinceMidnight(2.0); // 4 s later, on the new day
    f.runPasses(1);
    QVERIFY(f.station->state().holdStart != 0);
    f.clock.setSecondsSinceMidnight(3.0);
    f.runPasses(2);
    QCOMPARE(tuned(f.sent()), (Commands {"145.1000NT", "145.2000NT"}));
}

void TestScan::channel99ResumesInNextBank()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 99, QStringLiteral("145.9900"));
    putChannel(f, 2, 0, QStringLiteral("146.0000"));
    f.sim.setSignalLevelAt(145.99, 12);
    ProgramState &s = f.station->state();
    s.currentChannel = 98;
    pressScan(f);
    f.panel.delay = QStringLiteral("1 sec.");
    f.clock.setSecondsSinceMidnight(100.0);
    f.runPasses(1);
    QCOMPARE(f.panel.channel, QStringLiteral("99"));
    f.sim.setSignalLevelAt(145.99, 0);
    f.clock.setSecondsSinceMidnight(101.0);
    f.runPasses(2);
    QCOMPARE(tuned(f.sent()), (Commands {"145.9900NT", "146.0000NT"}));
    QCOMPARE(int(s.currentBank), 2);
}

void TestScan::untickingBankMidScan()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putChannel(f, 1, 1, QStringLiteral("145.1000"));
    putChannel(f, 1, 2, QStringLiteral("145.2000"));
    putChannel(f, 2, 0, QStringLiteral("146.0000"));
    pressScan(f);
    f.panel.squelchPosition = 0;
    f.runPasses(1);
    f.panel.ticked[0] = false; // bank 1 unticked while the scan stands in it
    f.runPasses(2);
    QCOMPARE(tuned(f.sent()), (Commands {"145.1000NT", "146.0000NT"}));
}

QTEST_GUILESS_MAIN(TestScan)
#include "test_scan.moc"
