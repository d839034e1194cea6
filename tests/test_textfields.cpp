#include "storage/TextFields.h"

#include <QLocale>
#include <QtTest>

#include <clocale>
#include <limits>

using namespace ze;

Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(std::optional<qint16>)

namespace {

const double maxDouble = std::numeric_limits<double>::max();

QString show(const std::optional<double> &value)
{
    return value ? QString::number(*value, 'g', 17) : QStringLiteral("none");
}

} // namespace

class TestTextFields : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numbers_data();
    void numbers();
    void numbersIgnoreLocale();
    void toInt16_data();
    void toInt16();
    void printForm_data();
    void printForm();
    void takeField_data();
    void takeField();
    void encoding_data();
    void encoding();
    void splitLines_data();
    void splitLines();
};

void TestTextFields::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("leading");
    QTest::addColumn<std::optional<double>>("whole");

    const std::optional<double> none;
    auto n = [](double v) { return std::optional<double>(v); };
    QTest::newRow("blanks around") << " \t 145.5000 \t" << n(145.5) << n(145.5);
    QTest::newRow("point first, negative") << "-.25" << n(-0.25) << n(-0.25);
    QTest::newRow("plus sign") << "+4" << n(4) << n(4);
    QTest::newRow("letters") << "abc" << none << none;
    QTest::newRow("empty") << "" << none << none;
    QTest::newRow("only blanks") << " \t " << none << none;
    QTest::newRow("number then letters") << "12abc" << n(12) << none;
    QTest::newRow("two numbers") << "1 2" << n(1) << none;
    QTest::newRow("point alone") << "." << none << none;
    QTest::newRow("blank after sign") << "- 3" << none << none;
    QTest::newRow("second point stops") << "1.2.3" << n(1.2) << none;
    QTest::newRow("comma is no separator") << "1,5" << n(1) << none;
    QTest::newRow("hex is no number") << "0x10" << n(0) << none;
    QTest::newRow("exponent") << "1E-2" << n(0.01) << n(0.01);
    QTest::newRow("exponent with plus, letters after") << "2.5e+1x" << n(25) << none;
    QTest::newRow("exponent without digits") << "1e+" << n(1) << none;
    QTest::newRow("fullwidth digits")
            << QString::fromUtf8("\xEF\xBC\x91\xEF\xBC\x92") << none << none;
    // Never infinity: it would poison every sum it enters.
    QTest::newRow("overflow") << "-1e999" << n(-maxDouble) << none;
    QTest::newRow("absurd exponent") << "7e99999999999999999999999" << n(maxDouble) << none;
    QTest::newRow("ten thousand digits")
            << QStringLiteral("1") + QString(10000, u'0') << n(maxDouble) << none;
    QTest::newRow("underflow is zero") << "1e-999" << n(0) << n(0);
    QTest::newRow("zero with huge exponent") << "0e99999" << n(0) << n(0);
    QTest::newRow("long but in range")
            << QStringLiteral("12.") + QString(5000, u'0') + u'7' << n(12) << n(12);
    QTest::newRow("nul after number") << QString::fromLatin1("4\0x", 3) << n(4) << none;
}

void TestTextFields::numbers()
{
    QFETCH(QString, text);
    QFETCH(std::optional<double>, leading);
    QFETCH(std::optional<double>, whole);
    QCOMPARE(show(leadingNumberIfAny(text)), show(leading));
    QCOMPARE(show(ze::leadingNumber(text)), show(leading.value_or(0.0)));
    QCOMPARE(show(wholeNumber(text)), show(whole));
}

void TestTextFields::numbersIgnoreLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const char *previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;

    const double point = ze::leadingNumber(QStringLiteral("1.5"));
    const double comma = ze::leadingNumber(QStringLiteral("1,5"));
    const std::optional<double> whole = ze::wholeNumber(QStringLiteral("2.25"));

    std::setlocale(LC_NUMERIC, saved.c_str());
    QLocale::setDefault(before);
    QCOMPARE(point, 1.5);
    QCOMPARE(comma, 1.0);
    QCOMPARE(show(whole), QStringLiteral("2.25"));
    if (!german)
        qInfo("de_DE.UTF-8 is not installed; only the Qt default locale was changed");
}

