#include "core/Clock.h"

#include <chrono>
#include <cmath>

namespace ze {

double SystemClock::secondsSinceMidnight() const
{
    const QTime t = QTime::currentTime();
    return t.msecsSinceStartOfDay() / 1000.0;
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
