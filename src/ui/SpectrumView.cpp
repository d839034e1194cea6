#include "ui/SpectrumView.h"

#include "core/Spectrum.h"
#include "ui/Pacer.h"
#include "ui/SweepHistory.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace ze {

namespace {

const QColor markerColour(128, 0, 0);
const QColor levelColour(15, 0, 0);
const QColor peakColour(230, 110, 0);
const QColor averageColour(0, 90, 210);

int pixelOf(int units)
{
    // Rounded down, negative values too, so that a unit just above the top lies outside.
    return units >= 0 ? units / SpectrumView::unitsPerPixel
                      : -((-(units + 1)) / SpectrumView::unitsPerPixel) - 1;
}

} // namespace

SpectrumView::SpectrumView(const QSize &pixels, Pacer &pacer, QWidget *parent)
    : QWidget(parent)
    , m_smallest(pixels)
    , m_image(pixels, QImage::Format_RGB32)
    , m_background(Qt::white)
    , m_pacer(std::make_unique<PacedFlush>(pacer, [this] {
        update(m_dirty);
        m_dirty = QRect();
    }))
{
    setMinimumSize(pixels);
    resize(pixels);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_image.fill(m_background);
}

SpectrumView::~SpectrumView() = default;

void SpectrumView::setTraces(const SweepHistory *history, bool peak, bool average)
{
    m_history = history;
    m_peak = peak;
    m_average = average;
    requestRepaint(rect());
}

void SpectrumView::flush()
{
    m_pacer->flushNow();
}

void SpectrumView::requestRepaint(const QRect &rect)
{
    // What a pass changes lies side by side: a box around it costs less than a region.
    m_dirty |= rect;
    m_pacer->request();
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
    // Straight into the lines: a pixel at a time through QImage costs more than the step.
    const QRgb pixel = colour.rgb();
    uchar *bits = m_image.bits();
    const qsizetype stride = m_image.bytesPerLine();
    for (int y = top; y <= bottom; ++y)
        reinterpret_cast<QRgb *>(bits + y * stride)[x] = pixel;
    requestRepaint(QRect(x, top, 1, bottom - top + 1));
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
    m_range = step;
    if (m_history && (m_peak || m_average)) {
        // The traces' segments on either side of the column change with it.
        const int left = pixelOf(column.x - column.columnWidth) - 2;
        const int right = pixelOf(column.markerX + column.columnWidth) + 2;
        requestRepaint(QRect(left, 0, right - left + 1, height()));
    }
}

void SpectrumView::clear()
{
    m_image.fill(m_background);
    requestRepaint(rect());
}

void SpectrumView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (size() != m_image.size() && !size().isEmpty())
        m_image = m_image.scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                          .convertToFormat(QImage::Format_RGB32);
}

void SpectrumView::drawTraces(QPainter &painter) const
{
    const int bins = m_history->bins();
    if (bins == 0 || m_range.step <= 0)
        return;
    const QSize surface = logicalSize();
    const double h = surface.height();
    for (const bool peak : {true, false}) {
        if (!(peak ? m_peak : m_average))
            continue;
        QPolygonF line;
        for (int bin = 0; bin < bins; ++bin) {
            const double value = peak
                    ? (m_history->peak(bin) == SweepHistory::none ? -1.0
                                                                  : double(m_history->peak(bin)))
                    : m_history->mean(bin);
            if (value < 0)
                continue;
            const qint64 frequency
                    = m_range.from + qint64(m_history->firstColumnOf(bin)) * m_range.step;
            const SpectrumColumn column
                    = spectrumColumn(surface, m_range.from, m_range.to, m_range.step, frequency, 0);
            if (!column.drawable)
                return;
            line << QPointF((column.x + column.columnWidth / 2.0) / unitsPerPixel,
                            (h - h / 10 * value) / unitsPerPixel);
        }
        painter.setPen(QPen(peak ? peakColour : averageColour, 1));
        painter.drawPolyline(line);
    }
}

void SpectrumView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_image, event->rect());
    if (m_history && (m_peak || m_average))
        drawTraces(painter);
}

} // namespace ze
