#include "receiver/PortSettings.h"

#include "core/TextFields.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace ze {

namespace {

constexpr int maxPortNumber = 256;
constexpr qint64 minBaud = 50;
constexpr qint64 maxBaud = 4000000;

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

bool isAsciiDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7f
                || (c.unicode() >= 0x80 && c.unicode() < 0xa0);
    });
}

QString numberedDevice(int number)
{
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
}

bool isPath(const QString &text)
{
    return text.startsWith(QLatin1Char('/'));
}

bool isDeviceName(const QString &text)
{
    if (text.isEmpty() || text.size() > 255)
        return false;
    const QChar first = text.at(0);
    if (!((first >= QLatin1Char('a') && first <= QLatin1Char('z'))
          || (first >= QLatin1Char('A') && first <= QLatin1Char('Z'))))
        return false;
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_')
                || c == QLatin1Char('-') || c == QLatin1Char('.');
    });
}

QString canonicalDevice(const QString &portText)
{
    const std::optional<QString> device = portDeviceName(portText);
    if (!device)
        return QString();
    const QString location = deviceLocation(*device);
    const QString canonical = QFileInfo(location).canonicalFilePath();
    return canonical.isEmpty() ? location : canonical;
}

} // namespace

double LineSettings::bitsPerByte() const
{
    double stop = 1.0;
    if (stopBits == QSerialPort::TwoStop)
        stop = 2.0;
    else if (stopBits == QSerialPort::OneAndHalfStop)
        stop = 1.5;
    const int parityBits = parity == QSerialPort::NoParity ? 0 : 1;
    return 1.0 + static_cast<int>(dataBits) + parityBits + stop;
}

std::optional<LineSettings> parseLineSettings(const QString &text, QString *error)
{
    if (trimSpaces(text).isEmpty()) {
        setError(error,
                 QStringLiteral("The line settings are empty: give speed, parity, data bits and "
                                "stop bits separated by commas, e.g. 9600,n,8,2."));
        return std::nullopt;
    }
    if (hasControlCharacter(text)) {
        setError(error, QStringLiteral("The line settings contain control characters."));
        return std::nullopt;
    }
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) {
        setError(error,
                 QStringLiteral("Line settings \"%1\" must have four parts separated by commas "
                                "(speed, parity, data bits, stop bits), e.g. 9600,n,8,2.")
                         .arg(text));
        return std::nullopt;
    }
    const QString baudText = trimSpaces(parts.at(0));
    const QString parityText = trimSpaces(parts.at(1)).toLower();
    const QString dataText = trimSpaces(parts.at(2));
    const QString stopText = trimSpaces(parts.at(3));

    LineSettings s;
    // Digits only: no sign, no fraction, no exponent; ten digits cannot overflow the conversion.
    qint64 baud = 0;
    if (isAsciiDigits(baudText) && baudText.size() <= 10)
        baud = baudText.toLongLong();
    if (baud < minBaud || baud > maxBaud) {
        setError(error,
                 QStringLiteral("Speed \"%1\" is not a whole number of baud from %2 to %3.")
                         .arg(baudText)
                         .arg(minBaud)
                         .arg(maxBaud));
        return std::nullopt;
    }
    s.baudRate = static_cast<qint32>(baud);

    if (parityText == QLatin1String("n"))
        s.parity = QSerialPort::NoParity;
    else if (parityText == QLatin1String("e"))
        s.parity = QSerialPort::EvenParity;
    else if (parityText == QLatin1String("o"))
        s.parity = QSerialPort::OddParity;
    else if (parityText == QLatin1String("m"))
        s.parity = QSerialPort::MarkParity;
    else if (parityText == QLatin1String("s"))
        s.parity = QSerialPort::SpaceParity;
    else {
        setError(error,
                 QStringLiteral("Parity \"%1\" is not one of n (none), e (even), o (odd), m "
                                "(mark), s (space).")
                         .arg(trimSpaces(parts.at(1))));
        return std::nullopt;
    }

    if (dataText == QLatin1String("5"))
        s.dataBits = QSerialPort::Data5;
    else if (dataText == QLatin1String("6"))
        s.dataBits = QSerialPort::Data6;
    else if (dataText == QLatin1String("7"))
        s.dataBits = QSerialPort::Data7;
    else if (dataText == QLatin1String("8"))
        s.dataBits = QSerialPort::Data8;
    else {
        setError(error, QStringLiteral("Data bits \"%1\" must be 5, 6, 7 or 8.").arg(dataText));
        return std::nullopt;
    }

    if (stopText == QLatin1String("1"))
        s.stopBits = QSerialPort::OneStop;
    else if (stopText == QLatin1String("1.5"))
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stopText == QLatin1String("2"))
        s.stopBits = QSerialPort::TwoStop;
    else {
        setError(error, QStringLiteral("Stop bits \"%1\" must be 1, 1.5 or 2.").arg(stopText));
        return std::nullopt;
    }
    return s;
}

