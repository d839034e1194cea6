#include "storage/TextFields.h"

#include <QLocale>
#include <QtTest>

#include <clocale>
#include <cmath>
#include <limits>

using namespace ze;

Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(std::optional<qint16>)

namespace {

const double maxDouble = std::numeric_limits<double>::max();

// Compares optionals of double, treating -0 and 0 alike.
bool sameNumber(const std::optional<double> &a, const std::optional<double> &b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || *a == *b;
}

QString show(const std::optional<double> &value)
{
    return value ? QString::number(*value, 'g', 17) : QStringLiteral("none");
}

} // namespace

class TestTextFields : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void leadingNumber_data();
    void leadingNumber();
    void wholeNumber_data();
    void wholeNumber();
    void leadingNumberIgnoresLocale();
    void toInt16_data();
    void toInt16();
    void printForm_data();
    void printForm();
    void takeField_data();
    void takeField();
    void readingRuleOnWholeLine();
    void decodeText_data();
    void decodeText();
    void encodeText_data();
    void encodeText();
    void splitLines_data();
    void splitLines();
};

void TestTextFields::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("expected");

    const std::optional<double> none;
    QTest::newRow("trailing blank") << "1 " << std::optional<double>(1);
    QTest::newRow("leading blank, decimals") << " 145.5000" << std::optional<double>(145.5);
    QTest::newRow("point first") << ".5" << std::optional<double>(0.5);
    QTest::newRow("negative") << "-3" << std::optional<double>(-3);
    QTest::newRow("plus sign") << "+4" << std::optional<double>(4);
    QTest::newRow("negative point first") << "-.25" << std::optional<double>(-0.25);
    QTest::newRow("letters") << "abc" << none;
    QTest::newRow("empty") << "" << none;
    QTest::newRow("only blanks") << " \t " << none;
    QTest::newRow("number then letters") << "12abc" << std::optional<double>(12);
    QTest::newRow("tab and spaces before") << "\t  7" << std::optional<double>(7);
    QTest::newRow("point after digits") << "5." << std::optional<double>(5);
    QTest::newRow("point alone") << "." << none;
    QTest::newRow("sign alone") << "-" << none;
    QTest::newRow("blank after sign") << "- 3" << none;
    QTest::newRow("second point stops") << "1.2.3" << std::optional<double>(1.2);
    QTest::newRow("comma is no separator") << "1,5" << std::optional<double>(1);
    QTest::newRow("hex is no number") << "0x10" << std::optional<double>(0);
    QTest::newRow("exponent") << "1e3" << std::optional<double>(1000);
    QTest::newRow("exponent capital, negative") << "1E-2" << std::optional<double>(0.01);
    QTest::newRow("exponent with plus") << "2.5e+1x" << std::optional<double>(25);
    QTest::newRow("exponent letter without digits") << "12e" << std::optional<double>(12);
    QTest::newRow("exponent sign without digits") << "1e+" << std::optional<double>(1);
    QTest::newRow("exponent then blank") << "3e 2" << std::optional<double>(3);
    QTest::newRow("fullwidth digits") << QString::fromUtf8("\xEF\xBC\x91\xEF\xBC\x92") << none;
    QTest::newRow("overflow clamps") << "1e999" << std::optional<double>(maxDouble);
    QTest::newRow("negative overflow clamps") << "-1e999" << std::optional<double>(-maxDouble);
    QTest::newRow("underflow is zero") << "1e-999" << std::optional<double>(0);
    QTest::newRow("absurd exponent")
            << "7e99999999999999999999999" << std::optional<double>(maxDouble);
    QTest::newRow("absurd negative exponent")
            << "7e-99999999999999999999999" << std::optional<double>(0);
    QTest::newRow("zero with huge exponent") << "0e99999" << std::optional<double>(0);
    QTest::newRow("ten thousand digits")
            << QStringLiteral("1") + QString(10000, u'0') << std::optional<double>(maxDouble);
    QTest::newRow("tiny with many zeros")
            << QStringLiteral("0.") + QString(1000, u'0') + u'1' << std::optional<double>(0);
    QTest::newRow("long but in range")
            << QStringLiteral("12.") + QString(5000, u'0') + u'7' << std::optional<double>(12);
    QTest::newRow("nul after number") << QString::fromLatin1("4\0"
                                                             "5",
                                                             3)
                                      << std::optional<double>(4);
}

