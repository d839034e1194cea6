#include "remote/RigServer.h"

#include "core/Frequency.h"
#include "core/Station.h"
#include "remote/RigWorker.h"

#include <QMutexLocker>

namespace ze {

NetworkSettings NetworkSettings::read(const StoredSettings &settings)
{
    NetworkSettings s;
    s.enabled = settings.read(QStringLiteral("NetworkControl")) == QLatin1String("1");
    bool ok = false;
    const int port = settings.read(QStringLiteral("NetworkPort")).toInt(&ok);
    if (ok && port > 0 && port <= 65535)
        s.port = port;
    s.anyHost = settings.read(QStringLiteral("NetworkAnyHost")) == QLatin1String("1");
    return s;
}

bool NetworkSettings::store(StoredSettings &settings) const
{
    const QString on = QStringLiteral("1");
    const QString off = QStringLiteral("0");
    bool stored = settings.write(QStringLiteral("NetworkControl"), enabled ? on : off);
    stored = settings.write(QStringLiteral("NetworkPort"), QString::number(port)) && stored;
    stored = settings.write(QStringLiteral("NetworkAnyHost"), anyHost ? on : off) && stored;
    return settings.sync() && stored;
}

RigServer::RigServer(Station &station, QObject *parent)
    : QObject(parent)
    , m_station(station)
    , m_shared(std::make_shared<RigShared>())
{
    m_worker = new RigWorker(
            m_shared,
            [this] {
                QMetaObject::invokeMethod(this, &RigServer::applySets, Qt::QueuedConnection);
            },
            [this] {
                QMetaObject::invokeMethod(this, &RigServer::tellState, Qt::QueuedConnection);
            });
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("network control"));
    m_thread.start();

    // What the clients read is taken whenever it may have changed.
    StationEvents &events = station.events();
    connect(&events, &StationEvents::tuned, this, &RigServer::publish);
    connect(&events, &StationEvents::sampled, this, &RigServer::publish);
    connect(&events, &StationEvents::modeChanged, this, &RigServer::publish);
    connect(&events, &StationEvents::receiverAnswering, this, &RigServer::publish);
    if (station.hasLink())
        connect(&station.link(), &ReceiverLink::stateChanged, this, &RigServer::publish);
    publish();
}

RigServer::~RigServer()
{
    QMetaObject::invokeMethod(m_worker, &RigWorker::stop, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool RigServer::apply(const NetworkSettings &settings, QString *error)
{
    m_settings = settings;
    QString why;
    bool ok = false;
    QMetaObject::invokeMethod(
            m_worker, [&] { ok = m_worker->listen(settings, &why); }, Qt::BlockingQueuedConnection);
    if (error)
        *error = why;
    tellState();
    m_station.notify(NoticeSource::Network, ok ? QString() : why);
    return ok;
}

bool RigServer::listening() const
{
    return m_shared->listening;
}

int RigServer::port() const
{
    return m_shared->port;
}

int RigServer::clientCount() const
{
    return m_shared->clients;
}

void RigServer::setIdleLimitMs(int ms)
{
    m_shared->idleLimitMs = ms;
}

QString RigServer::stateText() const
{
    if (!listening())
        return QString();
    const int n = clientCount();
    return QStringLiteral("Network %1: %2")
            .arg(port())
            .arg(n == 0           ? QStringLiteral("no clients")
                         : n == 1 ? QStringLiteral("1 client")
                                  : QStringLiteral("%1 clients").arg(n));
}

void RigServer::publish()
{
    const ProgramState &state = m_station.state();
    RigReading reading;
    // Every sample publishes; the frequency only changes with a tuning.
    if (state.tunedFrequency != m_publishedFrequency) {
        m_publishedFrequency = state.tunedFrequency;
        m_publishedHz = hzFromFrequencyText(state.tunedFrequency);
    }
    reading.hz = m_publishedHz;
    reading.mode = m_station.hasViews() ? m_station.commands().currentMode() : state.tunedMode;
    reading.level = state.signalLevel;
    reading.reachable = m_station.hasLink() && m_station.link().isOpen() && !state.receiverSilent;
    const QMutexLocker lock(&m_shared->mutex);
    m_shared->reading = reading;
}

void RigServer::applySets()
{
    std::optional<qint64> hz;
    std::optional<QString> mode;
    {
        const QMutexLocker lock(&m_shared->mutex);
        hz = m_shared->hz;
        mode = m_shared->mode;
    }
    // Left in place meanwhile, so that a client reads back what it set until the station
    // stands there.
    OperatorCommands &commands = m_station.commands();
    if (hz)
        commands.tune(*hz, mode.value_or(QString()));
    else if (mode)
        commands.chooseMode(*mode);
    publish();
    bool more = false;
    {
        const QMutexLocker lock(&m_shared->mutex);
        if (m_shared->hz == hz)
            m_shared->hz.reset();
        if (m_shared->mode == mode)
            m_shared->mode.reset();
        more = m_shared->hz || m_shared->mode;
    }
    // A set that came meanwhile found this one waiting and woke nobody.
    if (more)
        QMetaObject::invokeMethod(this, &RigServer::applySets, Qt::QueuedConnection);
}

void RigServer::tellState()
{
    if (m_station.hasViews())
        m_station.status().showNetworkState(stateText());
}

} // namespace ze
