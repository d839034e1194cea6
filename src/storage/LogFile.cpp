#include "storage/LogFile.h"

#include "storage/DataFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ze {

LogFile::LogFile(const QString &workingDirectory)
    : m_path(QDir(workingDirectory).filePath(fileName))
{
}

bool LogFile::notPlain() const
{
    const QFileInfo info(m_path);
    return info.exists() && !info.isFile();
}

QString LogFile::append(const QByteArray &bytes) const
{
    if (notPlain())
        return QStringLiteral("It is not a plain file.");
    QFile file(m_path);
    // Unbuffered, so a short write (a full disk) shows at the write itself.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return file.errorString();
    const qint64 whole = file.size();
    for (qint64 written = 0; written < bytes.size();) {
        // After a short write the next one fails and tells why.
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            QString reason = file.errorString();
            // A cut-off line would have the next one glued to it: only whole lines stay.
            file.resize(whole);
            return reason;
        }
        written += n;
    }
    return {};
}

LogFile::Read LogFile::readEnd(qint64 maxBytes) const
{
    Read read;
    read.exists = QFileInfo::exists(m_path);
    if (!read.exists)
        return read;
    read.notPlain = notPlain();
    if (read.notPlain)
        return read;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.error = file.errorString();
        return read;
    }
    const qint64 start = qMax(qint64 {0}, file.size() - maxBytes);
    if (start > 0 && !file.seek(start)) {
        read.error = file.errorString();
        return read;
    }
    read.bytes = readAtMost(file, maxBytes);
    if (start > 0) {
        read.bytes.remove(0, read.bytes.indexOf('\n') + 1); // the first line is cut
        read.cut = true;
    }
    return read;
}

LogFile::Read LogFile::readStart(qint64 maxBytes) const
{
    Read read;
    read.exists = QFileInfo::exists(m_path);
    if (!read.exists)
        return read;
    read.notPlain = notPlain();
    if (read.notPlain)
        return read;
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly))
        read.bytes = readAtMost(file, maxBytes + 1);
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        read.error = file.errorString();
        read.bytes.clear();
        return read;
    }
    read.cut = read.bytes.size() > maxBytes;
    if (read.cut)
        read.bytes.truncate(read.bytes.lastIndexOf('\n', maxBytes - 1) + 1);
    return read;
}

QString LogFile::clear() const
{
    if (notPlain())
        return QStringLiteral("it is not a plain file.");
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return file.errorString();
    return QString();
}

} // namespace ze
