#pragma once

#include "core/Views.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <memory>

namespace ze {

class PacedFlush;
class Pacer;
class SweepHistory;

// The spectrum plot surface: lines go onto a backing image, so what has been drawn survives
// repaints. The image takes the widget's size when it is resized, what was drawn scaled to it,
// and the columns of the next steps follow the new width. Over it, when asked, the strongest
// level each step has read (peak hold) and the mean of its readings, from the sweep history.
// Changes reach the screen when the window's pacer lets them.
//
// The plot works in the surface's own units, fifteen to a pixel as on the original panel: a range
// of more steps than the surface has pixels still gets columns of their own width in units
// (several of them then share a pixel, the last one drawn showing) instead of all falling on x 0.
class SpectrumView : public QWidget, public SpectrumSurface
{
    Q_OBJECT
public:
    static constexpr int unitsPerPixel = 15;

    // pixels is the smallest size, and the one it asks for.
    SpectrumView(const QSize &pixels, Pacer &pacer, QWidget *parent = nullptr);
    ~SpectrumView() override;
    QSize sizeHint() const override { return m_smallest; }

    // The traces over the plot; history may be null (none).
    void setTraces(const SweepHistory *history, bool peak, bool average);
    bool peakShown() const { return m_peak; }
    bool averageShown() const { return m_average; }
    // What waits for the screen goes now.
    void flush();

    // Size in the plot's units.
    QSize logicalSize() const { return m_image.size() * unitsPerPixel; }
    // A vertical line in the plot's units, both ends included.
    void drawLine(int x, int y1, int y2, const QColor &colour);

    QSize imageSize() const { return m_image.size(); }
    const QImage &image() const { return m_image; }
    QColor background() const { return m_background; }

    // A one-pixel vertical line in pixels from y1 to y2, both ends included, clipped to the image.
    void drawVerticalLine(int x, int y1, int y2, const QColor &colour);

    // SpectrumSurface: a step's column is erased and its level drawn, the marker line at the
    // next position.
    void plot(const SpectrumStep &step) override;
    void clear() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void requestRepaint(const QRect &rect);
    void drawTraces(QPainter &painter) const;

    QSize m_smallest;
    QImage m_image;
    QColor m_background;
    std::unique_ptr<PacedFlush> m_pacer;
    QRect m_dirty;
    const SweepHistory *m_history = nullptr;
    bool m_peak = false;
    bool m_average = false;
    SpectrumStep m_range; // from, to and step of the last step plotted
};

} // namespace ze
