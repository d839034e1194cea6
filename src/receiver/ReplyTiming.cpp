#include "receiver/ReplyTiming.h"

#include <algorithm>

namespace ze {

void ReplyTiming::reset()
{
    m_shortest.fill(0);
    m_lag = std::chrono::microseconds(0);
    m_paced = false;
    m_sinceCheck = 0;
}

int ReplyTiming::bytesToSleepThrough(char last)
{
    if (!m_paced)
        return 0;
    if (++m_sinceCheck >= checkEvery) {
        m_sinceCheck = 0;
        return 0;
    }
    return m_shortest[slot(last)];
}

void ReplyTiming::learn(char last, int length, bool early, bool slept)
{
    if (length <= 0)
        return;
    std::uint8_t &shortest = m_shortest[slot(last)];
    const auto capped = static_cast<std::uint8_t>(std::min(length, 255));
    shortest = shortest == 0 ? capped : std::min(shortest, capped);
    if (!slept)
        m_paced = !early;
}

void ReplyTiming::wokeInTime()
{
    m_lag = std::max(m_lag - lagStep, std::chrono::microseconds(0));
}

void ReplyTiming::wokeEarly()
{
    m_lag = std::min(m_lag + 4 * lagStep, longestLag);
}

} // namespace ze
