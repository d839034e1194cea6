#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace ze {

class Station;
class StoredSettings;

// Whether and where the station takes network clients.
struct NetworkSettings
{
    bool enabled = false;
    int port = 4532; // 0: any free port (tests)
    bool anyHost = false; // false: this computer only

    bool operator==(const NetworkSettings &o) const
    {
        return enabled == o.enabled && port == o.port && anyHost == o.anyHost;
    }

    static NetworkSettings read(const StoredSettings &settings);
    // False when the store could not be written.
    bool store(StoredSettings &settings) const;
};

// S-meter level 0..15 as dB relative to S9: 6 dB an S-unit up to S9 (level 9), then 10 dB a step.
int strengthDb(int level);

// Answers one line of the rig-control protocol (the one of the common rig-control daemon,
// "rigctld") for the station: frequency, mode, VFO, signal strength and the state dump, in the
// plain and the extended response forms. A set command tunes as the keypad does, at the next
// pass. quit is set when the line asks to close the connection.
QByteArray answerRigLine(Station &station, const QByteArray &line, bool &quit);

// Serves that protocol over TCP in the main thread's event loop, between the control loop's
// passes. Each client is bounded: a line longer than maxLineBytes, or answers it does not read
// piling up, drop it; it is served at most linesPerTurn lines every turnMs, so a flood cannot
// take the station's time.
class RigServer : public QObject
{
    Q_OBJECT
public:
    static constexpr int maxLineBytes = 1024;
    static constexpr int maxClients = 16;
    static constexpr int linesPerTurn = 8;
    static constexpr int turnMs = 20;
    static constexpr qint64 maxUnreadAnswers = qint64 {64} * 1024;

    explicit RigServer(Station &station, QObject *parent = nullptr);
    ~RigServer() override;

    // Listens as the settings say, or stops (dropping every client); false with the reason
    // when the port could not be had.
    bool apply(const NetworkSettings &settings, QString *error = nullptr);
    bool listening() const { return !m_servers.empty(); }
    // What apply was last given.
    const NetworkSettings &settings() const { return m_settings; }
    int port() const; // the port listened on; 0 when off
    int clientCount() const { return int(m_clients.size()); }
    // The status-bar text: "" when off.
    QString stateText() const;

private:
    struct Client
    {
        QTcpSocket *socket;
        int linesThisTurn = 0;
    };

    void stop();
    void accept(QTcpServer *server);
    std::vector<Client>::iterator clientOf(QTcpSocket *socket);
    // Serves the socket's client, if it is still one, up to its lines for this turn.
    void serve(QTcpSocket *socket);
    void nextTurn();
    void drop(QTcpSocket *socket, bool flush);
    void tellState();

    Station &m_station;
    std::vector<std::unique_ptr<QTcpServer>> m_servers;
    std::vector<Client> m_clients;
    QTimer *m_turn;
    NetworkSettings m_settings;
};

} // namespace ze
