#include "ui/DisplayPanel.h"

#include "ui/Controls.h"
#include "ui/Lamp.h"
#include "ui/Pacer.h"
#include "ui/Readout.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
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

Lamp *newLamp(const QString &name, const QString &caption, QWidget *parent)
{
    auto *lamp = new Lamp(caption, parent);
    lamp->setObjectName(name);
    // What changes paints its own piece of the panel's green (lamps and readouts): the panel
    // behind it is then not painted again first.
    lamp->setAutoFillBackground(true);
    return lamp;
}

int meterPixels(int units)
{
    return qRound(units * meterScale);
}

} // namespace

DisplayPanel::DisplayPanel(Pacer &pacer, QWidget *parent)
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
        Lamp *lamp = newLamp(indexed("lblBank", bank), QStringLiteral("Bank%1").arg(bank), this);
        lamp->setAccessibleDescription(QStringLiteral("Bank %1 lamp").arg(bank));
        lamp->setToolTip(QStringLiteral("The channel shown is in memory bank %1").arg(bank));
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
        Lamp *lamp = newLamp(indexed("lblMode", i), QLatin1String(modeCaptions[i]), this);
        lamp->setFont(lampFont);
        lamp->setAccessibleDescription(
                QStringLiteral("%1 mode lamp").arg(QLatin1String(modeCaptions[i])));
        lamp->setToolTip(QStringLiteral("Mode: %1").arg(QLatin1String(modeNames[i])));
        lamps->addWidget(lamp);
        m_lblMode[i] = lamp;
    }
    lamps->addStretch(1);
    m_lblATT = newLamp(QStringLiteral("lblATT"), QStringLiteral("ATT"), this);
    m_lblATT->setAccessibleDescription(QStringLiteral("Attenuator lamp"));
    m_lblPass = newLamp(QStringLiteral("lblPass"), QStringLiteral("PASS"), this);
    m_lblPass->setAccessibleDescription(QStringLiteral("Channel lockout lamp"));
    m_lblATT->setToolTip(QStringLiteral("Attenuator on: strong signals are weakened"));
    m_lblPass->setToolTip(QStringLiteral("The channel shown is locked out: scanning passes it by"));
    for (Lamp *lamp : {m_lblATT, m_lblPass}) {
        lamp->setFont(lampFont);
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
    m_lblChannel = new Readout(QStringLiteral("lblChannel"), QStringLiteral("00"), this);
    m_lblChannel->setFont(readoutFont);
    m_lblChannel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Both readouts keep one size whatever they show: a new text then repaints the readout
    // alone instead of laying out the whole window again on every channel scanned.
    m_lblChannel->setFixedSize(readoutMetrics.horizontalAdvance(QStringLiteral("888")),
                               m_lblChannel->sizeHint().height());
    m_lblChannel->setAccessibleDescription(QStringLiteral("Channel display"));
    readout->addWidget(m_lblChannel);
    readout->addSpacing(12);
    m_lblFrequency = new Readout(QStringLiteral("lblFrequency"), QStringLiteral("0.0000"), this);
    m_lblFrequency->setFont(readoutFont);
    m_lblFrequency->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Long descriptions and long keypad entries are cut rather than widening the window.
    m_lblFrequency->setFixedSize(readoutMetrics.horizontalAdvance(QStringLiteral("8888888888888")),
                                 m_lblFrequency->sizeHint().height());
    m_lblFrequency->setAccessibleDescription(QStringLiteral("Frequency display"));
    readout->addStretch(1);
    readout->addWidget(m_lblFrequency);
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
        // A bar is a lamp without a caption, painted in the text colour.
        Lamp *bar = newLamp(indexed("shpSquelch", i), QString(), this);
        const int width = i <= 5 ? narrowBar : wideBar;
        const int height = i <= 3 ? shortBar : (i <= 8 ? mediumBar : tallBar);
        bar->setFixedSize(meterPixels(width), meterPixels(height));
        QPalette barPalette = bar->palette();
        barPalette.setColor(QPalette::WindowText, barColour);
        bar->setPalette(barPalette);
        bar->setAccessibleDescription(QStringLiteral("S-meter bar %1").arg(i));
        bar->setToolTip(QStringLiteral("Signal strength"));
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

    // Everything is lit until the window first clears the display.
    m_channel = m_lblChannel->text();
    m_frequency = m_lblFrequency->text();
    m_lit = m_shownLit = (1U << lampCount) - 1;
    m_pacer = std::make_unique<PacedFlush>(pacer, [this] { showNow(); });
}

