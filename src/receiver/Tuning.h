#pragma once

#include <QString>

namespace ze {

class Display;
class Station;

// Mode letters in lamp order: N NFM, W WFM, A AM, L LSB, U USB, C CW.
inline const QString modeLetters = QStringLiteral("NWALUC");

// Megahertz as frequency text: at most 15 significant digits, no exponent, a point whatever the
// locale, at least four decimals (145.5 -> "145.5000"; a longer decimal part is kept whole).
QString FormatFrequency(double megahertz);
// A channel's frequency as the display shows it: cut (not rounded) to four decimals, no zero
// before the point below 1 (0.5 -> ".5000", 145.12345 -> "145.1234").
QString displayFrequency(const QString &frequencyText);
// Level 0..15 from the first character of a "Y" reply ("A".."P"); anything else gives 0.
int levelFromReply(const QString &reply);
// Squelch threshold from the slider value: |value - 12|.
int squelchThreshold(int sliderValue);

// Steps the displayed frequency by the chosen step ("UP", anything else down), keeps it within
// 0.1 to 2036 MHz, shows it and sends it.
void StepFrequency(Station &station, const QString &direction);
// Tunes the current channel: frequency, mode letter, "R" or "T".
void TuneChannel(Station &station);
// Tunes as the keypad's Enter does, for a network client: direct mode, the display shows it, and
// the command goes out at the next pass, not inside whatever exchange is under way.
void TuneDirect(Station &station, const QString &frequencyText, const QString &mode);
// Remembers what a tuning command told the receiver (an empty mode keeps the last one) and drops
// a network client's tuning still waiting for its pass.
void noteTuning(Station &station, const QString &frequencyText, const QString &mode);
// "Y" twice, the squelch decision, "F" or "E", the hold, the log writers, the S-meter.
void SampleSignal(Station &station);
void ShowChannel(Station &station);
void ShowScanPosition(Station &station);
void ShowSearchPosition(Station &station);
void ShowSignalBars(Station &station, int level);
// Index of the last lit mode lamp, 0 when none is lit: the mode the keypad tunes with.
int litModeIndex(const Display &display);
// Lights the lamp of a mode letter alone (an empty letter counts as "N"); a letter outside
// "NWALUC" leaves the lamps as they are.
void showModeLetter(Station &station, const QString &mode);

} // namespace ze
