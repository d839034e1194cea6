#pragma once

// The receiver's command language: taking a command line apart and building replies. Pure
// functions, no I/O, so the worker thread and the tests share one definition.

#include "SimReceiver.h"

#include <string>
#include <string_view>

namespace zesim {

enum class CommandKind {
    Invalid,
    Level, // Y
    Found, // F
    NotFound, // E
    Tune,
    SelectBank,
    ReadChannel,
    StoreChannel,
};

struct Command
{
    CommandKind kind = CommandKind::Invalid;
    std::string frequency; // Tune, StoreChannel: the number as sent
    char mode = 0; // N W A L U C, 0 when none was given
    char att = 0; // 'R' on, 'T' off, 0 when none was given
    int number = 0; // bank for SelectBank, channel for ReadChannel and StoreChannel
};

// The largest frequency the read-channel token can carry: 6 digits of megahertz.
constexpr long long maxFrequencyTenHz = 99999999999LL;

// Reads a plain decimal number ("145.5000", "7", ".5", "2036.") into integer units of
// 10^-decimals, rounding half up beyond them. No sign, no exponent, at most 9 integer digits.
bool parseDecimal(std::string_view text, int decimals, long long &units);

// A frequency text in megahertz that the receiver can store: a plain decimal number that fits
// the 11-digit token of the read-channel reply.
bool frequencyToTenHz(std::string_view text, long long &tenHz);

bool isModeLetter(char c);

Command parseCommand(std::string_view line);

// "C07 0N Z07 Y00014550000 Q\r\n>" for a stored channel.
std::string channelReply(int channel, const MemoryChannel &memory);
// Mode code of the read-channel reply: Q R S T U V for N W A L U C, W for none.
char modeCode(char mode);

inline constexpr std::string_view plainReply = "\r\n>";

} // namespace zesim
