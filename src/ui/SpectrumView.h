#pragma once

#include "core/Views.h"

#include <QColor>
#include <QImage>
#include <QWidget>

namespace ze {

// The spectrum plot surface: lines go onto a backing image of a fixed size, so what has been
// drawn survives repaints and the plot's coordinates never change under it.
//
// The plot works in the surface's own units, fifteen to a pixel as on the original panel: a range
// of more steps than the surface has pixels still gets columns of their own width in units
// (several of them then share a pixel, the last one drawn showing) instead of all falling on x 0.
class SpectrumView : public QWidget, public SpectrumSurface
{
    Q_OBJECT
public:
    static constexpr int unitsPerPixel = 15;

    explicit SpectrumView(const QSize &pixels, QWidget *parent = nullptr);

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

private:
    QImage m_image;
    QColor m_background;
};

} // namespace ze
