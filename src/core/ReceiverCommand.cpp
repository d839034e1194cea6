#include "core/ReceiverCommand.h"

#include "core/Frequency.h"
#include "core/TextFields.h"

#include <algorithm>

namespace ze {

namespace {

constexpr int maxFrequencyLength = 20;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits with at most one point and at least one digit.
bool decimalSyntax(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > maxFrequencyLength)
        return false;
    int points = 0;
    int digits = 0;
    for (const char c : text) {
        if (c == '.')
            ++points;
        else if (isDigit(c))
            ++digits;
        else
            return false;
    }
    return points <= 1 && digits > 0;
}

bool inSpan(const QByteArray &text)
{
    const double megahertz = leadingNumber(QString::fromLatin1(text));
    return megahertz >= lowestMegahertz && megahertz <= highestMegahertz;
}

bool frequencyBytes(const QString &frequency, QByteArray &out)
{
    const QString trimmed = frequency.trimmed();
    // Anything beyond ASCII is refused before it is turned into bytes.
    if (std::any_of(trimmed.begin(), trimmed.end(), [](QChar c) { return c.unicode() > 0x7f; }))
        return false;
    out = trimmed.toLatin1();
    return decimalSyntax(out) && inSpan(out);
}

bool modeBytes(const QString &mode, bool emptyAllowed, QByteArray &out)
{
    if (!isModeText(mode, emptyAllowed))
        return false;
    out = mode.trimmed().toLatin1();
    return true;
}

char attenuatorLetter(bool on)
{
    return on ? 'R' : 'T';
}

bool isModeLetter(char c)
{
    return c != 0 && QByteArrayView("NWALUC").contains(c);
}

// A frequency at the start of line: where it ends, or -1 when there is none.
qsizetype frequencyEnd(const QByteArray &line, qsizetype from)
{
    qsizetype end = from;
    while (end < line.size() && (isDigit(line[end]) || line[end] == '.'))
        ++end;
    const QByteArray text = line.mid(from, end - from);
    return decimalSyntax(text) && inSpan(text) ? end : -1;
}

bool numberIn(const QByteArray &text, int lowest, int highest)
{
    if (text.isEmpty() || text.size() > 3 || !std::all_of(text.begin(), text.end(), isDigit)
        || (text.size() > 1 && text[0] == '0'))
        return false;
    const int value = text.toInt();
    return value >= lowest && value <= highest;
}

// After a frequency: "", mode, mode+att, att alone, att+mode.
bool tuningTail(const QByteArray &tail)
{
    if (tail.isEmpty())
        return true;
    if (tail.size() == 1)
        return isModeLetter(tail[0]) || tail[0] == 'R' || tail[0] == 'T';
    if (tail.size() != 2)
        return false;
    const bool att0 = tail[0] == 'R' || tail[0] == 'T';
    const bool att1 = tail[1] == 'R' || tail[1] == 'T';
    return (isModeLetter(tail[0]) && att1) || (att0 && isModeLetter(tail[1]));
}

} // namespace

QString frequencyProblem(const QString &frequency)
{
    QByteArray bytes;
    if (frequencyBytes(frequency, bytes))
        return QString();
    const QString trimmed = frequency.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("there is no frequency");
    if (!decimalSyntax(trimmed.toLatin1())
        || std::any_of(trimmed.begin(), trimmed.end(), [](QChar c) { return c.unicode() > 0x7f; }))
        return QStringLiteral("a frequency is a number of megahertz with a point, such as "
                              "145.5000");
    return QStringLiteral("the receiver tunes from 0.1 to 2036 MHz");
}

QString tuningProblem(const QString &frequency, const QString &mode)
{
    const QString problem = frequencyProblem(frequency);
    if (!problem.isEmpty())
        return QStringLiteral("its frequency \"%1\" is no good: %2")
                .arg(frequency.trimmed(), problem);
    if (!isModeText(mode, true))
        return QStringLiteral("its mode \"%1\" is not one of N, W, A, L, U, C").arg(mode.trimmed());
    return QString();
}

bool isModeText(const QString &mode, bool emptyAllowed)
{
    const QString trimmed = mode.trimmed();
    if (trimmed.isEmpty())
        return emptyAllowed;
    return trimmed.size() == 1 && modeLetters.contains(trimmed.at(0));
}

std::optional<ReceiverCommand> ReceiverCommand::frequency(const QString &frequency)
{
    QByteArray f;
    if (!frequencyBytes(frequency, f))
        return std::nullopt;
    return ReceiverCommand(f);
}

std::optional<ReceiverCommand> ReceiverCommand::search(const QString &frequency,
                                                       const QString &mode)
{
    QByteArray f;
    QByteArray m;
    if (!frequencyBytes(frequency, f) || !modeBytes(mode, true, m))
        return std::nullopt;
    return ReceiverCommand(f + m);
}

std::optional<ReceiverCommand> ReceiverCommand::channel(const QString &frequency,
                                                        const QString &mode, bool attenuator)
{
    QByteArray f;
    QByteArray m;
    if (!frequencyBytes(frequency, f) || !modeBytes(mode, true, m))
        return std::nullopt;
    return ReceiverCommand(f + m + attenuatorLetter(attenuator));
}

std::optional<ReceiverCommand> ReceiverCommand::keypad(const QString &frequency, bool attenuator,
                                                       const QString &mode)
{
    QByteArray f;
    QByteArray m;
    if (!frequencyBytes(frequency, f) || !modeBytes(mode, false, m))
        return std::nullopt;
    return ReceiverCommand(f + attenuatorLetter(attenuator) + m);
}

std::optional<ReceiverCommand> ReceiverCommand::selectBank(int bank)
{
    if (bank < 1 || bank > 4)
        return std::nullopt;
    return ReceiverCommand(QByteArray::number(bank) + 'X');
}

std::optional<ReceiverCommand> ReceiverCommand::readChannel(int channel)
{
    if (channel < 0 || channel > 99)
        return std::nullopt;
    return ReceiverCommand(' ' + QByteArray::number(channel) + 'Z');
}

std::optional<ReceiverCommand> ReceiverCommand::storeChannel(int channel, const QString &frequency,
                                                             const QString &mode, bool attenuator)
{
    QByteArray f;
    QByteArray m;
    if (channel < 0 || channel > 99 || !frequencyBytes(frequency, f) || !modeBytes(mode, true, m))
        return std::nullopt;
    return ReceiverCommand(QByteArray::number(channel) + 'M' + f + m
                           + attenuatorLetter(attenuator));
}

bool isReceiverCommand(const QByteArray &line)
{
    if (line == "Y" || line == "F" || line == "E")
        return true;
    if (line.size() == 2 && line[1] == 'X')
        return numberIn(line.left(1), 1, 4);
    if (line.startsWith(' ') && line.endsWith('Z'))
        return numberIn(line.mid(1, line.size() - 2), 0, 99);
    const qsizetype store = line.indexOf('M');
    if (store > 0 && numberIn(line.left(store), 0, 99)) {
        const qsizetype end = frequencyEnd(line, store + 1);
        if (end < 0)
            return false;
        const QByteArray tail = line.mid(end);
        // A mode (or none), then the attenuator.
        return (tail.size() == 1 && (tail[0] == 'R' || tail[0] == 'T'))
                || (tail.size() == 2 && isModeLetter(tail[0])
                    && (tail[1] == 'R' || tail[1] == 'T'));
    }
    const qsizetype end = frequencyEnd(line, 0);
    return end > 0 && tuningTail(line.mid(end));
}

} // namespace ze
