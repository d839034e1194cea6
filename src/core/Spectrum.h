#pragma once

#include <QSize>
#include <QtGlobal>

namespace ze {

// The three lines of one spectrum column on a surface of the given size, for one search step.
// Frequencies in units of 0.0001 MHz.
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

} // namespace ze
