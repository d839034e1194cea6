#include "ui/MainWindow.h"

#include "core/Frequency.h"
#include "core/Station.h"
#include "scan/ControlLoop.h"
#include "scan/StartUp.h"
#include "scan/StationEngine.h"
#include "storage/BankFile.h"
#include "storage/BankName.h"
#include "storage/Lockouts.h"
#include "ui/AboutWindow.h"
#include "ui/BankEditor.h"
#include "ui/Controls.h"
#include "ui/DisplayPanel.h"
#include "ui/HitsWindow.h"
#include "ui/LogViewer.h"
#include "ui/OptionsWindow.h"
#include "ui/RangeEditor.h"
#include "ui/SpectrumArea.h"
#include "ui/StatisticsWindow.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QTextDocument>

namespace ze {

namespace {

constexpr qint64 progressPaintMs = 100;

} // namespace

MainWindow::MainWindow(StationEngine &engine, RigServer &rigServer, QWidget *parent)
    : QMainWindow(parent)
    , m_engine(engine)
    , m_station(engine.station())
    , m_rigServer(rigServer)
    , m_dialogs(this, m_station.workingDirectory().path())
{
    Station &station = m_station;
    m_ui.setupUi(this, station);

    m_channelItems = std::make_unique<ComboItemList>(m_ui.lstKanaalLijst);
    m_rangeItems = std::make_unique<ComboItemList>(m_ui.cmbRangeLijst);
    m_bankEditor = new EditBank(station, this);
    m_rangeEditor = new EditRange(station, this);

    connectHandlers();
    connectKeys();
    m_station.attach({m_ui.display, this, m_ui.spectrumArea, this, &m_dialogs, this});
}

MainWindow::~MainWindow()
{
    if (m_station.hasViews() && &m_station.shell() == this)
        m_station.detach();
}

void MainWindow::connectHandlers()
{
    for (int index = 0; index < 16; ++index)
        connect(m_ui.cmdDigits[index], &QPushButton::clicked, this,
                [this, index] { m_station.commands().pressKey(index); });
    connect(m_ui.cmdChannelDown, &QPushButton::clicked, this,
            [this] { m_station.commands().stepChannel(-1); });
    connect(m_ui.cmdChannelUp, &QPushButton::clicked, this,
            [this] { m_station.commands().stepChannel(1); });
    connect(m_ui.cmdFrequencyDown, &QPushButton::clicked, this,
            [this] { m_station.commands().stepFrequency(false); });
    connect(m_ui.cmdFrequencyUp, &QPushButton::clicked, this,
            [this] { m_station.commands().stepFrequency(true); });
    connect(m_ui.cmdScanBanks, &QPushButton::clicked, this,
            [this] { m_station.commands().scanBanks(); });
    connect(m_ui.cmdSearchScan, &QPushButton::clicked, this, &MainWindow::scanRange);
    connect(m_ui.cmdSearchEdit, &QPushButton::clicked, this, &MainWindow::editRanges);
    connect(m_ui.cmdEditBanks, &QPushButton::clicked, this,
            [this] { m_bankEditor->Initialiseren(); });
    connect(m_ui.cmdViewLogfile, &QPushButton::clicked, this, &MainWindow::openLogViewer);
    connect(m_ui.mnuSetting, &QAction::triggered, this, &MainWindow::openOptions);
    connect(m_ui.mnuInfo, &QAction::triggered, this, &MainWindow::openAbout);
    connect(m_ui.actHits, &QAction::triggered, this, [this] { openHits(); });
    connect(m_ui.actStatistics, &QAction::triggered, this, [this] { openStatistics(); });
    // The spectrum and the waterfall in a window of their own, and back when it closes.
    connect(m_ui.actSpectrum, &QAction::triggered, m_ui.spectrumArea,
            [this](bool own) { own ? m_ui.spectrumArea->detach() : m_ui.spectrumArea->attach(); });
    connect(m_ui.spectrumArea, &SpectrumArea::detachedChanged, m_ui.actSpectrum,
            &QAction::setChecked);
    // Only the operator's picks react; the program's own fills and selections do not.
    connect(m_ui.lstKanaalLijst, &QComboBox::activated, this, &MainWindow::channelPicked);
    connect(m_ui.cmbBankenLijst, &QComboBox::activated, this, &MainWindow::bankPicked);
    connect(m_ui.cmbRangeLijst, &QComboBox::activated, this, &MainWindow::rangePicked);
    for (QCheckBox *tick : m_ui.chkScan)
        connect(tick, &QCheckBox::clicked, this,
                [this] { FillChannelList(m_station, mainChannelList()); });
}

void MainWindow::connectKeys()
{
    // The menus from the keyboard: their letters with Alt, and F10 for the first of them.
    auto *menus = new QShortcut(QKeySequence(Qt::Key_F10), this);
    menus->setContext(Qt::WindowShortcut);
    connect(menus, &QShortcut::activated, this, [this] {
        QMenuBar *bar = menuBar();
        bar->setFocus(Qt::MenuBarFocusReason);
        bar->setActiveAction(bar->actions().value(0));
    });
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    // Only keys the focused control of this window had no use for come here; another window's
    // never do, and a popup keeps its Escape.
    QWidget *focused = focusWidget();
    const bool typing = qobject_cast<QLineEdit *>(focused) || qobject_cast<QComboBox *>(focused)
            || qobject_cast<QAbstractItemView *>(focused)
            || qobject_cast<QAbstractSpinBox *>(focused);
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        returnPressed();
        return;
    }
    // L while a search holds on a signal: that frequency is locked out and the search goes on.
    const ProgramState &state = m_station.state();
    if (key == Qt::Key_L && !typing && event->modifiers() == Qt::NoModifier
        && state.operatingMode == ModeSearching && state.holdStart != 0) {
        if (addLockout(m_station, hzFromFrequencyText(state.searchFrequency)))
            m_station.commands().passOver();
        return;
    }
    // The keyboard's digits and point press the keypad's keys, Escape its "Clear", unless a
    // list, a box or a text field has the focus: those keep what is typed in them.
    int index = -1;
    if (key == Qt::Key_Escape)
        index = KeyClear;
    else if (key == Qt::Key_Period
             || (key == Qt::Key_Comma && (event->modifiers() & Qt::KeypadModifier)))
        index = KeyPoint; // the numeric keypad's decimal key gives a comma in some languages
    else if (key >= Qt::Key_1 && key <= Qt::Key_9)
        index = key - Qt::Key_1;
    else if (key == Qt::Key_0)
        index = 9;
    if (index < 0 || typing
        || (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) != Qt::NoModifier) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    m_ui.cmdDigits[index]->click();
}

