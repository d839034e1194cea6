#pragma once

#include "core/StationEvents.h"
#include "storage/HitStore.h"

#include <QObject>

#include <optional>

namespace ze {

class Station;

// Every signal a record: it listens to the station's events and keeps one hit for each signal
// a bank scan or range search finds, from the sample that found it (whether or not logging is
// ticked) until the hold on it ends or the station leaves its frequency, with the strongest level
// its samples read. The store keeps them; listeners (the hit list, the recorder) hear of each.
class HitRecorder : public QObject
{
    Q_OBJECT
public:
    HitRecorder(Station &station, HitStore &store, QObject *parent = nullptr);
    // The hit on the air now, ended with the station.
    ~HitRecorder() override;

    const std::optional<Hit> &current() const { return m_current; }
    HitStore &store() { return m_store; }

Q_SIGNALS:
    void hitBegun(const ze::Hit &hit);
    void hitEnded(const ze::Hit &hit);

private:
    void found(const HeardSignal &heard);
    void sampled(int level, bool present);
    void finish();
    QDateTime now() const;

    Station &m_station;
    HitStore &m_store;
    std::optional<Hit> m_current;
};

} // namespace ze
