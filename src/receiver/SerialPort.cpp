#include "receiver/SerialPort.h"

#include "core/Clock.h"
#include "receiver/Tuning.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <thread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>
#endif

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

// Only blanks: a tab or line end is a control character and refuses the text.
QString trimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

QString numberedDevice(int number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

bool isPath(const QString &text)
{
#ifdef Q_OS_WIN
    if (text.startsWith(QLatin1String("\\\\.\\")))
        return true;
#endif
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

bool isLineFailure(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError
            || error == QSerialPort::WriteError;
}

// Where the platform keeps a device: a bare name lives in /dev on Unix.
QString locationOf(const QString &deviceName)
{
#ifdef Q_OS_UNIX
    if (!isPath(deviceName))
        return QStringLiteral("/dev/") + deviceName;
#endif
    return deviceName;
}

QString canonicalDevice(const QString &portText)
{
    const std::optional<QString> device = portDeviceName(portText);
    if (!device)
        return QString();
    const QString location = locationOf(*device);
    const QString canonical = QFileInfo(location).canonicalFilePath();
    return canonical.isEmpty() ? location : canonical;
}

// A reply as one line of words: line ends and other control bytes written out, long ones cut.
QString printable(const QString &reply)
{
    constexpr qsizetype shown = 40;
    QString text;
    const QString head = reply.left(shown);
    for (const QChar c : head) {
        if (c == QLatin1Char('\r'))
            text += QStringLiteral("\\r");
        else if (c == QLatin1Char('\n'))
            text += QStringLiteral("\\n");
        else if (c.unicode() < 0x20 || c.unicode() >= 0x7f)
            text += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            text += c;
    }
    return reply.size() > shown ? text + QStringLiteral("...") : text;
}

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
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
    if (trimBlanks(text).isEmpty()) {
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
    const QString baudText = trimBlanks(parts.at(0));
    const QString parityText = trimBlanks(parts.at(1)).toLower();
    const QString dataText = trimBlanks(parts.at(2));
    const QString stopText = trimBlanks(parts.at(3));

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
                         .arg(trimBlanks(parts.at(1))));
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

std::optional<QString> portDeviceName(const QString &portText, QString *error)
{
    const QString text = trimBlanks(portText);
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

QString deviceHolder(const QString &path)
{
#ifdef Q_OS_LINUX
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty())
        return QString();
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!isAsciiDigits(pid))
            continue;
        // Another user's descriptors are not listed to us: the holder is then not told.
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        const QStringList names = fds.entryList(QDir::AllEntries | QDir::System);
        const bool holds = std::any_of(names.cbegin(), names.cend(), [&](const QString &fd) {
            return QFile::symLinkTarget(fds.filePath(fd)) == device;
        });
        if (!holds)
            continue;
        if (pid.toLongLong() == QCoreApplication::applicationPid())
            return QStringLiteral("this program (process %1)").arg(pid);
        QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
        const QString name = comm.open(QIODevice::ReadOnly)
                ? QString::fromLocal8Bit(comm.read(64)).trimmed()
                : QString();
        return name.isEmpty() ? QStringLiteral("process %1").arg(pid)
                              : QStringLiteral("%1 (process %2)").arg(name, pid);
    }
#else
    Q_UNUSED(path);
#endif
    return QString();
}

bool sameDevice(const QString &portText, const QString &otherPortText)
{
    const QString device = canonicalDevice(portText);
    return !device.isEmpty() && device == canonicalDevice(otherPortText);
}

QString probePort(const QString &portText, const QString &lineText, Clock &clock, qint64 tickMs)
{
    bool busy = false;
    SerialPort port(clock, busy);
    port.setTickMs(tickMs);
    QString error;
    if (!port.setPort(portText, &error) || !port.setLineSettings(lineText, &error))
        return error;
    port.OpenPort();
    if (!port.isOpen())
        return QStringLiteral("%1: %2.").arg(port.deviceName(), port.lastError());
    const QString reply = port.Exchange(QStringLiteral("Y"));
    port.close();
    if (reply.contains(QLatin1Char('>')))
        return QStringLiteral("%1 answered \"%2\": signal level %3 of 15.")
                .arg(port.deviceName(), printable(reply))
                .arg(levelFromReply(reply));
    const QString speed = QString::number(parseLineSettings(lineText)->baudRate);
    if (reply.isEmpty())
        return QStringLiteral("No reply on %1 within the time limit: check the cable, the speed "
                              "(%2 baud here) and that the receiver is switched on.")
                .arg(port.deviceName(), speed);
    return QStringLiteral("%1 sent \"%2\" but no prompt \">\": check the speed (%3 baud here) "
                          "and the cable.")
            .arg(port.deviceName(), printable(reply), speed);
}

