#include "ui/Pacer.h"

#include <QTimer>

#include <algorithm>

namespace ze {

Pacer::Pacer(QObject *parent, int intervalMs)
    : QObject(parent)
    , m_timer(new QTimer(this))
    , m_intervalMs(intervalMs)
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &Pacer::fire);
}

Pacer::~Pacer()
{
    for (PacedFlush *view : m_views)
        view->m_pacer = nullptr;
}

void Pacer::request()
{
    if (m_timer->isActive())
        return;
    const qint64 since = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : m_intervalMs;
    m_timer->start(static_cast<int>(std::clamp<qint64>(m_intervalMs - since, 0, m_intervalMs)));
}

void Pacer::fire()
{
    m_sinceFlush.start();
    // A flush may ask again; that waits for the next interval.
    const std::vector<PacedFlush *> views = m_views;
    for (PacedFlush *view : views) {
        if (view->m_pending && std::find(m_views.begin(), m_views.end(), view) != m_views.end()) {
            view->m_pending = false;
            view->m_flush();
        }
    }
}

PacedFlush::PacedFlush(Pacer &pacer, std::function<void()> flush)
    : m_pacer(&pacer)
    , m_flush(std::move(flush))
{
    pacer.m_views.push_back(this);
}

PacedFlush::~PacedFlush()
{
    if (m_pacer)
        m_pacer->m_views.erase(std::remove(m_pacer->m_views.begin(), m_pacer->m_views.end(), this),
                               m_pacer->m_views.end());
}

void PacedFlush::request()
{
    if (m_pending)
        return;
    m_pending = true;
    if (m_pacer)
        m_pacer->request();
    else
        flushNow(); // the window is going: nothing paces it any more
}

void PacedFlush::flushNow()
{
    if (!m_pending)
        return;
    m_pending = false;
    m_flush();
}

} // namespace ze
