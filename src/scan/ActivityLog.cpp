#include "scan/ActivityLog.h"

#include "core/Station.h"
#include "receiver/Tuning.h"
#include "storage/TextFields.h"

#include <QFile>
#include <QFileInfo>

namespace ze {

namespace {

constexpr QLatin1String logFileName("logging.txt");

// Appends the bytes: the empty text when they all got there, else why not.
QString appendBytes(const QString &path, const QByteArray &bytes)
{
    // Opening a FIFO for writing waits for a reader, and the loop with it.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return QStringLiteral("It is not a plain file.");
    QFile file(path);
    // Unbuffered, so a short write (a full disk) shows at the write itself.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return file.errorString();
    const qint64 whole = file.size();
    for (qint64 written = 0; written < bytes.size();) {
        // After a short write the next one fails and tells why.
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            QString reason = file.errorString();
            // A cut-off line would have the next one glued to it: only whole lines stay.
            file.resize(whole);
            return reason;
        }
        written += n;
    }
    return {};
}

// Opens, appends one line and closes, so the viewer can read the file at any time. Scanning goes
// on when the log cannot be written; the status bar says so until a line gets through again.
void appendLine(Station &station, const QString &line)
{
    const QString reason = appendBytes(station.filePath(logFileName), encodeText(line, false));
    if (!reason.isEmpty()) {
        station.setLogProblem(true);
        station.panel().showNotice(
                NoticeSource::ActivityLog,
                QStringLiteral("The log \"%1\" could not be written: %2").arg(logFileName, reason));
    } else if (station.logProblem()) {
        station.setLogProblem(false);
        station.panel().showNotice(NoticeSource::ActivityLog, QString());
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