QString lineSettingsText(const LineSettings &s)
{
    return QStringLiteral("%1,%2,%3,%4")
            .arg(s.baudRate)
            .arg(parityLetter(s.parity))
            .arg(static_cast<int>(s.dataBits))
            .arg(stopBitsText(s.stopBits));
}

QString parityLetter(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::EvenParity:
        return QStringLiteral("e");
    case QSerialPort::OddParity:
        return QStringLiteral("o");
    case QSerialPort::MarkParity:
        return QStringLiteral("m");
    case QSerialPort::SpaceParity:
        return QStringLiteral("s");
    default:
        return QStringLiteral("n");
    }
}

QString stopBitsText(QSerialPort::StopBits stop)
{
    switch (stop) {
    case QSerialPort::OneAndHalfStop:
        return QStringLiteral("1.5");
    case QSerialPort::TwoStop:
        return QStringLiteral("2");
    default:
        return QStringLiteral("1");
    }
}

QString flowControlText(QSerialPort::FlowControl flow)
{
    switch (flow) {
    case QSerialPort::SoftwareControl:
        return QStringLiteral("XON/XOFF");
    case QSerialPort::HardwareControl:
        return QStringLiteral("RTS/CTS");
    default:
        return QStringLiteral("none");
    }
}

std::optional<QString> portDeviceName(const QString &portText, QString *error)
{
    const QString text = trimSpaces(portText);
    const QString hint = QStringLiteral("give a port number from 1 to %1 (1 is %2), a device name "
                                        "such as ttyUSB0 or a path such as /dev/ttyUSB0")
                                 .arg(maxPortNumber)
                                 .arg(numberedDevice(1));
    if (text.isEmpty()) {
        setError(error, QStringLiteral("No serial port given: %1.").arg(hint));
        return std::nullopt;
    }
    if (hasControlCharacter(text)) {
        setError(error, QStringLiteral("The serial port name contains control characters."));
        return std::nullopt;
    }
    if (isAsciiDigits(text)) {
        const int number = text.size() <= 4 ? text.toInt() : 0;
        if (number < 1 || number > maxPortNumber) {
            setError(error, QStringLiteral("Port number %1 is out of range: %2.").arg(text, hint));
            return std::nullopt;
        }
        return numberedDevice(number);
    }
    if (isPath(text) || isDeviceName(text))
        return text;
    setError(error, QStringLiteral("\"%1\" is not a port number or a device: %2.").arg(text, hint));
    return std::nullopt;
}

std::optional<int> builtInPortNumber(const QString &device)
{
    const QLatin1String prefix("/dev/ttyS");
    if (!device.startsWith(prefix))
        return std::nullopt;
    const QString digits = device.mid(prefix.size());
    if (!isAsciiDigits(digits) || digits.size() > 3 || (digits.size() > 1 && digits[0] == u'0'))
        return std::nullopt;
    const int number = digits.toInt() + 1;
    if (number > maxPortNumber)
        return std::nullopt;
    return number;
}

QString deviceLocation(const QString &deviceName)
{
    return isPath(deviceName) ? deviceName : QStringLiteral("/dev/") + deviceName;
}

bool sameDevice(const QString &portText, const QString &otherPortText)
{
    const QString device = canonicalDevice(portText);
    return !device.isEmpty() && device == canonicalDevice(otherPortText);
}

std::optional<QSerialPort::FlowControl> flowControlForCode(int code, QString *error)
{
    switch (code) {
    case 0:
        return QSerialPort::NoFlowControl;
    case 1:
        return QSerialPort::SoftwareControl;
    case 2:
    case 3: // a port does one kind at a time; RTS/CTS is the one that protects the receiver
        return QSerialPort::HardwareControl;
    default:
        setError(error,
                 QStringLiteral("Handshaking code %1 is not one of 0 (none), 1 (XON/XOFF), 2 "
                                "(RTS/CTS), 3 (RTS/CTS and XON/XOFF).")
                         .arg(code));
        return std::nullopt;
    }
}

} // namespace ze
