#include "remote/RigWorker.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTimer>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ze {

namespace {

using SteadyClock = std::chrono::steady_clock;

// At most this much is read from one client at one wake, so a flood cannot starve the others.
constexpr qsizetype readPerWake = qint64 {64} * 1024;

constexpr char tooManyClients[] = "Network control takes at most 16 clients at once; try again "
                                  "later.\n";

// A listening socket whose newcomers are plain descriptors.
class Listener final : public QTcpServer
{
public:
    explicit Listener(std::function<void(qintptr)> take)
        : m_take(std::move(take))
    {
    }

protected:
    void incomingConnection(qintptr descriptor) override { m_take(descriptor); }

private:
    std::function<void(qintptr)> m_take;
};

// The station as the clients read it: as it last stood, with the sets that have not reached it
// yet, so that a client reads back at once what it set.
class SharedTarget final : public RigTarget
{
public:
    SharedTarget(RigShared &shared, std::function<void()> setsLeft)
        : m_shared(shared)
        , m_setsLeft(std::move(setsLeft))
    {
    }
    RigReading reading() const override
    {
        const QMutexLocker lock(&m_shared.mutex);
        RigReading reading = m_shared.reading;
        if (m_shared.hz)
            reading.hz = *m_shared.hz;
        if (m_shared.mode)
            reading.mode = *m_shared.mode;
        return reading;
    }
    void setFrequency(qint64 hz) override
    {
        leave([&] { m_shared.hz = hz; });
    }
    void setMode(const QString &letter) override
    {
        leave([&] { m_shared.mode = letter; });
    }

private:
    template<typename Set> void leave(Set set)
    {
        bool first = false;
        {
            const QMutexLocker lock(&m_shared.mutex);
            first = !m_shared.hz && !m_shared.mode;
            set();
        }
        // Many sets between two looks of the station's cost one.
        if (first)
            m_setsLeft();
    }

    RigShared &m_shared;
    std::function<void()> m_setsLeft;
};

} // namespace

struct RigWorker::Client
{
    int descriptor = -1;
    std::unique_ptr<QSocketNotifier> readable;
    std::unique_ptr<QSocketNotifier> writable;
    QByteArray input;
    QByteArray output;
    SteadyClock::time_point lastLine;
    bool readClosed = false; // the client half-closed: answer what came, then close
};

RigWorker::RigWorker(std::shared_ptr<RigShared> shared, std::function<void()> setsLeft,
                     std::function<void()> clientsChanged)
    : m_shared(std::move(shared))
    , m_setsLeft(std::move(setsLeft))
    , m_clientsChanged(std::move(clientsChanged))
    , m_idle(new QTimer(this))
    , m_target(std::make_unique<SharedTarget>(*m_shared, m_setsLeft))
{
    connect(m_idle, &QTimer::timeout, this, &RigWorker::checkIdle);
}

RigWorker::~RigWorker()
{
    stop();
}

bool RigWorker::listen(const NetworkSettings &settings, QString *error)
{
    stop();
    if (!settings.enabled)
        return true;
    // "localhost" may be either family, so this computer only means both loopbacks.
    const QList<QHostAddress> addresses = settings.anyHost
            ? QList<QHostAddress> {QHostAddress(QHostAddress::Any)}
            : QList<QHostAddress> {QHostAddress(QHostAddress::LocalHost),
                                   QHostAddress(QHostAddress::LocalHostIPv6)};
    int port = settings.port;
    for (const QHostAddress &address : addresses) {
        auto server = std::make_unique<Listener>([this](qintptr fd) { take(fd); });
        if (!server->listen(address, static_cast<quint16>(port))) {
            // A machine without IPv6 still serves on the IPv4 loopback.
            if (!m_servers.empty() && address == QHostAddress(QHostAddress::LocalHostIPv6))
                continue;
            if (error)
                *error = QStringLiteral("Network control cannot listen on port %1: %2")
                                 .arg(settings.port)
                                 .arg(server->errorString());
            m_servers.clear();
            return false;
        }
        port = server->serverPort();
        m_servers.push_back(std::move(server));
    }
    m_shared->port = port;
    m_shared->listening = true;
    const int limit = m_shared->idleLimitMs;
    m_idle->start(std::clamp(limit / 5, 20, 5000));
    return true;
}

void RigWorker::stop()
{
    m_idle->stop();
    m_servers.clear();
    while (!m_clients.empty())
        drop(m_clients.back()->descriptor);
    m_shared->listening = false;
    m_shared->port = 0;
}

