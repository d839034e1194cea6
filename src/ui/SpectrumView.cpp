#include "ui/SpectrumView.h"

#include "core/Spectrum.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace ze {

namespace {

const QColor markerColour(128, 0, 0);
const QColor levelColour(15, 0, 0);

int pixelOf(int units)
{
    // Rounded down, negative values too, so that a unit just above the top lies outside.
    return units >= 0 ? units / SpectrumView::unitsPerPixel
                      : -((-(units + 1)) / SpectrumView::unitsPerPixel) - 1;
}

} // namespace

SpectrumView::SpectrumView(const QSize &pixels, QWidget *parent)
    : QWidget(parent)
    , m_image(pixels, QImage::Format_RGB32)
    , m_background(Qt::white)
{
    setFixedSize(pixels);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_image.fill(m_background);
}

void SpectrumView::drawLine(int x, int y1, int y2, const QColor &colour)
{
    if (x < 0)
        return;
    drawVerticalLine(pixelOf(x), pixelOf(y1), pixelOf(y2), colour);
}

void SpectrumView::drawVerticalLine(int x, int y1, int y2, const QColor &colour)
{
    if (x < 0 || x >= m_image.width())
        return;
    int top = std::min(y1, y2);
    int bottom = std::max(y1, y2);
    // A line that lies wholly above or below the image draws nothing (level 0 ends at the edge).
    if (bottom < 0 || top >= m_image.height())
        return;
    top = std::max(top, 0);
    bottom = std::min(bottom, m_image.height() - 1);
    for (int y = top; y <= bottom; ++y)
        m_image.setPixelColor(x, y, colour);
    update(QRect(x, top, 1, bottom - top + 1));
}

void SpectrumView::plot(const SpectrumStep &step)
{
    const QSize surface = logicalSize();
    const SpectrumColumn column
            = spectrumColumn(surface, step.from, step.to, step.step, step.frequency, step.level);
    if (!column.drawable)
        return;
    const int h = surface.height();
    drawLine(column.markerX, 0, h, markerColour);
    drawLine(column.x, 0, h, m_background);
    drawLine(column.x, h, column.top, levelColour);
}

void SpectrumView::clear()
{
    m_image.fill(m_background);
    update();
}

void SpectrumView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_image, event->rect());
}

} // namespace ze
