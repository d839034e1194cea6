#include "receiver/PortDiscovery.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <utility>

#include <sys/stat.h>

namespace ze {

namespace {

// A working directory full of bank files is looked through no further than this.
constexpr int maxEntriesLooked = 4096;

using Link = std::pair<QString, QString>; // link path, device it leads to

bool isTerminalDevice(const QString &path)
{
    // Character devices also include /dev/null and the like: only terminal names count.
    const bool terminalName = path.startsWith(QLatin1String("/dev/tty"))
            || path.startsWith(QLatin1String("/dev/pts/"))
            || path.startsWith(QLatin1String("/dev/rfcomm"));
    struct stat status
    {
    };
    return terminalName && ::stat(QFile::encodeName(path).constData(), &status) == 0
            && S_ISCHR(status.st_mode);
}

QVector<Link> deviceLinks(const QString &dir)
{
    QVector<Link> links;
    QDirIterator it(dir, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (int looked = 0; looked < maxEntriesLooked && it.hasNext(); ++looked) {
        const QFileInfo info(it.next());
        if (!info.isSymLink())
            continue;
        const QString device = info.canonicalFilePath();
        if (isTerminalDevice(device))
            links.append({info.absoluteFilePath(), device});
    }
    std::sort(links.begin(), links.end());
    return links;
}

QString deviceOf(const QSerialPortInfo &info)
{
    const QString canonical = QFileInfo(info.systemLocation()).canonicalFilePath();
    return canonical.isEmpty() ? info.systemLocation() : canonical;
}

} // namespace

QVector<PortEntry> discoverPorts(const QStringList &linkDirs)
{
    const QVector<Link> stable = deviceLinks(QStringLiteral("/dev/serial/by-id"));
    QVector<PortEntry> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const QString device = deviceOf(info);
        const auto link = std::find_if(stable.cbegin(), stable.cend(),
                                       [&](const Link &l) { return l.second == device; });
        QStringList words;
        for (const QString &word : {info.description(), info.manufacturer()}) {
            if (!word.isEmpty() && !words.contains(word))
                words << word;
        }
        QString description = words.join(QStringLiteral(", "));
        if (link != stable.cend())
            description = words.isEmpty() ? device : description + QStringLiteral(" on ") + device;
        ports.append({link != stable.cend() ? link->first : info.systemLocation(), description});
    }
    std::sort(ports.begin(), ports.end(),
              [](const PortEntry &a, const PortEntry &b) { return a.path < b.path; });
    for (const QString &dir : linkDirs) {
        for (const Link &link : deviceLinks(dir))
            ports.append({link.first, QStringLiteral("link to %1").arg(link.second)});
    }
    return ports;
}

} // namespace ze
