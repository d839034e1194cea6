#include "ui/RedrawPacer.h"

#include <algorithm>

namespace ze {

RedrawPacer::RedrawPacer(std::function<void()> redraw, QObject *parent)
    : QObject(parent)
    , m_redraw(std::move(redraw))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RedrawPacer::flush);
}

void RedrawPacer::request()
{
    if (m_timer.isActive())
        return;
    const qint64 since = m_last.isValid() ? m_last.elapsed() : intervalMs;
    m_timer.start(static_cast<int>(std::max<qint64>(0, intervalMs - since)));
}

void RedrawPacer::flush()
{
    m_timer.stop();
    m_last.start();
    m_redraw();
}

} // namespace ze
