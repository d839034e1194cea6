#pragma once

#include <QByteArray>

namespace zefuzz {

// A broken promise stops the fuzzer on the input that showed it.
inline void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

void commandLine(const QByteArray &data);
void rigSocket(const QByteArray &data);

} // namespace zefuzz
