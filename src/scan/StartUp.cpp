#include "scan/StartUp.h"

#include "core/Station.h"
#include "core/TextFields.h"
#include "storage/BankFile.h"
#include "storage/BankName.h"
#include "storage/DataFile.h"
#include "storage/Lockouts.h"
#include "storage/RangeFile.h"

#include <optional>

namespace ze {

namespace {

// The stored settings' keys, made once and handed out by reference.
struct SettingKeys
{
    const QString stepSize = QStringLiteral("FreqStepSize");
    const QString delay = QStringLiteral("Delay");
    const QString display = QStringLiteral("Display");
    const QString squelch = QStringLiteral("Squelch");
    const QString lineSettings = QStringLiteral("Settings");
    const QString port = QStringLiteral("CommPort");
    const QString handshaking = QStringLiteral("Handshaking");
};

const SettingKeys &keys()
{
    static const SettingKeys k;
    return k;
}

const QVector<QPair<QString, int>> &stepEntries()
{
    static const QVector<QPair<QString, int>> entries = {
            {QStringLiteral("0.5 Khz"), 5},    {QStringLiteral("1 Khz"), 10},
            {QStringLiteral("2.5 Khz"), 25},   {QStringLiteral("5 Khz"), 50},
            {QStringLiteral("10 Khz"), 100},   {QStringLiteral("12.5 Khz"), 125},
            {QStringLiteral("25 Khz"), 250},   {QStringLiteral("50 Khz"), 500},
            {QStringLiteral("100 Khz"), 1000}, {QStringLiteral("125 Khz"), 1250},
            {QStringLiteral("250 Khz"), 2500}, {QStringLiteral("500 Khz"), 5000},
    };
    return entries;
}

QStringList delayEntries()
{
    QStringList entries;
    for (int seconds = 0; seconds <= 60; ++seconds)
        entries << QString::number(seconds) + QStringLiteral(" sec.");
    return entries;
}

QString refusal(const QString &key, const QString &value, const QString &why)
{
    return QStringLiteral("The stored setting \"%1\" holds \"%2\", which cannot be used: %3.")
            .arg(key, value, why);
}

// A stored number as the window control takes it: the whole text a number, rounded.
std::optional<int> storedInteger(const QString &text)
{
    const std::optional<double> value = wholeNumber(text);
    if (!value)
        return std::nullopt;
    const std::optional<qint16> rounded = toInt16(*value);
    if (!rounded)
        return std::nullopt;
    return *rounded;
}

bool restoreSettings(Station &station)
{
    StationShell &ui = station.shell();
    StoredSettings &settings = station.settings();
    ReceiverLink &link = station.link();
    QString value;
    auto readKey = [&](const QString &key, const QString &defaultText) {
        value = settings.read(key, defaultText);
        return !value.isEmpty();
    };
    // Start-up cannot go on. Kept, the value would stop every later start too, so it goes and
    // the next start uses the default; the operator learns where the settings are kept.
    auto stop = [&](const QString &key, const QString &why) {
        const bool removed = settings.remove(key) && settings.sync();
        const QString file = QDir::toNativeSeparators(settings.fileName());
        ui.reportStartupError(
                refusal(key, value, why)
                + (removed ? QStringLiteral("\n\nIt has been removed from the settings kept in "
                                            "\"%1\", so the next start uses the default.")
                           : QStringLiteral("\n\nIt could not be removed from the settings kept "
                                            "in \"%1\"; mend or remove it there."))
                          .arg(file));
        return false;
    };

    if (readKey(keys().stepSize, QStringLiteral("5"))) {
        const std::optional<int> index = storedInteger(value);
        if (!index || *index < -1 || *index > 11)
            return stop(keys().stepSize, QStringLiteral("a step number from -1 to 11 is needed"));
        ui.setStepIndex(*index);
    }
    if (readKey(keys().delay, QStringLiteral("2 sec.")))
        ui.setDelayText(value);
    if (readKey(keys().display, QStringLiteral("0"))) {
        const std::optional<int> option = storedInteger(value);
        if (!option || *option < 0 || *option > 1)
            return stop(keys().display, QStringLiteral("0 or 1 is needed"));
        ui.setDisplayOption(*option);
    }
    if (readKey(keys().squelch, QStringLiteral("2"))) {
        const std::optional<int> position = storedInteger(value);
        if (!position || *position < 0 || *position > 12)
            return stop(keys().squelch,
                        QStringLiteral("a squelch position from 0 to 12 is needed"));
        ui.setSquelch(*position);
    }
    QString error;
    if (readKey(keys().lineSettings, QString()) && !link.setLineSettings(value, &error))
        return stop(keys().lineSettings, error);
    if (readKey(keys().port, QString()) && !link.setPort(value, &error))
        return stop(keys().port, error);
    if (readKey(keys().handshaking, QString())) {
        const std::optional<int> code = storedInteger(value);
        if (!code || !link.setHandshaking(*code, &error))
            return stop(keys().handshaking,
                        code ? error : QStringLiteral("a number from 0 to 3 is needed"));
    }
    return true;
}

} // namespace

bool StartUp(Station &station)
{
    StationShell &ui = station.shell();
    ProgramState &state = station.state();
    station.link().ResetPort();
    state.startingUp = true;
    ui.fillStepList(stepEntries());

    if (!restoreSettings(station)) {
        // The port stays closed and the loop idles; the operator has been told why.
        state.startingUp = false;
        station.setMode(ModeIdle);
        state.exchangeBusy = false;
        station.showPortState();
        return false;
    }

    // A save killed half-way left its temporary file; the file it was saving is whole.
    removeStaleTemporaries(station.workingDirectory().path());
    // Only names that end in ".bnk" are listed: the name is what LoadBankFile opens again.
    const QStringList names = listBankNames(station.workingDirectory().path());
    ui.setBankNames(names);
    if (!names.isEmpty()) {
        ui.selectFirstBank();
        state.currentBankName = names.first();
        LoadBankFile(station, ui.mainChannelList());
    }

    LoadRangeFile(station);
    LoadLockouts(station);
    if (!station.settings().readWhole())
        station.notify(
                NoticeSource::Settings,
                QStringLiteral("Some lines of the settings file \"%1\" could not be read. They "
                               "are left out, and dropped when the settings are next stored.")
                        .arg(QDir::toNativeSeparators(station.settings().fileName())));
    ui.fillDelayList(delayEntries());
    ui.clearDisplay();
    state.startingUp = false;
    station.link().OpenPort();
    station.showPortState();
    ui.showMainWindow();
    station.setMode(ModeIdle);
    state.exchangeBusy = false;
    return true;
}

void ShutDown(Station &station)
{
    StationShell &ui = station.shell();
    StoredSettings &settings = station.settings();
    bool stored = settings.write(keys().delay, station.choices().delayText());
    stored = settings.write(keys().display,
                            ui.displayOption() == 0 ? QStringLiteral("0") : QStringLiteral("1"))
            && stored;
    stored = settings.write(keys().squelch, QString::number(ui.squelch())) && stored;
    stored = settings.write(keys().stepSize, QString::number(ui.stepIndex())) && stored;
    stored = settings.sync() && stored;
    if (!stored)
        station.dialogs().reportError(QStringLiteral("The settings could not be stored in \"%1\".")
                                              .arg(settings.fileName()));
    station.link().close();
    station.setShutDownDone();
}

} // namespace ze
