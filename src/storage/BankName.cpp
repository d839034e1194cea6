#include "storage/BankName.h"

#include <QFile>

#include <unistd.h>

namespace ze {

namespace {

// The longest name written for a bank: its backup ".bnk.bak" while a temporary ".XXXXXX" of it
// is being written.
constexpr int longestSuffix = 15;
constexpr long fallbackNameMax = 255;

long nameMax(const QString &directory)
{
    const long max = ::pathconf(QFile::encodeName(directory).constData(), _PC_NAME_MAX);
    return max > 0 ? max : fallbackNameMax;
}

} // namespace

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
    const long room = nameMax(directory) - longestSuffix;
    if (QFile::encodeName(name).size() > room)
        return QStringLiteral("the name is too long; %1 bytes at most fit here.").arg(room);
    return QString();
}

} // namespace ze
