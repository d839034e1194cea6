#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include <memory>

namespace ze {

class RigWorker;
class Station;
class StoredSettings;
struct RigShared;

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

// Serves the rig-control protocol (RigProtocol.h) over TCP from a thread of its own, so that an
// answer never waits for the receiver: a client reads the station as it last stood, and a set
// goes to the station's operator commands, which the control loop carries out at its next pass.
// Every client is bounded: a line longer than maxLineBytes, answers it leaves unread past
// maxUnreadAnswers, or idleLimitMs without a whole line, and it is let go; beyond maxClients a
// newcomer is told why and closed. Lines that arrive with a client's half-close are answered.
class RigServer : public QObject
{
    Q_OBJECT
public:
    static constexpr int maxLineBytes = 1024;
    static constexpr int maxClients = 16;
    static constexpr qint64 maxUnreadAnswers = qint64 {64} * 1024;
    static constexpr int idleLimitMs = 5 * 60 * 1000;

    explicit RigServer(Station &station, QObject *parent = nullptr);
    ~RigServer() override;

    // Listens as the settings say, or stops (dropping every client); false with the reason
    // when the port could not be had, which the status bar tells too.
    bool apply(const NetworkSettings &settings, QString *error = nullptr);
    // What apply was last given.
    const NetworkSettings &settings() const { return m_settings; }
    bool listening() const;
    int port() const; // the port listened on; 0 when off
    int clientCount() const;
    // The status-bar text: "" when off.
    QString stateText() const;
    // Tests shorten the idle limit.
    void setIdleLimitMs(int ms);

private:
    // The station as the clients read it, taken after everything that changes it.
    void publish();
    // What the clients set since the last time, through the operator commands.
    void applySets();
    void tellState();

    Station &m_station;
    std::shared_ptr<RigShared> m_shared;
    QString m_publishedFrequency;
    qint64 m_publishedHz = 0; // of the empty text
    QThread m_thread;
    RigWorker *m_worker; // lives in m_thread, deleted there
    NetworkSettings m_settings;
};

} // namespace ze
