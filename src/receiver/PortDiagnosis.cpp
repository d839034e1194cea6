#include "receiver/PortDiagnosis.h"

#include "core/Frequency.h"
#include "receiver/PortSettings.h"
#include "receiver/SerialPort.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

#include <unistd.h>

namespace ze {

namespace {

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

} // namespace

QString deviceHolder(const QString &path)
{
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty())
        return QString();
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid.isEmpty()
            || !std::all_of(pid.cbegin(), pid.cend(), [](QChar c) { return c.isDigit(); }))
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
    return QString();
}

QString openFailureReason(QSerialPort::SerialPortError error, const QString &detail,
                          const QString &location)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("device not found (is it plugged in?)");
    case QSerialPort::PermissionError: {
        // Qt reports a lock held by another program and a refused open alike.
        const QByteArray path = QFile::encodeName(location);
        if (::access(path.constData(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM))
            return QStringLiteral("permission denied (join the \"dialout\" group: sudo usermod "
                                  "-aG dialout $USER, then log in again)");
        if (!QFileInfo::exists(location))
            return QStringLiteral("device not found (is it plugged in?)");
        const QString holder = deviceHolder(location);
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

QString lossReason(const QString &location, const QString &why)
{
    if (!QFileInfo::exists(location))
        return QStringLiteral("unplugged (the device has gone)");
    return QStringLiteral("lost (%1)").arg(why);
}

QString probePort(const QString &portText, const QString &lineText, Clock &clock, qint64 tickMs)
{
    SerialPort port(clock);
    port.setTickMs(tickMs);
    QString error;
    if (!port.setPort(portText, &error) || !port.setLineSettings(lineText, &error))
        return error;
    port.OpenPort();
    if (!port.isOpen())
        return QStringLiteral("%1: %2.").arg(port.deviceName(), port.lastError());
    const QString reply = port.exchange(ReceiverCommand::level());
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

} // namespace ze
