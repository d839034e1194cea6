#pragma once

#include "core/Records.h"

#include <QString>

#include <functional>
#include <optional>

namespace ze {

class Station;

// The channel a read-channel reply describes for the channel asked for; nothing when the reply is
// not accepted or cannot be taken apart.
std::optional<ChannelRecord> parseChannelReply(const QString &reply, int channel);
// Reads the four banks of the receiver's memory (404 exchanges) and returns how many channels
// were read. When none was read and keepEmpty (if given) returns false, the table and lists are
// left as they were; otherwise the table is replaced and both channel lists (main window's and
// bank editor's) are refilled.
int ReadMemoryBanks(Station &station, const std::function<bool()> &keepEmpty = {});
// Stores every non-empty channel of the table into the receiver's memory; one the receiver
// cannot take is passed over and told. Returns how many were stored.
int WriteMemoryBanks(Station &station);

} // namespace ze
