#include "SimReceiver.h"

#include "Protocol.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace zesim {

namespace {

using Ns = long long; // nanoseconds on CLOCK_MONOTONIC

constexpr Ns never = LLONG_MAX;
constexpr Ns msNs = 1000000;
// Deadlines closer than this are met with an absolute sleep rather than a poll timeout.
constexpr Ns preciseWindow = 2 * msNs;
constexpr size_t maxCommandLength = 256;
constexpr size_t maxLoggedCommands = 100000;
constexpr size_t maxLoggedBytes = 1024 * 1024;
constexpr size_t floodBurstPaced = 16;
constexpr size_t floodBurstUnpaced = 4096;
constexpr Ns floodIntervalUnpaced = 2 * msNs;

Ns monoNow()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<Ns>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

timespec toTimespec(Ns t)
{
    timespec ts;
    ts.tv_sec = static_cast<time_t>(t / 1000000000LL);
    ts.tv_nsec = static_cast<long>(t % 1000000000LL);
    return ts;
}

void sleepUntil(Ns t)
{
    const timespec ts = toTimespec(t);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) { }
}

int baudOf(speed_t s)
{
    switch (s) {
    case B50:
        return 50;
    case B75:
        return 75;
    case B110:
        return 110;
    case B134:
        return 134;
    case B150:
        return 150;
    case B200:
        return 200;
    case B300:
        return 300;
    case B600:
        return 600;
    case B1200:
        return 1200;
    case B1800:
        return 1800;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
#ifdef B460800
    case B460800:
        return 460800;
#endif
#ifdef B921600
    case B921600:
        return 921600;
#endif
    default:
        return 0;
    }
}

int clampLevel(int level)
{
    return std::clamp(level, 0, 15);
}

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

// Printable bytes that are never the prompt.
char garbageByte(uint32_t &state)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                       "0123456789 .,:;?!*#%&=+-";
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return alphabet[state % (sizeof alphabet - 1)];
}

} // namespace

struct SimReceiver::Impl
{
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
    std::string devicePath;
    int wakeFd = -1;

    std::atomic<int> lineBaud {0};
    std::atomic<bool> pacing {true};
    std::atomic<unsigned> configSerial {0};
    std::atomic<bool> stopRequested {false};

    // Guarded by lifecycle; the worker gets its own copies of the descriptors.
    mutable std::mutex lifecycle;
    int masterFd = -1;
    int slaveFd = -1;
    std::thread worker;
    bool up = false;
    std::string linkPath;
    std::string linkTarget; // what the link was last pointed at
    unsigned linkCounter = 0;

    // Called with mutex held.
    void configChanged()
    {
        configSerial.fetch_add(1, std::memory_order_release);
        if (wakeFd >= 0) {
            const uint64_t one = 1;
            [[maybe_unused]] ssize_t r = ::write(wakeFd, &one, sizeof one);
        }
    }

    void logCommand(const std::string &line)
    {
        if (commands.size() >= maxLoggedCommands)
            commands.erase(commands.begin(),
                           commands.begin() + static_cast<std::ptrdiff_t>(commands.size() / 2));
        commands.push_back(line);
        ++commandCount;
    }

    void logBytes(const char *data, size_t n)
    {
        if (bytes.size() + n > maxLoggedBytes)
            bytes.erase(0, std::min(bytes.size(), std::max(bytes.size() / 2, n)));
        bytes.append(data, n);
    }

    int levelNow() const
    {
        long long hz = 0;
        if (!parseDecimal(tuned, 6, hz))
            return clampLevel(scenario.noiseLevel);
        const double elapsed
                = std::chrono::duration<double>(std::chrono::steady_clock::now() - scenarioStart)
                          .count();
        int best = -1;
        for (const Signal &s : scenario.signals) {
            if (!std::isfinite(s.frequencyMHz) || std::fabs(s.frequencyMHz) > 1e7)
                continue;
            if (std::llabs(std::llround(s.frequencyMHz * 1e6) - hz) > 500)
                continue;
            if (s.onSeconds > 0 && s.offSeconds > 0 && std::isfinite(s.onSeconds + s.offSeconds)
                && std::fmod(elapsed, s.onSeconds + s.offSeconds) >= s.onSeconds)
                continue;
            best = std::max(best, clampLevel(s.level));
        }
        return best >= 0 ? best : clampLevel(scenario.noiseLevel);
    }

