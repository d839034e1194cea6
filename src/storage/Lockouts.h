#pragma once

#include <QString>
#include <QVector>

namespace ze {

class Station;

// The search lockouts, "lockouts.txt" in the working folder: one frequency in megahertz a line.
constexpr QLatin1String lockoutsFileName("lockouts.txt");

// Whether a range search passes over hz: a lockout lies within half the step of it.
bool lockedOut(const QVector<qint64> &lockouts, qint64 hz, qint64 stepHz);

// Loads the file into the state (none: no lockouts); one that cannot be read is told in the
// status bar and not saved over.
void LoadLockouts(Station &station);
// Adds (once) or removes a frequency, or clears them all, and saves the file atomically; a
// failure is reported in a message box. Returns whether the file was saved.
bool addLockout(Station &station, qint64 hz);
bool removeLockout(Station &station, qint64 hz);
bool clearLockouts(Station &station);

} // namespace ze