// ---- Handlers ----

void MainWindow::scanRange()
{
    if (m_ui.cmbRangeLijst->currentIndex() >= 0)
        m_station.commands().searchRange();
}

void MainWindow::editRanges()
{
    m_station.commands().stop();
    m_rangeEditor->Initialiseren();
}

void MainWindow::channelPicked(int index)
{
    if (index < 0)
        return;
    const int value = m_ui.lstKanaalLijst->itemData(index).toInt();
    m_station.commands().pickChannel(value / 100, value - 100 * (value / 100));
}

void MainWindow::bankPicked(int index)
{
    (void)index;
    PickBankFile(m_station, m_ui.cmbBankenLijst->currentText(), mainChannelList());
}

void MainWindow::rangePicked(int index)
{
    if (index < 0)
        return;
    m_ui.spectrumArea->clear();
    m_station.state().currentRange
            = static_cast<qint16>(m_ui.cmbRangeLijst->itemData(index).toInt());
}

void MainWindow::returnPressed()
{
    // Return presses the button that has the focus, and the range "Scan" button otherwise.
    auto *focused = qobject_cast<QPushButton *>(focusWidget());
    if (focused && focused->isEnabled() && focused->isVisible()) {
        focused->click();
        return;
    }
    m_ui.cmdSearchScan->click();
}

bool MainWindow::hasDataFiles() const
{
    const QDir dir = m_station.workingDirectory();
    return !listBankNames(dir.path()).isEmpty()
            || QFileInfo(dir.filePath(QStringLiteral("range.rng"))).isFile();
}

