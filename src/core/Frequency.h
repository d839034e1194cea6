#pragma once

#include <QString>

namespace ze {

// Mode letters in lamp order: N NFM, W WFM, A AM, L LSB, U USB, C CW.
inline const QString modeLetters = QStringLiteral("NWALUC");

// The receiver tunes from 0.1 to 2036 MHz.
constexpr double lowestMegahertz = 0.1;
constexpr double highestMegahertz = 2036.0;

// Megahertz as frequency text: at most 15 significant digits, no exponent, a point whatever the
// locale, at least four decimals (145.5 -> "145.5000"; a longer decimal part is kept whole).
QString FormatFrequency(double megahertz);
// A channel's frequency as the display shows it: cut (not rounded) to four decimals, no zero
// before the point below 1 (0.5 -> ".5000", 145.12345 -> "145.1234").
QString displayFrequency(const QString &frequencyText);
// Hertz as the receiver's text: rounded to the 100 Hz it tunes in, four decimals of megahertz.
QString frequencyTextFromHz(qint64 hz);
// The frequency a text starts with, in whole hertz (0 when it starts with no number).
qint64 hzFromFrequencyText(const QString &frequencyText);
// Level 0..15 from the first character of a "Y" reply ("A".."P"); anything else gives 0.
int levelFromReply(const QString &reply);
// Squelch threshold from the slider value: |value - 12|.
int squelchThreshold(int sliderValue);

} // namespace ze
