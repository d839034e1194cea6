// Numbers, rounding and line ends as every file reader takes them; fields and encodings are
// checked through the bank and range files.
#include "storage/TextFields.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace ze;

namespace {

const double maxDouble = std::numeric_limits<double>::max();
const double none = std::numeric_limits<double>::quiet_NaN(); // "no number" in the tables

QString show(double value)
{
    return std::isnan(value) ? QStringLiteral("none") : QString::number(value, 'g', 17);
}

} // namespace

class TestTextFields : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numbers_data();
    void numbers();
    void splitLines_data();
    void splitLines();
};

void TestTextFields::numbers_data()
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

void TestTextFields::numbers()
{
    QFETCH(QString, text);
    const std::optional<double> leading = leadingNumberIfAny(text);
    QTEST(show(leading.value_or(none)), "leading");
    QCOMPARE(leadingNumber(text), leading.value_or(0.0));
    QTEST(show(wholeNumber(text).value_or(none)), "whole");
    const std::optional<qint16> int16 = toInt16(leading.value_or(none));
    QTEST(show(int16 ? *int16 : none), "int16");
}

void TestTextFields::splitLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("mixed ends") << QByteArray("a\nb\rc\r\nd") << QStringList({"a", "b", "c", "d"});
    QTest::newRow("cr before cr lf, lf cr is two ends")
            << QByteArray("a\r\r\nb\n\r") << QStringList({"a", "", "b", ""});
}

void TestTextFields::splitLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(QString::fromLatin1(ze::splitLines(bytes).join('|')), lines.join(u'|'));
    QCOMPARE(ze::splitLines(QString::fromLatin1(bytes)), lines);
}

QTEST_GUILESS_MAIN(TestTextFields)
#include "test_textfields.moc"
