#include "ui/Readout.h"

#include <QEvent>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>
#include <cmath>

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

void Readout::showText(const QString &text)
{
    const QString before = QLabel::text();
    if (text == before)
        return;
    const std::optional<QRect> changed
            = testAttribute(Qt::WA_UpdatesDisabled) ? std::nullopt : changedArea(before, text);
    if (!changed) {
        setText(text);
        return;
    }
    // The label asks to repaint all of itself for a new text; the glyphs that stay need not be.
    setAttribute(Qt::WA_UpdatesDisabled, true);
    setText(text);
    setAttribute(Qt::WA_UpdatesDisabled, false);
    update(*changed);
}

bool Readout::layOut(const QString &text, Line &line)
{
    if (!m_rawFont.isValid())
        m_rawFont = QRawFont::fromFont(font());
    if (!m_rawFont.isValid())
        return false;
    line.indexes.resize(0);
    line.positions.resize(0);
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
        line.indexes.append(glyph.index);
        line.positions.append(QPointF(x, 0));
        x += glyph.advance;
    }
    const qreal width = x;
    const QRect area = contentsRect();
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    x = area.left();
    if (align & Qt::AlignRight)
        x = area.right() + 1 - width;
    else if (align & Qt::AlignHCenter)
        x = area.left() + (area.width() - width) / 2;
    const qreal height = m_rawFont.ascent() + m_rawFont.descent();
    qreal y = area.top() + m_rawFont.ascent();
    if (align & Qt::AlignBottom)
        y = area.bottom() + 1 - m_rawFont.descent();
    else if (align & Qt::AlignVCenter)
        y = area.top() + (area.height() - height) / 2 + m_rawFont.ascent();
    line.origin = QPointF(x, y);
    return true;
}

std::optional<QRect> Readout::changedArea(const QString &before, const QString &after)
{
    if (before.isEmpty() || after.isEmpty() || !layOut(before, m_before) || !layOut(after, m_line))
        return std::nullopt;
    // A glyph drawn at the same place in both stays as it is.
    const auto same = [this](qsizetype i, qsizetype j) {
        return m_before.indexes[i] == m_line.indexes[j]
                && m_before.origin + m_before.positions[i] == m_line.origin + m_line.positions[j];
    };
    const qsizetype oldCount = m_before.indexes.size();
    const qsizetype newCount = m_line.indexes.size();
    qsizetype first = 0;
    while (first < oldCount && first < newCount && same(first, first))
        ++first;
    qsizetype oldEnd = oldCount;
    qsizetype newEnd = newCount;
    while (oldEnd > first && newEnd > first && same(oldEnd - 1, newEnd - 1)) {
        --oldEnd;
        --newEnd;
    }
    QRectF ink;
    for (const auto &[line, end] : {std::pair {&m_before, oldEnd}, std::pair {&m_line, newEnd}}) {
        for (qsizetype i = first; i < end; ++i)
            ink |= m_rawFont.boundingRect(line->indexes[i])
                           .translated(line->origin + line->positions[i]);
    }
    if (ink.isEmpty())
        return QRect();
    // Antialiasing and hinting may reach a pixel or two past the outline.
    const int left = std::max(0, static_cast<int>(std::floor(ink.left())) - 2);
    const int right = std::min(width(), static_cast<int>(std::ceil(ink.right())) + 2);
    return QRect(left, 0, std::max(0, right - left), height());
}

void Readout::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().brush(backgroundRole()));
    const QString shown = text();
    if (shown.isEmpty())
        return;
    if (!layOut(shown, m_line)) {
        painter.end();
        QLabel::paintEvent(event);
        return;
    }
    QGlyphRun run;
    run.setRawFont(m_rawFont);
    run.setGlyphIndexes(m_line.indexes);
    run.setPositions(m_line.positions);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawGlyphRun(m_line.origin, run);
}

} // namespace ze
