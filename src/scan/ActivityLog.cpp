#include "scan/ActivityLog.h"

#include "core/Frequency.h"
#include "core/Station.h"
#include "core/TextFields.h"
#include "storage/LogFile.h"

namespace ze {

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

ActivityLog::ActivityLog(Station &station, QObject *parent)
    : QObject(parent)
    , m_station(station)
{
    connect(&station.events(), &StationEvents::sampled, this, &ActivityLog::sampled);
}

void ActivityLog::sampled(int level, bool present)
{
    if (!m_station.hasViews() || !m_station.choices().writeToLogfile())
        return;
    const int mode = m_station.state().operatingMode;
    if (present && (mode == ModeScanning || mode == ModeScanStart))
        WriteChannelLogLine(level);
    if (mode == ModeSearching || mode == ModeSearchStart)
        WriteSearchLogLine(level);
}

void ActivityLog::appendLine(const QString &line)
{
    const QString reason
            = LogFile(m_station.workingDirectory().path()).append(encodeText(line, false));
    if (!reason.isEmpty()) {
        m_problem = true;
        m_station.notify(NoticeSource::ActivityLog,
                         QStringLiteral("The log \"%1\" could not be written: %2")
                                 .arg(LogFile::fileName, reason));
    } else if (m_problem) {
        m_problem = false;
        m_station.notify(NoticeSource::ActivityLog, QString());
    }
}

QString ActivityLog::lineStart(const QString &frequency, int level) const
{
    return logTimestamp(m_station.clock().localNow()) + QLatin1Char('\t')
            + logFrequencyField(frequency) + QLatin1Char('\t') + printForm(level)
            + QLatin1Char('\t');
}

void ActivityLog::WriteChannelLogLine(int level)
{
    ProgramState &state = m_station.state();
    const double channel = leadingNumber(m_station.display().channelText());
    if (!Banks::validBank(state.currentBank) || channel < 0 || channel >= Banks::channelCount)
        return;
    const ChannelRecord &r = state.banks(state.currentBank, static_cast<int>(channel));
    if (r.Frequency == state.lastLoggedFrequency || level < 1)
        return;
    const QString line = lineStart(r.Frequency, level) + r.Mode + QLatin1Char('\t') + r.Description
            + QStringLiteral("\r\n");
    state.lastLoggedFrequency = r.Frequency;
    appendLine(line);
}

void ActivityLog::WriteSearchLogLine(int level)
{
    ProgramState &state = m_station.state();
    if (state.searchFrequency == state.lastLoggedFrequency || level < 1)
        return;
    QString mode;
    for (int i = 0; i < modeLetters.size(); ++i) {
        if (m_station.display().modeLit(i)) {
            mode = modeLetters.at(i);
            break;
        }
    }
    const QString line = lineStart(state.searchFrequency, level) + mode + QLatin1Char('\t')
            + QStringLiteral("\r\n");
    state.lastLoggedFrequency = state.searchFrequency;
    appendLine(line);
}

} // namespace ze
