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
    void displayFrequency_data();
    void displayFrequency();
    void levelFromReply_data();
    void levelFromReply();
    void tuneChannelCommand();
    void sampleSignalHoldsAndShowsChannel();
    void showChannel_data();
    void showChannel();
};

void TestTuning::formatFrequency_data()
{
    QTest::addColumn<double>("megahertz");
    QTest::addColumn<QString>("text");
    QTest::newRow("padded to four decimals") << 145.5 << "145.5000";
    QTest::newRow("longer kept whole") << 145.51234 << "145.51234";
    QTest::newRow("zero before the point kept") << 0.5 << "0.5000";
    QTest::newRow("sum noise hidden") << 145.5 + 0.0125 << "145.5125";
    QTest::newRow("large, no exponent") << 1e16 << "10000000000000000.0000";
    QTest::newRow("tiny, no exponent") << 0.00001 << "0.00001";
}

void TestTuning::formatFrequency()
{
    QFETCH(double, megahertz);
    QFETCH(QString, text);
    // A decimal comma would reach the receiver.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString formatted = FormatFrequency(megahertz);
    QLocale::setDefault(saved);
    QCOMPARE(formatted, text);
}

void TestTuning::displayFrequency_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    auto row = [](const char *name, const char *stored, const char *shown) {
        QTest::newRow(name) << QString(stored) << QString(shown);
    };
    row("padded", "145.5", "145.5000");
    row("cut, not rounded", "145.12349", "145.1234");
    row("no zero before the point", "0.5", ".5000");
    row("memory read form", "000145.50000", "145.5000");
    row("text", "Tower", "0.0000");
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
    QTest::newRow("C") << "C\r\n>" << 2;
    QTest::newRow("P") << "P>" << 15;
    QTest::newRow("Q beyond the scale") << "Q>" << 0;
    QTest::newRow("empty") << "" << 0;
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
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("lockOut");
    QTest::addColumn<QString>("litBefore");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("litAfter");
    QTest::addColumn<bool>("passLit");
    auto row = [](const char *name, int displayChoice, const char *mode, int lockOut,
                  const char *litBefore, const char *shown, const char *litAfter, bool passLit) {
        QTest::newRow(name) << displayChoice << QString(mode) << lockOut << QString(litBefore)
                            << QString(shown) << QString(litAfter) << passLit;
    };
    row("frequency cut, not rounded", 0, "N", 0, "", "145.1234", "N", false);
    row("description", 1, "N", 0, "", "Tower ", "N", false);
    row("lockout 1 lights PASS", 0, "N", 1, "", "145.1234", "N", true);
    row("lockout 2 lights no PASS", 0, "N", 2, "", "145.1234", "N", false);
    row("empty mode is NFM", 0, "", 0, "W", "145.1234", "N", false);
    row("unknown letter leaves lamps", 0, "X", 0, "W", "145.1234", "W", false);
    row("already lit, others stay", 0, "A", 0, "NA", "145.1234", "NA", false);
    row("not lit, others go", 0, "U", 0, "NA", "145.1234", "U", false);
}

void TestTuning::showChannel()
{
    QFETCH(int, displayChoice);
    QFETCH(QString, mode);
    QFETCH(int, lockOut);
    QFETCH(QString, litBefore);
    QFETCH(QString, shown);
    QFETCH(QString, litAfter);
    QFETCH(bool, passLit);
    CoreFixture f(false);
    ProgramState &s = f.station->state();
    s.banks(3, 42)
            = ChannelRecord {QStringLiteral("145.12349"), QStringLiteral("Tower "), mode, 0, 0, 1,
                             static_cast<qint16>(lockOut)};
    s.currentBank = 3;
    f.panel.channel = QStringLiteral("42");
    f.panel.displayChoice = displayChoice;
    f.panel.pass = !passLit;
    for (QChar letter : litBefore)
        f.panel.modes[modeLetters.indexOf(letter)] = true;
    ShowChannel(*f.station);
    QCOMPARE(f.panel.frequency, shown);
    QCOMPARE(f.panel.litModes(), litAfter);
    QCOMPARE(f.panel.pass, passLit);
    QVERIFY(f.panel.att);
}

QTEST_GUILESS_MAIN(TestTuning)
#include "test_tuning.moc"
