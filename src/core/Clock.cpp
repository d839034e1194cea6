#include "core/Clock.h"

#include <chrono>
#include <cmath>

namespace ze {

double SystemClock::secondsSinceMidnight() const
{
    // The local offset is looked up once a minute: each lookup reads the time zone file, and
    // zones change their offset only on a whole minute.
    const qint64 utcMs = QDateTime::currentMSecsSinceEpoch();
    if (utcMs < m_offsetFromMs || utcMs >= m_offsetFromMs + 60000) {
        m_offsetFromMs = utcMs - utcMs % 60000;
        m_offsetMs = qint64 {QDateTime::fromMSecsSinceEpoch(m_offsetFromMs).offsetFromUtc()} * 1000;
    }
    const qint64 day = qint64 {86400} * 1000;
    return static_cast<double>(((utcMs + m_offsetMs) % day + day) % day) / 1000.0;
}

QDateTime SystemClock::localNow() const
{
    return QDateTime::currentDateTime();
}

qint64 SystemClock::monotonicMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void ManualClock::advance(double seconds)
{
    m_seconds = std::fmod(m_seconds + seconds, 86400.0);
    if (m_seconds < 0)
        m_seconds += 86400.0;
    m_now = m_now.addMSecs(static_cast<qint64>(seconds * 1000.0));
}

qint64 ManualClock::monotonicMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace ze
