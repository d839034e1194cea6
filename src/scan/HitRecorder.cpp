#include "scan/HitRecorder.h"

#include "core/Frequency.h"
#include "core/Station.h"

namespace ze {

namespace {

bool scanningOrSearching(int mode)
{
    return mode == ModeScanning || mode == ModeScanStart || mode == ModeSearching
            || mode == ModeSearchStart;
}

} // namespace

HitRecorder::HitRecorder(Station &station, HitStore &store, QObject *parent)
    : QObject(parent)
    , m_station(station)
    , m_store(store)
{
    const StationEvents &events = station.events();
    connect(&events, &StationEvents::signalFound, this, &HitRecorder::found);
    connect(&events, &StationEvents::sampled, this, &HitRecorder::sampled);
    connect(&events, &StationEvents::holdEnded, this, &HitRecorder::finish);
    // Leaving the frequency ends the hit: another tuning, or a mode that is no scan or search.
    connect(&events, &StationEvents::tuned, this, [this](const QString &frequency) {
        if (m_current && frequency.trimmed() != m_current->frequency)
            finish();
    });
    connect(&events, &StationEvents::modeChanged, this, [this](int mode) {
        if (!scanningOrSearching(mode))
            finish();
    });
}

HitRecorder::~HitRecorder()
{
    finish();
}

QDateTime HitRecorder::now() const
{
    return m_station.clock().localNow().toUTC();
}

void HitRecorder::found(const HeardSignal &heard)
{
    // A signal found again where one stands (a hold that began at midnight's rounding to 0) is
    // the same hit.
    if (m_current && m_current->frequency == heard.frequency && m_current->bank == heard.bank
        && m_current->channel == heard.channel) {
        m_current->peak = std::max(m_current->peak, heard.level);
        return;
    }
    finish();
    Hit hit;
    hit.start = now();
    hit.frequency = heard.frequency;
    hit.hz = hzFromFrequencyText(heard.frequency);
    hit.mode = heard.mode;
    hit.bank = heard.bank;
    hit.channel = heard.channel;
    hit.range = heard.search ? heard.rangeName : QString();
    hit.description = heard.description;
    hit.peak = heard.level;
    hit.search = heard.search;
    hit.id = m_store.begin(hit);
    m_current = hit;
    Q_EMIT hitBegun(hit);
}

void HitRecorder::sampled(int level, bool present)
{
    if (m_current && present)
        m_current->peak = std::max(m_current->peak, level);
}

void HitRecorder::finish()
{
    if (!m_current)
        return;
    Hit hit = *std::exchange(m_current, std::nullopt);
    hit.end = now();
    m_store.end(hit.id, hit.end, hit.peak);
    Q_EMIT hitEnded(hit);
}

} // namespace ze
