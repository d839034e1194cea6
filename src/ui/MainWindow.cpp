#include "ui/MainWindow.h"

#include "ui/Controls.h"

#include "core/ControlLoop.h"
#include "core/Station.h"
#include "receiver/Tuning.h"
#include "storage/BankFile.h"
#include "ui/SecondaryWindows.h"
#include "ui/SpectrumView.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

namespace ze {

namespace {

const QColor panelGreen(0, 192, 0);
const QColor barColour(0, 0, 0);
const QColor markerColour(128, 0, 0);
const QColor levelColour(15, 0, 0);
const QSize spectrumPixels(320, 100);

// The S-meter's bars in panel units (narrow and wide, short, medium and tall); scaled to pixels
// they keep their proportions at a size that reads well.
constexpr double meterScale = 0.12;
constexpr int narrowBar = 75;
constexpr int wideBar = 135;
constexpr int shortBar = 135;
constexpr int mediumBar = 195;
constexpr int tallBar = 255;

const char *const modeCaptions[6] = {"NFM", "WFM", "AM", "LSB", "USB", "CW"};

// The display's digits: the system's fixed-pitch font.
QFont terminalFont(qreal points, bool bold)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Arial and "MS Sans Serif": a plain sans-serif face.
QFont sansFont(qreal points, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
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

QFrame *newFrame(const char *name, QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

int meterPixels(int units)
{
    return qRound(units * meterScale);
}

} // namespace

MainWindow::MainWindow(Station &station, QWidget *parent)
    : QMainWindow(parent)
    , m_station(station)
{
    setObjectName(QStringLiteral("frmTerminal"));
    setWindowTitle(QStringLiteral("ZE-3000r"));

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto *grid = new QGridLayout(central);

    auto *title = newLabel(QStringLiteral("Label2"),
                           QStringLiteral("Tunewright ZE-3000R Communications Receiver"), central);
    title->setFont(sansFont(9.75, true));
    title->setAlignment(Qt::AlignCenter);
    grid->addWidget(title, 0, 0, 1, 2);

    auto *left = new QVBoxLayout;
    left->addWidget(buildDisplayPanel());
    auto *optionsRow = new QHBoxLayout;
    optionsRow->addWidget(buildDisplayOptionFrame());
    optionsRow->addWidget(buildDelayFrame(), 1);
    left->addLayout(optionsRow);
    auto *keypadRow = new QHBoxLayout;
    keypadRow->addWidget(buildSquelchFrame());
    keypadRow->addWidget(buildKeypadFrame(), 1);
    left->addLayout(keypadRow, 1);
    left->addWidget(buildChannelStepFrame());
    grid->addLayout(left, 1, 0);

    auto *right = new QVBoxLayout;
    right->addWidget(buildBanksFrame());
    right->addWidget(buildRangeFrame(), 1);
    right->addWidget(buildFrequencyStepFrame());
    grid->addLayout(right, 1, 1);

    // The log frame and the empty frame beside it share the bottom row.
    grid->addWidget(buildLogFrame(), 2, 0);
    auto *emptyFrame = newFrame("fraEmpty", central);
    grid->addWidget(emptyFrame, 2, 1);
    grid->setRowStretch(1, 1);
    setCentralWidget(central);

    buildMenus();
    buildStatusBar();

    m_channelItems = std::make_unique<ComboItemList>(m_lstKanaalLijst);
    m_rangeItems = std::make_unique<ComboItemList>(m_cmbRangeLijst);
    m_bankEditor = new EditBank(*this, this);
    m_rangeEditor = new EditRange(*this, this);

    connectHandlers();
    m_station.attach(this);
}

MainWindow::~MainWindow()
{
    if (m_station.hasShell() && &m_station.shell() == this)
        m_station.attach(nullptr);
}

QFrame *MainWindow::buildDisplayPanel()
{
    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("Shape1"));
    m_panel->setAccessibleName(QStringLiteral("Receiver display"));
    m_panel->setFrameShape(QFrame::Panel);
    m_panel->setFrameShadow(QFrame::Sunken);
    m_panel->setAutoFillBackground(true);
    QPalette palette = m_panel->palette();
    palette.setColor(QPalette::Window, panelGreen);
    palette.setColor(QPalette::WindowText, Qt::black);
    m_panel->setPalette(palette);

    const QFont lampFont = terminalFont(8, true);
    auto *outer = new QHBoxLayout(m_panel);
    outer->setContentsMargins(8, 6, 8, 6);

    auto *banks = new QVBoxLayout;
    banks->setSpacing(0);
    for (int bank = 1; bank <= 4; ++bank) {
        QLabel *lamp
                = newLabel(indexed("lblBank", bank), QStringLiteral("Bank%1").arg(bank), m_panel);
        lamp->setAccessibleDescription(QStringLiteral("Bank %1 lamp").arg(bank));
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
        QLabel *lamp = newLabel(indexed("lblMode", i), QLatin1String(modeCaptions[i]), m_panel);
        lamp->setFont(lampFont);
        lamp->setAccessibleDescription(
                QStringLiteral("%1 mode lamp").arg(QLatin1String(modeCaptions[i])));
        retainSpace(lamp);
        lamps->addWidget(lamp);
        m_lblMode[i] = lamp;
    }
    lamps->addStretch(1);
    m_lblATT = newLabel(QStringLiteral("lblATT"), QStringLiteral("ATT"), m_panel);
    m_lblATT->setAccessibleDescription(QStringLiteral("Attenuator lamp"));
    m_lblPass = newLabel(QStringLiteral("lblPass"), QStringLiteral("PASS"), m_panel);
    m_lblPass->setAccessibleDescription(QStringLiteral("Channel lockout lamp"));
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
    QLabel *memoryLegend = newLabel(indexed("lblDivers", 0), QStringLiteral("M"), m_panel);
    memoryLegend->setFont(lampFont);
    readout->addWidget(memoryLegend, 0, Qt::AlignBottom);
    m_lblChannel = newLabel(QStringLiteral("lblChannel"), QStringLiteral("00"), m_panel);
    m_lblChannel->setFont(readoutFont);
    m_lblChannel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_lblChannel->setMinimumWidth(readoutMetrics.horizontalAdvance(QStringLiteral("888")));
    m_lblChannel->setAccessibleDescription(QStringLiteral("Channel display"));
    readout->addWidget(m_lblChannel);
    readout->addSpacing(12);
    m_lblFrequency = newLabel(QStringLiteral("lblFrequency"), QStringLiteral("0.0000"), m_panel);
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
                                  i == 1 ? QStringLiteral("kHz") : QStringLiteral("mHz"), m_panel);
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
        auto *bar = new QFrame(m_panel);
        bar->setObjectName(indexed("shpSquelch", i));
        const int width = i <= 5 ? narrowBar : wideBar;
        const int height = i <= 3 ? shortBar : (i <= 8 ? mediumBar : tallBar);
        bar->setFixedSize(meterPixels(width), meterPixels(height));
        bar->setAutoFillBackground(true);
        QPalette barPalette = bar->palette();
        barPalette.setColor(QPalette::Window, barColour);
        bar->setPalette(barPalette);
        bar->setAccessibleDescription(QStringLiteral("S-meter bar %1").arg(i));
        retainSpace(bar);
        bars->addWidget(bar, 0, Qt::AlignBottom);
        m_shpSquelch[i] = bar;
    }
    bars->addStretch(1);
    meter->addLayout(bars);
    QLabel *scale
            = newLabel(QStringLiteral("Label1"), QStringLiteral("1 3 5 7 9 +10 +20"), m_panel);
    scale->setFont(terminalFont(7, false));
    scale->setAccessibleDescription(QStringLiteral("S-meter scale"));
    meter->addWidget(scale);
    centre->addLayout(meter);