    // Acts on one command; called with mutex held.
    std::string execute(const std::string &line)
    {
        const Command c = parseCommand(line);
        switch (c.kind) {
        case CommandKind::Level: {
            std::string reply(1, static_cast<char>('A' + levelNow()));
            reply += plainReply;
            return reply;
        }
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
            const auto it = scenario.memory.find(bank * 100 + c.number);
            if (it != scenario.memory.end())
                return channelReply(c.number, it->second);
            break;
        }
        case CommandKind::StoreChannel: {
            MemoryChannel m;
            m.frequency = c.frequency;
            m.mode = c.mode;
            m.att = c.att == 'R';
            scenario.memory[bank * 100 + c.number] = m;
            break;
        }
        case CommandKind::Found:
        case CommandKind::NotFound:
        case CommandKind::Invalid:
            break;
        }
        return std::string(plainReply);
    }

    bool openLine(std::string *error);
    void closeLine();
    // Opens a new line, points the link at it and starts answering; with lifecycle held.
    bool bringUp(std::string *error);
    void startWorker();
    void stopWorker();
    bool pointLink(std::string *error);
    void dropLink();
};

namespace {

// The line's far end: runs on the worker thread, owns the timing of every byte.
class Worker
{
public:
    Worker(SimReceiver::Impl &impl, int master, int slave, int wake)
        : d(impl)
        , m_master(master)
        , m_slave(slave)
        , m_wake(wake)
    {
        m_cur.reserve(maxCommandLength);
        m_out.reserve(256);
        m_due.reserve(256);
        uint32_t state = 0x2545F491u;
        for (char &c : m_floodBytes)
            c = garbageByte(state);
    }

    void run()
    {
        // Byte times are about a millisecond; the default 50 us slack would show on the line.
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        m_seenSerial = d.configSerial.load(std::memory_order_acquire) - 1;
        while (!d.stopRequested.load(std::memory_order_acquire)) {
            const unsigned serial = d.configSerial.load(std::memory_order_acquire);
            if (serial != m_seenSerial) {
                m_seenSerial = serial;
                reloadConfig();
            }
            Ns now = monoNow();
            processDue(now);
            if (!m_waitWritable) {
                writeDue(now);
                floodDue(now);
            }
            const Ns deadline = nextDeadline();
            now = monoNow();
            if (deadline != never && deadline - now <= preciseWindow) {
                if (deadline > now)
                    sleepUntil(deadline);
                continue;
            }
            if (!waitForEvents(deadline == never ? -1 : deadline - now - preciseWindow / 2))
                break;
        }
    }

private:
    struct Pending
    {
        std::string line;
        Ns arrival;
        double byteNs;
    };

