#include "core/Station.h"

#include "core/TextFields.h"

namespace ze {

Station::Station(const StationPaths &paths, Clock &clock)
    : m_clock(clock)
    , m_workDir(paths.workingDirectory.isEmpty() ? QDir::current() : QDir(paths.workingDirectory))
    , m_settings(paths.settingsFile)
    , m_commands(*this)
{
}

Station::~Station() = default;

void Station::setLink(ReceiverLink *link)
{
    if (m_link)
        QObject::disconnect(m_link, nullptr, &m_events, nullptr);
    m_link = link;
    if (!m_link)
        return;
    QObject::connect(m_link, &ReceiverLink::stateChanged, &m_events, [this] {
        // A closed port says why itself; a receiver behind it is asked anew when it opens.
        if (!m_link->isOpen())
            setReceiverSilent(false);
        showPortState();
    });
    QObject::connect(m_link, &ReceiverLink::answered, &m_events,
                     [this] { setReceiverSilent(false); });
}

void Station::attach(const StationViews &views)
{
    m_views = views;
}

QString Station::filePath(const QString &name) const
{
    return m_workDir.filePath(name);
}

void Station::setMode(int mode)
{
    if (m_state.operatingMode == mode)
        return;
    m_state.operatingMode = static_cast<qint16>(mode);
    Q_EMIT m_events.modeChanged(mode);
}

void Station::SelectMode(int mode)
{
    const bool holding = m_state.holdStart != 0;
    m_state.currentBank = 1;
    m_state.startingUp = false;
    m_state.holdStart = 0;
    m_state.currentChannel = 0;
    m_state.pendingTune.reset();
    if (holding)
        Q_EMIT m_events.holdEnded();
    // A new activity: what the last one passed over no longer applies.
    notify(NoticeSource::Command, QString());
    if (m_state.operatingMode == mode)
        return;
    m_state.operatingMode = static_cast<qint16>(mode);
    Q_EMIT m_events.modeChanged(mode);
}

void Station::WrapChannel()
{
    if (Banks::validChannel(m_state.currentChannel)) {
        if (!Banks::validBank(m_state.currentBank))
            m_state.currentBank = 1;
        return;
    }
    m_state.currentChannel = 0;
    m_state.currentBank = static_cast<qint16>(m_state.currentBank + 1);
    if (!Banks::validBank(m_state.currentBank))
        m_state.currentBank = 1;
}

void Station::CheckHoldExpired()
{
    // No hold, nothing to end: spares a look at the clock on every scanned channel.
    if (m_state.holdStart == 0)
        return;
    // The delay is the number in the first two characters of the delay box, read anew each time.
    const double delay = leadingNumber(choices().delayText().left(2));
    double now = m_clock.secondsSinceMidnight();
    // A hold that began before midnight goes on counting on the new day.
    if (now + 43200.0 < m_state.holdStart)
        now += 86400.0;
    if (static_cast<float>(m_state.holdStart + delay) <= static_cast<float>(now)) {
        m_state.holdStart = 0;
        Q_EMIT m_events.holdEnded();
    }
}

void Station::endHold()
{
    if (m_state.holdStart == 0)
        return;
    m_state.holdStart = 0;
    Q_EMIT m_events.holdEnded();
}

void Station::ShowStatus(const QString &text) const
{
    status().showStatus(text);
}

QString Station::Exchange(const ReceiverCommand &command)
{
    if (m_state.exchangeBusy || !m_link)
        return QString();
    m_state.exchangeBusy = true;
    QString reply = m_link->exchange(command);
    m_state.exchangeBusy = false;
    ++m_tally.made;
    if (m_link->lastExchangeTimedOut())
        ++m_tally.unanswered;
    else if (m_state.receiverSilent && reply.contains(QLatin1Char('>')))
        setReceiverSilent(false);
    return reply;
}

void Station::noteTuning(const QString &frequency, const QString &mode,
                         std::optional<bool> attenuator)
{
    m_state.tunedFrequency = frequency.trimmed();
    if (!mode.trimmed().isEmpty())
        m_state.tunedMode = mode.trimmed();
    if (attenuator)
        m_state.tunedAttenuator = *attenuator;
    // Whatever was asked for before is older than this.
    m_state.pendingTune.reset();
    Q_EMIT m_events.tuned(m_state.tunedFrequency, mode.trimmed(), m_state.tunedAttenuator);
}

void Station::setReceiverSilent(bool silent)
{
    if (m_state.receiverSilent == silent)
        return;
    m_state.receiverSilent = silent;
    showPortState();
    Q_EMIT m_events.receiverAnswering(!silent);
}

void Station::showPortState()
{
    if (!hasViews() || !m_link)
        return;
    // A port that is open while the receiver says nothing is no port fault: the receiver is.
    if (m_state.receiverSilent && m_link->isOpen())
        status().showPortState(m_link->stateText()
                               + QStringLiteral(": no reply from the receiver (is it switched on? "
                                                "check the cable and the speed)"));
    else
        status().showPortState(m_link->stateText());
}

void Station::notify(NoticeSource source, const QString &text) const
{
    if (hasViews())
        status().showNotice(source, text);
}

} // namespace ze
