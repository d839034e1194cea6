#include "storage/CsvFile.h"

#include "core/Frequency.h"
#include "core/ReceiverCommand.h"
#include "core/TextFields.h"
#include "storage/DataFile.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace ze {

namespace {

QStringList bankFieldColumns()
{
    return {"Bank", "Channel", "Mode", "Frequency", "Spare", "ATT", "LockOut", "Description"};
}
// The description goes into Name, which every tool reads; Comment is there for the tools that
// want it and stays empty.
QStringList channelListColumns()
{
    return {"Location", "Name", "Frequency", "Mode", "Skip", "ATT", "Comment"};
}

// Channel-list mode names by the receiver's letters; that layout's FM is our narrow FM.
struct ModeName
{
    QLatin1String name;
    QChar letter;
};
const ModeName modeNames[] {{QLatin1String("FM"), u'N'},  {QLatin1String("NFM"), u'N'},
                            {QLatin1String("WFM"), u'W'}, {QLatin1String("AM"), u'A'},
                            {QLatin1String("LSB"), u'L'}, {QLatin1String("USB"), u'U'},
                            {QLatin1String("CW"), u'C'}};

// A letter the receiver lacks goes out as it is, and is refused when read back.
QString modeName(const QString &letter)
{
    for (const ModeName &known : modeNames) {
        if (letter == known.letter)
            return known.name;
    }
    return letter;
}

constexpr double lowestFrequency = 0.1;
constexpr double highestFrequency = 2036.0;

// A channel list's frequency: a decimal number with at most six decimals, a comma taken for the
// point; nothing when it is no number at all.
std::optional<QString> listFrequency(const QString &frequency)
{
    const QString text = trimSpaces(frequency);
    QString plain = text;
    plain.replace(u',', u'.');
    const std::optional<double> value = wholeNumber(plain);
    if (!value || *value <= 0)
        return std::nullopt;
    const qsizetype point = text.indexOf(u'.');
    const bool decimal = std::all_of(text.begin(), text.end(),
                                     [](QChar c) { return c.isDigit() || c == u'.'; })
            && text.count(u'.') <= 1;
    if (decimal && (point < 0 || text.size() - point - 1 <= 6))
        return text;
    return FormatFrequency(std::round(*value * 1e6) / 1e6);
}

bool needsQuotes(const QString &field)
{
    if (field.isEmpty())
        return false;
    // Spaces at either end are dropped by many readers unless quoted.
    if (field.front() == u' ' || field.back() == u' ')
        return true;
    return std::any_of(field.begin(), field.end(),
                       [](QChar c) { return c == u',' || c == u'"' || c == u'\r' || c == u'\n'; });
}

// Each column's position in the first row, -1 when it is not there.
QVector<int> columnsOf(const QStringList &header, const QStringList &names)
{
    QVector<int> at(names.size(), -1);
    for (int n = 0; n < names.size(); ++n) {
        for (int i = 0; i < header.size() && at[n] < 0; ++i) {
            if (header[i].trimmed().compare(names[n], Qt::CaseInsensitive) == 0)
                at[n] = i;
        }
    }
    return at;
}

QString cell(const CsvRow &row, int column)
{
    return column >= 0 ? row.fields.value(column) : QString();
}

std::optional<int> wholeIn(const QString &text, int lowest, int highest)
{
    const std::optional<double> value = wholeNumber(text);
    if (!value || *value != std::floor(*value) || *value < lowest || *value > highest)
        return std::nullopt;
    return static_cast<int>(*value);
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// A cell as a reason quotes it: trimmed, and cut so that a long one cannot flood the message.
QString shown(const QString &cellText)
{
    constexpr int longest = 40;
    const QString text = cellText.trimmed();
    return quoted(text.size() > longest ? text.left(longest) + QStringLiteral("...") : text);
}

// A row of the channel-list layout into out; the reason when it is refused.
QString fromChannelList(const CsvRow &row, const QVector<int> &at, CsvChannel &out)
{
    enum { Location, Name, Frequency, Mode, Skip, Att, Comment };
    const QString location = cell(row, at[Location]);
    const std::optional<int> slot = wholeIn(location, 0, 399);
    if (location.trimmed().isEmpty())
        return QStringLiteral("no Location");
    if (!slot)
        return QStringLiteral("Location %1 is not a whole number from 0 to 399")
                .arg(shown(location));
    const QString frequencyText = cell(row, at[Frequency]).trimmed();
    // Spreadsheets in many languages write a decimal comma.
    const std::optional<double> frequency = wholeNumber(
            frequencyText.contains(u'.') ? frequencyText
                                         : QString(frequencyText).replace(u',', u'.'));
    if (frequencyText.isEmpty())
        return QStringLiteral("no Frequency");
    if (!frequency)
        return QStringLiteral("Frequency %1 is not a number").arg(shown(frequencyText));
    if (*frequency < lowestFrequency || *frequency > highestFrequency)
        return QStringLiteral("Frequency %1 is outside 0.1 to 2036 MHz").arg(shown(frequencyText));
    const QString mode = cell(row, at[Mode]).trimmed();
    QString letter = mode.isEmpty() ? QStringLiteral("N") : QString();
    for (const ModeName &known : modeNames) {
        if (mode.compare(known.name, Qt::CaseInsensitive) == 0)
            letter = known.letter;
    }
    if (letter.isEmpty())
        return QStringLiteral("mode %1 is not FM, NFM, WFM, AM, LSB, USB or CW").arg(shown(mode));

    out.bank = *slot / 100 + 1;
    out.channel = *slot % 100;
    ChannelRecord &r = out.record;
    r.Frequency = FormatFrequency(*frequency);
    r.Mode = letter;
    const QString name = recordText(cell(row, at[Name]));
    r.Description = name.isEmpty() ? recordText(cell(row, at[Comment])) : name;
    r.LockOut = cell(row, at[Skip]).trimmed().compare(QLatin1String("S"), Qt::CaseInsensitive) == 0;
    r.ATT = wholeNumber(cell(row, at[Att])).value_or(0) != 0;
    return QString();
}

// A row of the bank-field layout into out; the reason when it is refused.
QString fromBankFields(const CsvRow &row, const QVector<int> &at, CsvChannel &out)
{
    enum { Bank, Channel, Mode, Frequency, Spare, Att, LockOut, Description };
    const QString bank = cell(row, at[Bank]);
    const QString channel = cell(row, at[Channel]);
    const std::optional<int> bankNumber = wholeIn(bank, 1, Banks::bankCount);
    const std::optional<int> channelNumber = wholeIn(channel, 0, Banks::channelCount - 1);
    if (!bankNumber)
        return QStringLiteral("Bank %1 is not 1 to 4").arg(shown(bank));
    if (!channelNumber)
        return QStringLiteral("Channel %1 is not 0 to 99").arg(shown(channel));
    ChannelRecord &r = out.record;
    r.Frequency = cell(row, at[Frequency]);
    if (r.isEmpty())
        return QStringLiteral("no Frequency");
    // Nothing but a frequency and a mode the receiver takes may become a tuning command.
    const QString problem = frequencyProblem(r.Frequency);
    if (!problem.isEmpty())
        return QStringLiteral("Frequency %1 is no good: %2").arg(shown(r.Frequency), problem);
    const QString mode = cell(row, at[Mode]);
    if (!isModeText(mode, true))
        return QStringLiteral("mode %1 is not N, W, A, L, U, C or empty").arg(shown(mode));
    const std::pair<int, qint16 *> numbers[] {
            {Spare, &r.Spare}, {Att, &r.ATT}, {LockOut, &r.LockOut}};
    for (const auto &[column, value] : numbers) {
        const QString text = cell(row, at[column]);
        const std::optional<qint16> number = text.trimmed().isEmpty()
                ? qint16 {0}
                : toInt16(wholeNumber(text).value_or(std::numeric_limits<double>::quiet_NaN()));
        if (!number)
            return QStringLiteral("%1 %2 is not a number from -32768 to 32767")
                    .arg(bankFieldColumns().at(column), shown(text));
        *value = *number;
    }
    out.bank = *bankNumber;
    out.channel = *channelNumber;
    r.Mode = mode;
    r.Description = recordText(cell(row, at[Description]));
    return QString();
}

bool blankRow(const CsvRow &row)
{
    return std::all_of(row.fields.begin(), row.fields.end(),
                       [](const QString &field) { return field.trimmed().isEmpty(); });
}

} // namespace

void readCsv(QStringView text, const std::function<void(const CsvRow &)> &take, QChar separator)
{
    enum class State { FieldStart, Plain, Quoted, AfterQuote };
    State state = State::FieldStart;
    CsvRow row;
    QString field;
    bool any = false; // the row holds a character: a blank line is no row
    int line = 1;
    auto endField = [&] {
        if (row.fields.size() < maxCsvFields)
            row.fields.append(field);
        field.clear();
        state = State::FieldStart;
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        const bool lineEnd = c == u'\r' || c == u'\n';
        const bool crlf = c == u'\r' && i + 1 < n && text[i + 1] == u'\n';
        if (state == State::Quoted) {
            if (c != u'"') {
                field += c;
                if (crlf)
                    field += text[++i];
                line += lineEnd;
            } else if (i + 1 < n && text[i + 1] == u'"') {
                field += text[++i];
            } else {
                state = State::AfterQuote;
            }
        } else if (lineEnd) {
            i += crlf;
            ++line;
            endField();
            if (any)
                take(row);
            row = CsvRow();
            row.line = line;
            any = false;
        } else if (c == u'#' && !any) {
            // A comment line: passed over to its end.
            while (i + 1 < n && text[i + 1] != u'\r' && text[i + 1] != u'\n')
                ++i;
        } else {
            any = true;
            if (c == separator) {
                endField();
            } else if (c == u'"' && state == State::FieldStart) {
                state = State::Quoted;
            } else {
                field += c;
                state = State::Plain;
            }
        }
    }
    row.unclosed = state == State::Quoted;
    if (any) {
        endField();
        take(row);
    }
}

QString csvLine(const QStringList &fields)
{
    // A lone empty field would make a blank line, which is no row.
    if (fields.size() == 1 && fields[0].isEmpty())
        return QStringLiteral("\"\"");
    QStringList out;
    for (const QString &field : fields)
        out << (needsQuotes(field) ? quoted(QString(field).replace(u'"', QLatin1String("\"\"")))
                                   : field);
    return out.join(u',');
}

CsvImport parseChannelCsv(const QByteArray &bytes)
{
    CsvImport result;
    bool headerSeen = false;
    QVector<int> at;
    std::array<int, std::size_t {Banks::bankCount} * Banks::channelCount> firstLine {};
    auto refuse = [&result](int line, const QString &reason) {
        if (result.refused.size() < maxListedRefusals)
            result.refused.append({line, reason});
        ++result.refusedCount;
    };
    const QString text = decodeCsv(bytes);
    readCsv(
            text,
            [&](const CsvRow &row) {
                if (!headerSeen) {
                    headerSeen = true;
                    const QVector<int> list = columnsOf(row.fields, channelListColumns());
                    const QVector<int> fields = columnsOf(row.fields, bankFieldColumns());
                    if (fields[0] >= 0 && fields[1] >= 0 && fields[3] >= 0) {
                        result.layout = CsvLayout::BankFields;
                        at = fields;
                    } else if (list[0] >= 0 && list[2] >= 0) {
                        at = list;
                    } else {
                        result.error = QStringLiteral(
                                "The first line does not name the columns Location and Frequency "
                                "(a "
                                "channel list) nor Bank, Channel and Frequency (bank fields).");
                    }
                    return;
                }
                if (at.isEmpty())
                    return;
                if (row.unclosed) {
                    refuse(row.line, QStringLiteral("a quoted field is not closed"));
                    return;
                }
                if (blankRow(row))
                    return;
                CsvChannel channel;
                const QString reason = result.layout == CsvLayout::BankFields
                        ? fromBankFields(row, at, channel)
                        : fromChannelList(row, at, channel);
                if (!reason.isEmpty()) {
                    refuse(row.line, reason);
                    return;
                }
                int &first = firstLine[std::size_t(channel.bank - 1) * Banks::channelCount
                                       + std::size_t(channel.channel)];
                if (first > 0) {
                    refuse(row.line,
                           QStringLiteral("bank %1 channel %2 was given on line %3 already")
                                   .arg(channel.bank)
                                   .arg(channel.channel)
                                   .arg(first));
                    return;
                }
                first = row.line;
                result.channels.append(channel);
            },
            csvSeparator(text));
    if (!headerSeen)
        result.error = QStringLiteral("The file is empty.");
    return result;
}

CsvImport readChannelCsv(const QString &path)
{
    QByteArray bytes;
    QString error;
    if (!readDataFile(path, bytes, &error)) {
        CsvImport result;
        result.error = error;
        return result;
    }
    return parseChannelCsv(bytes);
}

CsvExport channelCsv(const Banks &banks, CsvLayout layout)
{
    const bool list = layout == CsvLayout::ChannelList;
    const QLatin1String end("\r\n");
    CsvExport out;
    QString text = csvLine(list ? channelListColumns() : bankFieldColumns()) + end;
    for (int bank = 1; bank <= Banks::bankCount; ++bank) {
        for (int channel = 0; channel < Banks::channelCount; ++channel) {
            const ChannelRecord &r = banks(bank, channel);
            if (r.isEmpty())
                continue;
            if (!list) {
                text += csvLine({QString::number(bank), QString::number(channel), r.Mode,
                                 r.Frequency, QString::number(r.Spare), QString::number(r.ATT),
                                 QString::number(r.LockOut), r.Description})
                        + end;
                continue;
            }
            const std::optional<QString> frequency = listFrequency(r.Frequency);
            if (!frequency) {
                ++out.leftOut;
                continue;
            }
            const QString mode = modeName(r.Mode);
            out.changed += *frequency != trimSpaces(r.Frequency) || mode.isEmpty();
            text += csvLine({QString::number((bank - 1) * 100 + channel), r.Description, *frequency,
                             mode.isEmpty() ? QStringLiteral("FM") : mode,
                             r.LockOut ? QStringLiteral("S") : QString(),
                             QString::number(r.ATT ? 1 : 0), QString()})
                    + end;
        }
    }
    out.bytes = text.toUtf8();
    return out;
}

QChar csvSeparator(QStringView text)
{
    // The first record that is no comment and not blank.
    QStringView header;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype stop = start;
        while (stop < text.size() && text[stop] != u'\r' && text[stop] != u'\n')
            ++stop;
        const QStringView line = text.mid(start, stop - start);
        start = stop + 1;
        if (!line.trimmed().isEmpty() && !line.startsWith(u'#')) {
            header = line;
            break;
        }
    }
    for (const QChar separator : {u',', u';', u'\t'}) {
        QStringList names;
        readCsv(
                header, [&names](const CsvRow &row) { names = row.fields; }, separator);
        const QVector<int> list = columnsOf(names, channelListColumns());
        const QVector<int> fields = columnsOf(names, bankFieldColumns());
        if (names.size() > 1 && (list.at(2) >= 0 || fields.at(3) >= 0))
            return separator;
    }
    return u',';
}

QString decodeCsv(const QByteArray &bytes)
{
    QStringDecoder cp1252("windows-1252");
    const QByteArrayView body = bytes.startsWith("\xEF\xBB\xBF") ? QByteArrayView(bytes).sliced(3)
                                                                 : QByteArrayView(bytes);
    QString text;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= body.size(); ++i) {
        if (i < body.size() && body[i] != '\r' && body[i] != '\n')
            continue;
        const QByteArrayView line = body.sliced(start, i - start);
        bool notUtf8 = false;
        const QString utf8 = decodeLine(line, &notUtf8);
        // Without a converter for it the bytes stay Latin-1, every one of them kept.
        text += notUtf8 && cp1252.isValid() ? cp1252.decode(line) : utf8;
        if (i < body.size())
            text += QLatin1Char(body[i]);
        start = i + 1;
    }
    return text;
}

} // namespace ze
