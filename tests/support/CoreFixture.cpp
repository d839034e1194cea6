#include "CoreFixture.h"

namespace zetest {

CoreFixture::CoreFixture(bool startReceiver, qint64 tickMs)
    : Workspace(startReceiver)
    , tick(tickMs)
{
    makeStation();
}

CoreFixture::~CoreFixture()
{
    loop.reset();
    station.reset();
}

void CoreFixture::makeStation()
{
    loop.reset();
    station = std::make_unique<ze::Station>(paths(), clock);
    station->attach(&panel);
    station->serialPort().setTickMs(tick);
    loop = std::make_unique<ze::ControlLoop>(*station);
}

bool CoreFixture::startUp()
{
    // The settings file is read when the station is made; remake it so stored keys count.
    makeStation();
    const bool ok = station->StartUp();
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
    ze::ProgramState &s = station->state();
    s.savedChannel = s.currentChannel;
    station->SelectMode(ze::ModeScanStart);
    s.currentChannel = s.savedChannel;
}

void CoreFixture::runPasses(int n)
{
    for (int i = 0; i < n; ++i)
        loop->pass();
}

} // namespace zetest