    outer->addLayout(centre, 1);
    return m_panel;
}

QFrame *MainWindow::buildDisplayOptionFrame()
{
    QFrame *frame = newFrame("fraDisplay", this);
    auto *layout = new QVBoxLayout(frame);
    const char *captions[2] = {"Frequency", "Description"};
    for (int i = 0; i < 2; ++i) {
        auto *option = new QRadioButton(QLatin1String(captions[i]), frame);
        option->setObjectName(indexed("optDisplay", i));
        option->setAccessibleName(QStringLiteral("Display ")
                                  + QString::fromLatin1(captions[i]).toLower());
        layout->addWidget(option);
        m_optDisplay[i] = option;
    }
    m_optDisplay[0]->setChecked(true);
    return frame;
}

QFrame *MainWindow::buildDelayFrame()
{
    QFrame *frame = newFrame("fraDelay", this);
    auto *layout = new QVBoxLayout(frame);
    QLabel *label = newLabel(QStringLiteral("Label5"), QStringLiteral("Delay"), frame);
    m_cmbDelay = new QComboBox(frame);
    m_cmbDelay->setObjectName(QStringLiteral("cmbDelay"));
    m_cmbDelay->setEditable(true);
    // Typing a text must not add it to the list.
    m_cmbDelay->setInsertPolicy(QComboBox::NoInsert);
    m_cmbDelay->setAccessibleName(QStringLiteral("Delay after a signal"));
    label->setBuddy(m_cmbDelay);
    layout->addWidget(label);
    layout->addWidget(m_cmbDelay);
    layout->addStretch(1);
    return frame;
}

