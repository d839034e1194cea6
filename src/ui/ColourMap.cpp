#include "ui/ColourMap.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace ze {

namespace {

// Viridis at nine even stops; between them the map is near enough linear.
constexpr std::array<QRgb, 9> stops {0x440154, 0x472c7a, 0x3b518b, 0x2c718e, 0x21908d,
                                     0x27ad81, 0x5cc863, 0xaadc32, 0xfde725};

struct Table
{
    std::array<QRgb, 256> colours {};
    Table()
    {
        for (int i = 0; i < 256; ++i)
            colours[std::size_t(i)] = mapColour(i / 255.0).rgb();
    }
};

} // namespace

QColor mapColour(double fraction)
{
    const double f = std::clamp(std::isfinite(fraction) ? fraction : 0.0, 0.0, 1.0)
            * double(stops.size() - 1);
    const std::size_t low = std::min(std::size_t(f), stops.size() - 2);
    const double t = f - double(low);
    const QColor a(stops[low]);
    const QColor b(stops[low + 1]);
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

const QRgb *colourTable()
{
    // Made once; the colours never change.
    static const Table table;
    return table.colours.data();
}

LegendBar::LegendBar(QString low, QString high, QWidget *parent)
    : QWidget(parent)
    , m_low(std::move(low))
    , m_high(std::move(high))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void LegendBar::setEnds(const QString &low, const QString &high)
{
    m_low = low;
    m_high = high;
    update();
}

QSize LegendBar::sizeHint() const
{
    return {200, fontMetrics().height() + 14};
}

void LegendBar::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    const int textWidth = std::max(fontMetrics().horizontalAdvance(m_low),
                                   fontMetrics().horizontalAdvance(m_high))
            + 8;
    const QRect bar(textWidth, 4, std::max(10, width() - 2 * textWidth), height() - 8);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    for (std::size_t i = 0; i < stops.size(); ++i)
        gradient.setColorAt(double(i) / double(stops.size() - 1), QColor(stops[i]));
    painter.fillRect(bar, gradient);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(0, 0, textWidth - 4, height()), Qt::AlignRight | Qt::AlignVCenter,
                     m_low);
    painter.drawText(QRect(bar.right() + 4, 0, textWidth, height()),
                     Qt::AlignLeft | Qt::AlignVCenter, m_high);
}

} // namespace ze
