#include "ui/MainWindow.h"

#include "ui/Controls.h"

#include "core/ControlLoop.h"
#include "core/Station.h"
#include "receiver/Tuning.h"
#include "storage/BankFile.h"
#include "storage/BankName.h"
#include "ui/AboutWindow.h"
#include "ui/BankEditor.h"
#include "ui/DisplayPanel.h"
#include "ui/LogViewer.h"
#include "ui/OptionsWindow.h"
#include "ui/RangeEditor.h"
#include "ui/SpectrumView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QTextDocument>

namespace ze {

namespace {

const QColor markerColour(128, 0, 0);
const QColor levelColour(15, 0, 0);

} // namespace

MainWindow::MainWindow(Station &station, QWidget *parent)
    : QMainWindow(parent)
    , m_station(station)
{
    m_ui.setupUi(this);

    m_channelItems = std::make_unique<ComboItemList>(m_ui.lstKanaalLijst);
    m_rangeItems = std::make_unique<ComboItemList>(m_ui.cmbRangeLijst);
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

void MainWindow::connectHandlers()
{
    for (int index = 0; index < 16; ++index)
        connect(m_ui.cmdDigits[index], &QPushButton::clicked, this,
                [this, index] { keypadPressed(index); });
    connect(m_ui.cmdChannelDown, &QPushButton::clicked, this, [this] { stepChannel(-1); });
    connect(m_ui.cmdChannelUp, &QPushButton::clicked, this, [this] { stepChannel(1); });
    connect(m_ui.cmdFrequencyDown, &QPushButton::clicked, this,
            [this] { stepFrequency(QStringLiteral("DOWN")); });
    connect(m_ui.cmdFrequencyUp, &QPushButton::clicked, this,
            [this] { stepFrequency(QStringLiteral("UP")); });
    connect(m_ui.cmdScanBanks, &QPushButton::clicked, this, &MainWindow::scanBanks);
    connect(m_ui.cmdSearchScan, &QPushButton::clicked, this, &MainWindow::scanRange);
    connect(m_ui.cmdSearchEdit, &QPushButton::clicked, this, &MainWindow::editRanges);
    connect(m_ui.cmdEditBanks, &QPushButton::clicked, this, &MainWindow::editBanks);
    connect(m_ui.cmdViewLogfile, &QPushButton::clicked, this, &MainWindow::openLogViewer);
    connect(m_ui.mnuSetting, &QAction::triggered, this, &MainWindow::openOptions);
    connect(m_ui.mnuInfo, &QAction::triggered, this, &MainWindow::openAbout);
    // Only the operator's picks react; the program's own fills and selections do not.
    connect(m_ui.lstKanaalLijst, &QComboBox::activated, this, &MainWindow::channelPicked);
    connect(m_ui.cmbBankenLijst, &QComboBox::activated, this, &MainWindow::bankPicked);
    connect(m_ui.cmbRangeLijst, &QComboBox::activated, this, &MainWindow::rangePicked);
    for (QCheckBox *tick : m_ui.chkScan)
        connect(tick, &QCheckBox::clicked, this, &MainWindow::bankTickClicked);

    // Return presses the range "Scan" button unless another push button has the focus.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &MainWindow::returnPressed);
    }
    // Digits and the point typed on the keyboard press the keypad's keys, Escape its "Clear".
    // A text field takes its typed characters before any shortcut, so the delay box still types.
    QList<std::pair<QKeySequence, int>> keys {
            {Qt::Key_Escape, 15},
            // The numeric keypad's decimal key gives a comma in some languages.
            {Qt::KeypadModifier | Qt::Key_Comma, 10}};
    for (int index = 0; index <= 10; ++index)
        keys.append({QKeySequence(QStringLiteral("1234567890.").at(index)), index});
    for (const auto &[key, index] : keys) {
        auto *shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, index = index] { keyTyped(index); });
    }
}

// ---- Handlers ----

void MainWindow::keypadPressed(int index)
{
    ProgramState &state = m_station.state();
    DisplayPanel &display = *m_ui.display;
    QString text = display.frequencyText();
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
                + (display.attenuatorLit() ? QLatin1Char('R') : QLatin1Char('T'))
                + modeLetters.at(litModeIndex(display));
        m_station.Exchange(command);
        noteTuning(m_station, text, modeLetters.at(litModeIndex(display)));
    } else if (index == 12) {
        const int next = (litModeIndex(display) + 1) % 6;
        for (int i = 0; i < 6; ++i)
            display.setModeLit(i, false);
        display.setModeLit(next, true);
    } else if (index == 13) {
        display.setAttenuatorLit(!display.attenuatorLit());
    } else if (index == 15) {
        text.clear();
    }
    display.setFrequencyText(text);
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
    if (m_ui.cmbRangeLijst->currentIndex() >= 0)
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
    const int value = m_ui.lstKanaalLijst->itemData(index).toInt();
    m_station.SelectMode(ModeManualStart);
    state.currentBank = static_cast<qint16>(value / 100);
    state.currentChannel = static_cast<qint16>(value - 100 * state.currentBank);
}

