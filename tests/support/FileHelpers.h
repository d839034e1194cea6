#pragma once

#include <QByteArray>

#include <functional>

namespace zetest {

// Runs run() while writes that make a file larger than bytes fail (root ignores file
// permissions but not this limit). Nothing may log meanwhile: the log may be a file too.
// Returns false when the limit could not be set.
bool withFileSizeLimit(qint64 bytes, const std::function<void()> &run);

// size bytes drawn from alphabet (from all 256 values when it is empty); the same seed gives the
// same bytes, so a failing row can be run again.
QByteArray randomBytes(int size, quint32 seed, const QByteArray &alphabet = QByteArray());

} // namespace zetest
