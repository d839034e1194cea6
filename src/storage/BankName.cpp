#include "storage/BankName.h"

#include "core/Views.h"

#include <QFile>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ze {

namespace {

// The longest name written for a bank: its backup ".bnk.bak" while a temporary ".XXXXXX" of it
// is being written.
constexpr int longestSuffix = 15;
constexpr long fallbackNameMax = 255;

bool isStandIn(const QString &text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    return c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !text[i - 1].isHighSurrogate());
}

QString nameFromNative(const QByteArray &bytes)
{
    QString name = QFile::decodeName(bytes);
    if (QFile::encodeName(name) == bytes)
        return name;
    QString standIns;
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        standIns += QChar(b < 0x80 ? char16_t(b) : char16_t(0xDC00 + b));
    }
    return standIns;
}

} // namespace

long fileNameMax(const QString &directory)
{
    const long max = ::pathconf(nativePath(directory).constData(), _PC_NAME_MAX);
    return max > 0 ? max : fallbackNameMax;
}

QByteArray nativePath(const QString &path)
{
    QByteArray native;
    qsizetype start = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (isStandIn(path, i)) {
            native += QFile::encodeName(path.mid(start, i - start));
            native += static_cast<char>(path[i].unicode() - 0xDC00);
            start = i + 1;
        }
    }
    return native + QFile::encodeName(path.mid(start));
}

QString askNewBankName(DialogService &dialogs, const QString &directory)
{
    QString name = dialogs.askText(QStringLiteral(" New Bank"),
                                   QStringLiteral("Enter the name of the new bank"),
                                   QStringLiteral("bankname"));
    if (name.isEmpty())
        return {};
    const QString problem = bankNameProblem(name, directory);
    if (!problem.isEmpty()) {
        dialogs.reportError(
                QStringLiteral("\"%1\" cannot be the name of a bank: %2").arg(name, problem));
        return {};
    }
    return name;
}

QStringList listBankNames(const QString &directory)
{
    // Not QDir: it passes over names that are not valid UTF-8, and its file filter lets links to
    // devices through.
    QStringList files;
    const QByteArray dir = nativePath(directory) + '/';
    DIR *handle = ::opendir(dir.constData());
    if (!handle)
        return files;
    while (const dirent *entry = ::readdir(handle)) {
        const QByteArray file(entry->d_name);
        struct stat info = {};
        if (file.size() > 4 && file.endsWith(".bnk") && !file.startsWith('.')
            && ::stat((dir + file).constData(), &info) == 0 && S_ISREG(info.st_mode))
            files << nameFromNative(file);
    }
    ::closedir(handle);
    std::sort(files.begin(), files.end());
    for (QString &file : files)
        file.chop(4);
    return files;
}

QString bankNameProblem(const QString &name, const QString &directory)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("the name is empty.");
    if (name.contains(u'/') || name.contains(u'\\'))
        return QStringLiteral("a name cannot hold \"/\" or \"\\\".");
    if (name.contains(QLatin1String("..")))
        return QStringLiteral("a name cannot hold \"..\".");
    // Hidden files are not listed, so the bank would never show in the bank lists.
    if (name.startsWith(u'.'))
        return QStringLiteral("a name cannot start with \".\".");
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("a name cannot hold control characters.");
    }
    // A broken surrogate would be written as another name than the one listed.
    if (!QStringView(name).isValidUtf16())
        return QStringLiteral("the name is not valid text.");
    const long room = fileNameMax(directory) - longestSuffix;
    if (QFile::encodeName(name).size() > room)
        return QStringLiteral("the name is too long; %1 bytes at most fit here.").arg(room);
    return QString();
}

} // namespace ze