void MainWindow::bankPicked(int index)
{
    (void)index;
    PickBankFile(m_station, m_ui.cmbBankenLijst->currentText(), mainChannelList());
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

void MainWindow::keyTyped(int index)
{
    // Escape reaches shortcuts even from a text field, which has no use for it; leave it there.
    QWidget *focused = focusWidget();
    auto *box = qobject_cast<QComboBox *>(focused);
    if (qobject_cast<QLineEdit *>(focused) || (box && box->isEditable()))
        return;
    m_ui.cmdDigits[index]->click();
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
    return m_ui.cmbBankenLijst->currentText();
}

bool MainWindow::pickBank(const QString &text)
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
    // Over the window that asked, an editor as often as not; file and bank names are plain text.
    QMessageBox box(icon, title, text, QMessageBox::Ok, dialogParent());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString MainWindow::askFileName(const QString &title, const QStringList &filters, bool save,
                                int *filter)
{
    int chosen = 0;
    QString name;
    if (m_answerSource) {
        const QString answer = m_answerSource(title, filters.join(QLatin1Char('\n')));
        name = answer.section(QLatin1Char('\t'), 0, 0);
        chosen = answer.section(QLatin1Char('\t'), 1).toInt();
    } else {
        QFileDialog dialog(dialogParent(), title, m_station.workingDirectory().path());
        // The desktop's own dialog needs the GLib event loop, which the program runs without.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setNameFilters(filters);
        // A name typed without an extension gets the first filter's.
        const QString first = filters.value(0);
        const qsizetype star = first.indexOf(QLatin1String("*."));
        QString suffix;
        for (qsizetype i = star + 2; star >= 0 && i < first.size() && first[i].isLetterOrNumber();
             ++i)
            suffix += first[i];
        if (save && !suffix.isEmpty())
            dialog.setDefaultSuffix(suffix);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            name = dialog.selectedFiles().constFirst();
            chosen = int(filters.indexOf(dialog.selectedNameFilter()));
        }
    }
    if (filter)
        *filter = qBound(0, chosen, int(qMax(filters.size(), qsizetype {1})) - 1);
    return name;
}

QWidget *MainWindow::dialogParent()
{
    QWidget *active = QApplication::activeWindow();
    return active ? active : this;
}

// ---- FrontPanel ----

Display &MainWindow::display()
{
    return *m_ui.display;
}

void MainWindow::showStatus(const QString &text)
{
    m_ui.statusPanel->setText(text);
}

QString MainWindow::statusText() const
{
    return m_ui.statusPanel->text();
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

QSize MainWindow::spectrumSize() const
{
    return m_ui.picSpectrum->logicalSize();
}

void MainWindow::drawSpectrumLine(int x, int y1, int y2, SpectrumPen pen)
{
    QColor colour;
    switch (pen) {
    case SpectrumPen::Marker:
        colour = markerColour;
        break;
    case SpectrumPen::Erase:
        colour = m_ui.picSpectrum->background();
        break;
    case SpectrumPen::Level:
        colour = levelColour;
        break;
    }
    m_ui.picSpectrum->drawLine(x, y1, y2, colour);
}

void MainWindow::clearSpectrum()
{
    m_ui.picSpectrum->clear();
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

void MainWindow::showNotice(NoticeSource source, const QString &text)
{
    const QString shown = m_notices.set(source, text);
    m_ui.noticePanel->setText(shown);
    // A long notice is cut at the window's edge: the whole of it shows on hovering, as text.
    m_ui.noticePanel->setToolTip(
            shown.isEmpty() ? QString() : Qt::convertFromPlainText(shown, Qt::WhiteSpaceNormal));
}

void MainWindow::reportError(const QString &text)
{
    showMessage(QStringLiteral("ZE3000r"), text, QMessageBox::Warning);
}

bool MainWindow::askYesNo(const QString &title, const QString &text, bool defaultYes)
{
    if (m_answerSource)
        return m_answerSource(title, text) == QLatin1String("Yes");
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No,
                    dialogParent());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString MainWindow::askText(const QString &title, const QString &prompt, const QString &proposed)
{
    if (m_answerSource)
        return m_answerSource(title, prompt);
    QInputDialog box(dialogParent());
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(proposed);
    // The prompt may quote a file name.
    if (auto *label = box.findChild<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

void MainWindow::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainWindow::showProgress(const QString &text)
{
    showStatus(text);
    // The transfer keeps the loop away: paint now, but take no input meanwhile.
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
    showMessage(QStringLiteral("ZE3000r"), text, QMessageBox::Warning);
}

} // namespace ze
