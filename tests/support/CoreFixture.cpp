#include "CoreFixture.h"

#include "scan/StartUp.h"

namespace zetest {

CoreFixture::CoreFixture(bool startReceiver, qint64 tickMs)
    : Workspace(startReceiver)
    , tick(tickMs)
{
    makeStation();
}

CoreFixture::~CoreFixture()
{
    engine.reset();
}

void CoreFixture::makeStation()
{
    engine.reset();
    engine = std::make_unique<ze::StationEngine>(paths(), clock);
    station = &engine->station();
    loop = &engine->loop();
    station->attach(panel.views());
    engine->serialPort().setTickMs(tick);
}

bool CoreFixture::startUp()
{
    // The settings file is read when the station is made; remake it so stored keys count.
    makeStation();
    const bool ok = ze::StartUp(*station);
    sim.clearLog();
    return ok;
}

void CoreFixture::putChannel(int bank, int channel, const QString &frequency, qint16 lockOut,
                             const QString &description)
{
    station->state().banks(bank, channel)
            = ze::ChannelRecord {frequency, description, QStringLiteral("N"), 0, 0, 0, lockOut};
}

void CoreFixture::putRange(int index, const QString &from, const QString &to, const QString &step,
                           const QString &mode)
{
    station->state().ranges[index] = ze::RangeRecord {from, to, mode, QStringLiteral("R"), step};
}

void CoreFixture::pressScan()
{
    station->commands().scanBanks();
}

void CoreFixture::runPasses(int n)
{
    for (int i = 0; i < n; ++i)
        loop->pass();
}

} // namespace zetest
