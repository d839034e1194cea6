#include "ui/MainWindowUi.h"

#include "ui/Controls.h"
#include "ui/DisplayPanel.h"
#include "ui/Pacer.h"
#include "ui/SpectrumArea.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

namespace ze {

namespace {

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

QFrame *newFrame(const char *name, QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

} // namespace

void MainWindowUi::setupUi(QMainWindow *window, Station &station)
{
    window->setObjectName(QStringLiteral("frmTerminal"));
    window->setWindowTitle(QStringLiteral("ZE-3000r"));
    pacer = new Pacer(window);

    auto *central = new QWidget(window);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto *grid = new QGridLayout(central);

    auto *title = newLabel(QStringLiteral("Label2"),
                           QStringLiteral("Tunewright ZE-3000R Communications Receiver"), central);
    title->setFont(sansFont(9.75, true));
    title->setAlignment(Qt::AlignCenter);
    grid->addWidget(title, 0, 0, 1, 2);

    auto *left = new QVBoxLayout;
    display = new DisplayPanel(*pacer, window);
    left->addWidget(display);
    auto *optionsRow = new QHBoxLayout;
    optionsRow->addWidget(buildDisplayOptionFrame(window));
    optionsRow->addWidget(buildDelayFrame(window), 1);
    left->addLayout(optionsRow);
    auto *keypadRow = new QHBoxLayout;
    keypadRow->addWidget(buildSquelchFrame(window));
    keypadRow->addWidget(buildKeypadFrame(window), 1);
    left->addLayout(keypadRow);
    left->addWidget(buildChannelStepFrame(window));
    // A larger window gives the panel, keypad and lists nothing: the room goes to the spectrum.
    left->addStretch(1);
    grid->addLayout(left, 1, 0);

    auto *right = new QVBoxLayout;
    right->addWidget(buildBanksFrame(window));
    right->addWidget(buildRangeFrame(window, station), 1);
    right->addWidget(buildFrequencyStepFrame(window));
    grid->addLayout(right, 1, 1);

    // The log frame and the empty frame beside it share the bottom row.
    grid->addWidget(buildLogFrame(window), 2, 0);
    auto *emptyFrame = newFrame("fraEmpty", central);
    grid->addWidget(emptyFrame, 2, 1);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);
    window->setCentralWidget(central);

