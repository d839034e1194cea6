#include "AudioOut.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace zesim {

namespace {

constexpr double twoPi = 6.283185307179586;
// Little buffered on the server, so that the sound follows the tuning closely.
constexpr uint32_t targetBytes = AudioOut::rate / 25 * sizeof(int16_t); // 40 ms

} // namespace

AudioOut::~AudioOut()
{
    stop();
}

bool AudioOut::start(std::function<Tone()> toneNow, std::string *error)
{
    std::lock_guard<std::mutex> lock(m_lifecycle);
    if (m_worker.joinable()) {
        if (m_playing.load())
            return true;
        m_worker.join(); // ended when the server went away
    }
    pa_sample_spec spec {};
    spec.format = PA_SAMPLE_S16LE;
    spec.rate = rate;
    spec.channels = 1;
    pa_buffer_attr attr {};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = targetBytes;
    attr.prebuf = blockFrames * sizeof(int16_t); // plays from the first block on
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(-1);
    int code = 0;
    pa_simple *stream = pa_simple_new(nullptr, "ze3000r-sim", PA_STREAM_PLAYBACK, nullptr,
                                      "ze3000r-sim receiver audio", &spec, nullptr, &attr, &code);
    if (!stream) {
        if (error)
            *error = std::string("no sound server: ") + pa_strerror(code);
        return false;
    }
    m_stopping = false;
    m_playing = true;
    m_frames = 0;
    m_worker = std::thread([this, stream, toneNow = std::move(toneNow)] { run(stream, toneNow); });
    return true;
}

void AudioOut::stop()
{
    std::lock_guard<std::mutex> lock(m_lifecycle);
    if (!m_worker.joinable())
        return;
    m_stopping = true;
    m_worker.join();
}

void AudioOut::run(pa_simple *stream, const std::function<Tone()> &toneNow)
{
    std::vector<int16_t> block(blockFrames);
    double phase = 0; // carried from block to block: no click where one meets the next
    while (!m_stopping.load()) {
        const Tone tone = toneNow();
        const double amplitude = std::fmin(std::fabs(tone.amplitude), 1.0) * 32767.0;
        if (tone.hertz > 0 && amplitude > 0) {
            const double step = twoPi * tone.hertz / rate;
            for (int16_t &sample : block) {
                sample = static_cast<int16_t>(std::lround(amplitude * std::sin(phase)));
                phase += step;
                if (phase >= twoPi)
                    phase = std::fmod(phase, twoPi);
            }
            m_toneHertz = tone.hertz;
        } else {
            std::fill(block.begin(), block.end(), int16_t {0});
            phase = 0;
            m_toneHertz = 0;
        }
        // Blocks while the server holds its 40 ms: that paces the loop.
        int code = 0;
        if (pa_simple_write(stream, block.data(), block.size() * sizeof(int16_t), &code) < 0)
            break; // the server went away: the receiver goes on without sound
        m_frames += blockFrames;
    }
    m_toneHertz = 0;
    m_playing = false;
    pa_simple_free(stream);
}

} // namespace zesim
