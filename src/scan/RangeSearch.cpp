#include "scan/RangeSearch.h"

#include "core/Station.h"
#include "receiver/Tuning.h"
#include "storage/TextFields.h"

#include <cmath>
#include <limits>

namespace ze {

namespace {

// Frequencies of the plot are held with four decimals, as whole units of 0.0001 MHz.
qint64 fixedPoint(double megahertz)
{
    if (!std::isfinite(megahertz) || std::fabs(megahertz) > 1e14)
        return 0;
    return std::llround(megahertz * 10000.0);
}

} // namespace

void SearchStep(Station &station)
{
    ProgramState &state = station.state();
    if (state.currentRange < 0 || state.currentRange >= Ranges::count)
        return;
    const RangeRecord &r = state.ranges[state.currentRange];
    const double f = leadingNumber(state.searchFrequency);
    if (leadingNumber(r.From) > f)
        state.searchFrequency = r.From;
    if (leadingNumber(r.To) < leadingNumber(state.searchFrequency))
        state.searchFrequency = r.From;
    // The bounds are tested before the step, so a sweep starts at From + Step.
    state.searchFrequency
            = FormatFrequency(leadingNumber(state.searchFrequency) + leadingNumber(r.Step));
    station.Exchange(state.searchFrequency.trimmed() + r.Mode.trimmed());
    noteTuning(station, state.searchFrequency, r.Mode);
    SampleSignal(station);
    ShowSearchPosition(station);
    if (station.panel().spectrumTicked())
        PlotSpectrum(station, leadingNumber(r.From), leadingNumber(r.To), leadingNumber(r.Step),
                     leadingNumber(state.searchFrequency), state.signalLevel);
}

void searchStartPass(Station &station)
{
    SearchStep(station);
    ShowSearchPosition(station);
    station.state().operatingMode = ModeSearching;
}

void searchPass(Station &station)
{
    if (station.state().holdStart >= 1) {
        SampleSignal(station);
        station.CheckHoldExpired();
    } else {
        SearchStep(station);
    }
    station.ShowStatus(station.panel().spectrumTicked()
                               ? QStringLiteral("Scanning range with spectrum")
                               : QStringLiteral("Scanning range"));
}

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

void PlotSpectrum(Station &station, double from, double to, double step, double frequency,
                  int level)
{
    FrontPanel &panel = station.panel();
    const QSize surface = panel.spectrumSize();
    const SpectrumColumn column = spectrumColumn(surface, fixedPoint(from), fixedPoint(to),
                                                 fixedPoint(step), fixedPoint(frequency), level);
    if (!column.drawable)
        return;
    const int h = surface.height();
    panel.drawSpectrumLine(column.markerX, 0, h, SpectrumPen::Marker);
    panel.drawSpectrumLine(column.x, 0, h, SpectrumPen::Erase);
    panel.drawSpectrumLine(column.x, h, column.top, SpectrumPen::Level);
}

} // namespace ze
