#pragma once

#include <QImage>
#include <QVector>
#include <QWidget>

#include <memory>

namespace ze {

class PacedFlush;
class Pacer;
class SweepHistory;

// The waterfall: one row per sweep of a search (or round of a bank scan), newest at the top, its
// cells coloured by level (the colour map's legend at the right), with the frequency axis below
// and the time of the rows at the side.
// The picture is an image drawn by hand: cells change one at a time at the line's speed and a
// chart would redraw everything for each. Only the cells that changed are drawn, and the widget
// repaints when the window's pacer lets it. The wheel zooms the frequency axis, dragging pans it.
class WaterfallView : public QWidget
{
    Q_OBJECT
public:
    // Rows shown at most, scaled to the height; fewer at first, so that the first sweeps show.
    static constexpr int shownRows = 500;
    static constexpr int fewestRows = 16;

    WaterfallView(const SweepHistory &history, Pacer &pacer, QWidget *parent = nullptr);
    ~WaterfallView() override;
    QSize sizeHint() const override { return {440, 220}; }

    // The history was emptied or its columns changed: the whole axis shows again.
    void historyReset();
    // One cell of the newest row changed, or a new row began.
    void cellChanged(int bin, bool newRow);

    // The plot's rectangle in the widget, and the column (step or channel) under an x in it; -1
    // outside.
    QRect plotRect() const;
    int columnAt(int x) const;
    // The age of the row shown at a y (0 the newest), -1 outside.
    int rowAt(int y) const;
    // The widget x at the middle of a column, -1 when it is not in view.
    int xOfColumn(int column) const;
    // What the cursor at pos points at: frequency (or channel) and level; "" outside.
    QString describeAt(const QPoint &pos) const;
    // The visible part of the axis in cells: first and how many.
    double viewFirst() const { return m_viewFirst; }
    double viewSpan() const { return m_viewSpan; }
    // Zooms by factor about the cell at x (factor < 1 zooms in).
    void zoom(double factor, int x);
    const QImage &picture() const;
    // What waits for the screen goes now.
    void flush();

Q_SIGNALS:
    void columnClicked(int column);
    void menuRequested(int column, const QPoint &globalPos);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // The room of the axis, the times and the legend, measured once for each font: text
    // measuring on every cell would cost more than the cell.
    void measureMargins();
    int rowsShown() const;
    void renderAll();
    void renderNewestCells(int bin);
    void mapPixels();
    void drawAxis(QPainter &painter) const;
    void drawTimes(QPainter &painter) const;
    void drawLegend(QPainter &painter) const;
    void clampView();
    void requestRepaint(const QRect &rect);

    const SweepHistory &m_history;
    QImage m_picture;
    QMargins m_margins;
    // Cells each pixel column shows: from m_cellFrom[x] up to, not including, m_cellTo[x].
    QVector<int> m_cellFrom;
    QVector<int> m_cellTo;
    double m_viewFirst = 0;
    double m_viewSpan = 0;
    int m_shownRows = fewestRows;
    std::unique_ptr<PacedFlush> m_pacer;
    QRect m_dirty;
    QPoint m_pressAt;
    double m_pressFirst = 0;
    bool m_dragging = false;
    bool m_pressed = false;
};

} // namespace ze
