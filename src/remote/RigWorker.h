#pragma once

#include "remote/RigProtocol.h"
#include "remote/RigServer.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;
class QTcpServer;
class QTimer;

namespace ze {

// What the station and its server thread share: the station as it last stood, the sets not yet
// carried out, and the figures the status bar shows.
struct RigShared
{
    mutable QMutex mutex;
    RigReading reading; // as the station last published it
    std::optional<qint64> hz; // sets the clients left, for the station's next look
    std::optional<QString> mode;

    std::atomic<bool> listening {false};
    std::atomic<int> port {0};
    std::atomic<int> clients {0};
    std::atomic<int> idleLimitMs {RigServer::idleLimitMs};
};

// The server's side in its own thread: the listening sockets and the clients, each read until it
// would block, answered line by line and written to as it drains. Clients are plain descriptors:
// a half-closed client must still get its answers, which a QTcpSocket would not write.
class RigWorker : public QObject
{
public:
    // setsLeft is called (in this thread) when a set was left with nothing waiting before it,
    // clientsChanged when a client came or went.
    RigWorker(std::shared_ptr<RigShared> shared, std::function<void()> setsLeft,
              std::function<void()> clientsChanged);
    ~RigWorker() override;

    // Both in this thread.
    bool listen(const NetworkSettings &settings, QString *error);
    void stop();

private:
    struct Client;

    void take(qintptr descriptor);
    void readFrom(Client &client);
    // Answers the whole lines in the client's input; false when the client had to go.
    bool answerLines(Client &client, bool atEnd);
    // Writes what the client has not been sent yet; false when it had to go.
    static bool flush(Client &client);
    void drop(int descriptor);
    void checkIdle();
    void countChanged();
    Client *find(int descriptor);

    std::shared_ptr<RigShared> m_shared;
    std::function<void()> m_setsLeft;
    std::function<void()> m_clientsChanged;
    std::vector<std::unique_ptr<QTcpServer>> m_servers;
    std::vector<std::unique_ptr<Client>> m_clients;
    QTimer *m_idle;
    std::unique_ptr<RigTarget> m_target;
};

} // namespace ze
