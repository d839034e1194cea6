#include "scan/ActivityLog.h"

#include "core/Station.h"
#include "receiver/Tuning.h"
#include "storage/TextFields.h"

#include <QFile>

namespace ze {

namespace {

constexpr QLatin1String logFileName("logging.txt");

// Opens, appends one line and closes, so the viewer can read the file at any time. Scanning goes
// on when the log cannot be written; the status bar says so until a line gets through again.
void appendLine(Station &station, const QString &line)
{
    QFile file(station.filePath(logFileName));
    const QByteArray bytes = encodeText(line, false);
    // Unbuffered, so a short write (a full disk) shows at the write itself.
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    if (ok)
        ok = file.write(bytes) == bytes.size();
    if (ok)
        ok = file.flush();
    const QString reason = file.errorString();
    file.close();
    if (!ok) {
        station.setLogProblem(true);
        station.panel().showNotice(
                QStringLiteral("The log \"%1\" could not be written: %2").arg(logFileName, reason));
    } else if (station.logProblem()) {
        station.setLogProblem(false);
        station.panel().showNotice(QString());
    }
}

QString lineStart(Station &station, const QString &frequency, int level)
{
    return logTimestamp(station.clock().localNow()) + QLatin1Char('\t')
            + logFrequencyField(frequency) + QLatin1Char('\t') + printForm(level)
            + QLatin1Char('\t');
}

} // namespace

QString logTimestamp(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString logFrequencyField(const QString &frequency)
{
    const QString trimmed = frequency.trimmed();
    if (trimmed.size() > 10)
        return trimmed.left(10);
    return trimmed.leftJustified(10, QLatin1Char(' '));
}

void WriteChannelLogLine(Station &station, int level)
{
    ProgramState &state = station.state();
    const double channel = leadingNumber(station.panel().display().channelText());
    if (!Banks::validBank(state.currentBank) || channel < 0 || channel >= Banks::channelCount)
        return;
    const ChannelRecord &r = state.banks(state.currentBank, static_cast<int>(channel));
    if (r.Frequency == state.lastLoggedFrequency || level < 1)
        return;
    const QString line = lineStart(station, r.Frequency, level) + r.Mode + QLatin1Char('\t')
            + r.Description + QStringLiteral("\r\n");
    state.lastLoggedFrequency = r.Frequency;
    appendLine(station, line);
}

void WriteSearchLogLine(Station &station, int level)
{
    ProgramState &state = station.state();
    if (state.searchFrequency == state.lastLoggedFrequency || level < 1)
        return;
    QString mode;
    for (int i = 0; i < modeLetters.size(); ++i) {
        if (station.panel().display().modeLit(i)) {
            mode = modeLetters.at(i);
            break;
        }
    }
    const QString line = lineStart(station, state.searchFrequency, level) + mode + QLatin1Char('\t')
            + QStringLiteral("\r\n");
    state.lastLoggedFrequency = state.searchFrequency;
    appendLine(station, line);
}

} // namespace ze
