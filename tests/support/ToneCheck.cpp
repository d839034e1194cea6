#include "ToneCheck.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <utility>

namespace zetest {

namespace {

constexpr double twoPi = 6.283185307179586;

// The power at hz summed over Hann-windowed pieces of the samples.
double powerAt(const std::vector<float> &samples, const std::vector<double> &window, int rate,
               double hz)
{
    const double coefficient = 2 * std::cos(twoPi * hz / rate);
    const size_t piece = window.size();
    double total = 0;
    for (size_t start = 0; start + piece <= samples.size(); start += piece / 2) {
        double s1 = 0;
        double s2 = 0;
        for (size_t i = 0; i < piece; ++i) {
            const double s0 = samples[start + i] * window[i] + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        total += s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    }
    return total;
}

} // namespace

double dominantHertz(const std::vector<float> &samples, int rate)
{
    const size_t piece = static_cast<size_t>(rate / 20);
    if (rate <= 0 || piece < 2 || samples.size() < piece)
        return 0;
    std::vector<double> window(piece);
    for (size_t i = 0; i < piece; ++i)
        window[i] = 0.5 - 0.5 * std::cos(twoPi * static_cast<double>(i) / (piece - 1));
    auto best = [&](double from, double to, double step) {
        double bestHz = 0;
        double bestPower = 0;
        for (double hz = from; hz <= to + step / 2; hz += step) {
            const double power = powerAt(samples, window, rate, hz);
            if (power > bestPower) {
                bestPower = power;
                bestHz = hz;
            }
        }
        return bestHz;
    };
    const double coarse = best(200, std::min(4000.0, rate / 2.0 - 50), 10);
    return coarse > 0 ? best(coarse - 10, coarse + 10, 0.5) : 0;
}

int continuityBreaks(const std::vector<float> &samples, int rate, double toneHz,
                     double minAmplitude)
{
    if (rate <= 0 || toneHz <= 0 || toneHz >= rate / 2.0)
        return 0;
    const long n = static_cast<long>(samples.size());
    const long period = std::max(1L, std::lround(rate / toneHz));
    const long k = std::max(1L, std::lround(rate / toneHz / 4));
    const double coefficient = 2 * std::cos(twoPi * toneHz * static_cast<double>(k) / rate);
    auto magnitude = [&](long i) { return double {std::fabs(samples[static_cast<size_t>(i)])}; };

    // Where the tone is: some sample within one period either side reaches minAmplitude.
    std::vector<char> loud(samples.size());
    for (long i = 0; i < n; ++i)
        loud[static_cast<size_t>(i)] = magnitude(i) >= minAmplitude;
    std::vector<char> present(samples.size());
    long lastLoud = -n - period - 1;
    for (long i = 0; i < n + period; ++i) {
        if (i < n && loud[static_cast<size_t>(i)])
            lastLoud = i;
        if (i - period >= 0 && i - lastLoud <= 2 * period)
            present[static_cast<size_t>(i - period)] = 1;
    }

    // Silences of 200 ms or more, and those at either end, lie outside the stretches; a
    // margin keeps the tone's own start and end out of the check.
    const long longSilence = rate / 5;
    const long margin = 2 * period + 2 * k;
    std::vector<char> checked(samples.size(), 1);
    for (long i = 0; i < n;) {
        if (present[static_cast<size_t>(i)]) {
            ++i;
            continue;
        }
        long end = i;
        while (end < n && !present[static_cast<size_t>(end)])
            ++end;
        if (i == 0 || end == n || end - i >= longSilence) {
            for (long j = std::max(0L, i - margin); j < std::min(n, end + margin); ++j)
                checked[static_cast<size_t>(j)] = 0;
        }
        i = end;
    }

    int breaks = 0;
    long lastBad = -n - 1;
    // A resampler starts and ends a recording with a few milliseconds of its own.
    const long settle = rate / 200;
    for (long i = 2 * k + settle; i < n - settle; ++i) {
        if (!checked[static_cast<size_t>(i)] || !checked[static_cast<size_t>(i - 2 * k)])
            continue;
        const double residual = samples[static_cast<size_t>(i)]
                - coefficient * samples[static_cast<size_t>(i - k)]
                + samples[static_cast<size_t>(i - 2 * k)];
        double peak = 0;
        for (long j = std::max(0L, i - 2 * k - period); j <= std::min(n - 1, i + period); ++j)
            peak = std::max(peak, magnitude(j));
        if (std::fabs(residual) <= 0.25 * peak)
            continue;
        if (i - lastBad > margin)
            ++breaks;
        lastBad = i;
    }
    return breaks;
}

float peakOf(const std::vector<float> &samples)
{
    float peak = 0;
    for (float s : samples)
        peak = std::max(peak, std::fabs(s));
    return peak;
}

bool soundServerForTests(bool *required, std::string *why)
{
    const char *wanted = std::getenv("ZE_TEST_SOUND");
    *required = wanted && std::string(wanted) == "1";
    const char *server = std::getenv("PULSE_SERVER");
    if (!*required && !(server && *server)) {
        *why = "no PULSE_SERVER (scripts/sound-server start DIR makes one; ZE_TEST_SOUND=1 "
               "insists)";
        return false;
    }
    std::string error;
    recordDefaultSource(8000, 0.01, &error);
    if (!error.empty()) {
        *why = error;
        return false;
    }
    return true;
}

std::vector<float> recordDefaultSource(int rate, double seconds, std::string *error)
{
    pa_sample_spec spec {};
    spec.format = PA_SAMPLE_FLOAT32LE;
    spec.rate = static_cast<uint32_t>(rate);
    spec.channels = 1;
    // Small pieces, so that reading ends soon after the time recorded.
    pa_buffer_attr attr {};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(rate / 50 * sizeof(float));
    int code = 0;
    pa_simple *stream = pa_simple_new(nullptr, "ze3000r tests", PA_STREAM_RECORD, nullptr,
                                      "recording", &spec, nullptr, &attr, &code);
    std::vector<float> samples(static_cast<size_t>(std::lround(seconds * rate)));
    if (stream && pa_simple_read(stream, samples.data(), samples.size() * sizeof(float), &code) < 0)
        pa_simple_free(std::exchange(stream, nullptr));
    if (!stream) {
        *error = std::string("sound server: ") + pa_strerror(code);
        return {};
    }
    pa_simple_free(stream);
    return samples;
}

} // namespace zetest
