#include "ui/WaterfallView.h"

#include "ui/ColourMap.h"
#include "ui/Pacer.h"
#include "ui/SweepHistory.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ze {

namespace {

const QRgb emptyCell = qRgb(28, 28, 28);
constexpr int dragThreshold = 3;

QRgb colourOf(int level)
{
    return level == SweepHistory::none ? emptyCell
                                       : colourTable()[std::ptrdiff_t(std::min(level, 15)) * 17];
}

int strongest(const quint8 *cells, int from, int to)
{
    int best = SweepHistory::none;
    for (int i = from; i < to; ++i) {
        if (cells[i] != SweepHistory::none && (best == SweepHistory::none || cells[i] > best))
            best = cells[i];
    }
    return best;
}

// A round step of 1, 2 or 5 times a power of ten, at least raw.
qint64 roundStep(double raw)
{
    double power = std::pow(10.0, std::floor(std::log10(std::max(raw, 1.0))));
    for (;;) {
        for (const double m : {1.0, 2.0, 5.0}) {
            if (m * power >= raw)
                return std::max<qint64>(1, std::llround(m * power));
        }
        power *= 10;
    }
}

} // namespace

WaterfallView::WaterfallView(const SweepHistory &history, Pacer &pacer, QWidget *parent)
    : QWidget(parent)
    , m_history(history)
    , m_pacer(std::make_unique<PacedFlush>(pacer, [this] {
        update(m_dirty);
        m_dirty = QRect();
    }))
{
    setObjectName(QStringLiteral("waterfall"));
    setAccessibleName(QStringLiteral("Waterfall"));
    setAccessibleDescription(QStringLiteral("Signal levels of the last sweeps, newest at the top"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // The smallest main window has no room for it; a larger one has.
    setMinimumSize(200, 0);
    measureMargins();
}

WaterfallView::~WaterfallView() = default;

void WaterfallView::measureMargins()
{
    const QFontMetrics metrics = fontMetrics();
    const int left = metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 8;
    const int bottom = metrics.height() + 6;
    const int right = std::max(metrics.horizontalAdvance(QStringLiteral("15")) + 16,
                               metrics.horizontalAdvance(QStringLiteral("MHz")) + 4);
    m_margins = QMargins(left, 0, right, bottom);
}

QRect WaterfallView::plotRect() const
{
    return rect().marginsRemoved(m_margins);
}

void WaterfallView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        measureMargins();
        renderAll();
    }
}

int WaterfallView::rowsShown() const
{
    return std::clamp(m_history.rows(), fewestRows, shownRows);
}

void WaterfallView::historyReset()
{
    m_viewFirst = 0;
    m_viewSpan = m_history.bins();
    renderAll();
}

void WaterfallView::cellChanged(int bin, bool newRow)
{
    if (newRow || m_picture.isNull() || m_shownRows != rowsShown())
        renderAll();
    else
        renderNewestCells(bin);
}

void WaterfallView::mapPixels()
{
    const int w = m_picture.width();
    const int bins = m_history.bins();
    m_cellFrom.resize(w);
    m_cellTo.resize(w);
    for (int x = 0; x < w; ++x) {
        const double a = m_viewFirst + x * m_viewSpan / w;
        const double b = m_viewFirst + (x + 1) * m_viewSpan / w;
        const int from = std::clamp(int(std::floor(a)), 0, std::max(0, bins - 1));
        const int to = std::clamp(int(std::ceil(b - 1e-9)), from + 1, std::max(1, bins));
        m_cellFrom[x] = from;
        m_cellTo[x] = bins > 0 ? to : 0;
    }
}

void WaterfallView::renderAll()
{
    const QRect plot = plotRect();
    if (plot.width() <= 0 || plot.height() <= 0) {
        m_picture = QImage();
        return;
    }
    if (m_picture.size() != plot.size())
        m_picture = QImage(plot.size(), QImage::Format_RGB32);
    mapPixels();
    m_shownRows = rowsShown();
    const int w = m_picture.width();
    const int h = m_picture.height();
    int lastAge = -1;
    const QRgb *lastLine = nullptr;
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(m_picture.scanLine(y));
        const int age = int(qint64(y) * m_shownRows / h);
        const quint8 *cells = m_history.row(age);
        if (age == lastAge && lastLine) {
            // The lines of one row are alike.
            std::memcpy(line, lastLine, sizeof(QRgb) * std::size_t(w));
        } else if (!cells) {
            std::fill_n(line, w, emptyCell);
        } else {
            for (int x = 0; x < w; ++x)
                line[x] = colourOf(strongest(cells, m_cellFrom[x], m_cellTo[x]));
        }
        lastAge = age;
        lastLine = line;
    }
    requestRepaint(rect());
}

