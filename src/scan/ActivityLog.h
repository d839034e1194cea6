#pragma once

#include <QDateTime>
#include <QString>

namespace ze {

class Station;

// Field 1 of a log line: a fixed, locale-independent date and time without TAB.
QString logTimestamp(const QDateTime &when);
// Field 2: trimmed, then cut or padded with blanks to exactly 10 characters.
QString logFrequencyField(const QString &frequency);

// Appends one line for the visited channel when the sample found a signal (level >= 1) at a
// frequency other than the last one logged.
void WriteChannelLogLine(Station &station, int level);
// Appends one line for the search frequency (level >= 1, not the last one logged).
void WriteSearchLogLine(Station &station, int level);

} // namespace ze