QFrame *MainWindow::buildSquelchFrame()
{
    QFrame *frame = newFrame("fraSquelch", this);
    auto *layout = new QVBoxLayout(frame);
    QLabel *label = newLabel(QStringLiteral("Label4"), QStringLiteral("Squelch"), frame);
    m_hscrSquelch = new QSlider(Qt::Vertical, frame);
    m_hscrSquelch->setObjectName(QStringLiteral("hscrSquelch"));
    m_hscrSquelch->setRange(0, 12);
    m_hscrSquelch->setPageStep(1);
    // Position 0 is at the top, as on the receiver: the higher the slider, the stronger the
    // signal it takes to open.
    m_hscrSquelch->setInvertedAppearance(true);
    m_hscrSquelch->setInvertedControls(true);
    m_hscrSquelch->setTickPosition(QSlider::TicksRight);
    m_hscrSquelch->setAccessibleName(QStringLiteral("Squelch"));
    label->setBuddy(m_hscrSquelch);
    layout->addWidget(label, 0, Qt::AlignHCenter);
    layout->addWidget(m_hscrSquelch, 1, Qt::AlignHCenter);
    return frame;
}

QFrame *MainWindow::buildKeypadFrame()
{
    QFrame *frame = newFrame("fraKeypad", this);
    auto *grid = new QGridLayout(frame);
    grid->setSpacing(4);
    const QFont keyFont = sansFont(9.75, true);
    // Keys in reading order: each row starts with its function key.
    const int layout[4][4] = {{12, 0, 1, 2}, {13, 3, 4, 5}, {14, 6, 7, 8}, {15, 9, 10, 11}};
    for (int index = 0; index < 16; ++index) {
        QString caption;
        QString accessible;
        if (index <= 8) {
            caption = QString::number(index + 1);
            accessible = QStringLiteral("Keypad ") + caption;
        } else if (index == 9) {
            caption = QStringLiteral("0");
            accessible = QStringLiteral("Keypad 0");
        } else {
            static const char *const names[6][2] = {
                    {".", "Keypad point"},     {"Enter", "Keypad Enter"},
                    {"Mode", "Keypad Mode"},   {"ATT", "Keypad attenuator"},
                    {"Store", "Keypad Store"}, {"Clear", "Keypad Clear"},
            };
            caption = QLatin1String(names[index - 10][0]);
            accessible = QLatin1String(names[index - 10][1]);
        }
        QPushButton *key = newButton(indexed("cmdDigits", index), caption, accessible, frame);
        key->setFont(keyFont);
        key->setAutoDefault(false);
        key->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        m_cmdDigits[index] = key;
    }
    const int digitWidth = QFontMetrics(keyFont).horizontalAdvance(QStringLiteral("Enter")) + 16;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            QPushButton *key = m_cmdDigits[layout[row][column]];
            key->setMinimumWidth(column == 0 ? digitWidth * 3 / 2 : digitWidth);
            grid->addWidget(key, row, column);
        }
    }
    grid->setColumnStretch(0, 3);
    for (int column = 1; column < 4; ++column)
        grid->setColumnStretch(column, 2);
    return frame;
}

QFrame *MainWindow::buildChannelStepFrame()
{
    QFrame *frame = newFrame("fraChannelStep", this);
    auto *layout = new QHBoxLayout(frame);
    const QFont font = sansFont(8.25, true);
    m_cmdChannelDown
            = newButton(QStringLiteral("cmdChannelDown"), QStringLiteral("<< Channel down"),
                        QStringLiteral("Channel down"), frame);
    m_cmdChannelUp = newButton(QStringLiteral("cmdChannelUp"), QStringLiteral("Channel up  >>"),
                               QStringLiteral("Channel up"), frame);
    for (QPushButton *button : {m_cmdChannelDown, m_cmdChannelUp}) {
        button->setFont(font);
        layout->addWidget(button);
    }
    return frame;
}

