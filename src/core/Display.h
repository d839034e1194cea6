#pragma once

#include <QString>

namespace ze {

// The receiver's display as tuning, scanning and logging see it: the channel and frequency
// readouts, the bank and mode lamps and the S-meter. The front panel's display implements it;
// core tests use a fake.
class Display
{
public:
    virtual ~Display() = default;

    virtual QString frequencyText() const = 0;
    virtual void setFrequencyText(const QString &text) = 0;
    virtual QString channelText() const = 0;
    virtual void setChannelText(const QString &text) = 0;
    virtual void showBank(int bank) = 0; // 1..4 lights that lamp alone; 0 darkens all four
    virtual bool modeLit(int index) const = 0; // index 0..5 in "NWALUC" order
    virtual void setModeLit(int index, bool lit) = 0;
    virtual bool attenuatorLit() const = 0;
    virtual void setAttenuatorLit(bool lit) = 0;
    virtual void setPassLit(bool lit) = 0;
    virtual bool signalBarLit(int index) const = 0; // 0..10
    virtual void setSignalBarLit(int index, bool lit) = 0;
};

// Index of the last lit mode lamp, 0 when none is lit: the mode the keypad tunes with.
int litModeIndex(const Display &display);
// Lights the lamp of a mode letter alone (an empty letter counts as "N"); a letter outside
// "NWALUC" leaves the lamps as they are.
void showModeLetter(Display &display, const QString &mode);

} // namespace ze
