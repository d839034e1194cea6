#include "SimReceiver.h"

#include "AudioOut.h"
#include "Protocol.h"
#include "PtyTransport.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zesim {

namespace {

constexpr size_t maxLoggedCommands = 100000;
constexpr size_t maxLoggedBytes = size_t {1024} * 1024;

} // namespace

struct SimReceiver::Impl : LineHandler
{
    Impl()
        : line(*this)
    {
    }

    // Guarded by mutex.
    mutable std::mutex mutex;
    mutable std::condition_variable commandLogged;
    Scenario scenario; // memory lives here too
    std::chrono::steady_clock::time_point scenarioStart = std::chrono::steady_clock::now();
    std::string tuned;
    char mode = 'N';
    bool att = false;
    int bank = 1;
    std::vector<std::string> commands;
    std::string bytes;
    size_t commandCount = 0;

    // Last, so that their workers are stopped before the state they answer from goes.
    PtyTransport line;
    AudioOut audio;

    void logCommand(const std::string &command)
    {
        if (commands.size() >= maxLoggedCommands)
            commands.erase(commands.begin(),
                           commands.begin() + static_cast<std::ptrdiff_t>(commands.size() / 2));
        commands.push_back(command);
        ++commandCount;
    }

    void logBytes(const char *data, size_t n)
    {
        if (bytes.size() + n > maxLoggedBytes)
            bytes.erase(0, std::min(bytes.size(), std::max(bytes.size() / 2, n)));
        bytes.append(data, n);
    }

    double elapsed() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - scenarioStart)
                .count();
    }

    int levelNow() const { return levelHeard(scenario, tuned, elapsed()); }

    // For the audio thread.
    Tone toneNow() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return toneHeard(scenario, tuned, elapsed());
    }

    // Acts on one command; called with mutex held.
    std::string execute(const std::string &command)
    {
        const Command c = parseCommand(command);
        switch (c.kind) {
        case CommandKind::Level:
            return levelReply(levelNow());
        case CommandKind::Tune:
            tuned = c.frequency;
            if (c.mode)
                mode = c.mode;
            if (c.att)
                att = c.att == 'R';
            break;
        case CommandKind::SelectBank:
            bank = c.number;
            break;
        case CommandKind::ReadChannel: {
            const auto it = scenario.memory.find(memoryKey(bank, c.number));
            if (it != scenario.memory.end())
                return channelReply(c.number, it->second);
            break;
        }
        case CommandKind::StoreChannel: {
            MemoryChannel m;
            m.frequency = c.frequency;
            m.mode = c.mode;
            m.att = c.att == 'R';
            scenario.memory[memoryKey(bank, c.number)] = m;
            break;
        }
        case CommandKind::Found:
        case CommandKind::NotFound:
        case CommandKind::Invalid:
            break;
        }
        return std::string(plainReply);
    }

    void received(const char *data, size_t n) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        logBytes(data, n);
    }

    Answer answer(const std::string &command) override
    {
        Answer a;
        {
            std::lock_guard<std::mutex> lock(mutex);
            a.reply = execute(command);
            logCommand(command);
            a.fault = scenario.fault;
            a.pacing = scenario.pacing;
        }
        commandLogged.notify_all();
        return a;
    }

    Fault fault() const override
    {
        std::lock_guard<std::mutex> lock(mutex);
        return scenario.fault;
    }
};

SimReceiver::SimReceiver()
    : d(new Impl)
{
}

SimReceiver::~SimReceiver()
{
    stop();
    delete d;
}

bool SimReceiver::start(std::string *error)
{
    return d->line.start(error);
}

void SimReceiver::stop()
{
    d->line.stop();
    d->audio.stop();
}

void SimReceiver::hangUp()
{
    d->line.stop();
}

bool SimReceiver::setAudio(bool on, std::string *error)
{
    if (!on) {
        d->audio.stop();
        return true;
    }
    Impl *impl = d;
    return d->audio.start([impl] { return impl->toneNow(); }, error);
}

bool SimReceiver::audioPlaying() const
{
    return d->audio.playing();
}

double SimReceiver::toneNow() const
{
    return d->audio.toneNow();
}

unsigned long long SimReceiver::audioFramesWritten() const
{
    return d->audio.framesWritten();
}

bool SimReceiver::comeBack(std::string *error)
{
    return d->line.restart(error);
}

bool SimReceiver::isUp() const
{
    return d->line.isUp();
}

std::string SimReceiver::devicePath() const
{
    return d->line.devicePath();
}

bool SimReceiver::setLinkPath(const std::string &path, std::string *error)
{
    return d->line.setLinkPath(path, error);
}

std::string SimReceiver::linkPath() const
{
    return d->line.linkPath();
}

void SimReceiver::setScenario(const Scenario &scenario)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->scenario = scenario;
    d->scenario.noiseLevel = clampLevel(scenario.noiseLevel);
    d->scenarioStart = std::chrono::steady_clock::now();
    d->line.setPacing(scenario.pacing);
    d->line.configChanged();
}

void SimReceiver::setPacing(bool on)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->scenario.pacing = on;
    d->line.setPacing(on);
    d->line.configChanged();
}

void SimReceiver::setFault(const Fault &fault)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->scenario.fault = fault;
    d->line.configChanged();
}

void SimReceiver::setSignalLevelAt(double frequencyMHz, int level)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    putSteadySignal(d->scenario, frequencyMHz, level);
}

void SimReceiver::setNoiseLevel(int level)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->scenario.noiseLevel = clampLevel(level);
}

std::vector<std::string> SimReceiver::commands() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->commands;
}

std::string SimReceiver::receivedBytes() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->bytes;
}

void SimReceiver::clearLog()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->commands.clear();
    d->bytes.clear();
    d->commandCount = 0;
}

size_t SimReceiver::waitForCommands(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(d->mutex);
    d->commandLogged.wait_for(lock, std::chrono::milliseconds(std::max(0, timeoutMs)),
                              [&] { return d->commandCount >= count; });
    return d->commandCount;
}

std::string SimReceiver::tunedFrequency() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->tuned;
}

char SimReceiver::mode() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->mode;
}

bool SimReceiver::attenuator() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->att;
}

int SimReceiver::selectedBank() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->bank;
}

std::map<int, MemoryChannel> SimReceiver::memory() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->scenario.memory;
}

int SimReceiver::lineBaudRate() const
{
    return d->line.lineBaudRate();
}

} // namespace zesim