QFrame *MainWindow::buildLogFrame()
{
    QFrame *frame = newFrame("fraLog", this);
    auto *layout = new QHBoxLayout(frame);
    m_chkSchrijfInLogFile = new QCheckBox(QStringLiteral("Write to logfile"), frame);
    m_chkSchrijfInLogFile->setObjectName(QStringLiteral("chkSchrijfInLogFile"));
    m_chkSchrijfInLogFile->setAccessibleName(QStringLiteral("Write to logfile"));
    m_cmdViewLogfile = newButton(QStringLiteral("cmdViewLogfile"), QStringLiteral("View logfile"),
                                 QStringLiteral("View logfile"), frame);
    layout->addWidget(m_chkSchrijfInLogFile);
    layout->addStretch(1);
    layout->addWidget(m_cmdViewLogfile);
    return frame;
}

QFrame *MainWindow::buildBanksFrame()
{
    QFrame *frame = newFrame("fraBanks", this);
    auto *layout = new QGridLayout(frame);
    const QFont captionFont = sansFont(8.25, false);
    QLabel *banksLabel = newLabel(QStringLiteral("Label3"), QStringLiteral("Banks"), frame);
    banksLabel->setFont(captionFont);
    m_cmbBankenLijst = new QComboBox(frame);
    m_cmbBankenLijst->setObjectName(QStringLiteral("cmbBankenLijst"));
    m_cmbBankenLijst->setAccessibleName(QStringLiteral("Bank file"));
    m_cmbBankenLijst->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cmbBankenLijst->setMinimumContentsLength(12);
    banksLabel->setBuddy(m_cmbBankenLijst);
    QLabel *channelsLabel = newLabel(QStringLiteral("Label6"), QStringLiteral("Channels"), frame);
    channelsLabel->setFont(captionFont);
    m_lstKanaalLijst = new QComboBox(frame);
    m_lstKanaalLijst->setObjectName(QStringLiteral("lstKanaalLijst"));
    m_lstKanaalLijst->setAccessibleName(QStringLiteral("Channels"));
    m_lstKanaalLijst->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_lstKanaalLijst->setMinimumContentsLength(24);
    channelsLabel->setBuddy(m_lstKanaalLijst);

    layout->addWidget(banksLabel, 0, 0);
    layout->addWidget(m_cmbBankenLijst, 0, 1);
    layout->addWidget(channelsLabel, 1, 0);
    layout->addWidget(m_lstKanaalLijst, 1, 1);

    auto *ticks = new QHBoxLayout;
    for (int bank = 1; bank <= 4; ++bank) {
        auto *tick = new QCheckBox(QStringLiteral("Bank%1").arg(bank), frame);
        tick->setObjectName(indexed("chkScan", bank));
        tick->setAccessibleName(QStringLiteral("Bank %1 listed and scanned").arg(bank));
        tick->setChecked(true);
        ticks->addWidget(tick);
        m_chkScan[bank - 1] = tick;
    }
    ticks->addStretch(1);
    m_cmdScanBanks = newButton(QStringLiteral("cmdScanBanks"), QStringLiteral("Scan"),
                               QStringLiteral("Scan banks"), frame);
    m_cmdEditBanks = newButton(QStringLiteral("cmdEditBanks"), QStringLiteral("Edit"),
                               QStringLiteral("Edit banks"), frame);
    ticks->addWidget(m_cmdScanBanks);
    ticks->addWidget(m_cmdEditBanks);
    layout->addLayout(ticks, 2, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    return frame;
}

QFrame *MainWindow::buildRangeFrame()
{
    QFrame *frame = newFrame("fraRange", this);
    auto *layout = new QVBoxLayout(frame);
    m_cmbRangeLijst = new QComboBox(frame);
    m_cmbRangeLijst->setObjectName(QStringLiteral("cmbRangeLijst"));
    m_cmbRangeLijst->setAccessibleName(QStringLiteral("Search range"));
    m_cmbRangeLijst->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cmbRangeLijst->setMinimumContentsLength(16);
    layout->addWidget(m_cmbRangeLijst);

    auto *row = new QHBoxLayout;
    m_chkSpectrum = new QCheckBox(QStringLiteral("Spectrum"), frame);
    m_chkSpectrum->setObjectName(QStringLiteral("chkSpectrum"));
    m_chkSpectrum->setAccessibleName(QStringLiteral("Plot the spectrum"));
    m_cmdSearchScan = newButton(QStringLiteral("cmdSearchScan"), QStringLiteral("Scan"),
                                QStringLiteral("Scan range"), frame);
    m_cmdSearchScan->setDefault(true);
    m_cmdSearchEdit = newButton(QStringLiteral("cmdSearchEdit"), QStringLiteral("Edit"),
                                QStringLiteral("Edit ranges"), frame);
    row->addWidget(m_chkSpectrum);
    row->addStretch(1);
    row->addWidget(m_cmdSearchScan);
    row->addWidget(m_cmdSearchEdit);
    layout->addLayout(row);

    m_picSpectrum = new SpectrumView(spectrumPixels, frame);
    m_picSpectrum->setObjectName(QStringLiteral("picSpectrum"));
    m_picSpectrum->setAccessibleName(QStringLiteral("Spectrum plot"));
    auto *border = new QFrame(frame);
    border->setObjectName(QStringLiteral("fraSpectrumBorder"));
    border->setFrameShape(QFrame::Panel);
    border->setFrameShadow(QFrame::Sunken);
    auto *borderLayout = new QVBoxLayout(border);
    borderLayout->setContentsMargins(border->frameWidth(), border->frameWidth(),
                                     border->frameWidth(), border->frameWidth());
    borderLayout->addWidget(m_picSpectrum);
    layout->addWidget(border, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return frame;
}

QFrame *MainWindow::buildFrequencyStepFrame()
{
    QFrame *frame = newFrame("fraFrequencyStep", this);
    auto *layout = new QGridLayout(frame);
    QLabel *label = newLabel(QStringLiteral("Label7"), QStringLiteral("Stepsize"), frame);
    m_cmbFrequencyStepSize = new QComboBox(frame);
    m_cmbFrequencyStepSize->setObjectName(QStringLiteral("cmbFrequencyStepSize"));
    m_cmbFrequencyStepSize->setAccessibleName(QStringLiteral("Frequency step size"));
    label->setBuddy(m_cmbFrequencyStepSize);
    const QFont font = sansFont(8.25, true);
    m_cmdFrequencyDown
            = newButton(QStringLiteral("cmdFrequencyDown"), QStringLiteral("<< Frequency down"),
                        QStringLiteral("Frequency down"), frame);
    m_cmdFrequencyUp
            = newButton(QStringLiteral("cmdFrequencyUp"), QStringLiteral("Frequency up  >>"),
                        QStringLiteral("Frequency up"), frame);
    m_cmdFrequencyDown->setFont(font);
    m_cmdFrequencyUp->setFont(font);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_cmbFrequencyStepSize, 0, 1);
    layout->addWidget(m_cmdFrequencyDown, 1, 0);
    layout->addWidget(m_cmdFrequencyUp, 1, 1);
    return frame;
}

void MainWindow::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    m_statusPanel = newLabel(QStringLiteral("StatusBar1Panel1"), QStringLiteral("ZE3000r"), bar);
    m_statusPanel->setAccessibleDescription(QStringLiteral("Operating mode"));
    m_statusPanel->setMinimumWidth(
            m_statusPanel->fontMetrics().horizontalAdvance(QStringLiteral("Scanning range with "
                                                                          "spectrum"))
            + 8);
    m_noticePanel = newLabel(QStringLiteral("StatusBar1Notice"), QString(), bar);
    m_noticePanel->setAccessibleDescription(QStringLiteral("Notice"));
    m_noticePanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_portPanel = newLabel(QStringLiteral("StatusBar1Port"), QString(), bar);
    m_portPanel->setAccessibleDescription(QStringLiteral("Serial port"));
    bar->addWidget(m_statusPanel);
    bar->addWidget(m_noticePanel, 1);
    bar->addPermanentWidget(m_portPanel);
}

