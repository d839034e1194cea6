#include "receiver/Tuning.h"

#include "core/Station.h"
#include "scan/ActivityLog.h"
#include "storage/TextFields.h"

#include <cmath>
#include <cstdlib>

namespace ze {

namespace {

// At most 15 significant digits, fixed point, no trailing zeros after the point.
QString fifteenDigits(double x)
{
    if (!std::isfinite(x))
        return QStringLiteral("0");
    const int magnitude = x == 0.0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(x))));
    const int decimals = std::max(0, 14 - magnitude);
    QString text = QString::number(x, 'f', std::min(decimals, 300));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

constexpr QLatin1String levelLetters("ABCDEFGHIJKLMNOP");

} // namespace

QString FormatFrequency(double megahertz)
{
    QString text = fifteenDigits(megahertz);
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0)
        return text + QStringLiteral(".0000");
    const qsizetype decimals = text.size() - point - 1;
    if (decimals < 4)
        text += QString(4 - decimals, QLatin1Char('0'));
    return text;
}

QString displayFrequency(const QString &frequencyText)
{
    QString text = fifteenDigits(leadingNumber(frequencyText));
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QLatin1String("-0.")))
        text.remove(1, 1);
    if (!text.contains(QLatin1Char('.')))
        text += QStringLiteral(".0000");
    else
        text += QStringLiteral("0000");
    return text.left(text.indexOf(QLatin1Char('.')) + 5);
}

int levelFromReply(const QString &reply)
{
    if (reply.isEmpty())
        return 0;
    const qsizetype index = levelLetters.indexOf(reply.at(0));
    return index < 0 ? 0 : int(index);
}

int squelchThreshold(int sliderValue)
{
    return std::abs(sliderValue - 12);
}

void StepFrequency(Station &station, const QString &direction)
{
    FrontPanel &panel = station.panel();
    double f = leadingNumber(panel.display().frequencyText());
    const double step = panel.stepValue() / 10000.0;
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
    panel.display().setFrequencyText(t);
    station.Exchange(t);
    noteTuning(station, t, QString());
}

void noteTuning(Station &station, const QString &frequencyText, const QString &mode)
{
    ProgramState &state = station.state();
    state.tunedFrequency = frequencyText.trimmed();
    if (!mode.trimmed().isEmpty())
        state.tunedMode = mode.trimmed();
    // Whatever a network client asked for before is older than this.
    state.pendingTune.clear();
}

void TuneDirect(Station &station, const QString &frequencyText, const QString &mode)
{
    ProgramState &state = station.state();
    Display &display = station.panel().display();
    state.operatingMode = ModeDirect;
    display.setFrequencyText(frequencyText);
    showModeLetter(station, mode);
    noteTuning(station, frequencyText, mode);
    state.pendingTune = frequencyText
            + (display.attenuatorLit() ? QLatin1Char('R') : QLatin1Char('T')) + mode;
}

void TuneChannel(Station &station)
{
    station.WrapChannel();
    const ProgramState &state = station.state();
    const ChannelRecord &r = state.banks(state.currentBank, state.currentChannel);
    const QString command = r.Frequency.trimmed() + r.Mode.trimmed()
            + (r.ATT == 1 ? QStringLiteral("R") : QStringLiteral("T"));
    station.Exchange(command);
    noteTuning(station, r.Frequency, r.Mode);
}

void SampleSignal(Station &station)
{
    ProgramState &state = station.state();
    FrontPanel &panel = station.panel();
    station.Exchange(QStringLiteral("Y"));
    const int level = levelFromReply(station.Exchange(QStringLiteral("Y")));
    const int mode = state.operatingMode;
    // The log writers read the level of this sample.
    if (level >= squelchThreshold(panel.squelchValue())) {
        station.Exchange(QStringLiteral("F"));
        if ((mode == ModeScanning || mode == ModeScanStart) && panel.writeToLogfile())
            WriteChannelLogLine(station, level);
        state.holdStart
                = static_cast<qint32>(std::nearbyint(station.clock().secondsSinceMidnight()));
        if (mode >= ModeScanning && mode <= ModeManual)
            ShowChannel(station);
    } else {
        station.Exchange(QStringLiteral("E"));
        state.lastLoggedFrequency.clear();
    }
    if ((mode == ModeSearching || mode == ModeSearchStart) && panel.writeToLogfile())
        WriteSearchLogLine(station, level);
    ShowSignalBars(station, level);
    state.signalLevel = static_cast<qint16>(level);
}

int litModeIndex(const Display &display)
{
    int last = 0;
    for (int i = 0; i < modeLetters.size(); ++i) {
        if (display.modeLit(i))
            last = i;
    }
    return last;
}

void showModeLetter(Station &station, const QString &mode)
{
    Display &display = station.panel().display();
    // Found where the text stands in "NWALUC"; the empty text stands at the start.
    const int index = int(modeLetters.indexOf(mode));
    if (index < 0 || display.modeLit(index))
        return;
    for (int i = 0; i < modeLetters.size(); ++i)
        display.setModeLit(i, false);
    display.setModeLit(index, true);
}

void ShowChannel(Station &station)
{
    const ProgramState &state = station.state();
    FrontPanel &panel = station.panel();
    Display &display = panel.display();
    const double channel = leadingNumber(display.channelText());
    // The display may hold anything; only a real channel of a real bank is shown.
    if (!Banks::validBank(state.currentBank) || channel < 0 || channel >= Banks::channelCount)
        return;
    const ChannelRecord &r = state.banks(state.currentBank, static_cast<int>(channel));
    if (panel.showsFrequency())
        display.setFrequencyText(displayFrequency(r.Frequency));
    else
        display.setFrequencyText(r.Description);
    showModeLetter(station, r.Mode);
    display.setAttenuatorLit(r.ATT == 1);
    display.setPassLit(r.LockOut == 1);
}

void ShowScanPosition(Station &station)
{
    const ProgramState &state = station.state();
    Display &display = station.panel().display();
    display.setChannelText(QString::number(state.currentChannel));
    display.showBank(state.currentBank);
    display.setFrequencyText(QStringLiteral("Scanning..."));
}

void ShowSearchPosition(Station &station)
{
    const ProgramState &state = station.state();
    Display &display = station.panel().display();
    display.setChannelText(QStringLiteral("--"));
    display.showBank(0);
    if (state.currentRange >= 0 && state.currentRange < Ranges::count)
        showModeLetter(station, state.ranges[state.currentRange].Mode);
    for (int i = 0; i <= 10; ++i)
        display.setSignalBarLit(i, false);
    display.setFrequencyText(state.searchFrequency);
}

void ShowSignalBars(Station &station, int level)
{
    Display &display = station.panel().display();
    for (int i = 0; i <= 10; ++i)
        display.setSignalBarLit(i, i <= level);
}

} // namespace ze
