#pragma once

#include <QColor>
#include <QWidget>

namespace ze {

// A perceptual colour map (viridis: dark blue through green to yellow), even in lightness, so a
// stronger signal always reads as brighter, also to the colour-blind and in grey.
QColor mapColour(double fraction); // 0..1
// The map as a table of 256 colours, for painting many cells.
const QRgb *colourTable();

// A bar of the colour map with its two ends named, the legend of a heat map or waterfall.
class LegendBar : public QWidget
{
    Q_OBJECT
public:
    LegendBar(QString low, QString high, QWidget *parent = nullptr);
    void setEnds(const QString &low, const QString &high);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_low;
    QString m_high;
};

} // namespace ze
