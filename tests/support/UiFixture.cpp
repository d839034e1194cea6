#include "UiFixture.h"

#include "ui/DisplayPanel.h"

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
    app->station().serialPort().setTickMs(100);
    app->window().setMessageSink(
            [this](const QString &, const QString &text) { messages << text; });
    app->window().setAnswerSource([this](const QString &title, const QString &text) {
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

void UiFixture::showDisplay() const
{
    // The display redraws what a pass wrote a moment later; the tests read it at once.
    if (auto *panel = app->window().findChild<ze::DisplayPanel *>())
        panel->showNow();
}

QString UiFixture::text(const QString &labelName) const
{
    showDisplay();
    auto *label = widget<QLabel>(labelName);
    return label ? label->text() : QStringLiteral("<missing %1>").arg(labelName);
}

bool UiFixture::lit(const QString &labelName) const
{
    // Lamps and bars are lit when shown; the window itself may be offscreen and never shown.
    showDisplay();
    auto *lamp = widget<QWidget>(labelName);
    return lamp && !lamp->isHidden();
}

} // namespace zetest