void TestTextFields::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(std::optional<double>, expected);
    const std::optional<double> got = leadingNumberIfAny(text);
    QVERIFY2(sameNumber(got, expected), qPrintable(show(got) + " != " + show(expected)));
    QCOMPARE(ze::leadingNumber(text), expected.value_or(0.0));
    QVERIFY(std::isfinite(ze::leadingNumber(text)));
}

void TestTextFields::wholeNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("expected");

    const std::optional<double> none;
    QTest::newRow("plain") << "12" << std::optional<double>(12);
    QTest::newRow("blanks around") << " \t-0.5 \t" << std::optional<double>(-0.5);
    QTest::newRow("letters after") << "12a" << none;
    QTest::newRow("two numbers") << "1 2" << none;
    QTest::newRow("empty") << "" << none;
    QTest::newRow("point alone") << "." << none;
    QTest::newRow("exponent") << "2.5e2" << std::optional<double>(250);
    QTest::newRow("dangling exponent letter") << "2e" << none;
    QTest::newRow("overflow is none") << "1e999" << none;
    QTest::newRow("frequency text") << "145.5000" << std::optional<double>(145.5);
}

void TestTextFields::wholeNumber()
{
    QFETCH(QString, text);
    QFETCH(std::optional<double>, expected);
    const std::optional<double> got = ze::wholeNumber(text);
    QVERIFY2(sameNumber(got, expected), qPrintable(show(got) + " != " + show(expected)));
}

void TestTextFields::leadingNumberIgnoresLocale()
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
    QVERIFY(whole && *whole == 2.25);
    if (!german)
        qInfo("de_DE.UTF-8 is not installed; only the Qt default locale was changed");
}

void TestTextFields::toInt16_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<std::optional<qint16>>("expected");

    const std::optional<qint16> none;
    auto v = [](int n) { return std::optional<qint16>(static_cast<qint16>(n)); };
    QTest::newRow("half to even down") << 0.5 << v(0);
    QTest::newRow("one and a half up") << 1.5 << v(2);
    QTest::newRow("two and a half down") << 2.5 << v(2);
    QTest::newRow("negative half") << -0.5 << v(0);
    QTest::newRow("negative one and a half") << -1.5 << v(-2);
    QTest::newRow("negative two and a half") << -2.5 << v(-2);
    QTest::newRow("just below half") << 2.4999999 << v(2);
    QTest::newRow("just above half") << 2.5000001 << v(3);
    QTest::newRow("largest") << 32767.0 << v(32767);
    QTest::newRow("rounds down to largest") << 32767.4 << v(32767);
    QTest::newRow("rounds up past largest") << 32767.5 << none;
    QTest::newRow("smallest") << -32768.0 << v(-32768);
    QTest::newRow("half below smallest to even") << -32768.5 << v(-32768);
    QTest::newRow("below smallest") << -32768.6 << none;
    QTest::newRow("far too large") << 70000.0 << none;
    QTest::newRow("largest double") << maxDouble << none;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << none;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << none;
    QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << none;
    QTest::newRow("tiny") << 1e-300 << v(0);
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
    QTest::newRow("positive") << qint64(5) << " 5 ";
    QTest::newRow("negative") << qint64(-5) << "-5 ";
    QTest::newRow("zero") << qint64(0) << " 0 ";
    QTest::newRow("two digits") << qint64(15) << " 15 ";
    QTest::newRow("16-bit low") << qint64(-32768) << "-32768 ";
    QTest::newRow("64-bit high") << std::numeric_limits<qint64>::max() << " 9223372036854775807 ";
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

    QTest::newRow("two fields") << "a\tb"
                                << "a"
                                << "b" << true;
    QTest::newRow("field keeps its blanks") << " 1 \t 2 "
                                            << " 1 "
                                            << "2" << true;
    QTest::newRow("no tab") << "abc"
                            << "abc"
                            << "" << false;
    QTest::newRow("empty") << ""
                           << ""
                           << "" << false;
    QTest::newRow("only a tab") << "\t"
                                << ""
                                << "" << true;
    QTest::newRow("empty field between") << "a\t\tb"
                                         << "a"
                                         << "\tb" << true;
    QTest::newRow("only spaces are trimmed") << "a\t  \t b  "
                                             << "a"
                                             << "\t b" << true;
    QTest::newRow("trailing tab stays") << "x\t a\t "
                                        << "x"
                                        << "a\t" << true;
}

