#pragma once

// The receiver's end of a pseudo-terminal: opened raw at once, answered on a thread of its own,
// with an optional stable symlink that follows the current device.

#include "LineWorker.h"

#include <mutex>
#include <string>
#include <thread>

namespace zesim {

class PtyTransport
{
public:
    explicit PtyTransport(LineHandler &handler);
    ~PtyTransport();
    PtyTransport(const PtyTransport &) = delete;
    PtyTransport &operator=(const PtyTransport &) = delete;

    // Opens a line, points the link at it and starts answering; true at once when already up.
    bool start(std::string *error);
    // Stops answering, removes the link and closes the line.
    void stop();
    // Closes the line if it is up and opens a new one. The link stays in place meanwhile and is
    // then pointed at the new device.
    bool restart(std::string *error);
    bool isUp() const;

    // The last device opened, kept after the line is closed.
    std::string devicePath() const;
    // A path that exists and is not a symlink is refused; an empty path removes the link.
    bool setLinkPath(const std::string &path, std::string *error);
    std::string linkPath() const;
    int lineBaudRate() const;

    void setPacing(bool on);
    // Has the worker look at the handler's fault again.
    void configChanged();

private:
    bool openLine(std::string *error);
    void closeLine();
    // With m_lifecycle held.
    bool bringUp(std::string *error);
    void startWorker();
    void stopWorker();
    bool pointLink(std::string *error);
    void dropLink();

    LineHandler &m_handler;
    mutable LineControl m_control;

    // Guarded by m_mutex: read from any thread, also while the line comes and goes.
    mutable std::mutex m_mutex;
    std::string m_devicePath;
    int m_wakeFd = -1;

    // Guarded by m_lifecycle; the worker gets its own copies of the descriptors.
    mutable std::mutex m_lifecycle;
    int m_masterFd = -1;
    int m_slaveFd = -1;
    std::thread m_worker;
    bool m_up = false;
    std::string m_linkPath;
    std::string m_linkTarget; // what the link was last pointed at
    unsigned m_linkCounter = 0;
};

} // namespace zesim
