#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

namespace ze {

// A signal the station has found, as the listeners of its events take it.
struct HeardSignal
{
    QString frequency; // the text as tuned
    QString mode; // the mode letter tuned with ("" when none)
    int bank = 0; // 1..4 on a channel, 0 in a search
    int channel = -1; // 0..99 on a channel
    int range = -1; // the range's index in a search
    QString rangeName; // its description
    QString description; // the channel's description ("" in a search)
    int level = 0; // 0..15
    bool search = false;
};

// What happens in a pass, as it happens: the steps emit these, and anyone may listen (the
// activity log, the hit list, the recorder, the waterfall). Listeners in the station's thread are
// called at once, in the middle of the step, so the order of a pass and the bytes it writes stay
// as they are; a listener must not start an exchange of its own.
class StationEvents : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    // A tuning command went out.
    void tuned(const QString &frequency, const QString &mode, bool attenuator);
    // A sample was taken: its level, and whether it reached the squelch threshold.
    void sampled(int level, bool present);
    // A sample found a signal where the station was not holding: a hit begins.
    void signalFound(const ze::HeardSignal &signal);
    // The hold on a signal ended: the delay ran out, or the station left the frequency.
    void holdEnded();
    // A range search measured one step.
    void searchStepMeasured(qint64 hz, int level);
    // A bank scan visited a channel and measured it.
    void channelMeasured(int bank, int channel, int level);
    void modeChanged(int mode);
    // The receiver stopped answering (a pass whose every exchange ran out of time), or answers
    // again.
    void receiverAnswering(bool answering);
    // The search lockouts changed.
    void lockoutsChanged();
};

} // namespace ze

Q_DECLARE_METATYPE(ze::HeardSignal)
