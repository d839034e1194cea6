// Numbers, rounding and line ends as every file reader takes them; frequency and level texts,
// the tuning command, the sample's hold and the channel shown.
#include "CoreFixture.h"
#include "core/TextFields.h"
#include "receiver/Tuning.h"

#include <QLocale>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace ze;
using zetest::CoreFixture;

namespace {

const double maxDouble = std::numeric_limits<double>::max();
const double none = std::numeric_limits<double>::quiet_NaN(); // "no number" in the tables

QString show(double value)
{
    return std::isnan(value) ? QStringLiteral("none") : QString::number(value, 'g', 17);
}

} // namespace

class TestTuning : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A decimal comma must reach neither the receiver nor the display.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void numbers_data();
    void numbers();
    void splitLines_data();
    void splitLines();
    void texts_data();
    void texts();
    void tuneAndSample();
    void showChannel_data();
    void showChannel();
};

void TestTuning::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("leading");
    QTest::addColumn<QString>("whole");
    QTest::addColumn<QString>("int16"); // the leading number rounded half to even
    auto row = [](const char *name, const QString &text, double leading, double whole,
                  double int16) {
        QTest::newRow(name) << text << show(leading) << show(whole) << show(int16);
    };
    row("blanks around, half up to even", " \t 145.5000 \t", 145.5, 145.5, 146);
    row("half down to even", "2.5", 2.5, 2.5, 2);
    row("point first, negative, rounds up", "-.25", -0.25, -0.25, 0);
    row("only blanks", " \t ", none, none, none);
    row("blank after sign", "- 3", none, none, none);
    row("comma is no separator", "1,5", 1, none, 1);
    row("second point stops", "1.2.3", 1.2, none, 1);
    // Up to fifteen digits are read with one division, more the long way: both round alike.
    row("fifteen digits", "-98765.4321098765", -98765.4321098765, -98765.4321098765, none);
    row("sixteen digits", "0.1234567890123457", 0.1234567890123457, 0.1234567890123457, 0);
    row("exponent with plus, letters after", "2.5e+1x", 25, none, 25);
    row("exponent without digits", "1e+", 1, none, 1);
    // Never infinity: it would poison every sum it enters.
    row("overflow", "-1e999", -maxDouble, none, none);
    row("ten thousand digits", QStringLiteral("1") + QString(10000, u'0'), maxDouble, none, none);
    row("underflow is zero", "1e-999", 0, 0, 0);
    row("nul after number", QString::fromLatin1("4\0x", 3), 4, none, 4);
    row("rounds down to largest", "32767.4", 32767.4, 32767.4, 32767);
    row("rounds up past largest", "32767.5", 32767.5, 32767.5, none);
    row("half below smallest to even", "-32768.5", -32768.5, -32768.5, -32768);
}

void TestTuning::numbers()
{
    QFETCH(QString, text);
    const std::optional<double> leading = leadingNumberIfAny(text);
    QTEST(show(leading.value_or(none)), "leading");
    QCOMPARE(leadingNumber(text), leading.value_or(0.0));
    QTEST(show(wholeNumber(text).value_or(none)), "whole");
    const std::optional<qint16> int16 = toInt16(leading.value_or(none));
    QTEST(show(int16 ? *int16 : none), "int16");
}

void TestTuning::splitLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    // CR before CR LF, and LF CR, are two ends.
    QTest::newRow("mixed ends") << QByteArray("a\nb\rc\r\nd\r\r\ne\n\r")
                                << QStringList({"a", "b", "c", "d", "", "e", ""});
}

void TestTuning::splitLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(QString::fromLatin1(ze::splitLines(bytes).join('|')), lines.join(u'|'));
    QCOMPARE(ze::splitLines(QString::fromLatin1(bytes)), lines);
}

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
