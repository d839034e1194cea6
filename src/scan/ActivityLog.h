#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

namespace ze {

class Station;

// Field 1 of a log line: a fixed, locale-independent date and time without TAB.
QString logTimestamp(const QDateTime &when);
// Field 2: trimmed, then cut or padded with blanks to exactly 10 characters.
QString logFrequencyField(const QString &frequency);

// The activity log writer: it listens to the station's samples and, with "Write to logfile"
// ticked, appends one line to "logging.txt" for each signal found while scanning banks and for
// each step of a range search. Scanning goes on when the log cannot be written; the status bar
// says so until a line gets through again.
class ActivityLog : public QObject
{
    Q_OBJECT
public:
    explicit ActivityLog(Station &station, QObject *parent = nullptr);

    // Appends one line for the visited channel when the sample found a signal (level >= 1) at a
    // frequency other than the last one logged.
    void WriteChannelLogLine(int level);
    // Appends one line for the search frequency (level >= 1, not the last one logged).
    void WriteSearchLogLine(int level);

private:
    void sampled(int level, bool present);
    void appendLine(const QString &line);
    QString lineStart(const QString &frequency, int level) const;

    Station &m_station;
    bool m_problem = false; // the last append failed and its notice is showing
};

} // namespace ze
