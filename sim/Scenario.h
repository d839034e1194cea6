#pragma once

// What the simulated receiver is set up with: its memory, the signals on the air, the noise, and
// the faults on the line; read from a scenario file or built in code.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zesim {

struct MemoryChannel
{
    std::string frequency; // megahertz text as stored, e.g. "145.5000"
    char mode = 'N'; // N W A L U C, or 0 for none
    bool att = false;
};

// A signal on the air: heard at level when the receiver is tuned within 0.5 kHz of it and the
// signal is on. With onSeconds > 0 it is on for onSeconds, then off for offSeconds, repeating,
// counted from the moment the scenario was set.
struct Signal
{
    double frequencyMHz = 0;
    int level = 0; // 0..15
    double onSeconds = 0;
    double offSeconds = 0;
};

// Faults change what follows every command while they are set; the command itself is still
// taken, logged and acted on. Flood writes at the line's pace (or, without pacing, about 2 MB/s)
// and waits while the program does not read.
enum class FaultKind {
    None,
    NoReply, // commands are taken but never answered
    LateReply, // every reply is sent param milliseconds late
    Garbage, // every reply is replaced by param bytes of garbage without ">"
    Chunked, // replies go out in chunks of param bytes with gapMs between them
    Flood, // after the next command, bytes without ">" are sent without end until cleared
    Doubled, // every reply is sent twice, the copy right behind it
};

struct Fault
{
    FaultKind kind = FaultKind::None;
    int param = 0;
    int gapMs = 0;
};

struct Scenario
{
    std::map<int, MemoryChannel> memory; // key memoryKey(bank, channel)
    std::vector<Signal> signals;
    int noiseLevel = 0; // level read where no signal is heard
    bool pacing = true;
    Fault fault;
};

inline int memoryKey(int bank, int channel)
{
    return bank * 100 + channel;
}

// Scenario file: plain text, one statement a line, "#" starts a comment:
//   pacing on|off
//   noise <level>
//   channel <bank 1..4> <channel 0..99> <MHz> <mode N|W|A|L|U|C|-> [att]
//   signal <MHz> <level 0..15> [on <seconds> off <seconds>]
//   fault none | noreply | late <ms> | garbage <bytes> | chunked <bytes> <gap ms> | flood |
//         doubled
// <MHz> is a plain decimal number (145.5000); mode "-" stores a channel without a mode; the
// optional word "att" stores it with the attenuator on. Seconds may carry a fraction (0.25).
// Later statements win. On an error nothing is changed and *error says "line N: why".
bool parseScenario(const std::string &text, Scenario &out, std::string *error);
bool loadScenarioFile(const std::string &path, Scenario &out, std::string *error);

// Signal levels run from 0 to 15 (letters A..P on the line).
int clampLevel(int level);

// The level heard tuned to the given frequency text, elapsedSeconds after the scenario was set:
// the strongest signal that is on there, else the noise.
int levelHeard(const Scenario &scenario, std::string_view tuned, double elapsedSeconds);

// What the receiver's loudspeaker gives out: a sine of hertz at amplitude (full scale 1), or
// silence when hertz is 0.
struct Tone
{
    double hertz = 0;
    double amplitude = 0;
};

// The pitch a signal is heard at: one of 24 between 437 and 2737 Hz by its 12.5 kHz channel, so
// that neighbouring channels differ. The pitches leave 0.37 of a cycle over in every 10 ms: a
// block of sound repeated or dropped shows as a jump in phase.
double toneHertz(double signalMHz);

// The tone heard tuned to the given frequency text: the strongest signal that is on there, when
// its level is above the noise, at an amplitude of level / 30 (15 gives half of full scale).
Tone toneHeard(const Scenario &scenario, std::string_view tuned, double elapsedSeconds);

// Adds an always-on signal at frequencyMHz, replacing any signal already there.
void putSteadySignal(Scenario &scenario, double frequencyMHz, int level);

} // namespace zesim
