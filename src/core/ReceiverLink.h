#pragma once

#include "core/ReceiverCommand.h"

#include <QObject>
#include <QString>

namespace ze {

// The line to the receiver as the station sees it: one exchange at a time, opened, reset and
// closed, and a word on how it is doing. The serial port implements it; the settings that
// start-up restores are applied through it too.
class ReceiverLink : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Sends the command and a carriage return; collects the reply up to and including the read
    // that brought ">", or what came within the one-to-two-second limit. "" at once when the
    // link is not open.
    virtual QString exchange(const ReceiverCommand &command) = 0;
    // Whether the last exchange ran out of time without a prompt (no reply, or no whole one).
    virtual bool lastExchangeTimedOut() const = 0;
    // Asks the receiver for its level without waiting for the reply: answered() comes when a
    // prompt does. For a receiver that stopped answering, asked now and then while the windows
    // go on.
    virtual void probe() = 0;

    // Opens a closed link; an open one is left as it is. A failure leaves it closed and keeps
    // the reason (lastError).
    virtual void OpenPort() = 0;
    // Pulses DTR (on, off, back to what it was) and closes the link.
    virtual void ResetPort() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Why the link is closed ("" when it was closed on purpose or never opened).
    virtual QString lastError() const = 0;
    // One line for the status bar: device and settings, or why it is not open.
    virtual QString stateText() const = 0;

    // The stored settings; each refuses a text it cannot use and says why.
    virtual bool setPort(const QString &portText, QString *error) = 0;
    virtual bool setLineSettings(const QString &text, QString *error) = 0;
    virtual bool setHandshaking(int code, QString *error) = 0;

Q_SIGNALS:
    // Opened, closed, or lost (read error, unplugged).
    void stateChanged();
    // A probe's prompt came.
    void answered();
};

} // namespace ze
