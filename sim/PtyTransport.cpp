#include "PtyTransport.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zesim {

namespace {

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

PtyTransport::PtyTransport(LineHandler &handler)
    : m_handler(handler)
{
}

PtyTransport::~PtyTransport()
{
    stop();
}

bool PtyTransport::start(std::string *error)
{
    std::lock_guard<std::mutex> lock(m_lifecycle);
    if (m_up)
        return true;
    return bringUp(error);
}

void PtyTransport::stop()
{
    std::lock_guard<std::mutex> lock(m_lifecycle);
    if (!m_up)
        return;
    stopWorker();
    dropLink();
    closeLine();
    m_up = false;
}

bool PtyTransport::restart(std::string *error)
{
    std::lock_guard<std::mutex> lock(m_lifecycle);
    if (m_up) {
        stopWorker();
        closeLine();
        m_up = false;
    }
    return bringUp(error);
}

bool PtyTransport::isUp() const
{
    std::lock_guard<std::mutex> lock(m_lifecycle);
    return m_up;
}

std::string PtyTransport::devicePath() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_devicePath;
}

bool PtyTransport::setLinkPath(const std::string &path, std::string *error)
{
    std::lock_guard<std::mutex> lock(m_lifecycle);
    if (!path.empty()) {
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            if (error)
                *error = path + ": exists and is not a symbolic link";
            return false;
        }
    }
    if (path != m_linkPath)
        dropLink();
    m_linkPath = path;
    if (m_up && !path.empty())
        return pointLink(error);
    return true;
}

std::string PtyTransport::linkPath() const
{
    std::lock_guard<std::mutex> lock(m_lifecycle);
    return m_linkPath;
}

int PtyTransport::lineBaudRate() const
{
    std::lock_guard<std::mutex> lock(m_lifecycle);
    int baud = 0;
    if (m_slaveFd >= 0 && readBaudRate(m_slaveFd, baud))
        m_control.lineBaud.store(baud);
    return m_control.lineBaud.load();
}

void PtyTransport::setPacing(bool on)
{
    m_control.pacing.store(on);
}

void PtyTransport::configChanged()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_control.configSerial.fetch_add(1, std::memory_order_release);
    if (m_wakeFd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t r = ::write(m_wakeFd, &one, sizeof one);
    }
}

bool PtyTransport::openLine(std::string *error)
{
    auto fail = [&](const std::string &what) {
        if (error)
            *error = systemError(what);
        const int saved = errno;
        if (m_slaveFd >= 0)
            ::close(m_slaveFd);
        if (m_masterFd >= 0)
            ::close(m_masterFd);
        m_slaveFd = m_masterFd = -1;
        errno = saved;
        return false;
    };
    m_masterFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_masterFd < 0)
        return fail("posix_openpt");
    if (grantpt(m_masterFd) != 0)
        return fail("grantpt");
    if (unlockpt(m_masterFd) != 0)
        return fail("unlockpt");
    char name[256];
    if (ptsname_r(m_masterFd, name, sizeof name) != 0)
        return fail("ptsname");
    // Held open so that the master never sees a hang-up when the program closes its side.
    m_slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slaveFd < 0)
        return fail(std::string("open ") + name);
    // Raw at once: a cooked line would echo replies back as commands before the program
    // configures it.
    termios t;
    if (tcgetattr(m_slaveFd, &t) != 0)
        return fail("tcgetattr");
    cfmakeraw(&t);
    // No speed until the program sets one, so that lineBaudRate can tell.
    cfsetspeed(&t, B0);
    if (tcsetattr(m_slaveFd, TCSANOW, &t) != 0)
        return fail("tcsetattr");
    const int flags = fcntl(m_masterFd, F_GETFL);
    if (flags < 0 || fcntl(m_masterFd, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail("fcntl");
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0)
        return fail("eventfd");
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wakeFd = wake;
    m_devicePath = name;
    return true;
}

void PtyTransport::closeLine()
{
    int wake;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        wake = m_wakeFd;
        m_wakeFd = -1;
    }
    if (wake >= 0)
        ::close(wake);
    if (m_slaveFd >= 0)
        ::close(m_slaveFd);
    if (m_masterFd >= 0)
        ::close(m_masterFd);
    m_slaveFd = m_masterFd = -1;
}

bool PtyTransport::bringUp(std::string *error)
{
    if (!openLine(error))
        return false;
    if (!m_linkPath.empty() && !pointLink(error)) {
        closeLine();
        return false;
    }
    startWorker();
    m_up = true;
    return true;
}

void PtyTransport::startWorker()
{
    m_control.stopRequested.store(false);
    int wake;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        wake = m_wakeFd;
    }
    m_worker = std::thread([this, m = m_masterFd, s = m_slaveFd, wake] {
        runLine(m_handler, m_control, m, s, wake);
    });
}

void PtyTransport::stopWorker()
{
    if (!m_worker.joinable())
        return;
    m_control.stopRequested.store(true);
    configChanged();
    m_worker.join();
}

bool PtyTransport::pointLink(std::string *error)
{
    const std::string tmp = m_linkPath + ".tmp-" + std::to_string(getpid()) + "-"
            + std::to_string(++m_linkCounter);
    const std::string target = devicePath();
    ::unlink(tmp.c_str());
    if (::symlink(target.c_str(), tmp.c_str()) != 0) {
        if (error)
            *error = systemError("symlink " + tmp);
        return false;
    }
    // rename replaces the old link in one step: the path is never missing while it is re-pointed.
    if (::rename(tmp.c_str(), m_linkPath.c_str()) != 0) {
        if (error)
            *error = systemError("rename " + tmp + " to " + m_linkPath);
        ::unlink(tmp.c_str());
        return false;
    }
    m_linkTarget = target;
    return true;
}

void PtyTransport::dropLink()
{
    if (m_linkPath.empty() || m_linkTarget.empty())
        return;
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(m_linkPath.c_str(), buf, sizeof buf - 1);
    // Only our own link: someone may have put something else there meanwhile.
    if (n > 0 && std::string(buf, static_cast<size_t>(n)) == m_linkTarget)
        ::unlink(m_linkPath.c_str());
    m_linkTarget.clear();
}

} // namespace zesim
