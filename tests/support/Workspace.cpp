#include "Workspace.h"

#include <QFile>
#include <QSettings>

namespace zetest {

Workspace::Workspace(bool startReceiver)
{
    if (!startReceiver)
        return;
    std::string error;
    receiverStarted = sim.start(&error);
    sim.setPacing(false);
    // The port is the link, not /dev/pts/N: after a hang-up the number goes to the next
    // pseudo-terminal made, maybe another test's, and a reconnecting station must not open that.
    const QString link = path(QStringLiteral("receiver"));
    if (receiverStarted && sim.setLinkPath(link.toStdString()))
        storeSetting(QStringLiteral("CommPort"), link);
}

Workspace::~Workspace()
{
    sim.stop();
}

void Workspace::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile file(path(name));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray Workspace::readFile(const QString &name) const
{
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Workspace::storeSetting(const QString &key, const QString &value) const
{
    QSettings settings(path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Properties/") + key, value);
    settings.sync();
}

} // namespace zetest