void WaterfallView::renderNewestCells(int bin)
{
    const quint8 *cells = m_history.row(0);
    if (!cells || m_cellFrom.isEmpty())
        return;
    // The pixel columns that show this cell: their ranges grow from left to right.
    const auto first = std::upper_bound(m_cellTo.cbegin(), m_cellTo.cend(), bin);
    const auto last = std::upper_bound(m_cellFrom.cbegin(), m_cellFrom.cend(), bin);
    const int x0 = int(first - m_cellTo.cbegin());
    const int x1 = int(last - m_cellFrom.cbegin());
    if (x0 >= x1)
        return;
    const int h = m_picture.height();
    const int lines = std::min(h, int((qint64(h) + m_shownRows - 1) / m_shownRows));
    auto *top = reinterpret_cast<QRgb *>(m_picture.scanLine(0));
    bool changed = false;
    for (int x = x0; x < x1; ++x) {
        const QRgb colour = colourOf(strongest(cells, m_cellFrom[x], m_cellTo[x]));
        changed = changed || top[x] != colour;
        top[x] = colour;
    }
    // Several steps share a pixel in a long range: most of them leave its colour as it was.
    if (!changed)
        return;
    for (int y = 1; y < lines; ++y)
        std::memcpy(reinterpret_cast<QRgb *>(m_picture.scanLine(y)) + x0, top + x0,
                    sizeof(QRgb) * std::size_t(x1 - x0));
    const QRect plot = plotRect();
    requestRepaint(QRect(plot.x() + x0, plot.y(), x1 - x0, lines));
}

void WaterfallView::requestRepaint(const QRect &rect)
{
    // What a pass changes lies side by side: a box around it costs less than a region.
    m_dirty |= rect;
    m_pacer->request();
}

void WaterfallView::flush()
{
    m_pacer->flushNow();
}

const QImage &WaterfallView::picture() const
{
    return m_picture;
}

int WaterfallView::columnAt(int x) const
{
    const QRect plot = plotRect();
    const int count = m_history.columns().count();
    const int bins = m_history.bins();
    if (x < plot.left() || x > plot.right() || bins == 0)
        return -1;
    const double cell = m_viewFirst + (x - plot.left() + 0.5) * m_viewSpan / plot.width();
    return std::clamp(int(std::floor(cell * count / bins)), 0, count - 1);
}

int WaterfallView::xOfColumn(int column) const
{
    const QRect plot = plotRect();
    const int count = m_history.columns().count();
    if (column < 0 || column >= count || m_viewSpan <= 0)
        return -1;
    const double cell = (column + 0.5) * m_history.bins() / count;
    const double x = (cell - m_viewFirst) * plot.width() / m_viewSpan;
    return x < 0 || x >= plot.width() ? -1 : plot.left() + int(x);
}

int WaterfallView::rowAt(int y) const
{
    const QRect plot = plotRect();
    if (y < plot.top() || y > plot.bottom())
        return -1;
    return int(qint64(y - plot.top()) * m_shownRows / plot.height());
}

QString WaterfallView::describeAt(const QPoint &pos) const
{
    const int column = columnAt(pos.x());
    const QRect plot = plotRect();
    if (column < 0 || pos.y() < plot.top() || pos.y() > plot.bottom())
        return QString();
    QString text = m_history.columns().describe(column);
    const int age = rowAt(pos.y());
    const quint8 *cells = m_history.row(age);
    const int level = cells ? cells[m_history.binOf(column)] : SweepHistory::none;
    if (level != SweepHistory::none)
        text += QStringLiteral(": level %1 at %2")
                        .arg(level)
                        .arg(QDateTime::fromMSecsSinceEpoch(m_history.rowTime(age))
                                     .toString(QStringLiteral("HH:mm:ss")));
    return text;
}

void WaterfallView::clampView()
{
    const int bins = m_history.bins();
    m_viewSpan = std::clamp(m_viewSpan, std::min(4.0, double(bins)), double(bins));
    m_viewFirst = std::clamp(m_viewFirst, 0.0, bins - m_viewSpan);
}

void WaterfallView::zoom(double factor, int x)
{
    const QRect plot = plotRect();
    if (plot.width() <= 0 || m_history.bins() == 0)
        return;
    const double px = std::clamp(x - plot.left(), 0, plot.width() - 1) + 0.5;
    const double cell = m_viewFirst + px * m_viewSpan / plot.width();
    m_viewSpan *= factor;
    clampView();
    m_viewFirst = cell - px * m_viewSpan / plot.width();
    clampView();
    renderAll();
}

