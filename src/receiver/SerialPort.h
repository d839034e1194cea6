#pragma once

#include "core/ReceiverLink.h"
#include "receiver/PortSettings.h"
#include "receiver/ReplyTiming.h"

#include <QByteArray>
#include <QSerialPort>
#include <QString>

namespace ze {

class Clock;

// The receiver link (`serialPort`): one serial line, its settings, and the command exchange.
class SerialPort : public ReceiverLink
{
    Q_OBJECT
public:
    static constexpr qint64 replyCap = qint64 {64} * 1024;

    explicit SerialPort(Clock &clock, QObject *parent = nullptr);
    ~SerialPort() override;

    // Settings, applied while the port is closed (an open port takes the line settings and
    // handshaking at once). Each refuses a text it cannot use and says why.
    bool setPort(const QString &portText, QString *error = nullptr) override;
    QString portText() const { return m_portText; }
    QString deviceName() const { return m_deviceName; }
    bool setLineSettings(const QString &text, QString *error = nullptr) override;
    QString lineSettings() const { return m_lineSettingsText; }
    bool setHandshaking(int code, QString *error = nullptr) override;
    int handshaking() const { return m_handshaking; }

    // DTR enable; best effort on the line (a pseudo-terminal has none), remembered while closed.
    bool dtrEnable() const { return m_dtrEnable; }
    void setDtrEnable(bool on);

    bool isOpen() const override;
    void OpenPort() override;
    void close() override;
    void ResetPort() override;

    // The reply is read from the device itself, not through QSerialPort: that would wake the
    // program for every byte and turn its write notifier on and off for every command.
    QString exchange(const ReceiverCommand &command) override;
    bool lastExchangeTimedOut() const override { return m_timedOut; }
    void probe() override;

    QString lastError() const override { return m_lastError; }
    QString stateText() const override;

    // Length of the "whole second" of the exchange time limit; tests shorten it.
    void setTickMs(qint64 ms) { m_tickMs = ms; }
    qint64 tickMs() const { return m_tickMs; }

    // Bytes the exchanges wrote and collected since the port was made (for line-time figures).
    qint64 bytesSent() const { return m_bytesSent; }
    qint64 bytesReceived() const { return m_bytesReceived; }

private:
    void onError(QSerialPort::SerialPortError error);
    void onReadyRead();
    void fail(const QString &reason);
    bool applyLineSettings(QString *error);
    bool applyFlowControl(QString *error);
    void applyDtr();
    void closePort();
    // Writes the command and a carriage return; false when the line was found dead.
    bool sendCommand(const QByteArray &command, qint64 deadline);
    // Reads what the receiver sends until the prompt, the cap or the deadline.
    void collectReply(qint64 startTick, qint64 tick, qsizetype stale);

    Clock &m_clock;
    QSerialPort *m_port;
    QString m_portText;
    QString m_deviceName;
    QString m_lineSettingsText;
    LineSettings m_line;
    int m_handshaking = 2;
    bool m_dtrEnable = true; // a freshly opened tty raises DTR; keep that unless told otherwise
    QString m_lastError;
    qint64 m_tickMs = 1000;
    qint64 m_bytesSent = 0;
    qint64 m_bytesReceived = 0;
    QByteArray m_command;
    QByteArray m_reply;
    ReplyTiming m_replyTiming;
    bool m_timedOut = false;
    bool m_probing = false; // a probe's reply is awaited between exchanges
    bool m_closing = false; // closing emits errors of its own on a dead line
};

} // namespace ze
