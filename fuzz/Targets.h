#pragma once

#include <QByteArray>

namespace zefuzz {

// A broken promise stops the fuzzer on the input that showed it.
inline void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

// The one application of the process, offscreen, made by the first target that needs events.
void needApplication();

void commandLine(const QByteArray &data);
void rigSocket(const QByteArray &data);

} // namespace zefuzz
