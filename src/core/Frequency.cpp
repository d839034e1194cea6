#include "core/Frequency.h"

#include "core/TextFields.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ze {

namespace {

// At most 15 significant digits, fixed point, no trailing zeros after the point.
QString fifteenDigits(double x)
{
    if (!std::isfinite(x))
        return QStringLiteral("0");
    const int magnitude = x == 0.0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(x))));
    const int decimals = std::max(0, 14 - magnitude);
    QString text = QString::number(x, 'f', std::min(decimals, 300));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

constexpr QLatin1String levelLetters("ABCDEFGHIJKLMNOP");

} // namespace

QString FormatFrequency(double megahertz)
{
    QString text = fifteenDigits(megahertz);
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0)
        return text + QStringLiteral(".0000");
    const qsizetype decimals = text.size() - point - 1;
    if (decimals < 4)
        text += QString(4 - decimals, QLatin1Char('0'));
    return text;
}

QString displayFrequency(const QString &frequencyText)
{
    QString text = fifteenDigits(leadingNumber(frequencyText));
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QLatin1String("-0.")))
        text.remove(1, 1);
    if (!text.contains(QLatin1Char('.')))
        text += QStringLiteral(".0000");
    else
        text += QStringLiteral("0000");
    return text.left(text.indexOf(QLatin1Char('.')) + 5);
}

QString frequencyTextFromHz(qint64 hz)
{
    // Whole hundreds of hertz are exact in a double divided by 10^4.
    const qint64 hundreds = (hz >= 0 ? hz + 50 : hz - 50) / 100;
    return FormatFrequency(static_cast<double>(hundreds) / 1e4);
}

qint64 hzFromFrequencyText(const QString &frequencyText)
{
    const double megahertz = leadingNumber(frequencyText);
    // Far beyond any frequency; keeps the conversion defined.
    if (std::fabs(megahertz) > 1e9)
        return 0;
    return std::llround(megahertz * 1e6);
}

int levelFromReply(const QString &reply)
{
    if (reply.isEmpty())
        return 0;
    const qsizetype index = levelLetters.indexOf(reply.at(0));
    return index < 0 ? 0 : int(index);
}

int squelchThreshold(int sliderValue)
{
    return std::abs(sliderValue - 12);
}

} // namespace ze
