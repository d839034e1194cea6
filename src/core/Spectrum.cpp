#include "core/Spectrum.h"

#include <cmath>
#include <limits>

namespace ze {

SpectrumColumn spectrumColumn(QSize surface, qint64 from, qint64 to, qint64 step, qint64 frequency,
                              int level)
{
    SpectrumColumn column;
    const double w = surface.width();
    const double h = surface.height();
    if (step == 0 || to == from || w <= 0 || h <= 0)
        return column;
    const double steps = static_cast<double>(to - from) / static_cast<double>(step);
    const double width = std::floor(w / steps);
    // A range that leaves no whole column (or a width beyond 16 bits) draws nothing.
    if (!std::isfinite(width) || width < 1 || width > std::numeric_limits<qint16>::max())
        return column;
    column.columnWidth = static_cast<int>(width);
    const double x = std::nearbyint(static_cast<double>(frequency - from)
                                    / static_cast<double>(step) * column.columnWidth);
    if (!std::isfinite(x) || std::fabs(x) > 1e9)
        return column;
    column.x = static_cast<int>(x);
    column.markerX = column.x + column.columnWidth;
    column.top = static_cast<int>(std::nearbyint(h - (h / 10.0) * level));
    column.drawable = true;
    return column;
}

} // namespace ze