SerialPort::SerialPort(Clock &clock, bool &exchangeBusy, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_exchangeBusy(exchangeBusy)
    , m_port(new QSerialPort(this))
{
    // First start: port 1, the first line settings offered, RTS/CTS.
    m_portText = QStringLiteral("1");
    m_deviceName = *portDeviceName(m_portText);
    m_lineSettingsText = lineSettingsText(m_line);
    // Bounds what a chattering device can pile up between exchanges; with RTS/CTS the
    // device is then held off by the driver.
    m_port->setReadBufferSize(replyCap);
    m_command.reserve(64);
    m_reply.reserve(replyCap);
    // Replies are timed in byte times of about a millisecond; the default slack of 50 us on
    // every sleep and wait would show on the line.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialPort::onError);
}

SerialPort::~SerialPort()
{
    m_closing = true;
    if (m_port->isOpen())
        m_port->close();
}

bool SerialPort::setPort(const QString &portText, QString *error)
{
    const std::optional<QString> device = portDeviceName(portText, error);
    if (!device)
        return false;
    m_portText = trimBlanks(portText);
    m_deviceName = *device;
    return true;
}

bool SerialPort::setLineSettings(const QString &text, QString *error)
{
    const std::optional<LineSettings> parsed = parseLineSettings(text, error);
    if (!parsed)
        return false;
    const LineSettings previous = m_line;
    m_line = *parsed;
    if (m_port->isOpen() && !applyLineSettings(error)) {
        m_line = previous;
        QString ignored;
        applyLineSettings(&ignored);
        return false;
    }
    m_lineSettingsText = lineSettingsText(m_line);
    if (m_port->isOpen())
        Q_EMIT stateChanged();
    return true;
}

bool SerialPort::setHandshaking(int code, QString *error)
{
    if (!flowControlForCode(code, error))
        return false;
    const int previous = m_handshaking;
    m_handshaking = code;
    if (m_port->isOpen() && !applyFlowControl(error)) {
        m_handshaking = previous;
        QString ignored;
        applyFlowControl(&ignored);
        return false;
    }
    return true;
}

void SerialPort::setDtrEnable(bool on)
{
    m_dtrEnable = on;
    applyDtr();
}

void SerialPort::applyDtr()
{
    if (!m_port->isOpen())
        return;
    // A pseudo-terminal has no modem lines and refuses; that is no fault of the link.
    if (!m_port->setDataTerminalReady(m_dtrEnable))
        m_port->clearError();
}

bool SerialPort::isOpen() const
{
    return m_port->isOpen();
}

bool SerialPort::applyLineSettings(QString *error)
{
    if (!m_port->setBaudRate(m_line.baudRate)) {
        setError(error, QStringLiteral("settings refused (%1 baud)").arg(m_line.baudRate));
        return false;
    }
    if (!m_port->setParity(m_line.parity)) {
        setError(error,
                 QStringLiteral("settings refused (parity %1)").arg(parityLetter(m_line.parity)));
        return false;
    }
    if (!m_port->setDataBits(m_line.dataBits)) {
        setError(error,
                 QStringLiteral("settings refused (%1 data bits)").arg(int(m_line.dataBits)));
        return false;
    }
    if (!m_port->setStopBits(m_line.stopBits)) {
        setError(error,
                 QStringLiteral("settings refused (%1 stop bits)")
                         .arg(stopBitsText(m_line.stopBits)));
        return false;
    }
    return true;
}

bool SerialPort::applyFlowControl(QString *error)
{
    const QSerialPort::FlowControl flow
            = flowControlForCode(m_handshaking).value_or(QSerialPort::HardwareControl);
    if (!m_port->setFlowControl(flow)) {
        setError(error,
                 QStringLiteral("settings refused (handshaking %1)").arg(flowControlText(flow)));
        return false;
    }
    return true;
}

QString SerialPort::systemLocation() const
{
    return locationOf(m_deviceName);
}

QString SerialPort::openFailureReason() const
{
    const QString detail = m_port->errorString();
    switch (m_port->error()) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("device not found (is it plugged in?)");
    case QSerialPort::PermissionError: {
#ifdef Q_OS_UNIX
        // Qt reports a lock held by another program and a refused open alike.
        const QByteArray path = QFile::encodeName(systemLocation());
        if (::access(path.constData(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM))
            return QStringLiteral("permission denied (join the \"dialout\" group: sudo usermod "
                                  "-aG dialout $USER, then log in again)");
        if (!QFileInfo::exists(systemLocation()))
            return QStringLiteral("device not found (is it plugged in?)");
#endif
        const QString holder = deviceHolder(systemLocation());
        if (!holder.isEmpty())
            return QStringLiteral("busy (in use by %1)").arg(holder);
        return QStringLiteral("busy (in use by another program)");
    }
    case QSerialPort::UnsupportedOperationError:
        return QStringLiteral("not a serial port (%1)").arg(detail);
    case QSerialPort::ResourceError:
        return QStringLiteral("not available (%1)").arg(detail);
    default:
        return QStringLiteral("cannot open (%1)").arg(detail);
    }
}

QString SerialPort::lossReason(const QString &why) const
{
    if (!QFileInfo::exists(systemLocation()))
        return QStringLiteral("unplugged (the device has gone)");
    return QStringLiteral("lost (%1)").arg(why);
}

void SerialPort::OpenPort()
{
    if (m_port->isOpen())
        return;
    m_port->setPortName(m_deviceName);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_lastError = openFailureReason();
        m_port->clearError();
        Q_EMIT stateChanged();
        return;
    }
    QString error;
    if (!applyLineSettings(&error) || !applyFlowControl(&error)) {
        closePort();
        m_lastError = error;
        Q_EMIT stateChanged();
        return;
    }
    applyDtr();
    m_lastError.clear();
    Q_EMIT stateChanged();
}

