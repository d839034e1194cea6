#include "core/Station.h"

#include "receiver/RigServer.h"
#include "storage/BankFile.h"
#include "storage/BankName.h"
#include "storage/RangeFile.h"
#include "storage/TextFields.h"

#include <QFileInfo>

#include <cmath>
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

} // namespace

Station::Station(const StationPaths &paths, Clock &clock)
    : m_clock(clock)
    , m_workDir(paths.workingDirectory.isEmpty() ? QDir::current() : QDir(paths.workingDirectory))
    , m_settings(paths.settingsFile)
    , m_serialPort(std::make_unique<SerialPort>(clock, m_state.exchangeBusy))
    , m_rigServer(std::make_unique<RigServer>(*this))
{
    QObject::connect(m_serialPort.get(), &SerialPort::stateChanged, m_serialPort.get(),
                     [this] { showPortState(); });
}

Station::~Station() = default;

QString Station::filePath(const QString &name) const
{
    return m_workDir.filePath(name);
}

bool Station::restoreSettings()
{
    StationShell &ui = shell();
    QString value;
    auto readKey = [&](const QString &key, const QString &defaultText) {
        value = m_settings.read(key, defaultText);
        return !value.isEmpty();
    };
    // Start-up cannot go on. Kept, the value would stop every later start too, so it goes and
    // the next start uses the default; the operator learns where the settings are kept.
    auto stop = [&](const QString &key, const QString &why) {
        const bool removed = m_settings.remove(key) && m_settings.sync();
        const QString file = QDir::toNativeSeparators(m_settings.fileName());
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
    if (readKey(keys().lineSettings, QString()) && !m_serialPort->setLineSettings(value, &error))
        return stop(keys().lineSettings, error);
    if (readKey(keys().port, QString()) && !m_serialPort->setPort(value, &error))
        return stop(keys().port, error);
    if (readKey(keys().handshaking, QString())) {
        const std::optional<int> code = storedInteger(value);
        if (!code || !m_serialPort->setHandshaking(*code, &error))
            return stop(keys().handshaking,
                        code ? error : QStringLiteral("a number from 0 to 3 is needed"));
    }
    return true;
}

bool Station::StartUp()
{
    StationShell &ui = shell();
    m_serialPort->ResetPort();
    m_state.startingUp = true;
    ui.fillStepList(stepEntries());

    if (!restoreSettings()) {
        // The port stays closed and the loop idles; the operator has been told why.
        m_state.startingUp = false;
        m_state.operatingMode = ModeIdle;
        m_state.exchangeBusy = false;
        showPortState();
        return false;
    }

    // Only names that end in ".bnk" are listed: the name is what LoadBankFile opens again.
    const QStringList names = listBankNames(m_workDir.path());
    ui.setBankNames(names);
    if (!names.isEmpty()) {
        ui.selectFirstBank();
        m_state.currentBankName = names.first();
        LoadBankFile(*this, ui.mainChannelList());
    }

    LoadRangeFile(*this);
    if (!m_settings.readWhole())
        ui.frontPanel().showNotice(
                NoticeSource::Settings,
                QStringLiteral("Some lines of the settings file \"%1\" could not be read. They "
                               "are left out, and dropped when the settings are next stored.")
                        .arg(QDir::toNativeSeparators(m_settings.fileName())));
    ui.fillDelayList(delayEntries());
    ui.clearDisplay();
    m_state.startingUp = false;
    m_serialPort->OpenPort();
    showPortState();
    ui.showMainWindow();
    m_state.operatingMode = ModeIdle;
    m_state.exchangeBusy = false;
    return true;
}

void Station::ShutDown()
{
    StationShell &ui = shell();
    bool stored = m_settings.write(keys().delay, ui.frontPanel().delayText());
    stored = m_settings.write(keys().display,
                              ui.displayOption() == 0 ? QStringLiteral("0") : QStringLiteral("1"))
            && stored;
    stored = m_settings.write(keys().squelch, QString::number(ui.squelch())) && stored;
    stored = m_settings.write(keys().stepSize, QString::number(ui.stepIndex())) && stored;
    stored = m_settings.sync() && stored;
    if (!stored)
        ui.frontPanel().reportError(QStringLiteral("The settings could not be stored in \"%1\".")
                                            .arg(m_settings.fileName()));
    m_serialPort->close();
    m_shutDown = true;
}

void Station::SelectMode(int mode)
{
    m_state.currentBank = 1;
    m_state.startingUp = false;
    m_state.holdStart = 0;
    m_state.currentChannel = 0;
    m_state.operatingMode = static_cast<qint16>(mode);
    m_state.pendingTune.clear();
}

void Station::WrapChannel()
{
    if (Banks::validChannel(m_state.currentChannel)) {
        if (!Banks::validBank(m_state.currentBank))
            m_state.currentBank = 1;
        return;
    }
    m_state.currentChannel = 0;
    m_state.currentBank = static_cast<qint16>(m_state.currentBank + 1);
    if (!Banks::validBank(m_state.currentBank))
        m_state.currentBank = 1;
}

void Station::CheckHoldExpired()
{
    // No hold, nothing to end: spares a look at the clock on every scanned channel.
    if (m_state.holdStart == 0)
        return;
    // The delay is the number in the first two characters of the delay box, read anew each time.
    const double delay = leadingNumber(panel().delayText().left(2));
    double now = m_clock.secondsSinceMidnight();
    // A hold that began before midnight goes on counting on the new day.
    if (now + 43200.0 < m_state.holdStart)
        now += 86400.0;
    if (static_cast<float>(m_state.holdStart + delay) <= static_cast<float>(now))
        m_state.holdStart = 0;
}

void Station::ShowStatus(const QString &text)
{
    panel().showStatus(text);
}

void Station::showPortState()
{
    if (m_shell)
        panel().showPortState(m_serialPort->stateText());
}

bool Station::applyNetworkSettings(const NetworkSettings &settings, QString *error)
{
    QString why;
    const bool ok = m_rigServer->apply(settings, &why);
    if (m_shell)
        panel().showNotice(NoticeSource::Network, why);
    if (error)
        *error = why;
    return ok;
}

} // namespace ze
