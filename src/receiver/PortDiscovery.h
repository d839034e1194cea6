#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace ze {

struct PortEntry
{
    QString path; // the text the options window stores for the port
    QString description;
};

// The serial ports on the machine now, sorted, each under its stable /dev/serial/by-id name
// where it has one (that name survives replugging), then the links in linkDirs that lead to a
// terminal device, such as a link made to a pseudo-terminal, which has no such name.
QVector<PortEntry> discoverPorts(const QStringList &linkDirs = {});

} // namespace ze