DisplayPanel::~DisplayPanel() = default;

QString DisplayPanel::frequencyText() const
{
    return m_frequency;
}

void DisplayPanel::setFrequencyText(const QString &text)
{
    if (text == m_frequency)
        return;
    m_frequency = text;
    scheduleShow();
}

QString DisplayPanel::channelText() const
{
    return m_channel;
}

void DisplayPanel::setChannelText(const QString &text)
{
    if (text == m_channel)
        return;
    m_channel = text;
    scheduleShow();
}

void DisplayPanel::showBank(int bank)
{
    for (int i = 0; i < 4; ++i)
        setLit(i, i + 1 == bank);
}

bool DisplayPanel::modeLit(int index) const
{
    return index >= 0 && index < 6 && isLit(modeLamp + index);
}

void DisplayPanel::setModeLit(int index, bool lit)
{
    if (index >= 0 && index < 6)
        setLit(modeLamp + index, lit);
}

bool DisplayPanel::attenuatorLit() const
{
    return isLit(attLamp);
}

void DisplayPanel::setAttenuatorLit(bool lit)
{
    setLit(attLamp, lit);
}

void DisplayPanel::setPassLit(bool lit)
{
    setLit(passLamp, lit);
}

bool DisplayPanel::signalBarLit(int index) const
{
    return index >= 0 && index <= 10 && isLit(barLamp + index);
}

void DisplayPanel::setSignalBarLit(int index, bool lit)
{
    if (index >= 0 && index <= 10)
        setLit(barLamp + index, lit);
}

void DisplayPanel::clear()
{
    m_channel = QStringLiteral("--");
    m_frequency = QStringLiteral("----.----");
    m_lit = 0;
    scheduleShow();
}

void DisplayPanel::setLit(int lamp, bool lit)
{
    const quint32 bit = 1U << lamp;
    const quint32 wanted = lit ? (m_lit | bit) : (m_lit & ~bit);
    if (wanted == m_lit)
        return;
    m_lit = wanted;
    scheduleShow();
}

Lamp *DisplayPanel::lampWidget(int lamp) const
{
    if (lamp < modeLamp)
        return m_lblBank[lamp];
    if (lamp < attLamp)
        return m_lblMode[lamp - modeLamp];
    if (lamp == attLamp)
        return m_lblATT;
    if (lamp == passLamp)
        return m_lblPass;
    return m_shpSquelch[lamp - barLamp];
}

void DisplayPanel::scheduleShow()
{
    m_pacer->request();
}

void DisplayPanel::showPending()
{
    m_pacer->flushNow();
}

void DisplayPanel::paintEvent(QPaintEvent *event)
{
    // A readout or lamp that changed repaints the panel behind it, well inside the border: the
    // border would be drawn only to be clipped away.
    if (!contentsRect().contains(event->rect()))
        QFrame::paintEvent(event);
}

void DisplayPanel::showNow()
{
    m_lblFrequency->showText(m_frequency);
    m_lblChannel->showText(m_channel);
    const quint32 changed = m_lit ^ m_shownLit;
    for (int lamp = 0; lamp < lampCount; ++lamp) {
        if ((changed >> lamp) & 1U)
            lampWidget(lamp)->setLit(isLit(lamp));
    }
    m_shownLit = m_lit;
}

} // namespace ze
