#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

namespace ze {

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
QString parityLetter(QSerialPort::Parity parity);
QString stopBitsText(QSerialPort::StopBits stop);

// Maps a port text to a device. Blanks around the text are ignored; then the text is one of
//   a port number   decimal digits only, 1 to 256: the n-th built-in serial port, /dev/ttyS(n-1)
//   a path          starting with "/", used as it stands, e.g. /dev/ttyUSB0,
//                   /dev/serial/by-id/..., /dev/pts/3
//   a device name   a letter followed by letters, digits, "_", "-" or ".", e.g. ttyUSB0, found
//                   in /dev
// Anything else is refused: empty text, 0, signs, fractions ("1.5"), blanks inside a name,
// and any control character.
std::optional<QString> portDeviceName(const QString &portText, QString *error = nullptr);
// The port number a device has as a built-in port (/dev/ttyS4 is 5); nothing for another.
std::optional<int> builtInPortNumber(const QString &device);
// Where a device lives: a bare name in /dev, a path as it is.
QString deviceLocation(const QString &deviceName);
// Whether two port texts name the same device once links are followed.
bool sameDevice(const QString &portText, const QString &otherPortText);

// Handshaking codes 0..3: none, XON/XOFF, RTS/CTS, and RTS/CTS with XON/XOFF (which falls back
// to RTS/CTS, the only kind a port can do at once).
std::optional<QSerialPort::FlowControl> flowControlForCode(int code, QString *error = nullptr);
QString flowControlText(QSerialPort::FlowControl flow);

} // namespace ze
