#include "LineWorker.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <deque>
#include <vector>

#include <poll.h>
#include <sys/prctl.h>
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

// Bytes that are never the prompt: letters, digits and signs, NUL, 0xFF, and stray UTF-8 lead
// and continuation bytes, which mostly make no valid sequence.
char garbageByte(uint32_t &state)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                       "0123456789 .,:;?!*#%&=+-\0\xff\xc3\x80\xe2";
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return alphabet[state % (sizeof alphabet - 1)];
}

// The line's far end: runs on the worker thread, owns the timing of every byte.
class Worker
{
public:
    Worker(LineHandler &handler, LineControl &control, int master, int slave, int wake)
        : m_handler(handler)
        , m_control(control)
        , m_master(master)
        , m_slave(slave)
        , m_wake(wake)
    {
        m_cur.reserve(maxCommandLength);
        m_out.reserve(256);
        m_due.reserve(256);
        uint32_t state = 0x2545F491U;
        for (char &c : m_floodBytes)
            c = garbageByte(state);
    }

    void run()
    {
        // Byte times are about a millisecond; the default 50 us slack would show on the line.
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        m_seenSerial = m_control.configSerial.load(std::memory_order_acquire) - 1;
        while (!m_control.stopRequested.load(std::memory_order_acquire)) {
            const unsigned serial = m_control.configSerial.load(std::memory_order_acquire);
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
        if (m_handler.fault().kind != FaultKind::Flood)
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
        m_control.lineBaud.store(baud, std::memory_order_relaxed);
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
        m_handler.received(buf, static_cast<size_t>(r));
        for (ssize_t i = 0; i < r; ++i) {
            const char c = buf[i];
            if (!m_inCommand && c != '\n') {
                refreshLine();
                m_inPaced = m_control.pacing.load(std::memory_order_relaxed) && m_byteNs > 0;
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
        Answer answer = m_handler.answer(p.line);
        std::string &reply = answer.reply;
        const Fault fault = answer.fault;
        const bool paced = answer.pacing && p.byteNs > 0;

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
        case FaultKind::Doubled:
            schedule(reply + reply, p.arrival, paced, p.byteNs, 0, 0);
            break;
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

    LineHandler &m_handler;
    LineControl &m_control;
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
    uint32_t m_garbageState = 0x9E3779B9U;

    bool m_flooding = false;
    bool m_floodPaced = false;
    double m_floodByteNs = 0;
    Ns m_floodNext = 0;
    char m_floodBytes[floodBurstUnpaced];
};

} // namespace

void runLine(LineHandler &handler, LineControl &control, int master, int slave, int wake)
{
    Worker(handler, control, master, slave, wake).run();
}

bool readBaudRate(int fd, int &baud)
{
    termios t;
    if (tcgetattr(fd, &t) != 0)
        return false;
    baud = baudOf(cfgetospeed(&t));
    return true;
}

} // namespace zesim