void MainWindow::showFirstStartHint(bool up)
{
    if (!up) {
        if (m_dataFilesWatch) {
            m_dataFilesWatch->deleteLater();
            m_dataFilesWatch = nullptr;
        }
        showNotice(NoticeSource::FirstStart, QString());
        return;
    }
    if (m_dataFilesWatch)
        return; // already up: put up again it would cover a newer notice
    const QString where = QDir::toNativeSeparators(m_station.workingDirectory().absolutePath());
    showNotice(NoticeSource::FirstStart,
               QStringLiteral("No banks or ranges yet: bank \"Edit\" › \"New bank\", range "
                              "\"Edit\" › \"New\". Their files go in \"%1\".")
                       .arg(where));
    // A bank or range file saved from an editor, or put there by hand, takes the hint down.
    m_dataFilesWatch = new QFileSystemWatcher({m_station.workingDirectory().absolutePath()}, this);
    connect(m_dataFilesWatch, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (hasDataFiles())
            showFirstStartHint(false);
    });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_station.shutDownDone())
        ShutDown(m_station);
    for (QWidget *window : std::initializer_list<QWidget *> {
                 m_bankEditor, m_rangeEditor, m_options.data(), m_logViewer.data(), m_hits.data(),
                 m_statistics.data(), m_ui.spectrumArea->ownWindow()}) {
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

void MainWindow::startDemo(const QString &demo)
{
    if (demo == QLatin1String("scan")) {
        m_ui.cmdScanBanks->click();
    } else if (demo == QLatin1String("search")) {
        if (m_ui.cmbRangeLijst->currentIndex() < 0 && m_ui.cmbRangeLijst->count() > 0) {
            {
                const QSignalBlocker blocker(m_ui.cmbRangeLijst);
                m_ui.cmbRangeLijst->setCurrentIndex(0);
            }
            rangePicked(0);
        }
        m_ui.chkSpectrum->setChecked(true);
        m_ui.cmdSearchScan->click();
    }
}

void MainWindow::openOptions()
{
    if (!m_options)
        m_options = new OptionsWindow(m_station, m_engine.serialPort(), m_rigServer, m_recorder,
                                      this);
    bringUp(m_options);
}

void MainWindow::openLogViewer()
{
    if (!m_logViewer)
        m_logViewer = new LogViewer(m_station, &m_engine.hitStore(), this);
    bringUp(m_logViewer);
}

HitsWindow &MainWindow::openHits()
{
    if (!m_hits)
        m_hits = new HitsWindow(m_station, m_engine.hitRecorder(), m_recorder, this);
    bringUp(m_hits);
    return *m_hits;
}

StatisticsWindow &MainWindow::openStatistics()
{
    if (!m_statistics)
        m_statistics = new StatisticsWindow(m_engine.hitStore(), this);
    bringUp(m_statistics);
    return *m_statistics;
}

void MainWindow::openAbout()
{
    if (!m_about)
        m_about = new AboutWindow(this);
    bringUp(m_about);
}

// ---- OperatorChoices ----

Display &MainWindow::display() const
{
    return *m_ui.display;
}

bool MainWindow::showsFrequency() const
{
    return m_ui.optDisplay[0]->isChecked();
}

int MainWindow::squelchValue() const
{
    return m_ui.hscrSquelch->value();
}

int MainWindow::stepValue() const
{
    const int index = m_ui.cmbFrequencyStepSize->currentIndex();
    return index >= 0 ? m_ui.cmbFrequencyStepSize->itemData(index).toInt() : 0;
}

bool MainWindow::writeToLogfile() const
{
    return m_ui.chkSchrijfInLogFile->isChecked();
}

bool MainWindow::spectrumTicked() const
{
    return m_ui.chkSpectrum->isChecked();
}

QString MainWindow::delayText() const
{
    return m_ui.cmbDelay->currentText();
}

bool MainWindow::bankTicked(int bank) const
{
    return bank >= 1 && bank <= 4 && m_ui.chkScan[bank - 1]->isChecked();
}

// ---- StatusPanel ----

void MainWindow::showStatus(const QString &text)
{
    m_ui.statusPanel->setText(text);
}

QString MainWindow::statusText() const
{
    return m_ui.statusPanel->text();
}

void MainWindow::showPortState(const QString &text)
{
    m_ui.portPanel->setText(text);
}

void MainWindow::showNetworkState(const QString &text)
{
    m_ui.networkPanel->setText(text);
    m_ui.networkPanel->setVisible(!text.isEmpty());
}

void MainWindow::showRate(const QString &text)
{
    // A label of fixed size takes a new figure without laying the status bar out again, which
    // repaints all of it: the size grows when a figure needs more room, and never shrinks.
    QLabel *rate = m_ui.ratePanel;
    rate->setText(text);
    const QSize wanted = rate->sizeHint();
    if (!text.isEmpty()
        && (wanted.width() > rate->minimumWidth() || wanted.height() != rate->minimumHeight()
            || rate->maximumWidth() != rate->minimumWidth()))
        rate->setFixedSize(qMax(wanted.width(), rate->minimumWidth()), wanted.height());
    rate->setVisible(!text.isEmpty());
}

void MainWindow::showNotice(NoticeSource source, const QString &text)
{
    const QString shown = m_notices.set(source, text);
    m_ui.noticePanel->setText(shown);
    // A long notice is cut at the window's edge: the whole of it shows on hovering, as text.
    m_ui.noticePanel->setToolTip(
            shown.isEmpty() ? QString() : Qt::convertFromPlainText(shown, Qt::WhiteSpaceNormal));
}

void MainWindow::showProgress(const QString &text)
{
    showStatus(text);
    // The transfer keeps the loop away: paint, but take no input meanwhile. Ten times a second
    // shows it moving; painting every channel's line would hold the line up.
    if (m_progressPainted.isValid() && m_progressPainted.elapsed() < progressPaintMs)
        return;
    m_progressPainted.start();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// ---- StationShell ----

void MainWindow::fillStepList(const QVector<QPair<QString, int>> &entries)
{
    const QSignalBlocker blocker(m_ui.cmbFrequencyStepSize);
    m_ui.cmbFrequencyStepSize->clear();
    for (const auto &entry : entries)
        m_ui.cmbFrequencyStepSize->addItem(entry.first, entry.second);
    m_ui.cmbFrequencyStepSize->setCurrentIndex(-1);
}

void MainWindow::setStepIndex(int index)
{
    const QSignalBlocker blocker(m_ui.cmbFrequencyStepSize);
    m_ui.cmbFrequencyStepSize->setCurrentIndex(
            index >= 0 && index < m_ui.cmbFrequencyStepSize->count() ? index : -1);
}

int MainWindow::stepIndex() const
{
    return m_ui.cmbFrequencyStepSize->currentIndex();
}

void MainWindow::setDelayText(const QString &text)
{
    const QSignalBlocker blocker(m_ui.cmbDelay);
    m_ui.cmbDelay->setEditText(text);
}

void MainWindow::fillDelayList(const QStringList &entries)
{
    const QSignalBlocker blocker(m_ui.cmbDelay);
    const QString text = m_ui.cmbDelay->currentText();
    m_ui.cmbDelay->clear();
    m_ui.cmbDelay->addItems(entries);
    m_ui.cmbDelay->setCurrentIndex(-1);
    m_ui.cmbDelay->setEditText(text);
}

void MainWindow::setDisplayOption(int index)
{
    if (index >= 0 && index < 2)
        m_ui.optDisplay[index]->setChecked(true);
}

int MainWindow::displayOption() const
{
    return m_ui.optDisplay[0]->isChecked() ? 0 : 1;
}

void MainWindow::setSquelch(int value)
{
    m_ui.hscrSquelch->setValue(value);
}

int MainWindow::squelch() const
{
    return m_ui.hscrSquelch->value();
}

void MainWindow::setBankNames(const QStringList &names)
{
    for (QComboBox *list : {m_ui.cmbBankenLijst, m_bankEditor->bankList()}) {
        const QSignalBlocker blocker(list);
        list->clear();
        list->addItems(names);
        list->setCurrentIndex(-1);
    }
    // Each start lists the bank files before it tells anything else, so a notice of a problem
    // goes up over the hint.
    showFirstStartHint(names.isEmpty() && !hasDataFiles());
}

QString MainWindow::mainBankText() const
{
    return m_ui.cmbBankenLijst->currentText();
}

bool MainWindow::pickMainBank(const QString &text)
{
    const int index = m_ui.cmbBankenLijst->findText(text, Qt::MatchExactly);
    if (index < 0)
        return false;
    {
        const QSignalBlocker blocker(m_ui.cmbBankenLijst);
        m_ui.cmbBankenLijst->setCurrentIndex(index);
    }
    bankPicked(index);
    return true;
}

void MainWindow::selectFirstBank()
{
    const QSignalBlocker blocker(m_ui.cmbBankenLijst);
    if (m_ui.cmbBankenLijst->count() > 0)
        m_ui.cmbBankenLijst->setCurrentIndex(0);
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
    m_ui.display->clear();
}

void MainWindow::showMainWindow()
{
    show();
    raise();
    activateWindow();
}

void MainWindow::reportStartupError(const QString &text)
{
    m_dialogs.reportError(text);
}

} // namespace ze
