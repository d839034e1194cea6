#pragma once

#include <QByteArray>

#include <functional>

namespace zetest {

// Runs run() while writes that make a file larger than bytes fail (root ignores file
// permissions but not this limit). Nothing may log meanwhile: the log may be a file too.
// Returns false when the limit could not be set.
bool withFileSizeLimit(qint64 bytes, const std::function<void()> &run);

} // namespace zetest