    buildMenus(window);
    buildStatusBar(window);
}

QFrame *MainWindowUi::buildDisplayOptionFrame(QWidget *window)
{
    QFrame *frame = newFrame("fraDisplay", window);
    auto *layout = new QVBoxLayout(frame);
    const char *captions[2] = {"Frequency", "Description"};
    for (int i = 0; i < 2; ++i) {
        auto *option = new QRadioButton(QLatin1String(captions[i]), frame);
        option->setObjectName(indexed("optDisplay", i));
        option->setAccessibleName(QStringLiteral("Display ")
                                  + QString::fromLatin1(captions[i]).toLower());
        layout->addWidget(option);
        optDisplay[i] = option;
    }
    optDisplay[0]->setChecked(true);
    return frame;
}

QFrame *MainWindowUi::buildDelayFrame(QWidget *window)
{
    QFrame *frame = newFrame("fraDelay", window);
    auto *layout = new QVBoxLayout(frame);
    QLabel *label = newLabel(QStringLiteral("Label5"), QStringLiteral("Delay"), frame);
    cmbDelay = new QComboBox(frame);
    cmbDelay->setObjectName(QStringLiteral("cmbDelay"));
    cmbDelay->setEditable(true);
    // Typing a text must not add it to the list.
    cmbDelay->setInsertPolicy(QComboBox::NoInsert);
    cmbDelay->setAccessibleName(QStringLiteral("Delay after a signal"));
    label->setBuddy(cmbDelay);
    layout->addWidget(label);
    layout->addWidget(cmbDelay);
    layout->addStretch(1);
    return frame;
}

QFrame *MainWindowUi::buildSquelchFrame(QWidget *window)
{
    QFrame *frame = newFrame("fraSquelch", window);
    auto *layout = new QVBoxLayout(frame);
    QLabel *label = newLabel(QStringLiteral("Label4"), QStringLiteral("Squelch"), frame);
    hscrSquelch = new QSlider(Qt::Vertical, frame);
    hscrSquelch->setObjectName(QStringLiteral("hscrSquelch"));
    hscrSquelch->setRange(0, 12);
    hscrSquelch->setPageStep(1);
    // Position 0 is at the top, as on the receiver: the higher the slider, the stronger the
    // signal it takes to open.
    hscrSquelch->setInvertedAppearance(true);
    hscrSquelch->setInvertedControls(true);
    hscrSquelch->setTickPosition(QSlider::TicksRight);
    hscrSquelch->setAccessibleName(QStringLiteral("Squelch"));
    label->setBuddy(hscrSquelch);
    layout->addWidget(label, 0, Qt::AlignHCenter);
    layout->addWidget(hscrSquelch, 1, Qt::AlignHCenter);
    return frame;
}

QFrame *MainWindowUi::buildKeypadFrame(QWidget *window)
{
    QFrame *frame = newFrame("fraKeypad", window);
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
        cmdDigits[index] = key;
    }
    cmdDigits[12]->setToolTip(QStringLiteral("Next mode (NFM, WFM, AM, LSB, USB, CW) for the "
                                             "frequency typed; Enter tunes it"));
    cmdDigits[13]->setToolTip(QStringLiteral("Attenuator on or off for the frequency typed; "
                                             "Enter tunes it"));
    cmdDigits[14]->setToolTip(QStringLiteral("Switches to typing a frequency (scanning stops); "
                                             "it stores nothing"));
    cmdDigits[15]->setToolTip(QStringLiteral("Empties the frequency typed (Esc); digits and the "
                                             "point can be typed on the keyboard"));
    const int digitWidth = QFontMetrics(keyFont).horizontalAdvance(QStringLiteral("Enter")) + 16;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            QPushButton *key = cmdDigits[layout[row][column]];
            key->setMinimumWidth(column == 0 ? digitWidth * 3 / 2 : digitWidth);
            grid->addWidget(key, row, column);
        }
    }
    grid->setColumnStretch(0, 3);
    for (int column = 1; column < 4; ++column)
        grid->setColumnStretch(column, 2);
    return frame;
}

QFrame *MainWindowUi::buildChannelStepFrame(QWidget *window)
{
    QFrame *frame = newFrame("fraChannelStep", window);
    auto *layout = new QHBoxLayout(frame);
    const QFont font = sansFont(8.25, true);
    cmdChannelDown = newButton(QStringLiteral("cmdChannelDown"), QStringLiteral("<< Channel down"),
                               QStringLiteral("Channel down"), frame);
    cmdChannelUp = newButton(QStringLiteral("cmdChannelUp"), QStringLiteral("Channel up  >>"),
                             QStringLiteral("Channel up"), frame);
    for (QPushButton *button : {cmdChannelDown, cmdChannelUp}) {
        button->setFont(font);
        layout->addWidget(button);
    }
    return frame;
}

QFrame *MainWindowUi::buildLogFrame(QWidget *window)
{
    QFrame *frame = newFrame("fraLog", window);
    auto *layout = new QHBoxLayout(frame);
    chkSchrijfInLogFile = new QCheckBox(QStringLiteral("Write to logfile"), frame);
    chkSchrijfInLogFile->setObjectName(QStringLiteral("chkSchrijfInLogFile"));
    chkSchrijfInLogFile->setAccessibleName(QStringLiteral("Write to logfile"));
    cmdViewLogfile = newButton(QStringLiteral("cmdViewLogfile"), QStringLiteral("View logfile"),
                               QStringLiteral("View logfile"), frame);
    layout->addWidget(chkSchrijfInLogFile);
    layout->addStretch(1);
    layout->addWidget(cmdViewLogfile);
    return frame;
}

