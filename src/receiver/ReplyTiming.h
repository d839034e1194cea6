#pragma once

#include <array>
#include <chrono>
#include <cstdint>

namespace ze {

// What the line has shown of the receiver's replies. A receiver answers no faster than the line
// carries the command and the reply, so an exchange can sleep through the shortest reply the
// command has had and wake once, instead of waking for the first byte and again for the rest.
// The bytes come a little after the line could have carried them (the receiver's turnaround,
// the adapter's and the driver's latency): that lag is learnt too, so that the wake finds the
// reply in. A device faster than its line (a pseudo-terminal) is found out and waited on from the
// start; every checkEvery-th exchange waits on the line from the start to find that out again.
class ReplyTiming
{
public:
    static constexpr int checkEvery = 32;
    // A longer lag is not slept through: the exchange then waits on the line for the rest.
    static constexpr std::chrono::microseconds longestLag {2000};
    // The lag slept through settles where one wake in five comes before the reply is in: it
    // grows by four steps for each such wake and shrinks by one for each in time.
    static constexpr std::chrono::microseconds lagStep {4};

    // Another device or another speed: nothing learnt holds.
    void reset();
    // Reply bytes to sleep through after sending a command whose last character is last; 0 to
    // wait on the line from the start.
    int bytesToSleepThrough(char last);
    // How long after its line time a reply is slept on.
    std::chrono::microseconds lag() const { return m_lag; }
    // A whole reply of length bytes up to its prompt came for that command. early: it was in
    // before the line could have carried it; slept: the exchange slept through part of it, so
    // its timing tells nothing about the device.
    void learn(char last, int length, bool early, bool slept);
    // After sleeping through a reply: it was in at the wake, or not yet.
    void wokeInTime();
    void wokeEarly();

private:
    static std::size_t slot(char last) { return static_cast<unsigned char>(last) & 0x7fU; }

    std::array<std::uint8_t, 128> m_shortest {}; // 0: no reply seen yet
    std::chrono::microseconds m_lag {0};
    bool m_paced = false;
    int m_sinceCheck = 0;
};

} // namespace ze