void MainWindow::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));
    m_mnuSetting = bar->addAction(QStringLiteral("Setting"));
    m_mnuSetting->setObjectName(QStringLiteral("mnuSetting"));
    m_mnuInfo = bar->addAction(QStringLiteral("Info"));
    m_mnuInfo->setObjectName(QStringLiteral("mnuInfo"));
}

void MainWindow::connectHandlers()
{
    for (int index = 0; index < 16; ++index)
        connect(m_cmdDigits[index], &QPushButton::clicked, this,
                [this, index] { keypadPressed(index); });
    connect(m_cmdChannelDown, &QPushButton::clicked, this, [this] { stepChannel(-1); });
    connect(m_cmdChannelUp, &QPushButton::clicked, this, [this] { stepChannel(1); });
    connect(m_cmdFrequencyDown, &QPushButton::clicked, this,
            [this] { stepFrequency(QStringLiteral("DOWN")); });
    connect(m_cmdFrequencyUp, &QPushButton::clicked, this,
            [this] { stepFrequency(QStringLiteral("UP")); });
    connect(m_cmdScanBanks, &QPushButton::clicked, this, &MainWindow::scanBanks);
    connect(m_cmdSearchScan, &QPushButton::clicked, this, &MainWindow::scanRange);
    connect(m_cmdSearchEdit, &QPushButton::clicked, this, &MainWindow::editRanges);
    connect(m_cmdEditBanks, &QPushButton::clicked, this, &MainWindow::editBanks);
    connect(m_cmdViewLogfile, &QPushButton::clicked, this, &MainWindow::openLogViewer);
    connect(m_mnuSetting, &QAction::triggered, this, &MainWindow::openOptions);
    connect(m_mnuInfo, &QAction::triggered, this, &MainWindow::openAbout);
    // Only the operator's picks react; the program's own fills and selections do not.
    connect(m_lstKanaalLijst, &QComboBox::activated, this, &MainWindow::channelPicked);
    connect(m_cmbBankenLijst, &QComboBox::activated, this, &MainWindow::bankPicked);
    connect(m_cmbRangeLijst, &QComboBox::activated, this, &MainWindow::rangePicked);
    for (QCheckBox *tick : m_chkScan)
        connect(tick, &QCheckBox::clicked, this, &MainWindow::bankTickClicked);

    // Return presses the range "Scan" button unless another push button has the focus.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &MainWindow::returnPressed);
    }
}

