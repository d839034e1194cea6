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

QString show(const std::optional<double> &value)
{
    return value ? QString::number(*value, 'g', 17) : QStringLiteral("none");
}
QString show(double value)
{
    return show(std::isnan(value) ? std::optional<double>() : value);
}

} // namespace

class TestTextFields : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numbers_data();
    void numbers();
    void toInt16_data();
    void toInt16();
    void splitLines_data();
    void splitLines();
};

void TestTextFields::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("leading");
    QTest::addColumn<double>("whole");
    auto row = [](const char *name, const QString &text, double leading, double whole) {
        QTest::newRow(name) << text << leading << whole;
    };
    row("blanks around", " \t 145.5000 \t", 145.5, 145.5);
    row("point first, negative", "-.25", -0.25, -0.25);
    row("letters", "abc", none, none);
    row("only blanks", " \t ", none, none);
    row("number then letters", "12abc", 12, none);
    row("blank after sign", "- 3", none, none);
    row("second point stops", "1.2.3", 1.2, none);
    row("comma is no separator", "1,5", 1, none);
    row("exponent with plus, letters after", "2.5e+1x", 25, none);
    row("exponent without digits", "1e+", 1, none);
    // Never infinity: it would poison every sum it enters.
    row("overflow", "-1e999", -maxDouble, none);
    row("ten thousand digits", QStringLiteral("1") + QString(10000, u'0'), maxDouble, none);
    row("underflow is zero", "1e-999", 0, 0);
    row("nul after number", QString::fromLatin1("4\0x", 3), 4, none);
}

void TestTextFields::numbers()
{
    QFETCH(QString, text);
    QFETCH(double, leading);
    QFETCH(double, whole);
    QCOMPARE(show(leadingNumberIfAny(text)), show(leading));
    QCOMPARE(show(ze::leadingNumber(text)), show(std::isnan(leading) ? 0.0 : leading));
    QCOMPARE(show(wholeNumber(text)), show(whole));
}

void TestTextFields::toInt16_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected"); // 99999: refused
    auto row = [](const char *name, double value, int expected) {
        QTest::newRow(name) << value << expected;
    };
    row("half to even down", 2.5, 2);
    row("half to even up", 1.5, 2);
    row("negative half to even", -2.5, -2);
    row("just above half", 2.5000001, 3);
    row("rounds down to largest", 32767.4, 32767);
    row("rounds up past largest", 32767.5, 99999);
    row("half below smallest to even", -32768.5, -32768);
    row("below smallest", -32768.6, 99999);
    row("not a number", none, 99999);
}

void TestTextFields::toInt16()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    const std::optional<qint16> got = ze::toInt16(value);
    QCOMPARE(got ? int(*got) : 99999, expected);
}

void TestTextFields::splitLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("mixed ends") << QByteArray("a\nb\rc\r\nd") << QStringList({"a", "b", "c", "d"});
    QTest::newRow("cr before cr lf") << QByteArray("a\r\r\nb") << QStringList({"a", "", "b"});
    QTest::newRow("lf cr is two ends") << QByteArray("a\n\r") << QStringList({"a", ""});
}

void TestTextFields::splitLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QStringList fromBytes;
    for (const QByteArray &line : ze::splitLines(bytes))
        fromBytes << QString::fromLatin1(line);
    QCOMPARE(fromBytes, lines);
    QCOMPARE(ze::splitLines(QString::fromLatin1(bytes)), lines);
}

QTEST_GUILESS_MAIN(TestTextFields)
#include "test_textfields.moc"
