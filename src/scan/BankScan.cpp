#include "scan/BankScan.h"

#include "core/Station.h"
#include "receiver/Tuning.h"

namespace ze {

void ScanStep(Station &station)
{
    ProgramState &state = station.state();
    station.WrapChannel();
    if (!station.choices().bankTicked(state.currentBank)) {
        // An unticked bank is passed over whole in one step.
        state.currentChannel = 0;
        state.currentBank = static_cast<qint16>(state.currentBank + 1);
        return;
    }
    const ChannelRecord &r = state.banks(state.currentBank, state.currentChannel);
    if (!r.Frequency.isEmpty() && r.LockOut == 0) {
        // The display names the visited channel while a hold lasts: the sample's log line and
        // the holding passes read it from there.
        station.display().setChannelText(QString::number(state.currentChannel));
        // A channel the receiver cannot take is passed over like an empty one.
        if (TuneChannel(station)) {
            SampleSignal(station);
            Q_EMIT station.events().channelMeasured(state.currentBank, state.currentChannel,
                                                    state.signalLevel);
            station.CheckHoldExpired();
            ShowChannel(station);
            ShowScanPosition(station);
        }
    }
    state.currentChannel = static_cast<qint16>(state.currentChannel + 1);
}

void scanStartPass(Station &station)
{
    ProgramState &state = station.state();
    state.currentChannel = static_cast<qint16>(state.currentChannel + 1);
    ShowScanPosition(station);
    ScanStep(station);
    station.setMode(ModeScanning);
}

void scanPass(Station &station)
{
    if (station.state().holdStart >= 1) {
        SampleSignal(station);
        station.CheckHoldExpired();
    } else {
        ScanStep(station);
    }
    station.ShowStatus(QStringLiteral("Scanning mode"));
}

} // namespace ze
