#pragma once

// The receiver's command language: taking a command line apart and building replies. Pure
// functions, no I/O.
//
// Commands (each ends with a carriage return; a line feed is ignored):
//   <freq>                 tune, mode and attenuator unchanged          e.g. 145.5000
//   <freq><mode>           tune and set the mode                        e.g. 145.5125N
//   <freq><mode><att>      tune a stored channel (att R = on, T = off)  e.g. 145.5000NT
//   <freq><att><mode>      tune from the keypad                         e.g. 145.5TW
//   Y                      read the signal level
//   F, E                   signal found / not found (acknowledged only)
//   <bank>X                select memory bank 1..4                      e.g. 3X
//   ' '<ch>Z               read channel 0..99 of the selected bank      e.g. " 7Z"
//   <ch>M<freq><mode><att> store a channel into the selected bank       e.g. 5M145.5000NT
// <freq> is megahertz with a point; <mode> one of N W A L U C. After the frequency of a tuning or
// store command each letter counts by what it is (N W A L U C a mode, R T the attenuator), each
// kind at most once, so "145.5000T" (a channel without a mode) is taken too. A command that fits
// none of these changes nothing and gets the plain reply.
//
// Replies (every reply ends with ">" and nothing follows it):
//   Y                      <level letter A..P> CR LF ">"               e.g. "G\r\n>"
//   read channel, stored   "C" <ch, 2 digits> " 0" <W|N> " Z" <ch, 2 digits> " Y" <token> " "
//                          <mode code> CR LF ">"
//                          e.g. "C07 0N Z07 Y00014550000 Q\r\n>"
//                          W after "0" = attenuator on, N = off; <token> = frequency in units of
//                          10 Hz as 11 digits with leading zeros (145.5 MHz -> 00014550000);
//                          mode codes Q R S T U V W = N W A L U C and "none".
//   read channel, empty    CR LF ">" (three characters: too short to be taken for a channel);
//                          also for a slot whose frequency text is not a plain number that fits
//   anything else          CR LF ">"

#include "Scenario.h"

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

Command parseCommand(std::string_view s);

// "G\r\n>" for level 6.
std::string levelReply(int level);
// "C07 0N Z07 Y00014550000 Q\r\n>" for a stored channel.
std::string channelReply(int channel, const MemoryChannel &memory);
// Mode code of the read-channel reply: Q R S T U V for N W A L U C, W for none.
char modeCode(char mode);

inline constexpr std::string_view plainReply = "\r\n>";

} // namespace zesim