void SerialPort::closePort()
{
    if (!m_port->isOpen() || m_closing)
        return;
    // Restoring the old line settings on a hung-up line fails and reports again.
    m_closing = true;
    m_port->close();
    m_port->clearError();
    m_closing = false;
}

void SerialPort::close()
{
    const bool changed = m_port->isOpen() || !m_lastError.isEmpty();
    closePort();
    m_lastError.clear();
    if (changed)
        Q_EMIT stateChanged();
}

void SerialPort::ResetPort()
{
    const bool remembered = m_dtrEnable;
    setDtrEnable(true);
    setDtrEnable(false);
    setDtrEnable(remembered);
    if (m_port->isOpen())
        close();
}

void SerialPort::fail(const QString &reason)
{
    m_lastError = reason;
    closePort();
    Q_EMIT stateChanged();
}

void SerialPort::onError(QSerialPort::SerialPortError error)
{
    if (m_closing || !isLineFailure(error) || !m_port->isOpen())
        return;
    // Left open, a dead line reports the same error again on every pass of the event loop.
    fail(lossReason(m_port->errorString()));
}

namespace {

// The fewest bytes still to come after what has been read: every reply ends with CR LF ">".
int fewestStillToCome(const QByteArray &reply)
{
    if (reply.endsWith("\r\n"))
        return 1;
    if (reply.endsWith('\r'))
        return 2;
    return 3;
}

} // namespace

bool SerialPort::sendCommand(const QString &command, qint64 deadline)
{
    m_command.resize(0);
    for (const QChar c : command) // as toLatin1() would: "?" for what Latin-1 cannot hold
        m_command.append(c.unicode() > 0xff ? '?' : static_cast<char>(c.unicode()));
    m_command.append('\r');
    const int fd = m_port->handle();
    qsizetype sent = 0;
    while (sent < m_command.size()) {
        const ssize_t n = ::write(fd, m_command.constData() + sent,
                                  static_cast<size_t>(m_command.size() - sent));
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        const qint64 wait = deadline - m_clock.monotonicMs();
        if (n < 0 && errno == EAGAIN && wait > 0) {
            // The driver's buffer is full (the receiver holds off with CTS): wait for room.
            pollfd p {fd, POLLOUT, 0};
            if (::poll(&p, 1, static_cast<int>(wait)) >= 0 && !(p.revents & (POLLERR | POLLHUP)))
                continue;
        }
        if (n < 0 && errno != EAGAIN)
            fail(lossReason(qt_error_string(errno)));
        break;
    }
    m_bytesSent += sent;
    return m_port->isOpen();
}

