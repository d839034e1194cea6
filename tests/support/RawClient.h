#pragma once

#include <QByteArray>

namespace zetest {

// A TCP client on a plain descriptor, for what a QTcpSocket will not do: half-close, leave its
// answers unread in a small receive buffer, read while the thread's event loop is busy.
class RawClient
{
public:
    // receiveBuffer > 0 sets the socket's receive buffer before it connects.
    explicit RawClient(int port, int receiveBuffer = 0);
    ~RawClient();
    RawClient(const RawClient &) = delete;
    RawClient &operator=(const RawClient &) = delete;

    bool connected() const { return m_fd >= 0; }
    // Sends all of it (false when the connection refused it).
    bool send(const QByteArray &bytes);
    // Shuts the sending side: the server sees the end of what comes.
    void finishSending();
    // Reads until the text read holds count line feeds, the server closes, or timeoutMs pass.
    QByteArray readLines(int count, int timeoutMs = 5000);
    // Reads until the server closes or timeoutMs pass; true when it closed.
    bool waitForClose(int timeoutMs = 5000, QByteArray *read = nullptr);
    bool closedByServer() const { return m_closed; }

private:
    bool readSome(int timeoutMs, QByteArray &into);

    int m_fd = -1;
    bool m_closed = false;
};

} // namespace zetest
