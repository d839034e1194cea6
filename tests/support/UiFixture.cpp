#include "UiFixture.h"

#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTest>

namespace zetest {

UiFixture::UiFixture(bool startReceiver)
{
    if (startReceiver) {
        std::string error;
        if (sim.start(&error)) {
            sim.setPacing(false);
            {
                // The port is the link, not /dev/pts/N: after a hang-up the number goes to the next
                // pseudo-terminal made, maybe another test's, and a reconnecting station must not
                // open that.
                const QString link = tempDir.filePath(QStringLiteral("receiver"));
                sim.setLinkPath(link.toStdString());
                storeSetting(QStringLiteral("CommPort"), link);
            }
        }
    }
}

UiFixture::~UiFixture()
{
    app.reset();
    sim.stop();
}

void UiFixture::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile file(path(name));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

void UiFixture::storeSetting(const QString &key, const QString &value)
{
    QSettings settings(path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Properties/") + key, value);
    settings.sync();
}

bool UiFixture::startUp()
{
    app = std::make_unique<ze::StationApp>(
            ze::StationPaths {tempDir.path(), path(QStringLiteral("settings.ini"))}, clock);
    app->station().serialPort().setTickMs(100);
    app->window().setMessageSink(
            [this](const QString &, const QString &text) { messages << text; });
    const bool ok = app->startUp();
    sim.clearLog();
    return ok;
}

void UiFixture::runPasses(int n)
{
    for (int i = 0; i < n; ++i) {
        app->loop().pass();
        app->loop().handleEvents(false);
    }
}

void UiFixture::click(const QString &name)
{
    auto *button = widget<QAbstractButton>(name);
    QVERIFY2(button, qPrintable(name));
    button->click();
}

QString UiFixture::text(const QString &labelName) const
{
    auto *label = widget<QLabel>(labelName);
    return label ? label->text() : QStringLiteral("<missing %1>").arg(labelName);
}

bool UiFixture::lit(const QString &labelName) const
{
    // Lamps and bars are lit when shown; the window itself may be offscreen and never shown.
    auto *lamp = widget<QWidget>(labelName);
    return lamp && !lamp->isHidden();
}

} // namespace zetest