void TestTextFields::toInt16_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<std::optional<qint16>>("expected");

    const std::optional<qint16> none;
    auto v = [](int n) { return std::optional<qint16>(static_cast<qint16>(n)); };
    QTest::newRow("half to even down") << 2.5 << v(2);
    QTest::newRow("half to even up") << 1.5 << v(2);
    QTest::newRow("negative half to even") << -2.5 << v(-2);
    QTest::newRow("negative half to zero") << -0.5 << v(0);
    QTest::newRow("just below half") << 2.4999999 << v(2);
    QTest::newRow("just above half") << 2.5000001 << v(3);
    QTest::newRow("rounds down to largest") << 32767.4 << v(32767);
    QTest::newRow("rounds up past largest") << 32767.5 << none;
    QTest::newRow("half below smallest to even") << -32768.5 << v(-32768);
    QTest::newRow("below smallest") << -32768.6 << none;
    QTest::newRow("largest double") << maxDouble << none;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << none;
    QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << none;
}

void TestTextFields::toInt16()
{
    QFETCH(double, value);
    QFETCH(std::optional<qint16>, expected);
    const std::optional<qint16> got = ze::toInt16(value);
    QCOMPARE(got.has_value(), expected.has_value());
    if (got)
        QCOMPARE(*got, *expected);
}

void TestTextFields::printForm_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << qint64(0) << " 0 ";
    QTest::newRow("two digits") << qint64(15) << " 15 ";
    QTest::newRow("negative") << qint64(-5) << "-5 ";
    QTest::newRow("64-bit low") << std::numeric_limits<qint64>::min() << "-9223372036854775808 ";
}

void TestTextFields::printForm()
{
    QFETCH(qint64, value);
    QFETCH(QString, expected);
    QCOMPARE(ze::printForm(value), expected);
}

void TestTextFields::takeField_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("rest");
    QTest::addColumn<bool>("hadTab");
    auto row = [](const char *line, const char *field, const char *rest, bool hadTab) {
        QTest::newRow(line) << QString(line) << QString(field) << QString(rest) << hadTab;
    };

    row(" 1 \t 2 ", " 1 ", "2", true); // the field keeps its blanks
    row("abc", "abc", "", false);
    row("\t", "", "", true);
    row("a\t\tb", "a", "\tb", true);
    row("a\t  \t b  ", "a", "\t b", true); // only spaces are trimmed
    row("x\t a\t ", "x", "a\t", true);
}

void TestTextFields::takeField()
{
    QFETCH(QString, line);
    QFETCH(bool, hadTab);
    QString remaining = line;
    bool tab = !hadTab;
    QTEST(ze::takeField(remaining, &tab), "field");
    QTEST(remaining, "rest");
    QCOMPARE(tab, hadTab);
}

void TestTextFields::encoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("latin1");
    QTest::addColumn<bool>("decodes"); // bytes decode to text, telling latin1
    QTest::addColumn<bool>("encodes"); // text with latin1 encodes to bytes
    auto row = [](const char *name, const QByteArray &bytes, const QString &text, bool latin1,
                  bool decodes = true, bool encodes = true) {
        QTest::newRow(name) << bytes << text << latin1 << decodes << encodes;
    };

    row("utf-8", "Caf\xC3\xA9 \xE6\x9D\xB1", QString::fromUtf8("Café 東"), false);
    row("latin-1", "Caf\xE9 \xA9", QString::fromUtf8("Café ©"), true);
    row("utf-8 bom dropped", "\xEF\xBB\xBFZz", "Zz", false, true, false);
    row("cut-off sequence", "a\xC3", QString::fromUtf8("aÃ"), true);
    row("overlong", "\xC0\xAF", QString::fromUtf8("À¯"), true);
    row("surrogate", "\xED\xA0\x80", QString::fromLatin1("\xED\xA0\x80"), true);
    row("nul bytes", QByteArray("a\0b", 3), QString::fromLatin1("a\0b", 3), false);
    row("beyond latin-1 goes utf-8", "Caf\xC3\xA9 \xE2\x82\xAC", QString::fromUtf8("Café €"), true,
        false);
}

void TestTextFields::encoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, latin1);
    QFETCH(bool, decodes);
    QFETCH(bool, encodes);
    if (decodes) {
        bool wasLatin1 = !latin1;
        QCOMPARE(ze::decodeText(bytes, &wasLatin1), text);
        QCOMPARE(wasLatin1, latin1);
    }
    if (encodes)
        QCOMPARE(ze::encodeText(text, latin1), bytes);
}

void TestTextFields::splitLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("last without end") << QByteArray("a\r\nb") << QStringList({"a", "b"});
    QTest::newRow("mixed ends") << QByteArray("a\nb\rc\r\n") << QStringList({"a", "b", "c"});
    QTest::newRow("blank lines") << QByteArray("\r\n\r\n") << QStringList({"", ""});
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