    // Returns false only when polling itself fails for good.
    bool waitForEvents(Ns timeout)
    {
        pollfd fds[2];
        fds[0] = {m_wake, POLLIN, 0};
        fds[1] = {m_masterDead ? -1 : m_master,
                  static_cast<short>(POLLIN | (m_waitWritable ? POLLOUT : 0)), 0};
        timespec ts;
        const timespec *tp = nullptr;
        if (timeout >= 0) {
            ts = toTimespec(timeout);
            tp = &ts;
        }
        const int r = ppoll(fds, 2, tp, nullptr);
        if (r < 0)
            return errno == EINTR;
        if (fds[0].revents & POLLIN) {
            uint64_t v;
            [[maybe_unused]] ssize_t n = ::read(m_wake, &v, sizeof v);
        }
        if (fds[1].revents & POLLOUT)
            m_waitWritable = false;
        if (fds[1].revents & POLLIN)
            readInput();
        else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))
            m_masterDead = true; // cannot happen while the slave is held; never poll it again
        return true;
    }

    void reloadConfig()
    {
        std::lock_guard<std::mutex> lock(d.mutex);
        if (d.scenario.fault.kind != FaultKind::Flood)
            m_flooding = false;
    }

    // The program's termios: the simulator's slave descriptor shares them.
    void refreshLine()
    {
        termios t;
        if (tcgetattr(m_slave, &t) != 0)
            return;
        const int baud = baudOf(cfgetospeed(&t));
        int data = 8;
        switch (t.c_cflag & CSIZE) {
        case CS5:
            data = 5;
            break;
        case CS6:
            data = 6;
            break;
        case CS7:
            data = 7;
            break;
        default:
            break;
        }
        const int bits = 1 + data + ((t.c_cflag & PARENB) ? 1 : 0) + ((t.c_cflag & CSTOPB) ? 2 : 1);
        d.lineBaud.store(baud, std::memory_order_relaxed);
        m_byteNs = baud > 0 ? bits * 1e9 / baud : 0.0;
    }

    void readInput()
    {
        char buf[4096];
        const ssize_t r = ::read(m_master, buf, sizeof buf);
        if (r <= 0) {
            if (r == 0 || (errno != EAGAIN && errno != EINTR))
                m_masterDead = true;
            return;
        }
        const Ns now = monoNow();
        {
            std::lock_guard<std::mutex> lock(d.mutex);
            d.logBytes(buf, static_cast<size_t>(r));
        }
        for (ssize_t i = 0; i < r; ++i) {
            const char c = buf[i];
            if (!m_inCommand && c != '\n') {
                refreshLine();
                m_inPaced = d.pacing.load(std::memory_order_relaxed) && m_byteNs > 0;
                m_inCommand = true;
            }
            Ns arrival = now;
            if (m_inPaced)
                arrival = std::max(now, m_lastArrival) + static_cast<Ns>(std::ceil(m_byteNs));
            m_lastArrival = arrival;
            if (c == '\r') {
                m_pending.push_back(Pending {std::move(m_cur), arrival, m_byteNs});
                m_cur.clear();
                m_cur.reserve(maxCommandLength);
                m_inCommand = false;
            } else if (c != '\n' && m_cur.size() < maxCommandLength) {
                m_cur.push_back(c);
            }
        }
    }

    void processDue(Ns now)
    {
        while (!m_pending.empty() && m_pending.front().arrival <= now) {
            process(m_pending.front(), now);
            m_pending.pop_front();
        }
    }

    void process(const Pending &p, Ns now)
    {
        Fault fault;
        bool paced = false;
        std::string reply;
        {
            std::lock_guard<std::mutex> lock(d.mutex);
            reply = d.execute(p.line);
            d.logCommand(p.line);
            fault = d.scenario.fault;
            paced = d.scenario.pacing && p.byteNs > 0;
        }
        d.commandLogged.notify_all();

        switch (fault.kind) {
        case FaultKind::None:
            schedule(reply, p.arrival, paced, p.byteNs, 0, 0);
            break;
        case FaultKind::NoReply:
            break;
        case FaultKind::LateReply:
            schedule(reply, p.arrival + std::max(0, fault.param) * msNs, paced, p.byteNs, 0, 0);
            break;
        case FaultKind::Garbage: {
            reply.clear();
            for (int i = 0; i < fault.param; ++i)
                reply.push_back(garbageByte(m_garbageState));
            schedule(reply, p.arrival, paced, p.byteNs, 0, 0);
            break;
        }
        case FaultKind::Chunked:
            schedule(reply, p.arrival, paced, p.byteNs, std::max(1, fault.param),
                     std::max(0, fault.gapMs) * msNs);
            break;
        case FaultKind::Flood:
            if (!m_flooding) {
                m_flooding = true;
                m_floodPaced = paced;
                m_floodByteNs = p.byteNs;
                m_floodNext = std::max({p.arrival, m_lineFreeAt, now});
            }
            break;
        }
    }

    // Byte k of the reply is due at start + (k + 1) byte times; a chunk starts its gap after the
    // previous chunk's last byte. The line carries one reply after the other.
    void schedule(const std::string &bytes, Ns readyAt, bool paced, double byteNs, int chunk,
                  Ns gap)
    {
        Ns start = std::max(readyAt, m_lineFreeAt);
        Ns last = start;
        size_t inChunk = 0;
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (chunk > 0 && inChunk == static_cast<size_t>(chunk)) {
                start = last + gap;
                inChunk = 0;
            }
            ++inChunk;
            last = paced ? start + static_cast<Ns>(std::ceil(static_cast<double>(inChunk) * byteNs))
                         : start;
            m_out.push_back(bytes[i]);
            m_due.push_back(last);
        }
        m_lineFreeAt = last;
    }

    void writeDue(Ns now)
    {
        size_t n = 0;
        while (m_head + n < m_out.size() && m_due[m_head + n] <= now)
            ++n;
        if (n > 0) {
            const ssize_t r = ::write(m_master, m_out.data() + m_head, n);
            if (r > 0) {
                m_head += static_cast<size_t>(r);
                if (static_cast<size_t>(r) < n)
                    m_waitWritable = true;
            } else if (r < 0 && errno == EAGAIN) {
                m_waitWritable = true;
            } else if (r == 0 || errno != EINTR) {
                m_head = m_out.size(); // the line is gone: drop what was to be said
            }
        }
        if (m_head == m_out.size()) {
            m_out.clear();
            m_due.clear();
            m_head = 0;
        }
    }

    void floodDue(Ns now)
    {
        if (!m_flooding || m_floodNext > now)
            return;
        const size_t burst = m_floodPaced ? floodBurstPaced : floodBurstUnpaced;
        const ssize_t r = ::write(m_master, m_floodBytes, burst);
        if (r < 0) {
            if (errno == EAGAIN)
                m_waitWritable = true;
            else if (errno != EINTR)
                m_flooding = false;
            return;
        }
        if (static_cast<size_t>(r) < burst)
            m_waitWritable = true;
        m_floodNext += m_floodPaced ? std::llround(static_cast<double>(r) * m_floodByteNs)
                                    : floodIntervalUnpaced;
        // After the program stalled the line, go on at the line's pace, not in a burst.
        if (m_floodNext < now)
            m_floodNext = now;
        m_lineFreeAt = std::max(m_lineFreeAt, m_floodNext);
    }

    Ns nextDeadline() const
    {
        Ns t = never;
        if (!m_pending.empty())
            t = m_pending.front().arrival;
        if (!m_waitWritable) {
            if (m_head < m_out.size())
                t = std::min(t, m_due[m_head]);
            if (m_flooding)
                t = std::min(t, m_floodNext);
        }
        return t;
    }

    SimReceiver::Impl &d;
    const int m_master;
    const int m_slave;
    const int m_wake;
    unsigned m_seenSerial = 0;
    bool m_masterDead = false;
    bool m_waitWritable = false;

    // Receiving.
    std::deque<Pending> m_pending;
    std::string m_cur;
    bool m_inCommand = false;
    bool m_inPaced = false;
    double m_byteNs = 0;
    Ns m_lastArrival = 0;

    // Sending: bytes with the time each is due.
    std::string m_out;
    std::vector<Ns> m_due;
    size_t m_head = 0;
    Ns m_lineFreeAt = 0;
    uint32_t m_garbageState = 0x9E3779B9u;

    bool m_flooding = false;
    bool m_floodPaced = false;
    double m_floodByteNs = 0;
    Ns m_floodNext = 0;
    char m_floodBytes[floodBurstUnpaced];
};

} // namespace

