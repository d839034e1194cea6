#include "CoreFixture.h"
#include "receiver/Tuning.h"

#include <QLocale>
#include <QtTest>

using namespace ze;
using zetest::CoreFixture;

class TestTuning : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formatFrequency_data();
    void formatFrequency();
    void formatFrequencyIgnoresLocale();
    void displayFrequency_data();
    void displayFrequency();
    void levelFromReply_data();
    void levelFromReply();
    void tuneChannelCommand();
    void sampleSignalHoldsAndShowsChannel();
    void showChannel_data();
    void showChannel();
    void showChannelModeLamps_data();
    void showChannelModeLamps();
    void showSearchPositionDarkensMeter();
};

void TestTuning::formatFrequency_data()
{
    QTest::addColumn<double>("megahertz");
    QTest::addColumn<QString>("text");
    QTest::newRow("one decimal") << 145.5 << "145.5000";
    QTest::newRow("whole") << 145.0 << "145.0000";
    QTest::newRow("four decimals") << 145.5125 << "145.5125";
    QTest::newRow("longer kept whole") << 145.51234 << "145.51234";
    QTest::newRow("below one") << 0.5 << "0.5000";
    QTest::newRow("sum noise hidden") << 145.5 + 0.0125 << "145.5125";
    QTest::newRow("repeated steps") << 0.1 + 0.2 << "0.3000";
    QTest::newRow("negative") << -0.0125 << "-0.0125";
    QTest::newRow("zero") << 0.0 << "0.0000";
    QTest::newRow("large, no exponent") << 1e16 << "10000000000000000.0000";
    QTest::newRow("tiny, no exponent") << 0.00001 << "0.00001";
}

void TestTuning::formatFrequency()
{
    QFETCH(double, megahertz);
    QFETCH(QString, text);
    QCOMPARE(FormatFrequency(megahertz), text);
}

void TestTuning::formatFrequencyIgnoresLocale()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString text = FormatFrequency(145.5125);
    QLocale::setDefault(saved);
    QCOMPARE(text, QStringLiteral("145.5125"));
}

void TestTuning::displayFrequency_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("padded") << "145.5"
                            << "145.5000";
    QTest::newRow("cut, not rounded") << "145.12345"
                                      << "145.1234";
    QTest::newRow("whole") << "145"
                           << "145.0000";
    QTest::newRow("no zero before point") << "0.5"
                                          << ".5000";
    QTest::newRow("blanks around") << " 145.5 "
                                   << "145.5000";
    QTest::newRow("memory read form") << "000145.50000"
                                      << "145.5000";
    QTest::newRow("empty") << ""
                           << "0.0000";
    QTest::newRow("text") << "Tower"
                          << "0.0000";
}

void TestTuning::displayFrequency()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QCOMPARE(ze::displayFrequency(stored), shown);
}

void TestTuning::levelFromReply_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("level");
    QTest::newRow("A") << "A\r\n>" << 0;
    QTest::newRow("C") << "C\r\n>" << 2;
    QTest::newRow("P") << "P>" << 15;
    QTest::newRow("Q beyond the scale") << "Q>" << 0;
    QTest::newRow("small letter") << "c>" << 0;
    QTest::newRow("Y") << "Y>" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("prompt only") << ">" << 0;
}

void TestTuning::levelFromReply()
{
    QFETCH(QString, reply);
    QFETCH(int, level);
    QCOMPARE(ze::levelFromReply(reply), level);
}

void TestTuning::tuneChannelCommand()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    ProgramState &s = f.station->state();
    s.banks(2, 7) = ChannelRecord {QStringLiteral(" 145.5 "), {}, QStringLiteral("A"), 0, 0, 1, 0};
    s.currentBank = 2;
    s.currentChannel = 7;
    TuneChannel(*f.station);
    // Out-of-range positions are wrapped first: channel 100 of bank 4 is channel 0 of bank 1.
    s.banks(1, 0) = ChannelRecord {QStringLiteral("98.5000"), {}, QStringLiteral("W"), 0, 0, 0, 0};
    s.currentBank = 4;
    s.currentChannel = 100;
    TuneChannel(*f.station);
    QCOMPARE(f.sent(), (std::vector<std::string> {"145.5AR", "98.5000WT"}));
}

