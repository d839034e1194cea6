#include "storage/Lockouts.h"

#include "core/Frequency.h"
#include "core/Station.h"
#include "core/TextFields.h"
#include "storage/DataFile.h"

#include <algorithm>
#include <cstdlib>

namespace ze {

namespace {

// What the last load could not read: not saved over unseen.
bool unreadable(const Station &station)
{
    return station.state().lockoutsUnread;
}

bool save(Station &station)
{
    Q_EMIT station.events().lockoutsChanged();
    if (unreadable(station)) {
        if (station.hasViews())
            station.dialogs().reportError(
                    QStringLiteral("The lockouts were not saved: \"%1\" could not be read when it "
                                   "was loaded, and saving would replace it.")
                            .arg(lockoutsFileName));
        return false;
    }
    QByteArray bytes;
    for (const qint64 hz : station.state().lockouts)
        bytes += frequencyTextFromHz(hz).toLatin1() + "\r\n";
    const SaveResult saved = saveFileAtomically(station.filePath(lockoutsFileName), bytes);
    if (!saved.ok && station.hasViews())
        station.dialogs().reportError(
                QStringLiteral("The lockouts could not be saved in \"%1\": %2")
                        .arg(lockoutsFileName, saved.error));
    return saved.ok;
}

} // namespace

bool lockedOut(const QVector<qint64> &lockouts, qint64 hz, qint64 stepHz)
{
    const qint64 tolerance = std::max<qint64>(stepHz, 1);
    // Within half the step: twice the distance below the step.
    const auto near = std::lower_bound(lockouts.begin(), lockouts.end(), hz - tolerance);
    for (auto it = near; it != lockouts.end() && *it <= hz + tolerance; ++it) {
        if (2 * std::llabs(*it - hz) < tolerance)
            return true;
    }
    return false;
}

void LoadLockouts(Station &station)
{
    ProgramState &state = station.state();
    state.lockouts.clear();
    state.lockoutsUnread = false;
    const QString path = station.filePath(lockoutsFileName);
    if (!fileIsThere(path))
        return;
    QByteArray bytes;
    QString error;
    if (!readDataFile(path, bytes, &error)) {
        state.lockoutsUnread = true;
        station.notify(NoticeSource::RangeFile,
                       QStringLiteral("The lockouts \"%1\" could not be read: %2")
                               .arg(lockoutsFileName, error));
        return;
    }
    for (const QByteArray &line : fileLines(bytes)) {
        const std::optional<double> mhz = leadingNumberIfAny(QString::fromLatin1(line));
        if (mhz && *mhz >= lowestMegahertz && *mhz <= highestMegahertz)
            state.lockouts << hzFromFrequencyText(QString::fromLatin1(line));
    }
    std::sort(state.lockouts.begin(), state.lockouts.end());
    const auto last = std::unique(state.lockouts.begin(), state.lockouts.end());
    state.lockouts.resize(last - state.lockouts.begin());
    Q_EMIT station.events().lockoutsChanged();
}

bool addLockout(Station &station, qint64 hz)
{
    QVector<qint64> &lockouts = station.state().lockouts;
    const auto at = std::lower_bound(lockouts.begin(), lockouts.end(), hz);
    if (at != lockouts.end() && *at == hz)
        return true;
    lockouts.insert(at - lockouts.begin(), hz);
    return save(station);
}

bool removeLockout(Station &station, qint64 hz)
{
    station.state().lockouts.removeAll(hz);
    return save(station);
}

bool clearLockouts(Station &station)
{
    station.state().lockouts.clear();
    return save(station);
}

} // namespace ze
