#pragma once

// Checks on recorded sound, for the tones the simulated receiver plays: samples are floats at
// full scale 1, mono, at rate frames a second. And the sound server they are recorded from.

#include <string>
#include <vector>

namespace zetest {

// The strongest pitch between 200 and 4000 Hz, to about 1 Hz (0 for fewer than 50 ms or
// silence): Goertzel powers of Hann-windowed 50 ms pieces, summed, on a 10 Hz grid refined to
// 0.5 Hz around the best.
double dominantHertz(const std::vector<float> &samples, int rate);

// How many places in the stretches of the tone at toneHz break the sine: a gap, a dropped or
// repeated block, a jump in phase. The sine's recurrence over a quarter period k,
// x[n] = 2 cos(k w) x[n-k] - x[n-2k], must hold to within a quarter of the local peak, which
// leaves room for the sound server's resampling. The tone is there where a sample within one
// period reaches minAmplitude; a silence of 200 ms or more (or at either end) starts or ends a
// stretch and is no break, a shorter one is; the first and last 5 ms are not checked. Nearby
// failures count as one break. The samples must hold no other tone.
int continuityBreaks(const std::vector<float> &samples, int rate, double toneHz,
                     double minAmplitude);

// The largest magnitude of the samples.
float peakOf(const std::vector<float> &samples);

// Whether tests that need a sound server run: with ZE_TEST_SOUND=1 they must (a server that does
// not answer is a failure); with PULSE_SERVER set they run when it answers; else they skip, so
// that nobody's own loudspeakers play test tones. Returns false with the reason to skip or fail.
bool soundServerForTests(bool *required, std::string *why);

// Records seconds of the default source (scripts/sound-server makes it the monitor of the sink
// everything plays into) as mono floats at rate; empty with the reason when it cannot.
std::vector<float> recordDefaultSource(int rate, double seconds, std::string *error);

} // namespace zetest
