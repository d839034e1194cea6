// Frequency and level texts, the tuning command, the sample's hold and the channel shown.
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
    // A decimal comma must reach neither the receiver nor the display.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void texts_data();
    void texts();
    void tuneAndSample();
    void showChannel_data();
    void showChannel();
};

void TestTuning::texts_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QVariant>("given");
    QTest::addColumn<QString>("text");
    auto row = [](const char *name, const char *call, const QVariant &given, const char *text) {
        QTest::newRow(name) << QString(call) << given << QString(text);
    };
    row("zero before the point kept", "format", 0.5, "0.5000");
    row("longer kept whole", "format", 145.51234, "145.51234");
    row("sum noise hidden", "format", 145.5 + 0.0125, "145.5125");
    row("large, no exponent", "format", 1e16, "10000000000000000.0000");
    row("tiny, no exponent", "format", 0.00001, "0.00001");
    row("cut, not rounded", "display", "145.12349", "145.1234");
    row("no zero before the point", "display", "0.5", ".5000");
    row("memory read form padded", "display", "000145.50000", "145.5000");
    row("text", "display", "Tower", "0.0000");
    row("P the top level", "level", "P>", "15");
    row("Q beyond the scale", "level", "Q>", "0");
    row("empty reply", "level", "", "0");
}

void TestTuning::texts()
{
    QFETCH(QString, call);
    QFETCH(QVariant, given);
    const QString text = call == QLatin1String("format") ? FormatFrequency(given.toDouble())
            : call == QLatin1String("display")           ? displayFrequency(given.toString())
                                               : QString::number(levelFromReply(given.toString()));
    QTEST(text, "text");
}

void TestTuning::tuneAndSample()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    ProgramState &s = f.station->state();
    s.banks(1, 0) = ChannelRecord {QStringLiteral(" 145.5 "), {}, QStringLiteral("A"), 0, 0, 1, 0};
    // Out-of-range positions are wrapped first: channel 100 of bank 4 is channel 0 of bank 1.
    s.currentBank = 4;
    s.currentChannel = 100;
    TuneChannel(*f.station);
    QCOMPARE(f.sent(), std::vector<std::string> {"145.5AR"});
    f.panel.channel = QStringLiteral("0");
    f.panel.squelchPosition = 12; // threshold 0: every sample is a signal
    const auto sample = [&](OperatingMode mode, double at) {
        s.operatingMode = mode;
        f.clock.setSecondsSinceMidnight(at);
        SampleSignal(*f.station);
        return QStringLiteral("%1 hold %2").arg(f.panel.frequency).arg(s.holdStart);
    };
    // The hold starts at the rounded second; in direct mode the display is the keypad's.
    QCOMPARE(sample(ModeDirect, 0.4), QStringLiteral("----.---- hold 0"));
    QCOMPARE(sample(ModeManual, 3600.6), QStringLiteral("145.5000 hold 3601"));
}

void TestTuning::showChannel_data()
{
    QTest::addColumn<int>("displayChoice");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<qint16>("att");
    QTest::addColumn<qint16>("lockOut");
    QTest::addColumn<QString>("litBefore");
    QTest::addColumn<QString>("shown"); // the frequency box, the lit mode lamps, ATT and PASS
    auto row = [](const char *name, int displayChoice, const char *mode, qint16 att, qint16 lockOut,
                  const char *litBefore, const char *shown) {
        QTest::newRow(name) << displayChoice << QString(mode) << att << lockOut
                            << QString(litBefore) << QString(shown);
    };
    row("frequency cut; ATT 1 and lockout 1 lit", 0, "N", 1, 1, "", "145.1234 N ATT PASS");
    row("description as stored; lockout 2 lights no PASS", 1, "N", 0, 2, "", "Tower  N");
    row("empty mode is NFM", 0, "", 0, 0, "W", "145.1234 N");
    row("unknown letter leaves the lamps", 0, "X", 0, 0, "W", "145.1234 W");
    row("already lit: the others stay", 0, "A", 0, 0, "NA", "145.1234 NA");
    row("not lit: the others go", 0, "U", 0, 0, "NA", "145.1234 U");
}

void TestTuning::showChannel()
{
    QFETCH(int, displayChoice);
    QFETCH(QString, mode);
    QFETCH(qint16, att);
    QFETCH(qint16, lockOut);
    QFETCH(QString, litBefore);
    CoreFixture f(false);
    ProgramState &s = f.station->state();
    s.banks(3, 42) = ChannelRecord {
            QStringLiteral("145.12349"), QStringLiteral("Tower "), mode, 0, 0, att, lockOut};
    s.currentBank = 3;
    f.panel.channel = QStringLiteral("42");
    f.panel.displayChoice = displayChoice;
    // The lamps start the other way, so each must be set.
    f.panel.att = att != 1;
    f.panel.pass = lockOut != 1;
    for (QChar letter : litBefore)
        f.panel.modes[modeLetters.indexOf(letter)] = true;
    ShowChannel(*f.station);
    const zetest::FakePanel &p = f.panel;
    QTEST(p.frequency + QLatin1Char(' ') + p.litModes() + QString(p.att ? " ATT" : "")
                  + QString(p.pass ? " PASS" : ""),
          "shown");
}

QTEST_GUILESS_MAIN(TestTuning)
#include "test_tuning.moc"
