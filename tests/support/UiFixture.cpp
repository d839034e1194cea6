#include "UiFixture.h"

#include "receiver/SerialPort.h"
#include "scan/ControlLoop.h"
#include "ui/DisplayPanel.h"
#include "ui/Lamp.h"
#include "ui/MainWindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTest>

namespace zetest {

UiFixture::~UiFixture()
{
    app.reset();
}

bool UiFixture::startUp()
{
    app = std::make_unique<ze::StationApp>(paths(), clock);
    app->serialPort().setTickMs(100);
    app->window().dialogs().setMessageSink(
            [this](const QString &, const QString &text) { messages << text; });
    app->window().dialogs().setAnswerSource([this](const QString &title, const QString &text) {
        questions << title + QLatin1Char('|') + text;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    });
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
    // The display takes what a pass wrote at its next paced showing; a test looks at once.
    showPending();
    auto *label = widget<QLabel>(labelName);
    return label ? label->text() : QStringLiteral("<missing %1>").arg(labelName);
}

bool UiFixture::lit(const QString &labelName) const
{
    // Lamps and bars keep their place lit or dark; the window itself may be offscreen and never
    // shown.
    showPending();
    auto *lamp = widget<ze::Lamp>(labelName);
    return lamp && lamp->isLit();
}

void UiFixture::showPending() const
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    if (auto *panel = widget<ze::DisplayPanel>(QStringLiteral("Shape1")))
        panel->showPending();
}

} // namespace zetest