QFrame *MainWindowUi::buildBanksFrame(QWidget *window)
{
    QFrame *frame = newFrame("fraBanks", window);
    auto *layout = new QGridLayout(frame);
    const QFont captionFont = sansFont(8.25, false);
    QLabel *banksLabel = newLabel(QStringLiteral("Label3"), QStringLiteral("Banks"), frame);
    banksLabel->setFont(captionFont);
    cmbBankenLijst = new QComboBox(frame);
    cmbBankenLijst->setObjectName(QStringLiteral("cmbBankenLijst"));
    cmbBankenLijst->setAccessibleName(QStringLiteral("Bank file"));
    cmbBankenLijst->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbBankenLijst->setMinimumContentsLength(12);
    banksLabel->setBuddy(cmbBankenLijst);
    QLabel *channelsLabel = newLabel(QStringLiteral("Label6"), QStringLiteral("Channels"), frame);
    channelsLabel->setFont(captionFont);
    lstKanaalLijst = new QComboBox(frame);
    lstKanaalLijst->setObjectName(QStringLiteral("lstKanaalLijst"));
    lstKanaalLijst->setAccessibleName(QStringLiteral("Channels"));
    lstKanaalLijst->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lstKanaalLijst->setMinimumContentsLength(24);
    channelsLabel->setBuddy(lstKanaalLijst);

    layout->addWidget(banksLabel, 0, 0);
    layout->addWidget(cmbBankenLijst, 0, 1);
    layout->addWidget(channelsLabel, 1, 0);
    layout->addWidget(lstKanaalLijst, 1, 1);

    auto *ticks = new QHBoxLayout;
    for (int bank = 1; bank <= 4; ++bank) {
        auto *tick = new QCheckBox(QStringLiteral("Bank%1").arg(bank), frame);
        tick->setObjectName(indexed("chkScan", bank));
        tick->setAccessibleName(QStringLiteral("Bank %1 listed and scanned").arg(bank));
        tick->setChecked(true);
        ticks->addWidget(tick);
        chkScan[bank - 1] = tick;
    }
    ticks->addStretch(1);
    cmdScanBanks = newButton(QStringLiteral("cmdScanBanks"), QStringLiteral("Scan"),
                             QStringLiteral("Scan banks"), frame);
    cmdEditBanks = newButton(QStringLiteral("cmdEditBanks"), QStringLiteral("Edit"),
                             QStringLiteral("Edit banks"), frame);
    cmdScanBanks->setToolTip(QStringLiteral("Scans the channels of the ticked banks, stopping "
                                            "while a signal is heard"));
    cmdEditBanks->setToolTip(QStringLiteral("Opens the bank editor: new bank files, channels, "
                                            "copies to and from the receiver's memory"));
    ticks->addWidget(cmdScanBanks);
    ticks->addWidget(cmdEditBanks);
    layout->addLayout(ticks, 2, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    return frame;
}

QFrame *MainWindowUi::buildRangeFrame(QWidget *window, Station &station)
{
    QFrame *frame = newFrame("fraRange", window);
    auto *layout = new QVBoxLayout(frame);
    cmbRangeLijst = new QComboBox(frame);
    cmbRangeLijst->setObjectName(QStringLiteral("cmbRangeLijst"));
    cmbRangeLijst->setAccessibleName(QStringLiteral("Search range"));
    cmbRangeLijst->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbRangeLijst->setMinimumContentsLength(16);
    layout->addWidget(cmbRangeLijst);

    auto *row = new QHBoxLayout;
    chkSpectrum = new QCheckBox(QStringLiteral("Spectrum"), frame);
    chkSpectrum->setObjectName(QStringLiteral("chkSpectrum"));
    chkSpectrum->setAccessibleName(QStringLiteral("Plot the spectrum"));
    cmdSearchScan = newButton(QStringLiteral("cmdSearchScan"), QStringLiteral("Scan"),
                              QStringLiteral("Scan range"), frame);
    cmdSearchScan->setDefault(true);
    cmdSearchEdit = newButton(QStringLiteral("cmdSearchEdit"), QStringLiteral("Edit"),
                              QStringLiteral("Edit ranges"), frame);
    chkSpectrum->setToolTip(QStringLiteral("Draws the signal level of every step below while "
                                           "the range is searched, and the waterfall of the "
                                           "sweeps (of the channels, while banks are scanned)"));
    cmdSearchScan->setToolTip(QStringLiteral("Searches the chosen range step by step, stopping "
                                             "while a signal is heard (Return)"));
    cmdSearchEdit->setToolTip(QStringLiteral("Opens the range editor: new, changed and deleted "
                                             "search ranges"));
    spectrumArea = new SpectrumArea(station, *pacer, frame);
    row->addWidget(chkSpectrum);
    row->addWidget(spectrumArea->peakTick());
    row->addWidget(spectrumArea->averageTick());
    row->addStretch(1);
    row->addWidget(cmdSearchScan);
    row->addWidget(cmdSearchEdit);
    layout->addLayout(row);

    picSpectrum = spectrumArea->plotView();
    layout->addWidget(spectrumArea, 1);
    return frame;
}

QFrame *MainWindowUi::buildFrequencyStepFrame(QWidget *window)
{
    QFrame *frame = newFrame("fraFrequencyStep", window);
    auto *layout = new QGridLayout(frame);
    QLabel *label = newLabel(QStringLiteral("Label7"), QStringLiteral("Stepsize"), frame);
    cmbFrequencyStepSize = new QComboBox(frame);
    cmbFrequencyStepSize->setObjectName(QStringLiteral("cmbFrequencyStepSize"));
    cmbFrequencyStepSize->setAccessibleName(QStringLiteral("Frequency step size"));
    label->setBuddy(cmbFrequencyStepSize);
    const QFont font = sansFont(8.25, true);
    cmdFrequencyDown
            = newButton(QStringLiteral("cmdFrequencyDown"), QStringLiteral("<< Frequency down"),
                        QStringLiteral("Frequency down"), frame);
    cmdFrequencyUp = newButton(QStringLiteral("cmdFrequencyUp"), QStringLiteral("Frequency up  >>"),
                               QStringLiteral("Frequency up"), frame);
    cmdFrequencyDown->setFont(font);
    cmdFrequencyUp->setFont(font);
    layout->addWidget(label, 0, 0);
    layout->addWidget(cmbFrequencyStepSize, 0, 1);
    layout->addWidget(cmdFrequencyDown, 1, 0);
    layout->addWidget(cmdFrequencyUp, 1, 1);
    return frame;
}

void MainWindowUi::buildStatusBar(QMainWindow *window)
{
    QStatusBar *bar = window->statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    statusPanel = newLabel(QStringLiteral("StatusBar1Panel1"), QStringLiteral("ZE3000r"), bar);
    statusPanel->setAccessibleDescription(QStringLiteral("Operating mode"));
    statusPanel->setMinimumWidth(
            statusPanel->fontMetrics().horizontalAdvance(QStringLiteral("Scanning range with "
                                                                        "spectrum"))
            + 8);
    noticePanel = newLabel(QStringLiteral("StatusBar1Notice"), QString(), bar);
    noticePanel->setAccessibleDescription(QStringLiteral("Notice"));
    noticePanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    portPanel = newLabel(QStringLiteral("StatusBar1Port"), QString(), bar);
    portPanel->setAccessibleDescription(QStringLiteral("Serial port"));
    networkPanel = newLabel(QStringLiteral("StatusBar1Network"), QString(), bar);
    networkPanel->setAccessibleDescription(QStringLiteral("Network clients"));
    networkPanel->hide();
    ratePanel = newLabel(QStringLiteral("StatusBar1Rate"), QString(), bar);
    ratePanel->setAccessibleDescription(QStringLiteral("Scanning rate"));
    ratePanel->hide();
    bar->addWidget(statusPanel);
    bar->addWidget(noticePanel, 1);
    bar->addPermanentWidget(ratePanel);
    bar->addPermanentWidget(networkPanel);
    bar->addPermanentWidget(portPanel);
}

void MainWindowUi::buildMenus(QMainWindow *window)
{
    QMenuBar *bar = window->menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));
    mnuSetting = bar->addAction(QStringLiteral("&Setting"));
    mnuSetting->setObjectName(QStringLiteral("mnuSetting"));
    mnuView = bar->addMenu(QStringLiteral("&View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    actHits = mnuView->addAction(QStringLiteral("&Hits"));
    actHits->setObjectName(QStringLiteral("actHits"));
    actHits->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    actStatistics = mnuView->addAction(QStringLiteral("&Statistics"));
    actStatistics->setObjectName(QStringLiteral("actStatistics"));
    actSpectrum = mnuView->addAction(QStringLiteral("S&pectrum window"));
    actSpectrum->setObjectName(QStringLiteral("actSpectrum"));
    actSpectrum->setCheckable(true);
    mnuInfo = bar->addAction(QStringLiteral("&Info"));
    mnuInfo->setObjectName(QStringLiteral("mnuInfo"));
}

} // namespace ze
