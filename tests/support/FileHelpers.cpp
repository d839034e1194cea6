#include "FileHelpers.h"

#include <csignal>
#include <sys/resource.h>

namespace zetest {

bool withFileSizeLimit(qint64 bytes, const std::function<void()> &run)
{
    rlimit saved {};
    if (getrlimit(RLIMIT_FSIZE, &saved) != 0)
        return false;
    // Without this the first write beyond the limit kills the test.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    const bool limited = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    if (limited)
        run();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return limited;
}

} // namespace zetest
