#include "ui/Lamp.h"

#include <QPainter>

namespace ze {

Lamp::Lamp(const QString &caption, QWidget *parent)
    : QLabel(caption, parent)
{
    setTextFormat(Qt::PlainText);
}

void Lamp::setLit(bool lit)
{
    if (lit == m_lit)
        return;
    m_lit = lit;
    update();
}

void Lamp::paintEvent(QPaintEvent *event)
{
    // A dark lamp shows the panel behind it.
    if (!m_lit)
        return;
    if (text().isEmpty()) {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::WindowText));
        return;
    }
    QLabel::paintEvent(event);
}

} // namespace ze
