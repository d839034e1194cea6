#include "core/TextFields.h"

#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace ze {

namespace {

constexpr char bom[] = "\xEF\xBB\xBF";

QByteArrayView withoutBom(const QByteArray &bytes)
{
    return bytes.startsWith(bom) ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

constexpr double powersOfTen[]
        = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

struct NumberScan
{
    bool found = false;
    bool overflow = false;
    double value = 0.0;
    qsizetype end = 0; // index just past the number
};

// Reads the number that starts at pos: optional sign, digits, optional point and digits, and an
// exponent only when digits follow its letter. Only ASCII is looked at, so no locale enters.
NumberScan scanNumber(const QString &text, qsizetype pos)
{
    NumberScan scan;
    const qsizetype n = text.size();
    qsizetype i = pos;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }

    std::string digits; // mantissa as from_chars wants it: no sign, no '+'
    const qsizetype intStart = i;
    while (i < n && isDigit(text[i]))
        digits.push_back(static_cast<char>(text[i++].unicode()));
    const qsizetype intDigits = i - intStart;

    qsizetype fracDigits = 0;
    std::string frac;
    if (i < n && text[i] == u'.') {
        qsizetype j = i + 1;
        while (j < n && isDigit(text[j]))
            frac.push_back(static_cast<char>(text[j++].unicode()));
        fracDigits = j - (i + 1);
        if (intDigits + fracDigits > 0)
            i = j;
    }
    if (intDigits + fracDigits == 0)
        return scan;

    // Exponent, saturated so that absurd ones cannot overflow the counter.
    qint64 exponent = 0;
    bool hasExponent = false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        bool expNegative = false;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) {
            expNegative = text[j] == u'-';
            ++j;
        }
        if (j < n && isDigit(text[j])) {
            hasExponent = true;
            while (j < n && isDigit(text[j])) {
                if (exponent < 1'000'000'000)
                    exponent = exponent * 10 + (text[j].unicode() - u'0');
                ++j;
            }
            if (expNegative)
                exponent = -exponent;
            i = j;
        }
    }

    scan.found = true;
    scan.end = i;

    // A mantissa of up to 15 digits and a power of ten up to 10^15 are exact doubles, so one
    // division rounds as from_chars would; frequencies always come this way, several per step.
    if (!hasExponent && intDigits + fracDigits <= 15) {
        std::uint64_t mantissa = 0;
        for (const char c : digits)
            mantissa = mantissa * 10 + std::uint64_t(c - '0');
        for (const char c : frac)
            mantissa = mantissa * 10 + std::uint64_t(c - '0');
        const double value = double(mantissa) / powersOfTen[fracDigits];
        scan.value = negative ? -value : value;
        return scan;
    }

    std::string ascii = digits.empty() ? std::string("0") : digits;
    if (!frac.empty())
        ascii += '.' + frac;
    if (hasExponent)
        ascii += 'e' + std::to_string(exponent);

    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value,
                                           std::chars_format::general);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Overflow or underflow: tell them apart by the decimal position of the first
        // significant digit.
        qint64 lead = 0;
        const auto firstInt = digits.find_first_not_of('0');
        if (firstInt != std::string::npos) {
            lead = static_cast<qint64>(digits.size() - firstInt) - 1;
        } else {
            const auto firstFrac = frac.find_first_not_of('0');
            lead = firstFrac == std::string::npos ? std::numeric_limits<qint64>::min() / 2
                                                  : -static_cast<qint64>(firstFrac) - 1;
        }
        if (lead + exponent > 0) {
            scan.overflow = true;
            value = std::numeric_limits<double>::max();
        } else {
            value = 0.0;
        }
    } else if (ec != std::errc()) {
        value = 0.0;
    }
    if (!std::isfinite(value)) { // cannot happen with digits only, but never let inf out
        scan.overflow = true;
        value = std::numeric_limits<double>::max();
    }
    scan.value = negative ? -value : value;
    return scan;
}

qsizetype skipBlanks(const QString &text, qsizetype pos)
{
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    return pos;
}

} // namespace

double leadingNumber(const QString &text)
{
    return leadingNumberIfAny(text).value_or(0.0);
}

std::optional<double> leadingNumberIfAny(const QString &text)
{
    const NumberScan scan = scanNumber(text, skipBlanks(text, 0));
    if (!scan.found)
        return std::nullopt;
    return scan.value;
}

std::optional<double> wholeNumber(const QString &text)
{
    const NumberScan scan = scanNumber(text, skipBlanks(text, 0));
    if (!scan.found || scan.overflow)
        return std::nullopt;
    if (skipBlanks(text, scan.end) != text.size())
        return std::nullopt;
    return scan.value;
}

std::optional<qint16> toInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    double rounded = std::floor(value);
    const double diff = value - rounded;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(rounded, 2.0) != 0.0))
        rounded += 1.0;
    if (rounded < std::numeric_limits<qint16>::min()
        || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

QString printForm(qint64 value)
{
    const QString digits = QString::number(value);
    return (value < 0 ? digits : QLatin1Char(' ') + digits) + QLatin1Char(' ');
}

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString takeField(QString &rest, bool *hadTab)
{
    const qsizetype tab = rest.indexOf(QLatin1Char('\t'));
    if (hadTab)
        *hadTab = tab >= 0;
    if (tab < 0) {
        QString field = rest;
        rest.clear();
        return field;
    }
    QString field = rest.left(tab);
    rest = trimSpaces(rest.mid(tab + 1));
    return field;
}

QString decodeLine(QByteArrayView bytes, bool *latin1)
{
    // Stateless: a sequence cut off at the end is an error too. A BOM here is text.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless
                                   | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    // Only UTF-8 when it goes back to the very same bytes.
    const bool utf8 = !decoder.hasError() && text.toUtf8() == bytes;
    if (!utf8)
        text = QString::fromLatin1(bytes);
    if (latin1)
        *latin1 = !utf8;
    return text;
}

QString decodeText(const QByteArray &bytes)
{
    const QByteArrayView body = withoutBom(bytes);
    QString text;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= body.size(); ++i) {
        if (i == body.size() || body[i] == '\r' || body[i] == '\n') {
            text += decodeLine(body.sliced(start, i - start));
            if (i < body.size())
                text += QLatin1Char(body[i]);
            start = i + 1;
        }
    }
    return text;
}

QList<QByteArray> fileLines(const QByteArray &bytes)
{
    return splitLines(withoutBom(bytes).toByteArray());
}

bool staysLatin1(const QString &line)
{
    for (const QChar c : line) {
        if (c.unicode() > 0xFF)
            return false;
    }
    bool latin1 = false;
    decodeLine(line.toLatin1(), &latin1);
    return latin1;
}

QByteArray encodeLine(const QString &line, bool latin1)
{
    return latin1 && staysLatin1(line) ? line.toLatin1() : line.toUtf8();
}

QByteArray keepLeadingBom(const QByteArray &bytes)
{
    return bytes.startsWith(bom) ? bom + bytes : bytes;
}

bool blankOnly(QStringView text)
{
    return std::all_of(text.begin(), text.end(), isBlank);
}

QByteArray encodeText(const QString &text, bool latin1)
{
    if (latin1) {
        bool fits = true;
        for (const QChar c : text) {
            if (c.unicode() > 0xFF) {
                fits = false;
                break;
            }
        }
        if (fits)
            return text.toLatin1();
    }
    return text.toUtf8();
}

QList<QByteArray> splitLines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.append(bytes.mid(start, i - start));
            if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines.append(bytes.mid(start));
    return lines;
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

} // namespace ze
