#pragma once

// The simulated ZE3000R: a receiver on a real pseudo-terminal, for tests, benchmarks and the demo.
//
// Commands it understands (each ends with a carriage return; a line feed is ignored):
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
//
// Line timing: the simulator reads the speed, parity, data and stop bits that the program set on
// the line and takes, for every byte it receives and sends, the time that byte needs on a real
// line (start, data, parity and stop bits). A command is answered when its carriage return would
// have arrived; reply byte k goes out at the reply's start + (k + 1) byte times. Pacing can be
// switched off: then a command is answered as soon as it is read, in one write.
//
// Faults change what follows every command while they are set; the command itself is still
// taken, logged and acted on. Flood writes at the line's pace (or, without pacing, about 2 MB/s)
// and waits while the program does not read.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
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

enum class FaultKind {
    None,
    NoReply, // commands are taken but never answered
    LateReply, // every reply is sent param milliseconds late
    Garbage, // every reply is replaced by param bytes of garbage without ">"
    Chunked, // replies go out in chunks of param bytes with gapMs between them
    Flood, // after the next command, bytes without ">" are sent without end until cleared
};

struct Fault
{
    FaultKind kind = FaultKind::None;
    int param = 0;
    int gapMs = 0;
};

struct Scenario
{
    std::map<int, MemoryChannel> memory; // key bank * 100 + channel
    std::vector<Signal> signals;
    int noiseLevel = 0; // level read where no signal is heard
    bool pacing = true;
    Fault fault;
};

// Scenario file: plain text, one statement a line, "#" starts a comment:
//   pacing on|off
//   noise <level>
//   channel <bank 1..4> <channel 0..99> <MHz> <mode N|W|A|L|U|C|-> [att]
//   signal <MHz> <level 0..15> [on <seconds> off <seconds>]
//   fault none | noreply | late <ms> | garbage <bytes> | chunked <bytes> <gap ms> | flood
// <MHz> is a plain decimal number (145.5000); mode "-" stores a channel without a mode; the
// optional word "att" stores it with the attenuator on. Seconds may carry a fraction (0.25).
// Later statements win. On an error nothing is changed and *error says "line N: why".
bool parseScenario(const std::string &text, Scenario &out, std::string *error);
bool loadScenarioFile(const std::string &path, Scenario &out, std::string *error);

class SimReceiver
{
public:
    SimReceiver();
    ~SimReceiver();
    SimReceiver(const SimReceiver &) = delete;
    SimReceiver &operator=(const SimReceiver &) = delete;

    // Opens the pseudo-terminal and starts answering on a thread of its own.
    bool start(std::string *error = nullptr);
    void stop();

    // The device the program opens (/dev/pts/N), and an optional stable symlink to it that is
    // kept pointing at the current device (also after comeBack). The link is replaced atomically,
    // removed by hangUp and stop, and made again by comeBack and start. A path that exists and is
    // not a symlink is refused. devicePath keeps the last device after a hang-up.
    std::string devicePath() const;
    bool setLinkPath(const std::string &path, std::string *error = nullptr);
    std::string linkPath() const;
    void removeLink() { setLinkPath(std::string()); }
    // True between start (or comeBack) and hangUp (or stop).
    bool isUp() const;

    void setScenario(const Scenario &scenario);
    void setPacing(bool on);
    void setFault(const Fault &fault);
    void clearFault() { setFault(Fault {}); }
    void setSignalLevelAt(double frequencyMHz, int level); // adds or replaces an always-on signal
    void setNoiseLevel(int level);

    // Closes its side of the line: the program sees a hang-up.
    void hangUp();
    // A new pseudo-terminal after a hang-up; the link path is pointed at it.
    bool comeBack(std::string *error = nullptr);

    // What the program sent: commands without their carriage return (line feeds dropped, cut at
    // 256 characters), and the raw bytes. The logs keep the latest 100000 commands and 1 MiB.
    std::vector<std::string> commands() const;
    std::string receivedBytes() const;
    void clearLog();
    // Blocks until at least count commands have been received or the time is up; returns how
    // many have been received since the last clearLog. A command counts once it has been acted
    // on, so the receiver's state already shows it.
    size_t waitForCommands(size_t count, int timeoutMs) const;

    // The receiver's own state.
    std::string tunedFrequency() const; // as last sent, e.g. "145.5000"; "" before any tuning
    char mode() const;
    bool attenuator() const;
    int selectedBank() const;
    std::map<int, MemoryChannel> memory() const;
    // The speed the program set on the line (0 before it set one: the line starts at B0, and a
    // line without a speed is not paced).
    int lineBaudRate() const;

    struct Impl;

private:
    Impl *d;
};

} // namespace zesim
