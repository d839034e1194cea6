#pragma once

#include <QDateTime>

namespace ze {

// Time as the station sees it; tests put in a clock whose time of day they set.
class Clock
{
public:
    virtual ~Clock() = default;

    // Local time of day in seconds since midnight, with its fraction.
    virtual double secondsSinceMidnight() const = 0;
    // Local date and time, for log lines.
    virtual QDateTime localNow() const = 0;
    // localNow() as milliseconds since the epoch.
    virtual qint64 epochMs() const { return localNow().toMSecsSinceEpoch(); }
    // Milliseconds on a clock that never jumps; only differences mean anything.
    virtual qint64 monotonicMs() const = 0;
};

class SystemClock final : public Clock
{
public:
    double secondsSinceMidnight() const override;
    QDateTime localNow() const override;
    // Without the time zone lookup that a local time takes on every call.
    qint64 epochMs() const override { return QDateTime::currentMSecsSinceEpoch(); }
    qint64 monotonicMs() const override;

private:
    mutable qint64 m_offsetFromMs = -1; // start of the minute the offset was looked up for
    mutable qint64 m_offsetMs = 0;
};

// A clock whose time of day stands still until it is set; the monotonic part is real, so
// waits on the serial line keep their real length.
class ManualClock final : public Clock
{
public:
    void setSecondsSinceMidnight(double seconds) { m_seconds = seconds; }
    void advance(double seconds);
    void setLocalNow(const QDateTime &now) { m_now = now; }

    double secondsSinceMidnight() const override { return m_seconds; }
    QDateTime localNow() const override { return m_now; }
    qint64 monotonicMs() const override;

private:
    double m_seconds = 12 * 3600.0;
    QDateTime m_now = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
};

} // namespace ze