RigWorker::Client *RigWorker::find(int descriptor)
{
    const auto it = std::find_if(m_clients.begin(), m_clients.end(), [descriptor](const auto &c) {
        return c->descriptor == descriptor;
    });
    return it == m_clients.end() ? nullptr : it->get();
}

void RigWorker::take(qintptr descriptor)
{
    const int fd = static_cast<int>(descriptor);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (m_clients.size() >= std::size_t {RigServer::maxClients}) {
        // Told why, then closed; a client that cannot take the line is closed all the same.
        (void)!::write(fd, tooManyClients, sizeof tooManyClients - 1);
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
        return;
    }
    // Answers a client leaves unread pile up in the system's buffer first: keep it small, so
    // that the limit on unread answers counts.
    const int sendBuffer = int(RigServer::maxUnreadAnswers);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    auto client = std::make_unique<Client>();
    client->descriptor = fd;
    client->lastLine = SteadyClock::now();
    client->readable = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
    client->writable = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Write);
    client->writable->setEnabled(false);
    connect(client->readable.get(), &QSocketNotifier::activated, this, [this, fd] {
        if (Client *c = find(fd))
            readFrom(*c);
    });
    connect(client->writable.get(), &QSocketNotifier::activated, this, [this, fd] {
        Client *c = find(fd);
        if (c && (!flush(*c) || (c->readClosed && c->output.isEmpty())))
            drop(fd);
    });
    m_clients.push_back(std::move(client));
    countChanged();
}

void RigWorker::readFrom(Client &client)
{
    const int fd = client.descriptor;
    char buffer[4096];
    for (qsizetype taken = 0; taken < readPerWake;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            client.input.append(buffer, n);
            taken += n;
            if (!answerLines(client, false))
                return drop(fd);
            // A quit: the answers written, the connection closes.
            if (client.readClosed) {
                if (client.output.isEmpty())
                    drop(fd);
                return;
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        if (n < 0)
            return drop(fd);
        // The client half-closed: what came with it is answered, the answers written, then
        // the connection closed.
        client.readClosed = true;
        client.readable->setEnabled(false);
        if (!answerLines(client, true))
            return drop(fd);
        if (client.output.isEmpty())
            drop(fd);
        return;
    }
}

bool RigWorker::answerLines(Client &client, bool atEnd)
{
    qsizetype start = 0;
    while (true) {
        const qsizetype end = client.input.indexOf('\n', start);
        if (end < 0 && !(atEnd && start < client.input.size()))
            break;
        const qsizetype stop = end < 0 ? client.input.size() : end;
        QByteArray line = client.input.mid(start, stop - start);
        start = stop + 1;
        if (line.size() > RigServer::maxLineBytes)
            return false;
        if (line.endsWith('\r'))
            line.chop(1);
        client.lastLine = SteadyClock::now();
        bool quit = false;
        client.output += answerRigLine(*m_target, line, quit);
        if (quit) {
            client.readClosed = true;
            client.readable->setEnabled(false);
            client.input.clear();
            return flush(client);
        }
    }
    client.input.remove(0, std::min(start, client.input.size()));
    // A line that never ends is cut off here.
    if (client.input.size() > RigServer::maxLineBytes)
        return false;
    return flush(client);
}

bool RigWorker::flush(Client &client)
{
    while (!client.output.isEmpty()) {
        const ssize_t n = ::send(client.descriptor, client.output.constData(),
                                 std::size_t(client.output.size()), MSG_NOSIGNAL);
        if (n > 0) {
            client.output.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        break;
    }
    client.writable->setEnabled(!client.output.isEmpty());
    return client.output.size() <= RigServer::maxUnreadAnswers;
}

void RigWorker::drop(int descriptor)
{
    const auto it = std::find_if(m_clients.begin(), m_clients.end(), [descriptor](const auto &c) {
        return c->descriptor == descriptor;
    });
    if (it == m_clients.end())
        return;
    const std::unique_ptr<Client> client = std::move(*it);
    m_clients.erase(it);
    client->readable.reset();
    client->writable.reset();
    ::close(descriptor);
    countChanged();
}

void RigWorker::checkIdle()
{
    const auto limit = std::chrono::milliseconds(m_shared->idleLimitMs.load());
    const auto now = SteadyClock::now();
    std::vector<int> idle;
    for (const auto &client : m_clients) {
        if (now - client->lastLine >= limit)
            idle.push_back(client->descriptor);
    }
    for (const int descriptor : idle)
        drop(descriptor);
}

void RigWorker::countChanged()
{
    m_shared->clients = int(m_clients.size());
    m_clientsChanged();
}

} // namespace ze
