#include "scan/BankScan.h"

#include "core/Station.h"
#include "receiver/Tuning.h"

namespace ze {

void ScanStep(Station &station)
{
    ProgramState &state = station.state();
    station.WrapChannel();
    if (!station.panel().bankTicked(state.currentBank)) {
        // An unticked bank is passed over whole in one step.
        state.currentChannel = 0;
        state.currentBank = static_cast<qint16>(state.currentBank + 1);
        return;
    }
    const ChannelRecord &r = state.banks(state.currentBank, state.currentChannel);
    if (!r.Frequency.isEmpty() && r.LockOut == 0) {
        // The display names the visited channel while a hold lasts: the sample's log line and
        // the holding passes read it from there.
        station.panel().display().setChannelText(QString::number(state.currentChannel));
        TuneChannel(station);
        SampleSignal(station);
        station.CheckHoldExpired();
        ShowChannel(station);
        ShowScanPosition(station);
    }
    state.currentChannel = static_cast<qint16>(state.currentChannel + 1);
}

void scanStartPass(Station &station)
{
    ProgramState &state = station.state();
    state.currentChannel = static_cast<qint16>(state.currentChannel + 1);
    ShowScanPosition(station);
    ScanStep(station);
    state.operatingMode = ModeScanning;
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