// ---- Handlers ----

int MainWindow::lastLitMode() const
{
    int last = 0;
    for (int i = 0; i < 6; ++i) {
        if (!m_lblMode[i]->isHidden())
            last = i;
    }
    return last;
}

void MainWindow::keypadPressed(int index)
{
    ProgramState &state = m_station.state();
    QString text = m_lblFrequency->text();
    if (text.contains(QLatin1Char('-')) || state.operatingMode != ModeDirect)
        text.clear();
    // Direct mode without SelectMode: bank, channel and hold stay where they were.
    state.operatingMode = ModeDirect;

    if (index <= 8) {
        text += QString::number(index + 1);
    } else if (index == 9) {
        text += QLatin1Char('0');
    } else if (index == 10) {
        if (!text.contains(QLatin1Char('.')))
            text += QLatin1Char('.');
    } else if (index == 11) {
        const QString command = text.trimmed()
                + (attenuatorLit() ? QLatin1Char('R') : QLatin1Char('T'))
                + modeLetters.at(lastLitMode());
        m_station.Exchange(command);
    } else if (index == 12) {
        const int next = (lastLitMode() + 1) % 6;
        for (QLabel *lamp : m_lblMode)
            lamp->hide();
        m_lblMode[next]->show();
    } else if (index == 13) {
        setAttenuatorLit(!attenuatorLit());
    } else if (index == 15) {
        text.clear();
    }
    m_lblFrequency->setText(text);
}

void MainWindow::stepChannel(int delta)
{
    ProgramState &state = m_station.state();
    state.savedChannel = static_cast<qint16>(state.currentChannel + delta);
    m_station.SelectMode(ModeManualStart);
    state.currentChannel = state.savedChannel;
    m_station.WrapChannel();
}

void MainWindow::stepFrequency(const QString &direction)
{
    m_station.SelectMode(ModeDirect);
    StepFrequency(m_station, direction);
}

void MainWindow::scanBanks()
{
    ProgramState &state = m_station.state();
    state.savedChannel = state.currentChannel;
    m_station.SelectMode(ModeScanStart);
    state.currentChannel = state.savedChannel;
}

void MainWindow::scanRange()
{
    if (m_cmbRangeLijst->currentIndex() >= 0)
        m_station.SelectMode(ModeSearchStart);
}

void MainWindow::editRanges()
{
    m_station.SelectMode(ModeIdle);
    m_rangeEditor->Initialiseren();
}

void MainWindow::editBanks()
{
    m_bankEditor->Initialiseren();
}

void MainWindow::channelPicked(int index)
{
    if (index < 0)
        return;
    ProgramState &state = m_station.state();
    const int value = m_lstKanaalLijst->itemData(index).toInt();
    m_station.SelectMode(ModeManualStart);
    state.currentBank = static_cast<qint16>(value / 100);
    state.currentChannel = static_cast<qint16>(value - 100 * state.currentBank);
}

void MainWindow::bankPicked(int index)
{
    (void)index;
    PickBankFile(m_station, m_cmbBankenLijst->currentText(), mainChannelList());
}

void MainWindow::bankTickClicked()
{
    FillChannelList(m_station, mainChannelList());
}

