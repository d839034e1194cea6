#include "receiver/Tuning.h"

#include "core/Station.h"
#include "core/TextFields.h"

#include <cmath>

namespace ze {

namespace {

// The channel a scan visits is the one the display names, as the log writer reads it.
int shownChannel(Station &station)
{
    const double channel = leadingNumber(station.display().channelText());
    return channel >= 0 && channel < Banks::channelCount ? static_cast<int>(channel) : -1;
}

// What was found where the station stands: the channel shown in a scan, the frequency in a
// search.
HeardSignal heardHere(Station &station, int level)
{
    const ProgramState &state = station.state();
    HeardSignal heard;
    heard.level = level;
    heard.search = state.operatingMode == ModeSearching || state.operatingMode == ModeSearchStart;
    if (heard.search) {
        heard.frequency = state.searchFrequency;
        if (state.currentRange >= 0 && state.currentRange < Ranges::count) {
            const RangeRecord &range = state.ranges[state.currentRange];
            heard.mode = range.Mode.trimmed();
            heard.range = state.currentRange;
            heard.rangeName = range.Description;
        }
        return heard;
    }
    const int channel = shownChannel(station);
    if (!Banks::validBank(state.currentBank) || channel < 0)
        return heard;
    const ChannelRecord &r = state.banks(state.currentBank, channel);
    heard.frequency = r.Frequency.trimmed();
    heard.mode = r.Mode.trimmed();
    heard.bank = state.currentBank;
    heard.channel = channel;
    heard.description = r.Description;
    return heard;
}

bool scanningOrSearching(int mode)
{
    return mode == ModeScanning || mode == ModeScanStart || mode == ModeSearching
            || mode == ModeSearchStart;
}

} // namespace

bool TuneChannel(Station &station)
{
    station.WrapChannel();
    const ProgramState &state = station.state();
    const ChannelRecord &r = state.banks(state.currentBank, state.currentChannel);
    const std::optional<ReceiverCommand> command
            = ReceiverCommand::channel(r.Frequency, r.Mode, r.ATT == 1);
    if (!command) {
        station.notify(NoticeSource::Command,
                       QStringLiteral("Bank %1 channel %2 was passed over: %3.")
                               .arg(state.currentBank)
                               .arg(state.currentChannel)
                               .arg(tuningProblem(r.Frequency, r.Mode)));
        return false;
    }
    station.Exchange(*command);
    station.noteTuning(r.Frequency, r.Mode, r.ATT == 1);
    return true;
}

void SampleSignal(Station &station)
{
    ProgramState &state = station.state();
    station.Exchange(ReceiverCommand::level());
    const int level = levelFromReply(station.Exchange(ReceiverCommand::level()));
    const int mode = state.operatingMode;
    const bool present = level >= squelchThreshold(station.choices().squelchValue());
    if (present) {
        station.Exchange(ReceiverCommand::found());
        const bool holding = state.holdStart != 0;
        state.holdStart
                = static_cast<qint32>(std::nearbyint(station.clock().secondsSinceMidnight()));
        if (mode >= ModeScanning && mode <= ModeManual)
            ShowChannel(station);
        if (!holding && scanningOrSearching(mode))
            Q_EMIT station.events().signalFound(heardHere(station, level));
    } else {
        station.Exchange(ReceiverCommand::notFound());
        state.lastLoggedFrequency.clear();
    }
    // The listeners (the log writers among them) read the level of this sample.
    state.signalLevel = static_cast<qint16>(level);
    Q_EMIT station.events().sampled(level, present);
    ShowSignalBars(station, level);
}

void ShowChannel(Station &station)
{
    const ProgramState &state = station.state();
    Display &display = station.display();
    const int channel = shownChannel(station);
    // The display may hold anything; only a real channel of a real bank is shown.
    if (!Banks::validBank(state.currentBank) || channel < 0)
        return;
    const ChannelRecord &r = state.banks(state.currentBank, channel);
    if (station.choices().showsFrequency())
        display.setFrequencyText(displayFrequency(r.Frequency));
    else
        display.setFrequencyText(r.Description);
    showModeLetter(display, r.Mode);
    display.setAttenuatorLit(r.ATT == 1);
    display.setPassLit(r.LockOut == 1);
}

void ShowScanPosition(Station &station)
{
    const ProgramState &state = station.state();
    Display &display = station.display();
    display.setChannelText(QString::number(state.currentChannel));
    display.showBank(state.currentBank);
    display.setFrequencyText(QStringLiteral("Scanning..."));
}

void ShowSearchPosition(Station &station)
{
    const ProgramState &state = station.state();
    Display &display = station.display();
    display.setChannelText(QStringLiteral("--"));
    display.showBank(0);
    if (state.currentRange >= 0 && state.currentRange < Ranges::count)
        showModeLetter(display, state.ranges[state.currentRange].Mode);
    for (int i = 0; i <= 10; ++i)
        display.setSignalBarLit(i, false);
    display.setFrequencyText(state.searchFrequency);
}

void ShowSignalBars(Station &station, int level)
{
    Display &display = station.display();
    for (int i = 0; i <= 10; ++i)
        display.setSignalBarLit(i, i <= level);
}

} // namespace ze
