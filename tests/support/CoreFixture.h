#pragma once

#include "FakePanel.h"
#include "SimReceiver.h"
#include "core/ControlLoop.h"
#include "core/Station.h"

#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

namespace zetest {

// A whole station without windows: a temporary working directory and settings file, the fake
// panel, a settable clock and the simulated receiver on a real pseudo-terminal.
class CoreFixture
{
public:
    // pacing off keeps the tests fast; the exchange limit is shortened to tickMs.
    explicit CoreFixture(bool startReceiver = true, qint64 tickMs = 100);
    ~CoreFixture();

    QString dir() const { return tempDir.path(); }
    QString path(const QString &name) const { return tempDir.filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes) const;
    QByteArray readFile(const QString &name) const;
    // A stored setting, written before start-up.
    void storeSetting(const QString &key, const QString &value);

    // Start-up against the fake panel, the port pointed at the simulated receiver.
    bool startUp();
    // Runs n passes of the control loop without waiting for events.
    void runPasses(int n);

    // What the program sent to the receiver since the last clearSent().
    std::vector<std::string> sent() const { return sim.commands(); }
    void clearSent() { sim.clearLog(); }

    QTemporaryDir tempDir;
    ze::ManualClock clock;
    FakePanel panel;
    zesim::SimReceiver sim;
    std::unique_ptr<ze::Station> station;
    std::unique_ptr<ze::ControlLoop> loop;
    bool receiverStarted = false;
    qint64 tick = 100;
};

} // namespace zetest
