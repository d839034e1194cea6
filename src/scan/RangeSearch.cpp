#include "scan/RangeSearch.h"

#include "core/Station.h"
#include "core/TextFields.h"
#include "receiver/Tuning.h"
#include "storage/Lockouts.h"

#include <cmath>

namespace ze {

namespace {

// Frequencies of the plot are held with four decimals, as whole units of 0.0001 MHz.
qint64 fixedPoint(double megahertz)
{
    if (!std::isfinite(megahertz) || std::fabs(megahertz) > 1e14)
        return 0;
    return std::llround(megahertz * 10000.0);
}

// Most steps a search passes over in one pass: past them the range is taken as all lockouts.
constexpr int maxPassedOver = 100000;

void nextFrequency(ProgramState &state, const RangeRecord &r)
{
    const double f = leadingNumber(state.searchFrequency);
    if (leadingNumber(r.From) > f)
        state.searchFrequency = r.From;
    if (leadingNumber(r.To) < leadingNumber(state.searchFrequency))
        state.searchFrequency = r.From;
    // The bounds are tested before the step, so a sweep starts at From + Step.
    state.searchFrequency
            = FormatFrequency(leadingNumber(state.searchFrequency) + leadingNumber(r.Step));
}

} // namespace

void SearchStep(Station &station)
{
    ProgramState &state = station.state();
    if (state.currentRange < 0 || state.currentRange >= Ranges::count)
        return;
    const RangeRecord &r = state.ranges[state.currentRange];
    nextFrequency(state, r);
    // A locked-out frequency is passed over without a sample, as many as there are in a row;
    // a range that is all lockouts tunes nothing.
    if (!state.lockouts.isEmpty()) {
        const qint64 step = hzFromFrequencyText(r.Step);
        // A sweep has this many steps, the one past To included.
        const double steps
                = step > 0 ? (leadingNumber(r.To) - leadingNumber(r.From)) * 1e6 / double(step) : 0;
        const int sweep = std::isfinite(steps) && steps >= 0
                ? int(std::min(steps + 2, double(maxPassedOver)))
                : 1;
        for (int passed = 0;
             lockedOut(state.lockouts, hzFromFrequencyText(state.searchFrequency), step);
             ++passed) {
            if (passed == sweep) {
                ShowSearchPosition(station);
                return;
            }
            nextFrequency(state, r);
        }
    }
    const std::optional<ReceiverCommand> command
            = ReceiverCommand::search(state.searchFrequency, r.Mode);
    if (!command) {
        // Passed over like a channel that cannot be tuned; the search goes on.
        station.notify(NoticeSource::Command,
                       QStringLiteral("%1 in the range \"%2\" was passed over: %3.")
                               .arg(state.searchFrequency, r.Description,
                                    tuningProblem(state.searchFrequency, r.Mode)));
        ShowSearchPosition(station);
        return;
    }
    station.Exchange(*command);
    station.noteTuning(state.searchFrequency, r.Mode, std::nullopt);
    SampleSignal(station);
    Q_EMIT station.events().searchStepMeasured(hzFromFrequencyText(state.searchFrequency),
                                               state.signalLevel);
    ShowSearchPosition(station);
    if (station.choices().spectrumTicked())
        station.spectrum().plot({fixedPoint(leadingNumber(r.From)), fixedPoint(leadingNumber(r.To)),
                                 fixedPoint(leadingNumber(r.Step)),
                                 fixedPoint(leadingNumber(state.searchFrequency)),
                                 state.signalLevel});
}

void searchStartPass(Station &station)
{
    SearchStep(station);
    ShowSearchPosition(station);
    station.setMode(ModeSearching);
}

void searchPass(Station &station)
{
    if (station.state().holdStart >= 1) {
        SampleSignal(station);
        station.CheckHoldExpired();
    } else {
        SearchStep(station);
    }
    station.ShowStatus(station.choices().spectrumTicked()
                               ? QStringLiteral("Scanning range with spectrum")
                               : QStringLiteral("Scanning range"));
}

} // namespace ze
