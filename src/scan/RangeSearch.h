#pragma once

namespace ze {

class Station;

// One step of the range search: on to the next frequency of the current range, tuned, sampled,
// shown and, with "Spectrum" ticked, plotted.
void SearchStep(Station &station);
void searchStartPass(Station &station);
void searchPass(Station &station);

} // namespace ze
