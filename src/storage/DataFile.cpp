#include "storage/DataFile.h"

#include "storage/BankName.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ze {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// QSaveFile names files by text, and its temporary file by the final name and a suffix. A name
// that is not valid UTF-8, or too long for that suffix, goes through a short temporary name.
SaveResult saveThroughShortName(const QByteArray &native, const QByteArray &bytes)
{
    QByteArray temp = native.left(native.lastIndexOf('/') + 1) + ".ze-XXXXXX";
    struct stat old = {};
    const mode_t mode = ::stat(native.constData(), &old) == 0 ? old.st_mode & 07777 : 0644;
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return {false, systemError(errno)};
    int error = ::fchmod(fd, mode) == 0 ? 0 : errno;
    for (qsizetype written = 0; error == 0 && written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + written,
                                  static_cast<size_t>(bytes.size() - written));
        if (n > 0)
            written += n;
        else if (n == 0 || errno != EINTR)
            error = n == 0 ? EIO : errno;
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.constData(), native.constData()) != 0)
        error = errno;
    if (error == 0)
        return {true, QString()};
    ::unlink(temp.constData());
    return {false, systemError(error)};
}

// The random part of a temporary name: six letters (QSaveFile's), or letters and digits (ours).
bool randomPart(QByteArrayView text, bool digits)
{
    return text.size() == 6 && std::all_of(text.begin(), text.end(), [digits](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
                       || (digits && c >= '0' && c <= '9');
           });
}

// QSaveFile's "<file>.XXXXXX" beside a data file of ours, or our own ".ze-XXXXXX".
bool isOurTemporary(const QByteArray &name)
{
    if (name.startsWith(".ze-"))
        return randomPart(QByteArrayView(name).sliced(4), true);
    const qsizetype point = name.lastIndexOf('.');
    if (point <= 0 || !randomPart(QByteArrayView(name).sliced(point + 1), false))
        return false;
    const QByteArray target = name.left(point);
    return target.endsWith(".bnk") || target.endsWith(".bnk.bak") || target == "range.rng"
            || target == "lockouts.txt";
}

// A save takes milliseconds: an older temporary file is no other station's save under way.
constexpr time_t staleSeconds = 30;

} // namespace

QByteArray readAtMost(QIODevice &device, qint64 maxBytes)
{
    constexpr qint64 piece = qint64 {64} * 1024;
    QByteArray bytes;
    while (bytes.size() < maxBytes) {
        const QByteArray part = device.read(qMin(piece, maxBytes - bytes.size()));
        if (part.isEmpty())
            break;
        bytes += part;
    }
    return bytes;
}

bool readDataFile(const QString &path, QByteArray &bytes, QString *error, qint64 maxBytes)
{
    bytes.clear();
    const QByteArray native = nativePath(path);
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QString notPlain = QStringLiteral("It is not a plain file.");
    struct stat info = {};
    // Looked at before the open too: opening a FIFO may wait for a writer, a device may act.
    if (::stat(native.constData(), &info) == 0 && !S_ISREG(info.st_mode))
        return fail(notPlain);
    const int fd = ::open(native.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(systemError(errno));
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(file.errorString());
    }
    // It may have been replaced between the look and the open.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return fail(notPlain);
    bytes = readAtMost(file, maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        bytes.clear();
        return false;
    }
    if (bytes.size() > maxBytes) {
        if (error)
            *error = QStringLiteral("The file is too large.");
        bytes.clear();
        return false;
    }
    return true;
}

bool removeDataFile(const QString &path, QString *error)
{
    if (::unlink(nativePath(path).constData()) == 0 || errno == ENOENT)
        return true;
    if (error)
        *error = systemError(errno);
    return false;
}

SaveResult saveFileAtomically(const QString &path, const QByteArray &bytes)
{
    const QByteArray native = nativePath(path);
    const qsizetype nameBytes = native.size() - native.lastIndexOf('/') - 1;
    const qsizetype tempSuffix = 7; // QSaveFile's ".XXXXXX"
    if (native != QFile::encodeName(path)
        || nameBytes + tempSuffix > fileNameMax(QFileInfo(path).path()))
        return saveThroughShortName(native, bytes);
    SaveResult result;
    QSaveFile file(path);
    // Unbuffered: a buffered device drops a short write on flush without an error (a full disk
    // or a file size limit), and commit() would then put a cut-off file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        result.error = file.errorString();
        return result;
    }
    qint64 written = 0;
    while (written < bytes.size()) {
        // A short write means the next one fails and tells why.
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            break;
        written += n;
    }
    if (written != bytes.size()) {
        result.error = file.errorString();
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        result.error = file.errorString();
        return result;
    }
    result.ok = true;
    return result;
}

bool fileIsThere(const QString &path)
{
    struct stat info = {};
    return ::lstat(nativePath(path).constData(), &info) == 0;
}

int removeStaleTemporaries(const QString &directory)
{
    const QByteArray dir = nativePath(directory) + '/';
    DIR *handle = ::opendir(dir.constData());
    if (!handle)
        return 0;
    QList<QByteArray> stale;
    while (const dirent *entry = ::readdir(handle)) {
        const QByteArray name(entry->d_name);
        if (isOurTemporary(name))
            stale << name;
    }
    ::closedir(handle);
    int removed = 0;
    for (const QByteArray &name : stale) {
        struct stat info = {};
        // Only plain files: a link or a folder of that name is none of ours.
        if (::lstat((dir + name).constData(), &info) == 0 && S_ISREG(info.st_mode)
            && info.st_mtime + staleSeconds < ::time(nullptr)
            && ::unlink((dir + name).constData()) == 0)
            ++removed;
    }
    return removed;
}

} // namespace ze
