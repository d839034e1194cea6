#include "core/OperatorCommands.h"

#include "core/Frequency.h"
#include "core/Station.h"
#include "core/TextFields.h"

namespace ze {

void OperatorCommands::pressKey(int key)
{
    Display &display = m_station.display();
    QString text = display.frequencyText();
    if (text.contains(QLatin1Char('-')) || m_station.state().operatingMode != ModeDirect)
        text.clear();
    // Direct mode without SelectMode: bank, channel and hold stay where they were.
    m_station.setMode(ModeDirect);

    if (key >= 0 && key <= 8) {
        text += QString::number(key + 1);
    } else if (key == 9) {
        text += QLatin1Char('0');
    } else if (key == KeyPoint) {
        if (!text.contains(QLatin1Char('.')))
            text += QLatin1Char('.');
    } else if (key == KeyEnter) {
        enterKeypad(text);
    } else if (key == KeyMode) {
        const int next = (litModeIndex(display) + 1) % 6;
        for (int i = 0; i < 6; ++i)
            display.setModeLit(i, false);
        display.setModeLit(next, true);
    } else if (key == KeyAtt) {
        display.setAttenuatorLit(!display.attenuatorLit());
    } else if (key == KeyClear) {
        text.clear();
    }
    display.setFrequencyText(text);
}

void OperatorCommands::enterKeypad(const QString &typed)
{
    Display &display = m_station.display();
    const QString mode = modeLetters.at(litModeIndex(display));
    const bool att = display.attenuatorLit();
    const std::optional<ReceiverCommand> command = ReceiverCommand::keypad(typed, att, mode);
    if (!command) {
        m_station.notify(NoticeSource::Command,
                         QStringLiteral("Nothing was tuned: \"%1\" is not a frequency the "
                                        "receiver can take (%2).")
                                 .arg(typed.trimmed(), frequencyProblem(typed)));
        return;
    }
    m_station.notify(NoticeSource::Command, QString());
    m_station.Exchange(*command);
    m_station.noteTuning(typed, mode, att);
}

void OperatorCommands::stepFrequency(bool up)
{
    m_station.SelectMode(ModeDirect);
    StepFrequency(m_station, up ? QStringLiteral("UP") : QStringLiteral("DOWN"));
}

void OperatorCommands::stepChannel(int delta)
{
    ProgramState &state = m_station.state();
    state.savedChannel = static_cast<qint16>(state.currentChannel + delta);
    m_station.SelectMode(ModeManualStart);
    state.currentChannel = state.savedChannel;
    m_station.WrapChannel();
}

void OperatorCommands::pickChannel(int bank, int channel)
{
    ProgramState &state = m_station.state();
    m_station.SelectMode(ModeManualStart);
    state.currentBank = static_cast<qint16>(bank);
    state.currentChannel = static_cast<qint16>(channel);
}

void OperatorCommands::scanBanks()
{
    ProgramState &state = m_station.state();
    state.savedChannel = state.currentChannel;
    m_station.SelectMode(ModeScanStart);
    state.currentChannel = state.savedChannel;
}

void OperatorCommands::searchRange()
{
    m_station.SelectMode(ModeSearchStart);
}

void OperatorCommands::searchFrom(int range, qint64 hz)
{
    if (range < 0 || range >= Ranges::count)
        return;
    ProgramState &state = m_station.state();
    state.currentRange = static_cast<qint16>(range);
    state.searchFrequency = frequencyTextFromHz(hz);
    m_station.SelectMode(ModeSearchStart);
}

void OperatorCommands::stop()
{
    m_station.SelectMode(ModeIdle);
}

void OperatorCommands::passOver()
{
    m_station.endHold();
}

QString OperatorCommands::currentMode() const
{
    const QString &tuned = m_station.state().tunedMode;
    if (!tuned.isEmpty())
        return tuned;
    return modeLetters.mid(litModeIndex(m_station.display()), 1);
}

bool OperatorCommands::tune(qint64 hz, const QString &mode, std::optional<bool> attenuator)
{
    ProgramState &state = m_station.state();
    Display &display = m_station.display();
    const QString text = frequencyTextFromHz(hz);
    const QString letter = mode.isEmpty() ? currentMode() : mode;
    const bool att = attenuator.value_or(display.attenuatorLit());
    const std::optional<ReceiverCommand> command = ReceiverCommand::keypad(text, att, letter);
    if (!command)
        return false;
    const bool standing = state.operatingMode == ModeDirect && !state.pendingTune
            && state.tunedFrequency == text && state.tunedMode == letter
            && state.tunedAttenuator == att;
    m_station.setMode(ModeDirect);
    display.setFrequencyText(text);
    showModeLetter(display, letter);
    display.setAttenuatorLit(att);
    if (standing)
        return true;
    // What the clients read back is what they asked for, before the pass sends it.
    state.tunedFrequency = text;
    state.tunedMode = letter;
    state.tunedAttenuator = att;
    state.pendingTune = PendingTune {*command, text, letter, att};
    return true;
}

void OperatorCommands::chooseMode(const QString &mode)
{
    ProgramState &state = m_station.state();
    if (state.tunedFrequency.isEmpty()) {
        // Nothing to tune yet: the mode goes with the first frequency.
        state.tunedMode = mode;
        showModeLetter(m_station.display(), mode);
        return;
    }
    tune(hzFromFrequencyText(state.tunedFrequency), mode);
}

void StepFrequency(Station &station, const QString &direction)
{
    Display &display = station.display();
    double f = leadingNumber(display.frequencyText());
    const double step = station.choices().stepValue() / 10000.0;
    if (direction == QLatin1String("UP"))
        f += step;
    else
        f -= step;
    QString t = FormatFrequency(f);
    const double value = leadingNumber(t);
    if (value < 0.1)
        t = QStringLiteral("0.100");
    else if (value > 2036)
        t = QStringLiteral("2036.0000");
    display.setFrequencyText(t);
    // Always within the span, so always a command the receiver takes.
    if (const std::optional<ReceiverCommand> command = ReceiverCommand::frequency(t)) {
        station.Exchange(*command);
        station.noteTuning(t, QString(), std::nullopt);
    }
}

} // namespace ze
