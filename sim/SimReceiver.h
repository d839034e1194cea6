#pragma once

// The simulated ZE3000R: a receiver on a real pseudo-terminal, for tests, benchmarks and the demo.
// What it understands and how it answers is in Protocol.h; what it is set up with (memory,
// signals, noise, faults) and the scenario file format in Scenario.h; how the bytes are timed on
// the line in LineWorker.h.

#include "Scenario.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace zesim {

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

    // The receiver's audio output on the sound server (PULSE_SERVER, else the user's): while it
    // is tuned to a signal that is on and above the noise, the signal's tone (toneHeard in
    // Scenario.h), else silence; 16000 Hz mono, in 10 ms blocks with the sine's phase carried
    // across them. False with the reason when no sound server takes the stream; the receiver
    // answers as always either way. Stopped by stop() and by setAudio(false); when the server
    // goes away the sound ends and the rest goes on.
    bool setAudio(bool on, std::string *error = nullptr);
    bool audioPlaying() const;
    // The pitch being played now (the block last handed to the server), 0 for silence.
    double toneNow() const;
    // Frames handed to the server since audio was switched on.
    unsigned long long audioFramesWritten() const;

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