void MainWindow::rangePicked(int index)
{
    if (index < 0)
        return;
    clearSpectrum();
    m_station.state().currentRange = static_cast<qint16>(m_cmbRangeLijst->itemData(index).toInt());
}

void MainWindow::returnPressed()
{
    // Return presses the button that has the focus, and the range "Scan" button otherwise.
    auto *focused = qobject_cast<QPushButton *>(focusWidget());
    if (focused && focused->isEnabled() && focused->isVisible()) {
        focused->click();
        return;
    }
    m_cmdSearchScan->click();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_station.shutDownDone())
        m_station.ShutDown();
    for (QWidget *window : std::initializer_list<QWidget *> {
                 m_bankEditor, m_rangeEditor, m_options.data(), m_logViewer.data()}) {
        if (window)
            window->hide();
    }
    if (m_about)
        m_about->close();
    if (m_loop)
        m_loop->stop();
    event->accept();
}

// ---- Other windows ----

QString MainWindow::bankListText() const
{
    return m_cmbBankenLijst->currentText();
}

bool MainWindow::pickBank(const QString &text)
{
    const int index = m_cmbBankenLijst->findText(text, Qt::MatchExactly);
    if (index < 0)
        return false;
    {
        const QSignalBlocker blocker(m_cmbBankenLijst);
        m_cmbBankenLijst->setCurrentIndex(index);
    }
    bankPicked(index);
    return true;
}

void MainWindow::startDemo(const QString &demo)
{
    if (demo == QLatin1String("scan")) {
        m_cmdScanBanks->click();
    } else if (demo == QLatin1String("search")) {
        if (m_cmbRangeLijst->currentIndex() < 0 && m_cmbRangeLijst->count() > 0) {
            {
                const QSignalBlocker blocker(m_cmbRangeLijst);
                m_cmbRangeLijst->setCurrentIndex(0);
            }
            rangePicked(0);
        }
        m_chkSpectrum->setChecked(true);
        m_cmdSearchScan->click();
    }
}

void MainWindow::openOptions()
{
    if (!m_options)
        m_options = new OptionsWindow(*this, this);
    bringUp(m_options);
}

void MainWindow::openLogViewer()
{
    if (!m_logViewer)
        m_logViewer = new LogViewer(*this, this);
    bringUp(m_logViewer);
}

void MainWindow::openAbout()
{
    if (!m_about)
        m_about = new AboutWindow(this);
    bringUp(m_about);
}

void MainWindow::showMessage(const QString &title, const QString &text, QMessageBox::Icon icon)
{
    if (m_messageSink) {
        m_messageSink(title, text);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, this);
    box.exec();
}

// ---- FrontPanel ----

QString MainWindow::frequencyText() const
{
    return m_lblFrequency->text();
}

void MainWindow::setFrequencyText(const QString &text)
{
    m_lblFrequency->setText(text);
}

QString MainWindow::channelText() const
{
    return m_lblChannel->text();
}

void MainWindow::setChannelText(const QString &text)
{
    m_lblChannel->setText(text);
}

void MainWindow::showBank(int bank)
{
    for (int i = 0; i < 4; ++i)
        m_lblBank[i]->setHidden(i + 1 != bank);
}

bool MainWindow::modeLit(int index) const
{
    return index >= 0 && index < 6 && !m_lblMode[index]->isHidden();
}

void MainWindow::setModeLit(int index, bool lit)
{
    if (index >= 0 && index < 6)
        m_lblMode[index]->setHidden(!lit);
}

bool MainWindow::attenuatorLit() const
{
    return !m_lblATT->isHidden();
}

void MainWindow::setAttenuatorLit(bool lit)
{
    m_lblATT->setHidden(!lit);
}

void MainWindow::setPassLit(bool lit)
{
    m_lblPass->setHidden(!lit);
}

bool MainWindow::signalBarLit(int index) const
{
    return index >= 0 && index <= 10 && !m_shpSquelch[index]->isHidden();
}

void MainWindow::setSignalBarLit(int index, bool lit)
{
    if (index >= 0 && index <= 10)
        m_shpSquelch[index]->setHidden(!lit);
}

void MainWindow::showStatus(const QString &text)
{
    m_statusPanel->setText(text);
}

QString MainWindow::statusText() const
{
    return m_statusPanel->text();
}

bool MainWindow::showsFrequency() const
{
    return m_optDisplay[0]->isChecked();
}

int MainWindow::squelchValue() const
{
    return m_hscrSquelch->value();
}