bool SimReceiver::Impl::openLine(std::string *error)
{
    auto fail = [&](const std::string &what) {
        if (error)
            *error = systemError(what);
        const int saved = errno;
        if (slaveFd >= 0)
            ::close(slaveFd);
        if (masterFd >= 0)
            ::close(masterFd);
        slaveFd = masterFd = -1;
        errno = saved;
        return false;
    };
    masterFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (masterFd < 0)
        return fail("posix_openpt");
    if (grantpt(masterFd) != 0)
        return fail("grantpt");
    if (unlockpt(masterFd) != 0)
        return fail("unlockpt");
    char name[256];
    if (ptsname_r(masterFd, name, sizeof name) != 0)
        return fail("ptsname");
    // Held open so that the master never sees a hang-up when the program closes its side.
    slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveFd < 0)
        return fail(std::string("open ") + name);
    // Raw at once: a cooked line would echo replies back as commands before the program
    // configures it.
    termios t;
    if (tcgetattr(slaveFd, &t) != 0)
        return fail("tcgetattr");
    cfmakeraw(&t);
    // No speed until the program sets one, so that lineBaudRate can tell.
    cfsetspeed(&t, B0);
    if (tcsetattr(slaveFd, TCSANOW, &t) != 0)
        return fail("tcsetattr");
    const int flags = fcntl(masterFd, F_GETFL);
    if (flags < 0 || fcntl(masterFd, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail("fcntl");
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0)
        return fail("eventfd");
    std::lock_guard<std::mutex> lock(mutex);
    wakeFd = wake;
    devicePath = name;
    return true;
}

void SimReceiver::Impl::closeLine()
{
    int wake;
    {
        std::lock_guard<std::mutex> lock(mutex);
        wake = wakeFd;
        wakeFd = -1;
    }
    if (wake >= 0)
        ::close(wake);
    if (slaveFd >= 0)
        ::close(slaveFd);
    if (masterFd >= 0)
        ::close(masterFd);
    slaveFd = masterFd = -1;
}

bool SimReceiver::Impl::bringUp(std::string *error)
{
    if (!openLine(error))
        return false;
    if (!linkPath.empty() && !pointLink(error)) {
        closeLine();
        return false;
    }
    startWorker();
    up = true;
    return true;
}