void WaterfallView::drawAxis(QPainter &painter) const
{
    const QRect plot = plotRect();
    const SweepColumns &columns = m_history.columns();
    const int count = columns.count();
    if (count == 0 || m_viewSpan <= 0)
        return;
    const QFontMetrics metrics = fontMetrics();
    const int y = plot.bottom() + 1;
    painter.drawText(QRect(plot.right() + 3, y, width() - plot.right() - 3, height() - y),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     columns.isSearch() ? QStringLiteral("MHz") : QStringLiteral("Ch"));
    const double columnsPerPixel = m_viewSpan * count / m_history.bins() / plot.width();
    const double firstColumn = m_viewFirst * count / m_history.bins();
    const auto xOf = [&](double column) {
        return plot.left() + int((column - firstColumn) / columnsPerPixel);
    };
    const int spacing = metrics.horizontalAdvance(QStringLiteral("0000.0000")) + 12;
    if (columns.isSearch()) {
        const double hzPerPixel = columnsPerPixel * double(columns.stepHz);
        const qint64 tick = roundStep(hzPerPixel * spacing);
        const int decimals = std::clamp(6 - int(std::floor(std::log10(double(tick)))), 0, 4);
        const double firstHz = double(columns.fromHz) + firstColumn * double(columns.stepHz);
        for (qint64 hz = qint64(std::ceil(firstHz / double(tick))) * tick;; hz += tick) {
            const int x = xOf(double(hz - columns.fromHz) / double(columns.stepHz) - 0.5);
            if (x > plot.right())
                break;
            painter.drawLine(x, y, x, y + 3);
            const QString label = QString::number(double(hz) / 1e6, 'f', decimals);
            // A label cut by the unit's place is left out.
            if (x + metrics.horizontalAdvance(label) / 2 > plot.right())
                break;
            painter.drawText(QRect(x - spacing / 2, y + 2, spacing, metrics.height()),
                             Qt::AlignHCenter, label);
        }
        return;
    }
    const int every = std::max(1, int(std::ceil(columnsPerPixel * spacing)));
    for (int column = (int(firstColumn) / every) * every; column < count; column += every) {
        const int x = xOf(column);
        if (x > plot.right())
            break;
        if (x < plot.left())
            continue;
        const int key = columns.channels.at(column);
        painter.drawLine(x, y, x, y + 3);
        painter.drawText(QRect(x - spacing / 2, y + 2, spacing, metrics.height()), Qt::AlignHCenter,
                         QStringLiteral("%1-%2").arg(key / 100).arg(key % 100));
    }
}

void WaterfallView::drawTimes(QPainter &painter) const
{
    const QRect plot = plotRect();
    const QFontMetrics metrics = fontMetrics();
    const int every = metrics.height() * 3;
    for (int y = plot.top(); y + metrics.height() <= plot.bottom(); y += every) {
        const int age = int(qint64(y - plot.top()) * m_shownRows / plot.height());
        if (age >= m_history.rows())
            break;
        painter.drawLine(plot.left() - 3, y, plot.left() - 1, y);
        const QString time = QDateTime::fromMSecsSinceEpoch(m_history.rowTime(age))
                                     .toString(QStringLiteral("HH:mm:ss"));
        painter.drawText(QRect(0, y, plot.left() - 5, metrics.height()), Qt::AlignRight, time);
    }
}

void WaterfallView::drawLegend(QPainter &painter) const
{
    const QRect plot = plotRect();
    const QRect strip(plot.right() + 4, plot.top(), 8, plot.height());
    if (strip.height() <= 0)
        return;
    const QRgb *table = colourTable();
    for (int y = 0; y < strip.height(); ++y) {
        const int index = 255 - int(qint64(y) * 255 / std::max(1, strip.height() - 1));
        painter.setPen(QColor::fromRgb(table[index]));
        painter.drawLine(strip.left(), strip.top() + y, strip.right(), strip.top() + y);
    }
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect labels(strip.right() + 3, plot.top(), width() - strip.right() - 3, plot.height());
    painter.drawText(labels, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("15"));
    painter.drawText(labels, Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("0"));
}

void WaterfallView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect plot = plotRect();
    if (!plot.contains(event->rect())) {
        painter.fillRect(event->rect(), palette().color(QPalette::Window));
        painter.setPen(palette().color(QPalette::WindowText));
        drawAxis(painter);
        drawTimes(painter);
        drawLegend(painter);
    }
    const QRect target = event->rect() & plot;
    if (!m_picture.isNull() && !target.isEmpty())
        painter.drawImage(target, m_picture, target.translated(-plot.topLeft()));
}

void WaterfallView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    renderAll();
}

void WaterfallView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_dragging = false;
    m_pressAt = event->position().toPoint();
    m_pressFirst = m_viewFirst;
}

void WaterfallView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (m_pressed && (m_dragging || std::abs(pos.x() - m_pressAt.x()) > dragThreshold)) {
        m_dragging = true;
        const QRect plot = plotRect();
        m_viewFirst = m_pressFirst - (pos.x() - m_pressAt.x()) * m_viewSpan / plot.width();
        clampView();
        renderAll();
        return;
    }
    QToolTip::showText(event->globalPosition().toPoint(), describeAt(pos), this);
}

void WaterfallView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
    const int column = columnAt(event->position().toPoint().x());
    if (!m_dragging && column >= 0)
        Q_EMIT columnClicked(column);
    m_dragging = false;
}

void WaterfallView::wheelEvent(QWheelEvent *event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) {
        event->ignore();
        return;
    }
    zoom(std::pow(0.8, notches), event->position().toPoint().x());
}

void WaterfallView::contextMenuEvent(QContextMenuEvent *event)
{
    Q_EMIT menuRequested(columnAt(event->pos().x()), event->globalPos());
}

} // namespace ze
