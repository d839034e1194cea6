#pragma once

#include <QByteArray>

namespace ze {

class Station;

// What a log gives as a new bank.
struct LogBank
{
    QByteArray bankFile; // the bank file's contents
    int channels = 0;
};

// At most this many channels: banks 1 to 3 whole and bank 4 up to channel 98.
constexpr int maxLogChannels = 399;

// The distinct frequencies of an activity log (compared as text, blanks around them dropped), in
// the order they first occur, each with the mode of that first line, numbered from channel 0 of
// bank 1 on. Lines without the TAB after the mode, and blank frequencies, are passed over.
LogBank convertLog(const QByteArray &log);

// Asks for a bank name and writes "logging.txt" as that new bank file. A refused name, a missing
// log or an existing file the operator keeps writes nothing.
void ConvertLogToBank(Station &station);

} // namespace ze
