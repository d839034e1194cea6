#pragma once

#include <QByteArray>
#include <QString>

namespace ze {

// The station as a network client sees it: what it reads and what it may set.
struct RigReading
{
    qint64 hz = 0; // the frequency tuned (or asked for), 0 before any
    QString mode; // its mode letter
    int level = 0; // the last sample, 0..15
    bool reachable = false; // the port is open and the receiver answers
};

class RigTarget
{
public:
    virtual ~RigTarget() = default;
    virtual RigReading reading() const = 0;
    // A set goes to the station's operator commands; the answer does not wait for it.
    virtual void setFrequency(qint64 hz) = 0;
    virtual void setMode(const QString &letter) = 0;
};

// S-meter level 0..15 as dB relative to S9: 6 dB an S-unit up to S9 (level 9), then 10 dB a step.
int strengthDb(int level);

// Answers one line of the rig-control protocol (the one of the common rig-control daemon,
// "rigctld"): frequency, mode, VFO, signal strength and the state dump, in the plain and the
// extended response forms, several commands to a line. quit is set when the line asks to close
// the connection. Every answer ends with a line feed; a line buys at most a few commands.
QByteArray answerRigLine(RigTarget &target, const QByteArray &line, bool &quit);

} // namespace ze
