#pragma once

#include "core/ReceiverCommand.h"
#include "core/Records.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <optional>

namespace ze {

// What the control loop does on each pass.
enum OperatingMode : qint16 {
    ModeIdle = 0,
    ModeScanning = 1,
    ModeScanStart = 2,
    ModeManualStart = 3,
    ModeManual = 4,
    ModeSearching = 5,
    ModeSearchStart = 6,
    ModeDirect = 7,
};

// What the last load of a bank file left unread; a save must not replace it unseen.
struct UnreadBankFile
{
    QString error; // why a file that is there could not be read at all; empty when it was read
    int linesSkipped = 0; // lines passed over while reading it
};

// A tuning asked for outside a pass (network, waterfall, hit list): the command and what it
// tunes, sent at the next direct-mode pass.
struct PendingTune
{
    ReceiverCommand command;
    QString frequency;
    QString mode;
    bool attenuator = false;
};

// The shared state of one running station. Handlers change it between passes; the control loop
// acts on it at its next pass.
struct ProgramState
{
    qint16 operatingMode = ModeIdle;
    qint16 currentBank = 0;
    qint16 currentChannel = 0;
    qint16 savedChannel = 0;
    qint16 currentRange = 0;
    QString searchFrequency;
    qint16 signalLevel = 0;
    qint32 holdStart = 0; // whole seconds since midnight of the last signal; 0 = no hold
    QString lastLoggedFrequency;
    QString currentBankName;
    bool startingUp = false;
    bool exchangeBusy = false;
    // The last pass's exchanges all ran out of time; until a reply comes the loop only asks the
    // receiver now and then.
    bool receiverSilent = false;
    // What the receiver was last told to tune to (megahertz text and mode letter as sent), for
    // the network clients; the mode stays when a command carried none.
    QString tunedFrequency;
    QString tunedMode;
    bool tunedAttenuator = false;
    std::optional<PendingTune> pendingTune;

    Banks banks;
    Ranges ranges;
    // Frequencies (Hz) a range search passes over, each within half the range's step; sorted.
    QVector<qint64> lockouts;
    bool lockoutsUnread = false; // the file is there but could not be read
    // By bank name; only files that were not read whole are here.
    QHash<QString, UnreadBankFile> unreadBankFiles;
};

} // namespace ze