QString SerialPort::Exchange(const QString &command)
{
    if (m_exchangeBusy)
        return QString();
    if (!m_port->isOpen())
        return QString();
    m_exchangeBusy = true;

    // The reply is read from the device itself: QSerialPort would wake the program for every
    // byte and turn its write notifier on and off for every command.
    const qint64 tick = m_tickMs > 0 ? m_tickMs : 1000;
    const qint64 startTick = floorDiv(m_clock.monotonicMs(), tick);
    const qint64 deadline = (startTick + 2) * tick;
    m_reply.resize(0);
    // What came in between exchanges is the start of this reply, never discarded.
    const qint64 waiting = std::min(replyCap, m_port->bytesAvailable());
    if (waiting > 0) {
        m_reply.resize(waiting);
        m_reply.resize(std::max<qint64>(m_port->read(m_reply.data(), waiting), 0));
    }
    const qsizetype stale = m_reply.size();
    const int fd = m_port->handle();
    const double byteMicroseconds = 1e6 * m_line.bitsPerByte() / m_line.baudRate;
    bool grown = false;
    const bool open = sendCommand(command, deadline);
    const auto sentAt = std::chrono::steady_clock::now();
    while (open && m_port->isOpen()) {
        if (m_reply.contains('>') || m_reply.size() >= replyCap)
            break;
        const qint64 now = m_clock.monotonicMs();
        if (floorDiv(now, tick) > startTick + 1)
            break;
        const qint64 wait = deadline - now;
        if (grown) {
            // The reply is coming at the line's speed. Rather than wake for every byte, sleep
            // until the fewest bytes it still needs could have come after the command, then wait
            // on the line: a receiver that answers late costs one wake more, never a late read.
            // A device faster than its line (a flood, a pseudo-terminal) is slept on for no more
            // than those bytes' time.
            using namespace std::chrono;
            const int toCome = fewestStillToCome(m_reply);
            const auto lineDue = sentAt
                    + microseconds(std::llround(
                            static_cast<double>(m_command.size() + m_reply.size() - stale + toCome)
                            * byteMicroseconds));
            const auto latest = steady_clock::now()
                    + std::min<microseconds>(microseconds(std::llround(toCome * byteMicroseconds)),
                                             milliseconds(std::max<qint64>(wait, 0)));
            std::this_thread::sleep_until(std::min(lineDue, latest));
        }
        pollfd p {fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(qBound<qint64>(1, wait, tick * 2)));
        if (ready < 0 && errno != EINTR) {
            fail(lossReason(qt_error_string(errno)));
            break;
        }
        grown = false;
        if (ready <= 0)
            continue;
        const qsizetype before = m_reply.size();
        m_reply.resize(replyCap);
        const ssize_t n
                = ::read(fd, m_reply.data() + before, static_cast<size_t>(replyCap - before));
        const int readError = errno;
        m_reply.resize(before + std::max<ssize_t>(n, 0));
        grown = n > 0;
        if (n == 0 || (n < 0 && readError != EAGAIN && readError != EINTR)) {
            // A hung-up line reads as the end of the file or as an I/O error.
            fail(lossReason(n == 0 ? QStringLiteral("hung up") : qt_error_string(readError)));
            break;
        }
        if (grown && m_reply.indexOf('>', before) >= 0)
            break;
    }
    m_exchangeBusy = false;
    m_bytesReceived += m_reply.size();
    return QString::fromLatin1(m_reply);
}

QString SerialPort::stateText() const
{
    if (m_port->isOpen())
        return QStringLiteral("%1 %2").arg(m_deviceName, m_lineSettingsText);
    if (!m_lastError.isEmpty())
        return QStringLiteral("%1: %2").arg(m_deviceName, m_lastError);
    return QStringLiteral("%1 closed").arg(m_deviceName);
}

} // namespace ze
