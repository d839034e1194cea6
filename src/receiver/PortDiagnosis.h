#pragma once

#include <QSerialPort>
#include <QString>

namespace ze {

class Clock;

// Why a port is not open, in words that say what to look at.

// The process that holds a device open, e.g. "minicom (process 1234)", as /proc/*/fd tells;
// "" when it does not (another user's processes are not listed to us).
QString deviceHolder(const QString &path);
// Why opening the device at location failed, from the port's error and its text.
QString openFailureReason(QSerialPort::SerialPortError error, const QString &detail,
                          const QString &location);
// Why an open line was lost: unplugged when the device has gone.
QString lossReason(const QString &location, const QString &why);

// Tries a port the station does not hold: opens the device of portText with the line settings
// text and RTS/CTS, sends one "Y", waits within the exchange limit (tickMs to its "second") and
// closes it again. Says in words what happened and what to look at.
QString probePort(const QString &portText, const QString &lineText, Clock &clock, qint64 tickMs);

} // namespace ze
