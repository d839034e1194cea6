#pragma once

#include <QString>

#include <optional>

namespace ze {

class Station;

// Keys of the keypad, as the main window's cmdDigits indexes them: 0-8 the digits 1-9, 9 the 0.
enum KeypadKey {
    KeyPoint = 10,
    KeyEnter = 11,
    KeyMode = 12,
    KeyAtt = 13,
    KeyStore = 14,
    KeyClear = 15,
};

// What the operator can do, in one place: the main window's buttons, the network clients and
// every later front end act through these and nothing else. Each changes the state as its button
// does; the control loop acts on it at its next pass.
class OperatorCommands
{
public:
    explicit OperatorCommands(Station &station)
        : m_station(station)
    {
    }

    // A keypad key: digits and the point type a frequency, Mode and ATT choose how it is tuned,
    // Enter tunes it at once, Store and Clear empty it. Any key means direct mode.
    void pressKey(int key);
    // Direct mode, then one step of the chosen step size up or down, tuned at once.
    void stepFrequency(bool up);
    // Manual mode on the channel delta away from the current one.
    void stepChannel(int delta);
    // Manual mode on a channel of the loaded bank.
    void pickChannel(int bank, int channel);
    // Scans the ticked banks from the channel after the current one.
    void scanBanks();
    // Searches the current range.
    void searchRange();
    // Searches a range from a frequency on (its next step is the one after hz).
    void searchFrom(int range, qint64 hz);
    void stop();
    // Moves on from the signal a scan or search holds on: the hold ends, the next step follows.
    void passOver();
    // Direct mode at hz with a mode letter (the lit one when empty) and the attenuator (the lamp's
    // when not given): the display shows it at once, the command goes out at the next pass, not
    // inside whatever exchange is under way. A tuning the receiver already stands on sends
    // nothing. False when the receiver cannot tune it.
    bool tune(qint64 hz, const QString &mode = QString(),
              std::optional<bool> attenuator = std::nullopt);
    // Another mode at the frequency tuned; with none tuned yet, the mode the first one takes.
    void chooseMode(const QString &mode);
    // The mode letter tuned last, or the lit lamp's when nothing was tuned.
    QString currentMode() const;

private:
    void enterKeypad(const QString &typed);

    Station &m_station;
};

// Steps the displayed frequency by the chosen step ("UP", anything else down), keeps it within
// 0.1 to 2036 MHz, shows it and sends it.
void StepFrequency(Station &station, const QString &direction);

} // namespace ze
