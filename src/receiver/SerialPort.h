#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <optional>

namespace ze {

class Clock;

// "baud,parity,data,stop" as the options window offers it, e.g. "9600,n,8,2".
// Exactly four parts separated by commas; blanks around a part are ignored, nothing else is:
//   baud    decimal digits only, 50 to 4000000
//   parity  one letter n, e, o, m, s (none, even, odd, mark, space), either case
//   data    5, 6, 7 or 8
//   stop    1, 1.5 or 2
// The text kept for the port is the canonical form (lower-case parity, no blanks).
struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::TwoStop;

    // Bits one byte takes on the line: start, data, parity, stop (1.5 counts as 1.5).
    double bitsPerByte() const;
};

// Parses a line settings text exactly; on refusal returns nothing and says why in *error.
std::optional<LineSettings> parseLineSettings(const QString &text, QString *error = nullptr);
// The canonical text of settings, e.g. "9600,n,8,2".
QString lineSettingsText(const LineSettings &settings);

// Maps a port text to a device. Blanks around the text are ignored; then the text is one of
//   a port number   decimal digits only, 1 to 256: the platform's n-th serial port
//                   (/dev/ttyS(n-1) on Linux, COMn on Windows)
//   a path          starting with "/" (or "\\.\" on Windows), used as it stands, e.g.
//                   /dev/ttyUSB0, /dev/serial/by-id/..., /dev/pts/3
//   a device name   a letter followed by letters, digits, "_", "-" or ".", e.g. ttyUSB0, COM3;
//                   the serial port layer finds it in the platform's device directory
// Anything else is refused: empty text, 0, signs, fractions ("1.5"), blanks inside a name,
// and any control character.
std::optional<QString> portDeviceName(const QString &portText, QString *error = nullptr);

// Handshaking codes 0..3: none, XON/XOFF, RTS/CTS, and RTS/CTS with XON/XOFF (which falls back
// to RTS/CTS, the only kind a port can do at once).
std::optional<QSerialPort::FlowControl> flowControlForCode(int code, QString *error = nullptr);

// The process that holds a device open, e.g. "minicom (process 1234)", where the system tells
// (Linux: /proc/*/fd); "" when it does not.
QString deviceHolder(const QString &path);

// Whether two port texts name the same device once links are followed.
bool sameDevice(const QString &portText, const QString &otherPortText);

// Tries a port the station does not hold: opens the device of portText with the line settings
// text and RTS/CTS, sends one "Y", waits within the exchange limit (tickMs to its "second") and
// closes it again. Says in words what happened and what to look at.
QString probePort(const QString &portText, const QString &lineText, Clock &clock, qint64 tickMs);

// The receiver link (`serialPort`): one serial line, its settings, and the command exchange.
class SerialPort : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 replyCap = qint64 {64} * 1024;

    // exchangeBusy is the program state's flag, owned by the caller.
    SerialPort(Clock &clock, bool &exchangeBusy, QObject *parent = nullptr);
    ~SerialPort() override;

    // Settings, applied while the port is closed (an open port takes the line settings and
    // handshaking at once). Each refuses a text it cannot use and says why.
    bool setPort(const QString &portText, QString *error = nullptr);
    QString portText() const { return m_portText; }
    QString deviceName() const { return m_deviceName; }
    bool setLineSettings(const QString &text, QString *error = nullptr);
    QString lineSettings() const { return m_lineSettingsText; }
    bool setHandshaking(int code, QString *error = nullptr);
    int handshaking() const { return m_handshaking; }

    // DTR enable; best effort on the line (a pseudo-terminal has none), remembered while closed.
    bool dtrEnable() const { return m_dtrEnable; }
    void setDtrEnable(bool on);

    bool isOpen() const;
    // Opens a closed port; an open port is left as it is. A failure leaves it closed and keeps
    // the reason (lastError).
    void OpenPort();
    void close();
    // Pulses DTR (on, off, back to what it was) and closes the port.
    void ResetPort();

    // Sends the command and a carriage return; collects everything up to and including the read
    // that brought ">", or what came within the one-to-two-second limit. Returns "" at once while
    // another exchange is under way or when the port is not open.
    QString Exchange(const QString &command);

    // Why the port is closed ("" when it was closed on purpose or never opened).
    QString lastError() const { return m_lastError; }
    // One line for the status bar: device and settings, or why it is not open.
    QString stateText() const;

    // Length of the "whole second" of the exchange time limit; tests shorten it.
    void setTickMs(qint64 ms) { m_tickMs = ms; }
    qint64 tickMs() const { return m_tickMs; }

    // Bytes the exchanges wrote and collected since the port was made (for line-time figures).
    qint64 bytesSent() const { return m_bytesSent; }
    qint64 bytesReceived() const { return m_bytesReceived; }

Q_SIGNALS:
    // Opened, closed, or lost (read error, unplugged).
    void stateChanged();

private:
    void onError(QSerialPort::SerialPortError error);
    void fail(const QString &reason);
    bool applyLineSettings(QString *error);
    bool applyFlowControl(QString *error);
    void applyDtr();
    void closePort();
    QString systemLocation() const;
    QString openFailureReason() const;
    QString lossReason(const QString &why) const;
    // Writes the command and a carriage return; false when the line was found dead.
    bool sendCommand(const QString &command, qint64 deadline);

    Clock &m_clock;
    bool &m_exchangeBusy;
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
    bool m_closing = false; // closing emits errors of its own on a dead line
};

} // namespace ze
