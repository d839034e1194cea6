#include "Playback.h"

#include "PlaybackEngine.h"

namespace ze {

Playback::Playback(QObject *parent)
    : QObject(parent)
    , m_engine(new PlaybackEngine)
{
    m_engine->moveToThread(&m_thread);
    connect(m_engine, &PlaybackEngine::opened, this, [this](qint64 ms) {
        m_durationMs = ms;
        Q_EMIT started(ms);
    });
    connect(m_engine, &PlaybackEngine::position, this, [this](qint64 ms) {
        m_positionMs = ms;
        Q_EMIT positionChanged(ms);
    });
    connect(m_engine, &PlaybackEngine::playing, this, [this](bool on) {
        m_playing = on;
        Q_EMIT playingChanged(on);
    });
    connect(m_engine, &PlaybackEngine::closed, this, &Playback::ended);
    connect(m_engine, &PlaybackEngine::failed, this, &Playback::failed);
    m_thread.setObjectName(QStringLiteral("playback"));
    m_thread.start();
}

Playback::~Playback()
{
    QMetaObject::invokeMethod(
            m_engine,
            [e = m_engine] {
                e->close();
                delete e;
            },
            Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void Playback::play(const QString &path)
{
    m_path = path;
    m_positionMs = 0;
    QMetaObject::invokeMethod(
            m_engine, [e = m_engine, path] { e->open(path); }, Qt::QueuedConnection);
}

void Playback::pause()
{
    QMetaObject::invokeMethod(m_engine, &PlaybackEngine::pause, Qt::QueuedConnection);
}

void Playback::resume()
{
    QMetaObject::invokeMethod(m_engine, &PlaybackEngine::resume, Qt::QueuedConnection);
}

void Playback::seek(qint64 ms)
{
    QMetaObject::invokeMethod(
            m_engine, [e = m_engine, ms] { e->seek(ms); }, Qt::QueuedConnection);
}

void Playback::stop()
{
    QMetaObject::invokeMethod(m_engine, &PlaybackEngine::close, Qt::QueuedConnection);
}

} // namespace ze
