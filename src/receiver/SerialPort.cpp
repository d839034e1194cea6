#include "receiver/SerialPort.h"

#include "core/Clock.h"
#include "core/TextFields.h"
#include "receiver/PortDiagnosis.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace ze {

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

bool isLineFailure(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError
            || error == QSerialPort::WriteError;
}

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

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

SerialPort::SerialPort(Clock &clock, QObject *parent)
    : ReceiverLink(parent)
    , m_clock(clock)
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
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialPort::onError);
    connect(m_port, &QSerialPort::readyRead, this, &SerialPort::onReadyRead);
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
    m_portText = trimSpaces(portText);
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
    m_replyTiming.reset();
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

void SerialPort::OpenPort()
{
    if (m_port->isOpen())
        return;
    m_port->setPortName(m_deviceName);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_lastError = openFailureReason(m_port->error(), m_port->errorString(),
                                        deviceLocation(m_deviceName));
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
    fail(lossReason(deviceLocation(m_deviceName), m_port->errorString()));
}

bool SerialPort::sendCommand(const QByteArray &command, qint64 deadline)
{
    m_command.resize(0);
    m_command.append(command);
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
            fail(lossReason(deviceLocation(m_deviceName), qt_error_string(errno)));
        break;
    }
    m_bytesSent += sent;
    return m_port->isOpen();
}

void SerialPort::probe()
{
    if (!m_port->isOpen())
        return;
    // What a late reply left is no answer to this.
    m_port->readAll();
    const qint64 tick = m_tickMs > 0 ? m_tickMs : 1000;
    m_probing = sendCommand(ReceiverCommand::level().bytes(), m_clock.monotonicMs() + tick);
}

void SerialPort::onReadyRead()
{
    // Between exchanges only a probe waits for what comes; an exchange takes it up otherwise.
    if (!m_probing || !m_port->peek(replyCap).contains('>'))
        return;
    m_probing = false;
    m_bytesReceived += m_port->readAll().size();
    Q_EMIT answered();
}

QString SerialPort::exchange(const ReceiverCommand &command)
{
    m_timedOut = false;
    m_probing = false;
    if (!m_port->isOpen())
        return QString();
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
    if (sendCommand(command.bytes(), deadline))
        collectReply(startTick, tick, stale);
    m_bytesReceived += m_reply.size();
    m_timedOut = m_port->isOpen() && !m_reply.contains('>') && m_reply.size() < replyCap;
    return QString::fromLatin1(m_reply);
}

void SerialPort::collectReply(qint64 startTick, qint64 tick, qsizetype stale)
{
    using namespace std::chrono;
    const qint64 deadline = (startTick + 2) * tick;
    const int fd = m_port->handle();
    const double byteMicroseconds = 1e6 * m_line.bitsPerByte() / m_line.baudRate;
    const auto sentAt = steady_clock::now();
    // When the command and bytes more of reply can have been carried by the line.
    const auto lineDue = [&](qsizetype bytes) {
        return sentAt
                + microseconds(std::llround(static_cast<double>(m_command.size() + bytes)
                                            * byteMicroseconds));
    };
    const char last = m_command.size() > 1 ? m_command.at(m_command.size() - 2) : '\r';
    const int ahead = stale == 0 ? m_replyTiming.bytesToSleepThrough(last) : 0;
    const auto sleptTo = std::min(
            lineDue(ahead) + m_replyTiming.lag(),
            sentAt + milliseconds(std::max<qint64>(deadline - m_clock.monotonicMs(), 0)));
    if (ahead > 0)
        std::this_thread::sleep_until(sleptTo);
    // After a sleep the bytes are most likely in: read them without asking the line first.
    bool slept = ahead > 0;
    // The first read after that sleep tells whether the lag slept through holds.
    bool firstRead = ahead > 0;
    bool missedAtWake = false;
    bool grown = false;
    while (m_port->isOpen()) {
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
            const int toCome = fewestStillToCome(m_reply);
            const auto latest = steady_clock::now()
                    + std::min<microseconds>(microseconds(std::llround(toCome * byteMicroseconds)),
                                             milliseconds(std::max<qint64>(wait, 0)));
            std::this_thread::sleep_until(
                    std::min(lineDue(m_reply.size() - stale + toCome), latest));
            slept = true;
        }
        grown = false;
        if (!slept) {
            pollfd p {fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(qBound<qint64>(1, wait, tick * 2)));
            if (ready < 0 && errno != EINTR) {
                fail(lossReason(deviceLocation(m_deviceName), qt_error_string(errno)));
                break;
            }
            if (ready <= 0)
                continue;
        }
        // Raw, a tty reads no bytes as 0, like a hang-up: only the line's answer tells them apart.
        const bool unasked = slept;
        slept = false;
        const qsizetype before = m_reply.size();
        m_reply.resize(replyCap);
        const ssize_t n
                = ::read(fd, m_reply.data() + before, static_cast<size_t>(replyCap - before));
        const int readError = errno;
        m_reply.resize(before + std::max<ssize_t>(n, 0));
        grown = n > 0;
        const qsizetype prompt = grown ? m_reply.indexOf('>', before) : -1;
        if (firstRead) {
            firstRead = false;
            missedAtWake = prompt < 0;
            if (!missedAtWake)
                m_replyTiming.wokeInTime();
        }
        if (unasked && n <= 0)
            continue;
        if (n == 0 || (n < 0 && readError != EAGAIN && readError != EINTR)) {
            // A hung-up line reads as the end of the file or as an I/O error.
            fail(lossReason(deviceLocation(m_deviceName),
                            n == 0 ? QStringLiteral("hung up") : qt_error_string(readError)));
            break;
        }
        if (prompt >= 0) {
            if (stale == 0) {
                const auto length = static_cast<int>(prompt + 1);
                const auto in = steady_clock::now();
                const bool early
                        = in + microseconds(std::llround(byteMicroseconds / 2)) < lineDue(length);
                m_replyTiming.learn(last, length, early, ahead > 0);
                // A reply longer than the shortest was bound to be missed: no word on the lag.
                if (missedAtWake && length == ahead)
                    m_replyTiming.wokeEarly();
            }
            break;
        }
    }
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
