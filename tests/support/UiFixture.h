#pragma once

#include "Workspace.h"
#include "receiver/SerialPort.h"
#include "remote/RigServer.h"
#include "scan/ControlLoop.h"
#include "ui/MainWindow.h"
#include "ui/StationApp.h"

#include <QAbstractButton>

#include <memory>
#include <string>
#include <vector>

namespace zetest {

// The whole program in-process: the real main window (offscreen), a settable clock, and the
// workspace's simulated receiver.
class UiFixture : public Workspace
{
public:
    explicit UiFixture(bool startReceiver = true)
        : Workspace(startReceiver)
    {
    }
    ~UiFixture();

    // Builds the program and runs start-up; message boxes are collected in messages.
    bool startUp();
    void runPasses(int n);

    template<typename T = QWidget> T *widget(const QString &name) const
    {
        return app->window().findChild<T *>(name);
    }
    // Clicks a button found by its objectName; fails the test when it is missing.
    void click(const QString &name);
    QString text(const QString &labelName) const;
    bool lit(const QString &labelName) const;
    // What the display's widgets are still to take from the last pass, taken now.
    void showPending() const;

    ze::ManualClock clock;
    std::unique_ptr<ze::StationApp> app;
    QStringList messages;
    // Answers to questions ("Yes" or not) and input boxes, taken in order; "" when none is left.
    QStringList answers;
    QStringList questions; // "title|text" of each question asked
};

} // namespace zetest
