#pragma once

// The receiver's loudspeaker: a playback stream on the sound server, fed on a thread of its own
// with 10 ms blocks of the tone the receiver hears at that moment.

#include "Scenario.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

struct pa_simple;

namespace zesim {

class AudioOut
{
public:
    static constexpr int rate = 16000; // mono, signed 16 bit little-endian
    static constexpr int blockFrames = rate / 100;

    AudioOut() = default;
    ~AudioOut();
    AudioOut(const AudioOut &) = delete;
    AudioOut &operator=(const AudioOut &) = delete;

    // Connects to the sound server (PULSE_SERVER, else the user's) and starts playing what
    // toneNow gives for each block; true at once when already playing. False with the reason
    // when no server takes the stream.
    bool start(std::function<Tone()> toneNow, std::string *error);
    // Stops the thread and drops the stream with what it still holds.
    void stop();

    // False also after the sound server went away.
    bool playing() const { return m_playing.load(); }
    // The pitch of the block last handed to the server, 0 for silence.
    double toneNow() const { return m_toneHertz.load(); }
    uint64_t framesWritten() const { return m_frames.load(); }

private:
    void run(pa_simple *stream, const std::function<Tone()> &toneNow);

    std::mutex m_lifecycle; // start and stop
    std::thread m_worker;
    std::atomic<bool> m_stopping {false};
    std::atomic<bool> m_playing {false};
    std::atomic<double> m_toneHertz {0};
    std::atomic<uint64_t> m_frames {0};
};

} // namespace zesim