void SimReceiver::Impl::startWorker()
{
    stopRequested.store(false);
    int wake;
    {
        std::lock_guard<std::mutex> lock(mutex);
        wake = wakeFd;
    }
    worker = std::thread(
            [this, m = masterFd, s = slaveFd, wake] { Worker(*this, m, s, wake).run(); });
}

void SimReceiver::Impl::stopWorker()
{
    if (!worker.joinable())
        return;
    stopRequested.store(true);
    {
        std::lock_guard<std::mutex> lock(mutex);
        configChanged();
    }
    worker.join();
}

bool SimReceiver::Impl::pointLink(std::string *error)
{
    const std::string tmp
            = linkPath + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(++linkCounter);
    std::string target;
    {
        std::lock_guard<std::mutex> lock(mutex);
        target = devicePath;
    }
    ::unlink(tmp.c_str());
    if (::symlink(target.c_str(), tmp.c_str()) != 0) {
        if (error)
            *error = systemError("symlink " + tmp);
        return false;
    }
    // rename replaces the old link in one step: the path is never missing while it is re-pointed.
    if (::rename(tmp.c_str(), linkPath.c_str()) != 0) {
        if (error)
            *error = systemError("rename " + tmp + " to " + linkPath);
        ::unlink(tmp.c_str());
        return false;
    }
    linkTarget = target;
    return true;
}

void SimReceiver::Impl::dropLink()
{
    if (linkPath.empty() || linkTarget.empty())
        return;
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(linkPath.c_str(), buf, sizeof buf - 1);
    // Only our own link: someone may have put something else there meanwhile.
    if (n > 0 && std::string(buf, static_cast<size_t>(n)) == linkTarget)
        ::unlink(linkPath.c_str());
    linkTarget.clear();
}

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
    std::lock_guard<std::mutex> lock(d->lifecycle);
    if (d->up)
        return true;
    return d->bringUp(error);
}

void SimReceiver::stop()
{
    std::lock_guard<std::mutex> lock(d->lifecycle);
    if (!d->up)
        return;
    d->stopWorker();
    d->dropLink();
    d->closeLine();
    d->up = false;
}

void SimReceiver::hangUp()
{
    stop();
}

bool SimReceiver::comeBack(std::string *error)
{
    std::lock_guard<std::mutex> lock(d->lifecycle);
    if (d->up) {
        d->stopWorker();
        d->closeLine();
        d->up = false;
    }
    return d->bringUp(error);
}

bool SimReceiver::isUp() const
{
    std::lock_guard<std::mutex> lock(d->lifecycle);
    return d->up;
}

std::string SimReceiver::devicePath() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->devicePath;
}

bool SimReceiver::setLinkPath(const std::string &path, std::string *error)
{
    std::lock_guard<std::mutex> lock(d->lifecycle);
    if (!path.empty()) {
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            if (error)
                *error = path + ": exists and is not a symbolic link";
            return false;
        }
    }
    if (path != d->linkPath)
        d->dropLink();
    d->linkPath = path;
    if (d->up && !path.empty())
        return d->pointLink(error);
    return true;
}

std::string SimReceiver::linkPath() const
{
    std::lock_guard<std::mutex> lock(d->lifecycle);
    return d->linkPath;
}

void SimReceiver::setScenario(const Scenario &scenario)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->scenario = scenario;
    d->scenario.noiseLevel = clampLevel(scenario.noiseLevel);
    d->scenarioStart = std::chrono::steady_clock::now();
    d->pacing.store(scenario.pacing);
    d->configChanged();
}

void SimReceiver::setPacing(bool on)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->scenario.pacing = on;
    d->pacing.store(on);
    d->configChanged();
}

void SimReceiver::setFault(const Fault &fault)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->scenario.fault = fault;
    d->configChanged();
}

void SimReceiver::setSignalLevelAt(double frequencyMHz, int level)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    auto &signals = d->scenario.signals;
    signals.erase(std::remove_if(signals.begin(), signals.end(),
                                 [&](const Signal &s) {
                                     return std::fabs(s.frequencyMHz - frequencyMHz) < 0.5e-6;
                                 }),
                  signals.end());
    Signal s;
    s.frequencyMHz = frequencyMHz;
    s.level = clampLevel(level);
    signals.push_back(s);
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
    std::lock_guard<std::mutex> lock(d->lifecycle);
    termios t;
    if (d->slaveFd >= 0 && tcgetattr(d->slaveFd, &t) == 0)
        d->lineBaud.store(baudOf(cfgetospeed(&t)));
    return d->lineBaud.load();
}

} // namespace zesim
