#include "ui/Readout.h"

#include <QEvent>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>

namespace ze {

Readout::Readout(const QString &name, const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setObjectName(name);
    setTextFormat(Qt::PlainText);
    // It fills its own background: the toolkit need not paint it first with a painter of its
    // own, nor anything behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Readout::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        m_rawFont = QRawFont();
        m_glyphs.clear();
    }
    QLabel::changeEvent(event);
}

bool Readout::layOut(const QString &text)
{
    if (!m_rawFont.isValid())
        m_rawFont = QRawFont::fromFont(font());
    if (!m_rawFont.isValid())
        return false;
    m_indexes.resize(0);
    m_positions.resize(0);
    qreal x = 0;
    for (const QChar c : text) {
        // Outside Latin there may be joining, marks or another font's glyphs: leave those to the
        // label's text engine.
        if (c.unicode() > 0x24f || c.isMark() || c.isSurrogate())
            return false;
        Glyph glyph = m_glyphs.value(c.unicode());
        if (glyph.index == 0) {
            const QVector<quint32> indexes = m_rawFont.glyphIndexesForString(QString(c));
            if (indexes.size() != 1 || indexes.first() == 0)
                return false;
            glyph = Glyph {indexes.first(),
                           m_rawFont.advancesForGlyphIndexes(indexes).value(0).x()};
            m_glyphs.insert(c.unicode(), glyph);
        }
        m_indexes.append(glyph.index);
        m_positions.append(QPointF(x, 0));
        x += glyph.advance;
    }
    m_width = x;
    return true;
}

void Readout::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().brush(backgroundRole()));
    const QString shown = text();
    if (shown.isEmpty())
        return;
    if (!layOut(shown)) {
        painter.end();
        QLabel::paintEvent(event);
        return;
    }
    const QRect area = contentsRect();
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    qreal x = area.left();
    if (align & Qt::AlignRight)
        x = area.right() + 1 - m_width;
    else if (align & Qt::AlignHCenter)
        x = area.left() + (area.width() - m_width) / 2;
    const qreal height = m_rawFont.ascent() + m_rawFont.descent();
    qreal y = area.top() + m_rawFont.ascent();
    if (align & Qt::AlignBottom)
        y = area.bottom() + 1 - m_rawFont.descent();
    else if (align & Qt::AlignVCenter)
        y = area.top() + (area.height() - height) / 2 + m_rawFont.ascent();

    QGlyphRun run;
    run.setRawFont(m_rawFont);
    run.setGlyphIndexes(m_indexes);
    run.setPositions(m_positions);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawGlyphRun(QPointF(x, y), run);
}

} // namespace ze
