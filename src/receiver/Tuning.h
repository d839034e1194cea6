#pragma once

#include "core/Frequency.h"

#include <QString>

namespace ze {

class Station;

// Tunes the current channel: frequency, mode letter, "R" or "T". A channel the receiver cannot
// take is not sent: the operator is told it was passed over, and false comes back.
bool TuneChannel(Station &station);
// "Y" twice, the squelch decision, "F" or "E", the hold, the S-meter; the listeners of the
// station's events (the activity log among them) hear of the sample.
void SampleSignal(Station &station);
void ShowChannel(Station &station);
void ShowScanPosition(Station &station);
void ShowSearchPosition(Station &station);
void ShowSignalBars(Station &station, int level);

} // namespace ze
