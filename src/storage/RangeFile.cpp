#include "storage/RangeFile.h"

#include "core/ReceiverCommand.h"
#include "core/Station.h"
#include "core/TextFields.h"
#include "storage/DataFile.h"

#include <QFileInfo>

namespace ze {

namespace {

constexpr QLatin1String rangeFileName("range.rng");

// See the bank file: TABs and line breaks inside a text would break the line apart.
QString fieldText(const QString &text, bool keepTabs)
{
    QString out = text;
    for (QChar &c : out) {
        if (c == u'\r' || c == u'\n' || (!keepTabs && c == u'\t'))
            c = u' ';
    }
    return out;
}

} // namespace

QString rangeProblem(const QString &from, const QString &to, const QString &step)
{
    const QString fromProblem = frequencyProblem(from);
    if (!fromProblem.isEmpty())
        return QStringLiteral("\"Frequency\" %1 is no good: %2.").arg(from.trimmed(), fromProblem);
    const QString toProblem = frequencyProblem(to);
    if (!toProblem.isEmpty())
        return QStringLiteral("\"to\" %1 is no good: %2.").arg(to.trimmed(), toProblem);
    if (leadingNumber(from) >= leadingNumber(to))
        return QStringLiteral("\"to\" must be above \"Frequency\".");
    const std::optional<double> size = wholeNumber(step);
    if (!size || *size <= 0)
        return QStringLiteral("the step must be a number of megahertz above 0, such as 0.0125.");
    return QString();
}

void clearRanges(Ranges &ranges)
{
    for (int i = 0; i < Ranges::count; ++i)
        ranges[i] = RangeRecord();
}

RangeLoadResult readRangeFile(const QString &path, Ranges &ranges)
{
    RangeLoadResult result;
    clearRanges(ranges);
    // No file is simply no ranges.
    if (!QFileInfo::exists(path))
        return result;

    QByteArray bytes;
    if (!readDataFile(path, bytes, &result.error))
        return result;
    result.found = true;

    int index = 0;
    for (const QByteArray &line : fileLines(bytes)) {
        bool latin1 = false;
        QString rest = decodeLine(line, &latin1);
        QString fields[5];
        bool complete = true;
        for (int i = 0; i < 4 && complete; ++i)
            fields[i] = takeField(rest, &complete);
        if (!complete) {
            ++result.linesSkipped;
            continue;
        }
        if (index >= Ranges::count) {
            ++result.linesIgnored;
            continue;
        }
        RangeRecord &range = ranges[index++];
        range.From = fields[0];
        range.To = fields[1];
        range.Mode = fields[2];
        range.Step = fields[3];
        range.Description = rest;
        // As for a channel: saved as it came, unless its Latin-1 would read back as UTF-8.
        range.latin1 = latin1 && staysLatin1(rangeFileLine(range));
        ++result.linesRead;
    }
    return result;
}

QString rangeFileLine(const RangeRecord &range)
{
    const QLatin1Char tab('\t');
    return fieldText(range.From, false) + tab + fieldText(range.To, false) + tab
            + fieldText(range.Mode, false) + tab + fieldText(range.Step, false) + tab
            + fieldText(range.Description, true);
}

SaveResult writeRangeFile(const QString &path, const Ranges &ranges)
{
    QByteArray bytes;
    for (int i = 0; i < Ranges::count; ++i) {
        if (ranges[i].isEmpty())
            continue;
        bytes += encodeLine(rangeFileLine(ranges[i]), ranges[i].latin1);
        bytes += "\r\n";
    }
    // A From may start with U+FEFF.
    return saveFileAtomically(path, keepLeadingBom(bytes));
}

void ClearRanges(Station &station)
{
    clearRanges(station.state().ranges);
}

RangeLoadResult LoadRangeFile(Station &station)
{
    ClearRanges(station);
    RangeLoadResult result = readRangeFile(station.filePath(rangeFileName), station.state().ranges);
    FillRangeLists(station);
    if (station.hasViews()) {
        const int passedOver = result.linesSkipped + result.linesIgnored;
        // A missing file is no fault; only one that is there but cannot be read is told.
        if (!result.found && !result.error.isEmpty()) {
            station.status().showNotice(
                    NoticeSource::RangeFile,
                    QStringLiteral("The range file \"%1\" could not be read: %2")
                            .arg(rangeFileName, result.error));
        } else if (passedOver > 0) {
            station.status().showNotice(
                    NoticeSource::RangeFile,
                    passedOver == 1
                            ? QStringLiteral("1 line of \"%1\" was passed over").arg(rangeFileName)
                            : QStringLiteral("%1 lines of \"%2\" were passed over")
                                      .arg(passedOver)
                                      .arg(rangeFileName));
        } else {
            station.status().showNotice(NoticeSource::RangeFile, QString());
        }
    }
    return result;
}

SaveResult SaveRangeFile(Station &station)
{
    SaveResult result = writeRangeFile(station.filePath(rangeFileName), station.state().ranges);
    if (!result.ok && station.hasViews())
        station.dialogs().reportError(QStringLiteral("The range file \"%1\" could not be saved: %2")
                                              .arg(rangeFileName, result.error));
    return result;
}

void FillRangeLists(Station &station)
{
    if (!station.hasViews())
        return;
    ItemList &editorList = station.shell().editorRangeList();
    ItemList &mainList = station.shell().mainRangeList();
    editorList.clearItems();
    mainList.clearItems();
    const Ranges &ranges = station.state().ranges;
    for (int i = 0; i < Ranges::count; ++i) {
        const RangeRecord &range = ranges[i];
        if (range.isEmpty() || blankOnly(range.To))
            continue;
        editorList.addItem(range.Description, i);
        mainList.addItem(range.Description, i);
    }
}

} // namespace ze
