#pragma once

#include "FakePanel.h"
#include "Workspace.h"
#include "receiver/SerialPort.h"
#include "scan/ControlLoop.h"
#include "scan/StationEngine.h"

#include <memory>
#include <string>
#include <vector>

namespace zetest {

// A whole station without windows: the fake panel, a settable clock, and the workspace's
// simulated receiver.
class CoreFixture : public Workspace
{
public:
    // The exchange limit is shortened to tickMs to keep the tests fast.
    explicit CoreFixture(bool startReceiver = true, qint64 tickMs = 100);
    ~CoreFixture();

    // Start-up against the fake panel, the port pointed at the simulated receiver.
    bool startUp();
    // Runs n passes of the control loop without waiting for events.
    void runPasses(int n);

    // A channel of the loaded bank, description "Ch" and mode N unless given.
    void putChannel(int bank, int channel, const QString &frequency, qint16 lockOut = 0,
                    const QString &description = QStringLiteral("Ch"));
    // A search range, description "R".
    void putRange(int index, const QString &from, const QString &to, const QString &step,
                  const QString &mode = QStringLiteral("N"));
    // What the bank "Scan" button does: the channel is carried over, the bank starts at 1.
    void pressScan();

    ze::SerialPort &serialPort() { return engine->serialPort(); }

    ze::ManualClock clock;
    FakePanel panel;
    std::unique_ptr<ze::StationEngine> engine;
    ze::Station *station = nullptr;
    ze::ControlLoop *loop = nullptr;
    qint64 tick = 100;

private:
    void makeStation();
};

} // namespace zetest
