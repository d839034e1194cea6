#pragma once

// The bare client: no Qt, no station, no window. It writes each command of a scan step (tune,
// "Y", "Y", "E") and waits on the line for every byte of the reply, against the simulator at
// 9600,n,8,2: what the machine and the simulator allow at all.
#include "BenchReport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

namespace zebench {

// The link opened raw at 9600,n,8,2; -1 when it cannot be.
inline int openBareLink(const QString &link)
{
    const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios line {};
    if (fd < 0 || tcgetattr(fd, &line) != 0)
        return -1;
    cfmakeraw(&line);
    cfsetispeed(&line, B9600);
    cfsetospeed(&line, B9600);
    line.c_cflag |= CSTOPB | CLOCAL | CREAD;
    return tcsetattr(fd, TCSANOW, &line) == 0 ? fd : -1;
}

inline LineRun bareScan(int fd, double seconds)
{
    const char *const step[] = {"145.0125NT\r", "Y\r", "Y\r", "E\r"};
    const double byteSeconds = 11.0 / 9600;
    qint64 bytes = 0;
    char buffer[256];
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = processCpuSeconds();
    while (timer.nsecsElapsed() < seconds * 1e9) {
        for (const char *command : step) {
            const auto length = static_cast<ssize_t>(std::strlen(command));
            if (::write(fd, command, static_cast<size_t>(length)) != length)
                return {};
            bytes += length;
            bool prompt = false;
            while (!prompt) {
                pollfd p {fd, POLLIN, 0};
                if (::poll(&p, 1, 2000) <= 0)
                    return {};
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n <= 0)
                    return {};
                bytes += n;
                prompt = std::memchr(buffer, '>', static_cast<size_t>(n)) != nullptr;
            }
        }
    }
    const double wall = timer.nsecsElapsed() / 1e9;
    return {bytes * byteSeconds / wall, 100.0 * (processCpuSeconds() - cpuBefore) / wall};
}

} // namespace zebench
