#pragma once

#include <QSize>

namespace ze {

class Station;

// One step of the range search: on to the next frequency of the current range, tuned, sampled,
// shown and, with "Spectrum" ticked, plotted.
void SearchStep(Station &station);
void searchStartPass(Station &station);
void searchPass(Station &station);

// The three lines of one spectrum column. Frequencies in units of 0.0001 MHz.
struct SpectrumColumn
{
    bool drawable = false; // false when the range gives no column width (To = From, Step 0, ...)
    int columnWidth = 0;
    int x = 0; // the column erased and drawn
    int markerX = 0; // the next position, in dark red
    int top = 0; // upper end of the level line, from the bottom edge H
};
SpectrumColumn spectrumColumn(QSize surface, qint64 from, qint64 to, qint64 step, qint64 frequency,
                              int level);
void PlotSpectrum(Station &station, double from, double to, double step, double frequency,
                  int level);

} // namespace ze
