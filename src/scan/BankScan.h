#pragma once

namespace ze {

class Station;

// One step of bank scanning: the next channel of a ticked bank is shown, tuned and sampled; an
// empty or locked-out channel is passed over; an unticked bank is passed over whole.
void ScanStep(Station &station);
// The loop's passes in mode 2 (start) and mode 1 (scanning).
void scanStartPass(Station &station);
void scanPass(Station &station);

} // namespace ze