void TestTextFields::takeField()
{
    QFETCH(QString, line);
    QFETCH(QString, field);
    QFETCH(QString, rest);
    QFETCH(bool, hadTab);
    QString remaining = line;
    bool tab = !hadTab;
    QCOMPARE(ze::takeField(remaining, &tab), field);
    QCOMPARE(remaining, rest);
    QCOMPARE(tab, hadTab);
}

void TestTextFields::readingRuleOnWholeLine()
{
    // Leading spaces of later fields go, trailing ones stay until the next TAB.
    QString rest = QStringLiteral(" 1 \t  W  \t 145.5 \t  a\tb  ");
    QStringList fields;
    for (int i = 0; i < 3; ++i)
        fields << ze::takeField(rest);
    fields << rest;
    QCOMPARE(fields, QStringList({" 1 ", "W  ", "145.5 ", "a\tb"}));
}

void TestTextFields::decodeText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("latin1");
    QTest::addColumn<bool>("bytesComeBack");

    QTest::newRow("ascii") << QByteArray("abc") << "abc" << false << true;
    QTest::newRow("utf-8") << QByteArray("Caf\xC3\xA9 \xE6\x9D\xB1") << QString::fromUtf8("Café 東")
                           << false << true;
    QTest::newRow("latin-1") << QByteArray("Caf\xE9 \xA9") << QString::fromUtf8("Café ©") << true
                             << true;
    QTest::newRow("utf-8 bom dropped") << QByteArray("\xEF\xBB\xBF"
                                                     "abc")
                                       << "abc" << false << false;
    QTest::newRow("cut-off sequence")
            << QByteArray("a\xC3") << QString::fromUtf8("aÃ") << true << true;
    QTest::newRow("overlong") << QByteArray("\xC0\xAF") << QString::fromUtf8("À¯") << true << true;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << QString::fromLatin1("\xED\xA0\x80")
                               << true << true;
    QTest::newRow("control range 0x80")
            << QByteArray("\x80\x9F") << QString::fromLatin1("\x80\x9F") << true << true;
    QTest::newRow("nul bytes") << QByteArray("a\0b", 3) << QString::fromLatin1("a\0b", 3) << false
                               << true;
    QTest::newRow("empty") << QByteArray() << "" << false << true;
}

void TestTextFields::decodeText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, latin1);
    QFETCH(bool, bytesComeBack);
    bool wasLatin1 = !latin1;
    QCOMPARE(ze::decodeText(bytes, &wasLatin1), text);
    QCOMPARE(wasLatin1, latin1);
    if (bytesComeBack)
        QCOMPARE(ze::encodeText(text, wasLatin1), bytes);
}

void TestTextFields::encodeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("latin1");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("latin-1 kept") << QString::fromUtf8("Café") << true << QByteArray("Caf\xE9");
    QTest::newRow("utf-8 kept") << QString::fromUtf8("Café") << false << QByteArray("Caf\xC3\xA9");
    QTest::newRow("beyond latin-1 goes utf-8")
            << QString::fromUtf8("Café €") << true << QByteArray("Caf\xC3\xA9 \xE2\x82\xAC");
    QTest::newRow("ascii either way") << "abc" << true << QByteArray("abc");
}

void TestTextFields::encodeText()
{
    QFETCH(QString, text);
    QFETCH(bool, latin1);
    QFETCH(QByteArray, bytes);
    QCOMPARE(ze::encodeText(text, latin1), bytes);
}

void TestTextFields::splitLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("no end") << QByteArray("a") << QStringList({"a"});
    QTest::newRow("cr lf end") << QByteArray("a\r\n") << QStringList({"a"});
    QTest::newRow("last without end") << QByteArray("a\r\nb") << QStringList({"a", "b"});
    QTest::newRow("mixed ends") << QByteArray("a\nb\rc\r\n") << QStringList({"a", "b", "c"});
    QTest::newRow("blank lines") << QByteArray("\r\n\r\n") << QStringList({"", ""});
    QTest::newRow("cr before cr lf") << QByteArray("a\r\r\nb") << QStringList({"a", "", "b"});
    QTest::newRow("lf cr is two ends") << QByteArray("a\n\r") << QStringList({"a", ""});
    QTest::newRow("tabs stay") << QByteArray("a\tb\r\n") << QStringList({"a\tb"});
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