void TestTuning::sampleSignalHoldsAndShowsChannel()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    ProgramState &s = f.station->state();
    s.banks(1, 3) = ChannelRecord {
            QStringLiteral("145.5"), QStringLiteral("Tower"), QStringLiteral("A"), 0, 0, 1, 1};
    s.currentBank = 1;
    s.operatingMode = ModeManual;
    f.panel.channel = QStringLiteral("3");
    f.panel.squelchPosition = 12;
    f.clock.setSecondsSinceMidnight(3600.6);
    SampleSignal(*f.station);
    QCOMPARE(s.holdStart, 3601);
    QCOMPARE(f.panel.frequency, QStringLiteral("145.5000"));
    QCOMPARE(f.panel.litModes(), QStringLiteral("A"));
    QVERIFY(f.panel.att);
    QVERIFY(f.panel.pass);

    // In direct mode the display is the keypad's and stays as it is.
    s.operatingMode = ModeDirect;
    f.panel.frequency = QStringLiteral("99.1");
    SampleSignal(*f.station);
    QCOMPARE(f.panel.frequency, QStringLiteral("99.1"));

    // The half second after midnight rounds to 0: no hold.
    f.clock.setSecondsSinceMidnight(0.4);
    SampleSignal(*f.station);
    QCOMPARE(s.holdStart, 0);
}

void TestTuning::showChannel_data()
{
    QTest::addColumn<int>("displayChoice");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("shown");
    QTest::newRow("frequency") << 0 << "145.12345"
                               << "145.1234";
    QTest::newRow("description") << 1 << "145.12345"
                                 << "Tower ";
}

void TestTuning::showChannel()
{
    QFETCH(int, displayChoice);
    QFETCH(QString, frequency);
    QFETCH(QString, shown);
    CoreFixture f(false);
    ProgramState &s = f.station->state();
    s.banks(3, 42)
            = ChannelRecord {frequency, QStringLiteral("Tower "), QStringLiteral("N"), 0, 0, 0, 2};
    s.currentBank = 3;
    f.panel.channel = QStringLiteral("42");
    f.panel.displayChoice = displayChoice;
    f.panel.pass = true;
    ShowChannel(*f.station);
    QCOMPARE(f.panel.frequency, shown);
    // LockOut 2 is passed over by scanning but lights no PASS lamp.
    QVERIFY(!f.panel.pass);
}

void TestTuning::showChannelModeLamps_data()
{
    QTest::addColumn<QString>("litBefore");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("litAfter");
    QTest::newRow("switch") << "N"
                            << "C"
                            << "C";
    QTest::newRow("empty mode is NFM") << "W"
                                       << ""
                                       << "N";
    QTest::newRow("unknown letter leaves lamps") << "W"
                                                 << "X"
                                                 << "W";
    QTest::newRow("already lit, others stay") << "NA"
                                              << "A"
                                              << "NA";
    QTest::newRow("not lit, others go") << "NA"
                                        << "U"
                                        << "U";
}

void TestTuning::showChannelModeLamps()
{
    QFETCH(QString, litBefore);
    QFETCH(QString, mode);
    QFETCH(QString, litAfter);
    CoreFixture f(false);
    ProgramState &s = f.station->state();
    s.banks(1, 0) = ChannelRecord {QStringLiteral("1"), {}, mode, 0, 0, 0, 0};
    s.currentBank = 1;
    f.panel.channel = QStringLiteral("0");
    for (QChar letter : litBefore)
        f.panel.modes[modeLetters.indexOf(letter)] = true;
    ShowChannel(*f.station);
    QCOMPARE(f.panel.litModes(), litAfter);
}

void TestTuning::showSearchPositionDarkensMeter()
{
    CoreFixture f(false);
    ProgramState &s = f.station->state();
    s.currentRange = 4;
    s.ranges[4].Mode = QStringLiteral("W");
    s.searchFrequency = QStringLiteral("88.1000");
    f.panel.bars.fill(true);
    f.panel.bank = 2;
    ShowSearchPosition(*f.station);
    QCOMPARE(f.panel.litBars(), 0);
    QCOMPARE(f.panel.bank, 0);
    QCOMPARE(f.panel.channel, QStringLiteral("--"));
    QCOMPARE(f.panel.frequency, QStringLiteral("88.1000"));
    QCOMPARE(f.panel.litModes(), QStringLiteral("W"));
}

QTEST_GUILESS_MAIN(TestTuning)
#include "test_tuning.moc"
