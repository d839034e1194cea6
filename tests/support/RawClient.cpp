#include "RawClient.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zetest {

RawClient::RawClient(int port, int receiveBuffer)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    if (receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<quint16>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
}

RawClient::~RawClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RawClient::send(const QByteArray &bytes)
{
    for (qsizetype sent = 0; m_fd >= 0 && sent < bytes.size();) {
        const ssize_t n = ::send(m_fd, bytes.constData() + sent, std::size_t(bytes.size() - sent),
                                 MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return m_fd >= 0;
}

void RawClient::finishSending()
{
    if (m_fd >= 0)
        ::shutdown(m_fd, SHUT_WR);
}

bool RawClient::readSome(int timeoutMs, QByteArray &into)
{
    pollfd p {m_fd, POLLIN, 0};
    if (m_fd < 0 || ::poll(&p, 1, timeoutMs) <= 0)
        return false;
    char buffer[4096];
    const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    if (n <= 0) {
        m_closed = true;
        return false;
    }
    into.append(buffer, n);
    return true;
}

QByteArray RawClient::readLines(int count, int timeoutMs)
{
    QByteArray read;
    QElapsedTimer timer;
    timer.start();
    while (read.count('\n') < count && !m_closed && timer.elapsed() < timeoutMs)
        readSome(int(timeoutMs - timer.elapsed()), read);
    return read;
}

bool RawClient::waitForClose(int timeoutMs, QByteArray *read)
{
    QByteArray ignored;
    QByteArray &into = read ? *read : ignored;
    QElapsedTimer timer;
    timer.start();
    while (!m_closed && timer.elapsed() < timeoutMs)
        readSome(int(timeoutMs - timer.elapsed()), into);
    return m_closed;
}

} // namespace zetest
