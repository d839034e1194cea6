#include "CoreFixture.h"

#include <QFile>
#include <QSettings>

namespace zetest {

CoreFixture::CoreFixture(bool startReceiver, qint64 tickMs)
    : tick(tickMs)
{
    if (startReceiver) {
        std::string error;
        receiverStarted = sim.start(&error);
        sim.setPacing(false);
        if (receiverStarted) {
            // The port is the link, not /dev/pts/N: after a hang-up the number goes to the next
            // pseudo-terminal made, maybe another test's, and a reconnecting station must not
            // open that.
            const QString link = tempDir.filePath(QStringLiteral("receiver"));
            sim.setLinkPath(link.toStdString());
            storeSetting(QStringLiteral("CommPort"), link);
        }
    }
    station = std::make_unique<ze::Station>(
            ze::StationPaths {tempDir.path(), tempDir.filePath(QStringLiteral("settings.ini"))},
            clock);
    station->attach(&panel);
    station->serialPort().setTickMs(tickMs);
    loop = std::make_unique<ze::ControlLoop>(*station);
}

CoreFixture::~CoreFixture()
{
    loop.reset();
    station.reset();
    sim.stop();
}

void CoreFixture::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile file(path(name));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray CoreFixture::readFile(const QString &name) const
{
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void CoreFixture::storeSetting(const QString &key, const QString &value)
{
    QSettings settings(path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Properties/") + key, value);
    settings.sync();
}

bool CoreFixture::startUp()
{
    // The settings file is read when the station is made; remake it so stored keys count.
    loop.reset();
    station = std::make_unique<ze::Station>(
            ze::StationPaths {tempDir.path(), tempDir.filePath(QStringLiteral("settings.ini"))},
            clock);
    station->attach(&panel);
    station->serialPort().setTickMs(tick);
    loop = std::make_unique<ze::ControlLoop>(*station);
    const bool ok = station->StartUp();
    sim.clearLog();
    return ok;
}

void CoreFixture::runPasses(int n)
{
    for (int i = 0; i < n; ++i)
        loop->pass();
}

} // namespace zetest
