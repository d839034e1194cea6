#pragma once

#include "SimReceiver.h"
#include "ui/StationApp.h"

#include <QAbstractButton>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

namespace zetest {

// The whole program in-process: the real main window (offscreen), a temporary working directory
// and settings file, a settable clock and the simulated receiver on a real pseudo-terminal.
class UiFixture
{
public:
    explicit UiFixture(bool startReceiver = true);
    ~UiFixture();

    QString path(const QString &name) const { return tempDir.filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes) const;
    void storeSetting(const QString &key, const QString &value);

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

    std::vector<std::string> sent() const { return sim.commands(); }
    void clearSent() { sim.clearLog(); }

    QTemporaryDir tempDir;
    ze::ManualClock clock;
    zesim::SimReceiver sim;
    std::unique_ptr<ze::StationApp> app;
    QStringList messages;
};

} // namespace zetest
