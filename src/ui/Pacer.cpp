#include "ui/Pacer.h"

#include <QTimer>

#include <algorithm>

namespace ze {

Pacer::Pacer(std::function<void()> flush, QObject *parent, int intervalMs)
    : QObject(parent)
    , m_flush(std::move(flush))
    , m_timer(new QTimer(this))
    , m_intervalMs(intervalMs)
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &Pacer::fire);
}

void Pacer::request()
{
    if (m_pending)
        return;
    m_pending = true;
    const qint64 since = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : m_intervalMs;
    m_timer->start(static_cast<int>(std::clamp<qint64>(m_intervalMs - since, 0, m_intervalMs)));
}

void Pacer::flushNow()
{
    if (!m_pending)
        return;
    m_timer->stop();
    fire();
}

void Pacer::fire()
{
    m_pending = false;
    m_sinceFlush.start();
    m_flush();
}

} // namespace ze
