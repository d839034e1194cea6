#include "FakePanel.h"

#include "core/Spectrum.h"

#include <QColor>

namespace zetest {

FakePanel::FakePanel()
    : image(500, 100, QImage::Format_RGB32)
    , background(qRgb(255, 255, 255))
{
    image.fill(background);
}

void FakePanel::showBank(int lit)
{
    bank = lit;
}

int FakePanel::stepValue() const
{
    if (stepIndexValue < 0 || stepIndexValue >= steps.size())
        return 0;
    return steps.at(stepIndexValue).second;
}

void FakePanel::plot(const ze::SpectrumStep &step)
{
    const ze::SpectrumColumn column = ze::spectrumColumn(image.size(), step.from, step.to,
                                                         step.step, step.frequency, step.level);
    if (!column.drawable)
        return;
    const auto line = [this](int x, int y1, int y2, QRgb colour) {
        if (x < 0 || x >= image.width())
            return;
        for (int y = std::max(0, std::min(y1, y2));
             y <= std::min(image.height() - 1, std::max(y1, y2)); ++y)
            image.setPixel(x, y, colour);
    };
    const int h = image.height();
    line(column.markerX, 0, h, qRgb(128, 0, 0));
    line(column.x, 0, h, background);
    line(column.x, h, column.top, qRgb(15, 0, 0));
}

void FakePanel::clearDisplay()
{
    channel = QStringLiteral("--");
    frequency = QStringLiteral("----.----");
    bank = 0;
    modes.fill(false);
    bars.fill(false);
    att = false;
    pass = false;
}

QString FakePanel::litModes() const
{
    QString letters;
    for (int i = 0; i < 6; ++i)
        if (modes.at(i))
            letters += QStringLiteral("NWALUC").at(i);
    return letters;
}

int FakePanel::litBars() const
{
    int count = 0;
    for (bool lit : bars)
        count += lit ? 1 : 0;
    return count;
}

} // namespace zetest
