#include "ui/DisplayPanel.h"

#include "ui/Controls.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ze {

namespace {

const QColor panelGreen(0, 192, 0);
const QColor barColour(0, 0, 0);

// The S-meter's bars in panel units (narrow and wide, short, medium and tall); scaled to pixels
// they keep their proportions at a size that reads well.
constexpr double meterScale = 0.12;
constexpr int narrowBar = 75;
constexpr int wideBar = 135;
constexpr int shortBar = 135;
constexpr int mediumBar = 195;
constexpr int tallBar = 255;

const char *const modeCaptions[6] = {"NFM", "WFM", "AM", "LSB", "USB", "CW"};
const char *const modeNames[6]
        = {"Narrow FM", "Wide FM", "AM", "Lower sideband", "Upper sideband", "CW (Morse)"};

// The display's digits: the system's fixed-pitch font.
QFont terminalFont(qreal points, bool bold)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// A lamp that goes dark keeps its place, so the panel does not move.
void retainSpace(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

int meterPixels(int units)
{
    return qRound(units * meterScale);
}

} // namespace

DisplayPanel::DisplayPanel(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("Shape1"));
    setAccessibleName(QStringLiteral("Receiver display"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    QPalette green = palette();
    green.setColor(QPalette::Window, panelGreen);
    green.setColor(QPalette::WindowText, Qt::black);
    setPalette(green);

    const QFont lampFont = terminalFont(8, true);
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(8, 6, 8, 6);

    auto *banks = new QVBoxLayout;
    banks->setSpacing(0);
    for (int bank = 1; bank <= 4; ++bank) {
        QLabel *lamp = newLabel(indexed("lblBank", bank), QStringLiteral("Bank%1").arg(bank), this);
        lamp->setAccessibleDescription(QStringLiteral("Bank %1 lamp").arg(bank));
        lamp->setToolTip(QStringLiteral("The channel shown is in memory bank %1").arg(bank));
        retainSpace(lamp);
        banks->addWidget(lamp);
        m_lblBank[bank - 1] = lamp;
    }
    banks->addStretch(1);
    outer->addLayout(banks);
    outer->addSpacing(10);

    auto *centre = new QVBoxLayout;
    centre->setSpacing(4);
    auto *lamps = new QHBoxLayout;
    lamps->setSpacing(8);
    for (int i = 0; i < 6; ++i) {
        QLabel *lamp = newLabel(indexed("lblMode", i), QLatin1String(modeCaptions[i]), this);
        lamp->setFont(lampFont);
        lamp->setAccessibleDescription(
                QStringLiteral("%1 mode lamp").arg(QLatin1String(modeCaptions[i])));
        lamp->setToolTip(QStringLiteral("Mode: %1").arg(QLatin1String(modeNames[i])));
        retainSpace(lamp);
        lamps->addWidget(lamp);
        m_lblMode[i] = lamp;
    }
    lamps->addStretch(1);
    m_lblATT = newLabel(QStringLiteral("lblATT"), QStringLiteral("ATT"), this);
    m_lblATT->setAccessibleDescription(QStringLiteral("Attenuator lamp"));
    m_lblPass = newLabel(QStringLiteral("lblPass"), QStringLiteral("PASS"), this);
    m_lblPass->setAccessibleDescription(QStringLiteral("Channel lockout lamp"));
    m_lblATT->setToolTip(QStringLiteral("Attenuator on: strong signals are weakened"));
    m_lblPass->setToolTip(QStringLiteral("The channel shown is locked out: scanning passes it by"));
    for (QLabel *lamp : {m_lblATT, m_lblPass}) {
        lamp->setFont(lampFont);
        retainSpace(lamp);
        lamps->addWidget(lamp);
    }
    centre->addLayout(lamps);

    const QFont readoutFont = terminalFont(13.5, true);
    const QFontMetrics readoutMetrics(readoutFont);
    auto *readout = new QHBoxLayout;
    readout->setSpacing(4);
    QLabel *memoryLegend = newLabel(indexed("lblDivers", 0), QStringLiteral("M"), this);
    memoryLegend->setFont(lampFont);
    readout->addWidget(memoryLegend, 0, Qt::AlignBottom);
    m_lblChannel = newLabel(QStringLiteral("lblChannel"), QStringLiteral("00"), this);
    m_lblChannel->setFont(readoutFont);
    m_lblChannel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_lblChannel->setMinimumWidth(readoutMetrics.horizontalAdvance(QStringLiteral("888")));
    m_lblChannel->setAccessibleDescription(QStringLiteral("Channel display"));
    readout->addWidget(m_lblChannel);
    readout->addSpacing(12);
    m_lblFrequency = newLabel(QStringLiteral("lblFrequency"), QStringLiteral("0.0000"), this);
    m_lblFrequency->setFont(readoutFont);
    m_lblFrequency->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Long descriptions and long keypad entries are cut rather than widening the window.
    m_lblFrequency->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_lblFrequency->setMinimumWidth(
            readoutMetrics.horizontalAdvance(QStringLiteral("8888888888888")));
    m_lblFrequency->setAccessibleDescription(QStringLiteral("Frequency display"));
    readout->addWidget(m_lblFrequency, 1);
    auto *units = new QVBoxLayout;
    units->setSpacing(0);
    for (int i = 1; i <= 2; ++i) {
        QLabel *legend = newLabel(indexed("lblDivers", i),
                                  i == 1 ? QStringLiteral("kHz") : QStringLiteral("mHz"), this);
        legend->setFont(lampFont);
        units->addWidget(legend);
    }
    readout->addLayout(units);
    centre->addLayout(readout);

    auto *meter = new QVBoxLayout;
    meter->setSpacing(1);
    auto *bars = new QHBoxLayout;
    bars->setSpacing(2);
    for (int i = 0; i <= 10; ++i) {
        auto *bar = new QFrame(this);
        bar->setObjectName(indexed("shpSquelch", i));
        const int width = i <= 5 ? narrowBar : wideBar;
        const int height = i <= 3 ? shortBar : (i <= 8 ? mediumBar : tallBar);
        bar->setFixedSize(meterPixels(width), meterPixels(height));
        bar->setAutoFillBackground(true);
        QPalette barPalette = bar->palette();
        barPalette.setColor(QPalette::Window, barColour);
        bar->setPalette(barPalette);
        bar->setAccessibleDescription(QStringLiteral("S-meter bar %1").arg(i));
        bar->setToolTip(QStringLiteral("Signal strength"));
        retainSpace(bar);
        bars->addWidget(bar, 0, Qt::AlignBottom);
        m_shpSquelch[i] = bar;
    }
    bars->addStretch(1);
    meter->addLayout(bars);
    QLabel *scale = newLabel(QStringLiteral("Label1"), QStringLiteral("1 3 5 7 9 +10 +20"), this);
    scale->setFont(terminalFont(7, false));
    scale->setAccessibleDescription(QStringLiteral("S-meter scale"));
    meter->addWidget(scale);
    centre->addLayout(meter);

    outer->addLayout(centre, 1);
}

QString DisplayPanel::frequencyText() const
{
    return m_lblFrequency->text();
}

void DisplayPanel::setFrequencyText(const QString &text)
{
    m_lblFrequency->setText(text);
}

QString DisplayPanel::channelText() const
{
    return m_lblChannel->text();
}

void DisplayPanel::setChannelText(const QString &text)
{
    m_lblChannel->setText(text);
}

void DisplayPanel::showBank(int bank)
{
    for (int i = 0; i < 4; ++i)
        m_lblBank[i]->setHidden(i + 1 != bank);
}

bool DisplayPanel::modeLit(int index) const
{
    return index >= 0 && index < 6 && !m_lblMode[index]->isHidden();
}

void DisplayPanel::setModeLit(int index, bool lit)
{
    if (index >= 0 && index < 6)
        m_lblMode[index]->setHidden(!lit);
}

bool DisplayPanel::attenuatorLit() const
{
    return !m_lblATT->isHidden();
}

void DisplayPanel::setAttenuatorLit(bool lit)
{
    m_lblATT->setHidden(!lit);
}

void DisplayPanel::setPassLit(bool lit)
{
    m_lblPass->setHidden(!lit);
}

bool DisplayPanel::signalBarLit(int index) const
{
    return index >= 0 && index <= 10 && !m_shpSquelch[index]->isHidden();
}

void DisplayPanel::setSignalBarLit(int index, bool lit)
{
    if (index >= 0 && index <= 10)
        m_shpSquelch[index]->setHidden(!lit);
}

void DisplayPanel::clear()
{
    m_lblChannel->setText(QStringLiteral("--"));
    m_lblFrequency->setText(QStringLiteral("----.----"));
    for (QLabel *lamp : m_lblBank)
        lamp->hide();
    for (QLabel *lamp : m_lblMode)
        lamp->hide();
    for (QFrame *bar : m_shpSquelch)
        bar->hide();
    m_lblATT->hide();
    m_lblPass->hide();
}

} // namespace ze