int MainWindow::stepValue() const
{
    const int index = m_cmbFrequencyStepSize->currentIndex();
    return index >= 0 ? m_cmbFrequencyStepSize->itemData(index).toInt() : 0;
}

bool MainWindow::writeToLogfile() const
{
    return m_chkSchrijfInLogFile->isChecked();
}

bool MainWindow::spectrumTicked() const
{
    return m_chkSpectrum->isChecked();
}

QString MainWindow::delayText() const
{
    return m_cmbDelay->currentText();
}

bool MainWindow::bankTicked(int bank) const
{
    return bank >= 1 && bank <= 4 && m_chkScan[bank - 1]->isChecked();
}

QSize MainWindow::spectrumSize() const
{
    return m_picSpectrum->logicalSize();
}

void MainWindow::drawSpectrumLine(int x, int y1, int y2, SpectrumPen pen)
{
    QColor colour;
    switch (pen) {
    case SpectrumPen::Marker:
        colour = markerColour;
        break;
    case SpectrumPen::Erase:
        colour = m_picSpectrum->background();
        break;
    case SpectrumPen::Level:
        colour = levelColour;
        break;
    }
    m_picSpectrum->drawLine(x, y1, y2, colour);
}

void MainWindow::clearSpectrum()
{
    m_picSpectrum->clear();
}

void MainWindow::showPortState(const QString &text)
{
    m_portPanel->setText(text);
}

void MainWindow::showNotice(const QString &text)
{
    m_noticePanel->setText(text);
}

void MainWindow::reportError(const QString &text)
{
    showMessage(QStringLiteral("ZE3000r"), text, QMessageBox::Warning);
}

// ---- StationShell ----

void MainWindow::fillStepList(const QVector<QPair<QString, int>> &entries)
{
    const QSignalBlocker blocker(m_cmbFrequencyStepSize);
    m_cmbFrequencyStepSize->clear();
    for (const auto &entry : entries)
        m_cmbFrequencyStepSize->addItem(entry.first, entry.second);
    m_cmbFrequencyStepSize->setCurrentIndex(-1);
}

void MainWindow::setStepIndex(int index)
{
    const QSignalBlocker blocker(m_cmbFrequencyStepSize);
    m_cmbFrequencyStepSize->setCurrentIndex(
            index >= 0 && index < m_cmbFrequencyStepSize->count() ? index : -1);
}

int MainWindow::stepIndex() const
{
    return m_cmbFrequencyStepSize->currentIndex();
}

void MainWindow::setDelayText(const QString &text)
{
    const QSignalBlocker blocker(m_cmbDelay);
    m_cmbDelay->setEditText(text);
}

void MainWindow::fillDelayList(const QStringList &entries)
{
    const QSignalBlocker blocker(m_cmbDelay);
    const QString text = m_cmbDelay->currentText();
    m_cmbDelay->clear();
    m_cmbDelay->addItems(entries);
    m_cmbDelay->setCurrentIndex(-1);
    m_cmbDelay->setEditText(text);
}

void MainWindow::setDisplayOption(int index)
{
    if (index >= 0 && index < 2)
        m_optDisplay[index]->setChecked(true);
}

int MainWindow::displayOption() const
{
    return m_optDisplay[0]->isChecked() ? 0 : 1;
}

void MainWindow::setSquelch(int value)
{
    m_hscrSquelch->setValue(value);
}

int MainWindow::squelch() const
{
    return m_hscrSquelch->value();
}

void MainWindow::setBankNames(const QStringList &names)
{
    for (QComboBox *list : {m_cmbBankenLijst, m_bankEditor->bankList()}) {
        const QSignalBlocker blocker(list);
        list->clear();
        list->addItems(names);
        list->setCurrentIndex(-1);
    }
}

void MainWindow::selectFirstBank()
{
    const QSignalBlocker blocker(m_cmbBankenLijst);
    if (m_cmbBankenLijst->count() > 0)
        m_cmbBankenLijst->setCurrentIndex(0);
}

ItemList &MainWindow::editorChannelList()
{
    return m_bankEditor->channelItems();
}

ItemList &MainWindow::editorRangeList()
{
    return m_rangeEditor->rangeItems();
}

void MainWindow::clearDisplay()
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

void MainWindow::showMainWindow()
{
    show();
    raise();
    activateWindow();
}

void MainWindow::reportStartupError(const QString &text)
{
    showMessage(QStringLiteral("ZE3000r"), text, QMessageBox::Warning);
}

} // namespace ze
