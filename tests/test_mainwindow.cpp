// The main window's own rules: its controls, the keypad's entry buffer, the lamps, the handlers'
// changes of the station's state, the lists' selection rules and the spectrum surface.

#include "core/Clock.h"
#include "core/ControlLoop.h"
#include "core/Station.h"
#include "storage/BankFile.h"
#include "storage/RangeFile.h"
#include "ui/MainWindow.h"
#include "ui/SecondaryWindows.h"
#include "ui/SpectrumView.h"

#include "SimReceiver.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace ze;

namespace {

const QString dashes = QStringLiteral("----.----");

QVector<QPair<QString, int>> stepEntries()
{
    return {{QStringLiteral("0.5 Khz"), 5},    {QStringLiteral("1 Khz"), 10},
            {QStringLiteral("2.5 Khz"), 25},   {QStringLiteral("5 Khz"), 50},
            {QStringLiteral("10 Khz"), 100},   {QStringLiteral("12.5 Khz"), 125},
            {QStringLiteral("25 Khz"), 250},   {QStringLiteral("50 Khz"), 500},
            {QStringLiteral("100 Khz"), 1000}, {QStringLiteral("125 Khz"), 1250},
            {QStringLiteral("250 Khz"), 2500}, {QStringLiteral("500 Khz"), 5000}};
}

QStringList delayEntries()
{
    QStringList entries;
    for (int seconds = 0; seconds <= 60; ++seconds)
        entries << QString::number(seconds) + QStringLiteral(" sec.");
    return entries;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void controlsExist_data();
    void controlsExist();
    void menuAndStatusBar();
    void accessibleNamesTellControlsApart();
    void displayLabelsDescribeTheirRole();

    void keypadEntry_data();
    void keypadEntry();
    void keypadKeepsPosition_data();
    void keypadKeepsPosition();
    void modeKey_data();
    void modeKey();
    void attKeyTogglesAndStoreChangesNothing();
    void keypadEnterSends_data();
    void keypadEnterSends();

    void channelButtons_data();
    void channelButtons();
    void scanBanksCarriesChannel();
    void rangeScanNeedsAPickedRange();
    void rangeEditStopsScanningBankEditDoesNot();
    void frequencyButtons_data();
    void frequencyButtons();
    void returnKeyPressesRangeScan_data();
    void returnKeyPressesRangeScan();

    void listsStartWithNothingSelected();
    void programSelectionDoesNotReact();
    void channelPick();
    void bankPick_data();
    void bankPick();
    void bankTickRefillsChannels();
    void rangePickClearsSpectrum();

    void clearDisplayAndLampsKeepTheirPlace();
    void showBankLightsOneLamp();
    void stepAndDelayLists();
    void spectrumLines_data();
    void spectrumLines();

    void secondaryWindows();
    void closingShutsDownAndStopsTheLoop();
    void startUpFillsTheWindow();
    void startUpStopsOnARefusedValue();

private:
    template<typename T> T *control(const QString &name) const
    {
        T *found = window->centralWidget()->findChild<T *>(name);
        if (!found)
            qWarning("no control %s", qPrintable(name));
        return found;
    }
    QAbstractButton *key(int index) const
    {
        return control<QAbstractButton>(QStringLiteral("cmdDigits(%1)").arg(index));
    }
    QLabel *modeLamp(int index) const
    {
        return control<QLabel>(QStringLiteral("lblMode(%1)").arg(index));
    }
    QString display() const { return control<QLabel>(QStringLiteral("lblFrequency"))->text(); }
    void writeBank(const QString &name, const QVector<QPair<int, int>> &positions);

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ManualClock> clock;
    std::unique_ptr<Station> station;
    std::unique_ptr<MainWindow> window;
    QStringList messages;
};

void TestMainWindow::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    clock = std::make_unique<ManualClock>();
    station = std::make_unique<Station>(
            StationPaths {dir->path(), dir->filePath(QStringLiteral("settings.ini"))}, *clock);
    window = std::make_unique<MainWindow>(*station);
    messages.clear();
    window->setMessageSink([this](const QString &, const QString &text) { messages << text; });
    window->fillStepList(stepEntries());
    window->setStepIndex(5);
    window->fillDelayList(delayEntries());
    window->setDelayText(QStringLiteral("2 sec."));
    window->clearDisplay();
}

void TestMainWindow::cleanup()
{
    window.reset();
    station.reset();
    clock.reset();
    dir.reset();
}

void TestMainWindow::writeBank(const QString &name, const QVector<QPair<int, int>> &positions)
{
    Banks banks;
    for (const auto &position : positions) {
        ChannelRecord &record = banks(position.first, position.second);
        record.Frequency = QStringLiteral("145.%1").arg(position.first * 100 + position.second);
        record.Description = name;
        record.Mode = QStringLiteral("N");
    }
    QVERIFY(writeBankFile(dir->filePath(name + QStringLiteral(".bnk")), banks).ok);
}

// ---- Controls ----

void TestMainWindow::controlsExist_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption"); // null: the control has no caption to check

    const QString none;
    QTest::newRow("title") << "Label2"
                           << "Tunewright ZE-3000R Communications Receiver";
    QTest::newRow("panel") << "Shape1" << none;
    QTest::newRow("frequency") << "lblFrequency" << dashes;
    QTest::newRow("channel") << "lblChannel"
                             << "--";
    for (int bank = 1; bank <= 4; ++bank)
        QTest::addRow("bank lamp %d", bank)
                << QStringLiteral("lblBank(%1)").arg(bank) << QStringLiteral("Bank%1").arg(bank);
    const char *modes[6] = {"NFM", "WFM", "AM", "LSB", "USB", "CW"};
    for (int i = 0; i < 6; ++i)
        QTest::addRow("mode lamp %d", i)
                << QStringLiteral("lblMode(%1)").arg(i) << QString::fromLatin1(modes[i]);
    QTest::newRow("att") << "lblATT"
                         << "ATT";
    QTest::newRow("pass") << "lblPass"
                          << "PASS";
    QTest::newRow("legend M") << "lblDivers(0)"
                              << "M";
    QTest::newRow("legend kHz") << "lblDivers(1)"
                                << "kHz";
    QTest::newRow("legend mHz") << "lblDivers(2)"
                                << "mHz";
    for (int i = 0; i <= 10; ++i)
        QTest::addRow("bar %d", i) << QStringLiteral("shpSquelch(%1)").arg(i) << none;
    QTest::newRow("scale") << "Label1"
                           << "1 3 5 7 9 +10 +20";
    QTest::newRow("display frequency") << "optDisplay(0)"
                                       << "Frequency";
    QTest::newRow("display description") << "optDisplay(1)"
                                         << "Description";
    QTest::newRow("delay") << "cmbDelay" << none;
    QTest::newRow("delay label") << "Label5"
                                 << "Delay";
    QTest::newRow("squelch") << "hscrSquelch" << none;
    QTest::newRow("squelch label") << "Label4"
                                   << "Squelch";
    const char *keys[16] = {"1", "2", "3", "4",     "5",    "6",   "7",     "8",
                            "9", "0", ".", "Enter", "Mode", "ATT", "Store", "Clear"};
    for (int i = 0; i < 16; ++i)
        QTest::addRow("key %d", i)
                << QStringLiteral("cmdDigits(%1)").arg(i) << QString::fromLatin1(keys[i]);
    QTest::newRow("channel down") << "cmdChannelDown"
                                  << "<< Channel down";
    QTest::newRow("channel up") << "cmdChannelUp"
                                << "Channel up  >>";
    QTest::newRow("write log") << "chkSchrijfInLogFile"
                               << "Write to logfile";
    QTest::newRow("view log") << "cmdViewLogfile"
                              << "View logfile";
    QTest::newRow("banks label") << "Label3"
                                 << "Banks";
    QTest::newRow("bank list") << "cmbBankenLijst" << none;
    QTest::newRow("channels label") << "Label6"
                                    << "Channels";
    QTest::newRow("channel list") << "lstKanaalLijst" << none;
    for (int bank = 1; bank <= 4; ++bank)
        QTest::addRow("bank tick %d", bank)
                << QStringLiteral("chkScan(%1)").arg(bank) << QStringLiteral("Bank%1").arg(bank);
    QTest::newRow("scan banks") << "cmdScanBanks"
                                << "Scan";
    QTest::newRow("edit banks") << "cmdEditBanks"
                                << "Edit";
    QTest::newRow("range list") << "cmbRangeLijst" << none;
    QTest::newRow("spectrum tick") << "chkSpectrum"
                                   << "Spectrum";
    QTest::newRow("search scan") << "cmdSearchScan"
                                 << "Scan";
    QTest::newRow("search edit") << "cmdSearchEdit"
                                 << "Edit";
    QTest::newRow("spectrum") << "picSpectrum" << none;
    QTest::newRow("step label") << "Label7"
                                << "Stepsize";
    QTest::newRow("step list") << "cmbFrequencyStepSize" << none;
    QTest::newRow("frequency down") << "cmdFrequencyDown"
                                    << "<< Frequency down";
    QTest::newRow("frequency up") << "cmdFrequencyUp"
                                  << "Frequency up  >>";
}

void TestMainWindow::controlsExist()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QCOMPARE(window->objectName(), QStringLiteral("frmTerminal"));
    QCOMPARE(window->windowTitle(), QStringLiteral("ZE-3000r"));
    const QList<QWidget *> found = window->centralWidget()->findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    if (!caption.isNull())
        QCOMPARE(found.first()->property("text").toString(), caption);
}

void TestMainWindow::menuAndStatusBar()
{
    QMenuBar *bar = window->menuBar();
    const QList<QAction *> actions = bar->actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions[0]->objectName(), QStringLiteral("mnuSetting"));
    QCOMPARE(actions[0]->text(), QStringLiteral("Setting"));
    QCOMPARE(actions[1]->objectName(), QStringLiteral("mnuInfo"));
    QCOMPARE(actions[1]->text(), QStringLiteral("Info"));
    for (QAction *action : actions)
        QVERIFY(!action->menu());

    QCOMPARE(window->statusBar()->objectName(), QStringLiteral("StatusBar1"));
    QCOMPARE(window->statusText(), QStringLiteral("ZE3000r"));
    // The notice and port panels are panels of their own: a status text leaves them alone.
    window->showNotice(QStringLiteral("log not written"));
    window->showPortState(QStringLiteral("port closed"));
    window->showStatus(QStringLiteral("Direct mode"));
    QCOMPARE(window->statusText(), QStringLiteral("Direct mode"));
    QStringList texts;
    for (QLabel *label : window->statusBar()->findChildren<QLabel *>())
        texts << label->text();
    QVERIFY(texts.contains(QStringLiteral("log not written")));
    QVERIFY(texts.contains(QStringLiteral("port closed")));
}

void TestMainWindow::accessibleNamesTellControlsApart()
{
    QStringList names;
    QWidget *central = window->centralWidget();
    QList<QWidget *> controls;
    for (QAbstractButton *w : central->findChildren<QAbstractButton *>())
        controls << w;
    for (QComboBox *w : central->findChildren<QComboBox *>())
        controls << w;
    for (QSlider *w : central->findChildren<QSlider *>())
        controls << w;
    // 16 keys, 4 step buttons, view log, 4 scan/edit buttons, 2 display options, 6 tick boxes;
    // 5 lists; the slider.
    QCOMPARE(controls.size(), 16 + 4 + 1 + 4 + 2 + 6 + 5 + 1);
    for (QWidget *w : controls) {
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        QVERIFY2(!names.contains(w->accessibleName()), qPrintable(w->accessibleName()));
        names << w->accessibleName();
    }
    QCOMPARE(control<QWidget>(QStringLiteral("cmdScanBanks"))->accessibleName(),
             QStringLiteral("Scan banks"));
    QCOMPARE(control<QWidget>(QStringLiteral("cmdSearchScan"))->accessibleName(),
             QStringLiteral("Scan range"));
    QCOMPARE(key(11)->accessibleName(), QStringLiteral("Keypad Enter"));
}

void TestMainWindow::displayLabelsDescribeTheirRole()
{
    // A screen reader reads the text itself; the description tells what it is.
    QStringList names = {QStringLiteral("lblFrequency"), QStringLiteral("lblChannel"),
                         QStringLiteral("lblATT"), QStringLiteral("lblPass")};
    for (int i = 1; i <= 4; ++i)
        names << QStringLiteral("lblBank(%1)").arg(i);
    for (int i = 0; i < 6; ++i)
        names << QStringLiteral("lblMode(%1)").arg(i);
    QStringList descriptions;
    for (const QString &name : names) {
        QLabel *label = control<QLabel>(name);
        QVERIFY(label);
        QVERIFY2(label->accessibleName().isEmpty(), qPrintable(name));
        QVERIFY2(!label->accessibleDescription().isEmpty(), qPrintable(name));
        QVERIFY2(!descriptions.contains(label->accessibleDescription()), qPrintable(name));
        descriptions << label->accessibleDescription();
    }
}

// ---- Keypad ----

void TestMainWindow::keypadEntry_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("expected");

    QTest::newRow("first press empties the dashes") << dashes << 7 << QList<int> {0} << "1";
    QTest::newRow("dashes empty even in direct mode") << dashes << 7 << QList<int> {9} << "0";
    QTest::newRow("digits in order") << dashes << 0 << QList<int> {0, 3, 4, 10, 4} << "145.5";
    QTest::newRow("every digit") << dashes << 0 << QList<int> {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}
                                 << "1234567890";
    QTest::newRow("point only once") << dashes << 0 << QList<int> {0, 10, 10, 4, 10} << "1.5";
    QTest::newRow("point first") << dashes << 0 << QList<int> {10, 4} << ".5";
    QTest::newRow("decimals unlimited")
            << dashes << 0 << QList<int> {0, 10, 4, 4, 4, 4, 4, 4, 4} << "1.5555555";
    QTest::newRow("clear empties") << dashes << 0 << QList<int> {0, 1, 15} << "";
    QTest::newRow("clear starts anew") << dashes << 0 << QList<int> {0, 1, 15, 2} << "3";
    QTest::newRow("store keeps the text") << dashes << 0 << QList<int> {0, 14, 1} << "12";
    QTest::newRow("mode keeps the text") << dashes << 0 << QList<int> {0, 12, 1} << "12";
    QTest::newRow("att keeps the text") << dashes << 0 << QList<int> {0, 13, 1} << "12";
    QTest::newRow("enter keeps the text") << dashes << 0 << QList<int> {0, 11, 1} << "12";
    QTest::newRow("scanning: first press empties") << "145.5000" << 1 << QList<int> {2} << "3";
    QTest::newRow("manual: store empties") << "145.5000" << 4 << QList<int> {14} << "";
    QTest::newRow("description: first press empties") << "Tower" << 4 << QList<int> {0} << "1";
    QTest::newRow("direct mode appends") << "145.5" << 7 << QList<int> {0} << "145.51";
    QTest::newRow("direct mode: a point already there")
            << "145.5" << 7 << QList<int> {10} << "145.5";
    QTest::newRow("direct mode: a dash anywhere empties") << "14-5" << 7 << QList<int> {0} << "1";
}

void TestMainWindow::keypadEntry()
{
    QFETCH(QString, start);
    QFETCH(int, mode);
    QFETCH(QList<int>, keys);
    QFETCH(QString, expected);

    window->setFrequencyText(start);
    station->state().operatingMode = static_cast<qint16>(mode);
    for (int index : keys)
        key(index)->click();
    QCOMPARE(display(), expected);
    QCOMPARE(station->state().operatingMode, qint16(ModeDirect));
}

void TestMainWindow::keypadKeepsPosition_data()
{
    QTest::addColumn<int>("index");
    for (int index = 0; index < 16; ++index)
        QTest::addRow("key %d", index) << index;
}

void TestMainWindow::keypadKeepsPosition()
{
    QFETCH(int, index);
    // Any key switches to direct mode without the resets of SelectMode.
    ProgramState &state = station->state();
    state.operatingMode = ModeScanning;
    state.currentBank = 3;
    state.currentChannel = 42;
    state.holdStart = 500;
    state.startingUp = true;
    key(index)->click();
    QCOMPARE(state.operatingMode, qint16(ModeDirect));
    QCOMPARE(state.currentBank, qint16(3));
    QCOMPARE(state.currentChannel, qint16(42));
    QCOMPARE(state.holdStart, 500);
    QCOMPARE(state.startingUp, true);
}

void TestMainWindow::modeKey_data()
{
    QTest::addColumn<QList<int>>("lit");
    QTest::addColumn<int>("expected");

    QTest::newRow("none lit shows WFM") << QList<int> {} << 1;
    QTest::newRow("NFM to WFM") << QList<int> {0} << 1;
    QTest::newRow("USB to CW") << QList<int> {4} << 5;
    QTest::newRow("CW wraps to NFM") << QList<int> {5} << 0;
    QTest::newRow("the last lit one counts") << QList<int> {1, 3} << 4;
}

void TestMainWindow::modeKey()
{
    QFETCH(QList<int>, lit);
    QFETCH(int, expected);
    for (int i : lit)
        window->setModeLit(i, true);
    key(12)->click();
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(window->modeLit(i), i == expected);
        QCOMPARE(modeLamp(i)->isHidden(), i != expected);
    }
}

void TestMainWindow::attKeyTogglesAndStoreChangesNothing()
{
    QVERIFY(!window->attenuatorLit());
    key(13)->click();
    QVERIFY(window->attenuatorLit());
    key(13)->click();
    QVERIFY(!window->attenuatorLit());

    station->state().operatingMode = ModeDirect;
    window->setFrequencyText(QStringLiteral("145.5"));
    window->setModeLit(2, true);
    window->setAttenuatorLit(true);
    key(14)->click();
    QCOMPARE(display(), QStringLiteral("145.5"));
    QVERIFY(window->attenuatorLit());
    for (int i = 0; i < 6; ++i)
        QCOMPARE(window->modeLit(i), i == 2);
}

void TestMainWindow::keypadEnterSends_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QStringList>("expected");

    // Keys: 0..8 digits 1..9, 9 "0", 10 ".", 11 Enter, 12 Mode, 13 ATT, 14 Store, 15 Clear.
    QTest::newRow("frequency, no lamp: N")
            << QList<int> {0, 3, 4, 10, 4, 11} << false << QStringList {"145.5TN"};
    QTest::newRow("mode once: W") << QList<int> {0, 3, 4, 10, 4, 12, 11} << false
                                  << QStringList {"145.5TW"};
    QTest::newRow("attenuator: R before the mode")
            << QList<int> {0, 3, 4, 10, 4, 12, 12, 13, 11} << false << QStringList {"145.5RA"};
    QTest::newRow("attenuator twice: T")
            << QList<int> {0, 13, 13, 11} << false << QStringList {"1TN"};
    QTest::newRow("empty entry") << QList<int> {15, 11} << false << QStringList {"TN"};
    QTest::newRow("enter twice, then more digits")
            << QList<int> {0, 11, 1, 11} << false << QStringList {"1TN", "12TN"};
    QTest::newRow("mode wraps to NFM")
            << QList<int> {0, 12, 12, 12, 12, 12, 12, 11} << false << QStringList {"1TN"};
    QTest::newRow("busy exchange: nothing sent") << QList<int> {0, 11} << true << QStringList {};
}

void TestMainWindow::keypadEnterSends()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, busy);
    QFETCH(QStringList, expected);

    zesim::SimReceiver sim;
    std::string error;
    QVERIFY2(sim.start(&error), error.c_str());
    sim.setPacing(false);
    SerialPort &port = station->serialPort();
    port.setTickMs(200);
    QVERIFY(port.setPort(QString::fromStdString(sim.devicePath())));
    port.OpenPort();
    QVERIFY2(port.isOpen(), qPrintable(port.stateText()));

    station->state().exchangeBusy = busy;
    for (int index : keys)
        key(index)->click();
    station->state().exchangeBusy = false;
    // A last command shows that everything before it has arrived.
    port.Exchange(QStringLiteral("E"));
    QVERIFY(sim.waitForCommands(size_t(expected.size() + 1), 2000) >= size_t(expected.size() + 1));
    QStringList sent;
    for (const std::string &command : sim.commands())
        sent << QString::fromStdString(command);
    QCOMPARE(sent, expected + QStringList {QStringLiteral("E")});
    port.close();
}

// ---- Buttons ----

void TestMainWindow::channelButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("bank");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("expectedBank");
    QTest::addColumn<int>("expectedChannel");

    QTest::newRow("up resets the bank") << "cmdChannelUp" << 3 << 5 << 1 << 6;
    QTest::newRow("down resets the bank") << "cmdChannelDown" << 4 << 50 << 1 << 49;
    QTest::newRow("down from 0 wraps forward") << "cmdChannelDown" << 3 << 0 << 2 << 0;
    QTest::newRow("up from 99") << "cmdChannelUp" << 1 << 99 << 2 << 0;
    QTest::newRow("up from 98") << "cmdChannelUp" << 4 << 98 << 1 << 99;
}

void TestMainWindow::channelButtons()
{
    QFETCH(QString, button);
    QFETCH(int, bank);
    QFETCH(int, channel);
    QFETCH(int, expectedBank);
    QFETCH(int, expectedChannel);

    ProgramState &state = station->state();
    state.operatingMode = ModeScanning;
    state.currentBank = static_cast<qint16>(bank);
    state.currentChannel = static_cast<qint16>(channel);
    state.holdStart = 1234;
    control<QAbstractButton>(button)->click();
    QCOMPARE(state.operatingMode, qint16(ModeManualStart));
    QCOMPARE(state.currentBank, qint16(expectedBank));
    QCOMPARE(state.currentChannel, qint16(expectedChannel));
    QCOMPARE(state.holdStart, 0);
}

void TestMainWindow::scanBanksCarriesChannel()
{
    ProgramState &state = station->state();
    state.operatingMode = ModeManual;
    state.currentBank = 3;
    state.currentChannel = 7;
    state.holdStart = 99;
    control<QAbstractButton>(QStringLiteral("cmdScanBanks"))->click();
    QCOMPARE(state.operatingMode, qint16(ModeScanStart));
    QCOMPARE(state.currentBank, qint16(1));
    QCOMPARE(state.currentChannel, qint16(7));
    QCOMPARE(state.holdStart, 0);
}

void TestMainWindow::rangeScanNeedsAPickedRange()
{
    ProgramState &state = station->state();
    window->mainRangeList().addItem(QStringLiteral("Air band"), 4);
    state.operatingMode = ModeManual;
    state.currentChannel = 12;
    auto *scan = control<QAbstractButton>(QStringLiteral("cmdSearchScan"));
    scan->click();
    QCOMPARE(state.operatingMode, qint16(ModeManual));
    QCOMPARE(state.currentChannel, qint16(12));

    control<QComboBox>(QStringLiteral("cmbRangeLijst"))->setCurrentIndex(0);
    scan->click();
    QCOMPARE(state.operatingMode, qint16(ModeSearchStart));
    QCOMPARE(state.currentChannel, qint16(0));
}

void TestMainWindow::rangeEditStopsScanningBankEditDoesNot()
{
    ProgramState &state = station->state();
    window->setBankNames({QStringLiteral("alpha")});
    window->selectFirstBank();
    writeBank(QStringLiteral("alpha"), {{2, 3}});

    state.operatingMode = ModeScanning;
    control<QAbstractButton>(QStringLiteral("cmdEditBanks"))->click();
    QCOMPARE(state.operatingMode, qint16(ModeScanning));
    EditBank &bankEditor = window->bankEditor();
    QVERIFY(bankEditor.isVisible());
    QCOMPARE(bankEditor.windowTitle(), QStringLiteral("Edit banks"));
    QCOMPARE(bankEditor.bankList()->currentText(), QStringLiteral("alpha"));
    QCOMPARE(state.currentBankName, QStringLiteral("alpha"));
    QCOMPARE(bankEditor.channelList()->count(), 1);

    window->mainRangeList().addItem(QStringLiteral("Air band"), 4);
    control<QAbstractButton>(QStringLiteral("cmdSearchEdit"))->click();
    QCOMPARE(state.operatingMode, qint16(ModeIdle));
    EditRange &rangeEditor = window->rangeEditor();
    QVERIFY(rangeEditor.isVisible());
    QCOMPARE(rangeEditor.windowTitle(), QStringLiteral("Edit Range"));
    QCOMPARE(rangeEditor.rangeList()->currentIndex(), -1);
}

void TestMainWindow::frequencyButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("expected");
    QTest::newRow("up") << "cmdFrequencyUp"
                        << "145.5125";
    QTest::newRow("down") << "cmdFrequencyDown"
                          << "145.4875";
}

void TestMainWindow::frequencyButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, expected);
    ProgramState &state = station->state();
    state.operatingMode = ModeScanning;
    state.currentBank = 3;
    state.currentChannel = 9;
    window->setFrequencyText(QStringLiteral("145.5000"));
    control<QAbstractButton>(button)->click();
    QCOMPARE(display(), expected);
    QCOMPARE(state.operatingMode, qint16(ModeDirect));
    QCOMPARE(state.currentBank, qint16(1));
    QCOMPARE(state.currentChannel, qint16(0));
}

void TestMainWindow::returnKeyPressesRangeScan_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("expectedMode");
    QTest::newRow("delay box") << "cmbDelay" << int(ModeSearchStart);
    QTest::newRow("spectrum tick") << "chkSpectrum" << int(ModeSearchStart);
    QTest::newRow("squelch slider") << "hscrSquelch" << int(ModeSearchStart);
    // A push button with the focus is pressed itself; the keypad's Enter is not a shortcut.
    QTest::newRow("bank scan button") << "cmdScanBanks" << int(ModeScanStart);
    QTest::newRow("keypad Store") << "cmdDigits(14)" << int(ModeDirect);
}

void TestMainWindow::returnKeyPressesRangeScan()
{
    QFETCH(QString, focus);
    QFETCH(int, expectedMode);
    window->mainRangeList().addItem(QStringLiteral("Air band"), 4);
    control<QComboBox>(QStringLiteral("cmbRangeLijst"))->setCurrentIndex(0);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QWidget *target = control<QWidget>(focus);
    target->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), target);
    station->state().operatingMode = ModeManual;
    QTest::keyClick(target, Qt::Key_Return);
    QCOMPARE(station->state().operatingMode, qint16(expectedMode));
}

// ---- Lists ----

void TestMainWindow::listsStartWithNothingSelected()
{
    window->setBankNames({QStringLiteral("alpha"), QStringLiteral("beta")});
    window->mainChannelList().addItem(QStringLiteral(" 1- 5  N  145.5000"), 105);
    window->mainChannelList().addItem(QStringLiteral(" 2- 7  N  145.6000"), 207);
    window->editorChannelList().addItem(QStringLiteral(" 1- 5  N  145.5000"), 105);
    window->mainRangeList().addItem(QStringLiteral("Air band"), 0);
    window->editorRangeList().addItem(QStringLiteral("Air band"), 0);

    QCOMPARE(control<QComboBox>(QStringLiteral("cmbBankenLijst"))->currentIndex(), -1);
    QCOMPARE(window->bankEditor().bankList()->currentIndex(), -1);
    QCOMPARE(window->bankEditor().bankList()->count(), 2);
    QCOMPARE(control<QComboBox>(QStringLiteral("lstKanaalLijst"))->currentIndex(), -1);
    QCOMPARE(control<QComboBox>(QStringLiteral("lstKanaalLijst"))->count(), 2);
    QCOMPARE(window->bankEditor().channelList()->currentRow(), -1);
    QCOMPARE(control<QComboBox>(QStringLiteral("cmbRangeLijst"))->currentIndex(), -1);
    QCOMPARE(window->rangeEditor().rangeList()->currentIndex(), -1);
    QCOMPARE(window->rangeEditor().rangeList()->count(), 1);

    window->fillStepList(stepEntries());
    QCOMPARE(window->stepIndex(), -1);
    QCOMPARE(window->stepValue(), 0);
}

void TestMainWindow::programSelectionDoesNotReact()
{
    ProgramState &state = station->state();
    writeBank(QStringLiteral("alpha"), {{1, 1}, {1, 2}});
    window->setBankNames({QStringLiteral("alpha")});
    window->mainChannelList().addItem(QStringLiteral("x"), 305);
    window->mainRangeList().addItem(QStringLiteral("Air band"), 4);
    state.operatingMode = ModeIdle;
    state.currentBankName = QStringLiteral("none");

    window->selectFirstBank();
    QCOMPARE(control<QComboBox>(QStringLiteral("cmbBankenLijst"))->currentText(),
             QStringLiteral("alpha"));
    QCOMPARE(state.currentBankName, QStringLiteral("none"));
    QCOMPARE(control<QComboBox>(QStringLiteral("lstKanaalLijst"))->count(), 1);

    control<QComboBox>(QStringLiteral("lstKanaalLijst"))->setCurrentIndex(0);
    control<QComboBox>(QStringLiteral("cmbRangeLijst"))->setCurrentIndex(0);
    QCOMPARE(state.operatingMode, qint16(ModeIdle));
    QCOMPARE(state.currentRange, qint16(0));

    // Picking by text: a name that is not listed leaves the list as it was.
    QVERIFY(!window->pickBank(QStringLiteral("gamma")));
    QCOMPARE(window->bankListText(), QStringLiteral("alpha"));
    QCOMPARE(state.currentBankName, QStringLiteral("none"));
    QVERIFY(window->pickBank(QStringLiteral("alpha")));
    QCOMPARE(state.currentBankName, QStringLiteral("alpha"));
    QCOMPARE(control<QComboBox>(QStringLiteral("lstKanaalLijst"))->count(), 2);
}

void TestMainWindow::channelPick()
{
    ProgramState &state = station->state();
    window->mainChannelList().addItem(QStringLiteral(" 3- 5"), 305);
    window->mainChannelList().addItem(QStringLiteral(" 4-99"), 499);
    state.operatingMode = ModeScanning;
    state.holdStart = 77;
    auto *list = control<QComboBox>(QStringLiteral("lstKanaalLijst"));
    // The operator's pick by keyboard: the first entry, then the next.
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(state.operatingMode, qint16(ModeManualStart));
    QCOMPARE(state.currentBank, qint16(3));
    QCOMPARE(state.currentChannel, qint16(5));
    QCOMPARE(state.holdStart, 0);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(state.currentBank, qint16(4));
    QCOMPARE(state.currentChannel, qint16(99));
}

void TestMainWindow::bankPick_data()
{
    QTest::addColumn<bool>("startingUp");
    QTest::addColumn<bool>("reacts");
    QTest::newRow("running") << false << true;
    QTest::newRow("starting up") << true << false;
}

void TestMainWindow::bankPick()
{
    QFETCH(bool, startingUp);
    QFETCH(bool, reacts);
    ProgramState &state = station->state();
    writeBank(QStringLiteral("alpha"), {{1, 1}, {2, 2}, {3, 3}});
    window->setBankNames({QStringLiteral("alpha")});
    state.currentBankName = QStringLiteral("old");
    state.startingUp = startingUp;
    state.operatingMode = ModeManual;
    auto *list = control<QComboBox>(QStringLiteral("cmbBankenLijst"));
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentText(), QStringLiteral("alpha"));
    QCOMPARE(state.currentBankName, reacts ? QStringLiteral("alpha") : QStringLiteral("old"));
    auto *channels = control<QComboBox>(QStringLiteral("lstKanaalLijst"));
    QCOMPARE(channels->count(), reacts ? 3 : 0);
    QCOMPARE(channels->currentIndex(), -1);
    QCOMPARE(state.operatingMode, qint16(ModeManual));
}

void TestMainWindow::bankTickRefillsChannels()
{
    ProgramState &state = station->state();
    state.banks(1, 4).Frequency = QStringLiteral("145.5000");
    state.banks(2, 8).Frequency = QStringLiteral("430.1000");
    state.banks(2, 9).Frequency = QStringLiteral("430.2000");
    auto *channels = control<QComboBox>(QStringLiteral("lstKanaalLijst"));
    auto *bank2 = control<QCheckBox>(QStringLiteral("chkScan(2)"));
    bank2->click();
    QVERIFY(!window->bankTicked(2));
    QCOMPARE(channels->count(), 1);
    QCOMPARE(channels->itemData(0).toInt(), 104);
    bank2->click();
    QCOMPARE(channels->count(), 3);
    QCOMPARE(channels->currentIndex(), -1);
}

void TestMainWindow::rangePickClearsSpectrum()
{
    window->mainRangeList().addItem(QStringLiteral("Air band"), 4);
    window->mainRangeList().addItem(QStringLiteral("Marine"), 17);
    // Surface units, fifteen to a pixel: pixel column 10, rows 0 to 50.
    window->drawSpectrumLine(150, 0, 750, SpectrumPen::Level);
    auto *view = control<SpectrumView>(QStringLiteral("picSpectrum"));
    QVERIFY(view->image().pixelColor(10, 20) != view->background());
    station->state().operatingMode = ModeManual;

    auto *list = control<QComboBox>(QStringLiteral("cmbRangeLijst"));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(station->state().currentRange, qint16(17));
    QCOMPARE(view->image().pixelColor(10, 20), view->background());
    QCOMPARE(station->state().operatingMode, qint16(ModeManual));
}

// ---- Display ----

void TestMainWindow::clearDisplayAndLampsKeepTheirPlace()
{
    auto *panel = control<QWidget>(QStringLiteral("Shape1"));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QSize darkPanel = panel->size();
    const QPoint darkFrequency = control<QWidget>(QStringLiteral("lblFrequency"))->pos();

    window->showBank(3);
    for (int i = 0; i < 6; ++i)
        window->setModeLit(i, true);
    window->setAttenuatorLit(true);
    window->setPassLit(true);
    for (int i = 0; i <= 10; ++i)
        window->setSignalBarLit(i, true);
    window->setFrequencyText(QStringLiteral("145.5000"));
    QCoreApplication::processEvents();
    QCOMPARE(panel->size(), darkPanel);
    QCOMPARE(control<QWidget>(QStringLiteral("lblFrequency"))->pos(), darkFrequency);

    window->clearDisplay();
    QCOMPARE(window->frequencyText(), dashes);
    QCOMPARE(window->channelText(), QStringLiteral("--"));
    for (int i = 1; i <= 4; ++i)
        QVERIFY(control<QWidget>(QStringLiteral("lblBank(%1)").arg(i))->isHidden());
    for (int i = 0; i < 6; ++i)
        QVERIFY(!window->modeLit(i));
    for (int i = 0; i <= 10; ++i)
        QVERIFY(!window->signalBarLit(i));
    QVERIFY(!window->attenuatorLit());
    QVERIFY(control<QWidget>(QStringLiteral("lblPass"))->isHidden());
    QCOMPARE(panel->size(), darkPanel);

    // The S-meter's bars stand on one baseline and grow towards the right.
    int previousHeight = 0;
    int bottom = -1;
    for (int i = 0; i <= 10; ++i) {
        auto *bar = control<QWidget>(QStringLiteral("shpSquelch(%1)").arg(i));
        QVERIFY(bar->height() >= previousHeight);
        previousHeight = bar->height();
        if (bottom < 0)
            bottom = bar->geometry().bottom();
        QCOMPARE(bar->geometry().bottom(), bottom);
    }
}

void TestMainWindow::showBankLightsOneLamp()
{
    for (int bank = 0; bank <= 4; ++bank) {
        window->showBank(bank);
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(control<QWidget>(QStringLiteral("lblBank(%1)").arg(i))->isHidden(), i != bank);
    }
}

void TestMainWindow::stepAndDelayLists()
{
    window->setStepIndex(5);
    QCOMPARE(window->stepValue(), 125);
    window->setStepIndex(-1);
    QCOMPARE(window->stepIndex(), -1);
    QCOMPARE(window->stepValue(), 0);

    // The delay box keeps a text that is no entry across a refill.
    window->setDelayText(QStringLiteral("abc"));
    window->fillDelayList(delayEntries());
    QCOMPARE(window->delayText(), QStringLiteral("abc"));
    window->setDelayText(QStringLiteral("45 sec."));
    window->fillDelayList(delayEntries());
    QCOMPARE(window->delayText(), QStringLiteral("45 sec."));
    QCOMPARE(control<QComboBox>(QStringLiteral("cmbDelay"))->count(), 61);

    window->setDisplayOption(1);
    QVERIFY(!window->showsFrequency());
    QCOMPARE(window->displayOption(), 1);
    window->setDisplayOption(0);
    QVERIFY(window->showsFrequency());
    window->setSquelch(12);
    QCOMPARE(window->squelchValue(), 12);
}

void TestMainWindow::spectrumLines_data()
{
    // Heights as parts of the surface's height H: rows 0..H-1, H being the edge below them.
    QTest::addColumn<int>("pen");
    QTest::addColumn<double>("y1");
    QTest::addColumn<double>("y2");
    QTest::addColumn<double>("litFrom"); // lit from this row to the bottom row; -1: nothing

    QTest::newRow("marker full height") << int(SpectrumPen::Marker) << 0.0 << 1.0 << 0.0;
    QTest::newRow("erase full height") << int(SpectrumPen::Erase) << 0.0 << 1.0 << 0.0;
    QTest::newRow("level half") << int(SpectrumPen::Level) << 1.0 << 0.5 << 0.5;
    QTest::newRow("level 0 is empty") << int(SpectrumPen::Level) << 1.0 << 1.0 << -1.0;
    QTest::newRow("level above the top") << int(SpectrumPen::Level) << 1.0 << -0.5 << 0.0;
}

void TestMainWindow::spectrumLines()
{
    QFETCH(int, pen);
    QFETCH(double, y1);
    QFETCH(double, y2);
    QFETCH(double, litFrom);

    auto *view = control<SpectrumView>(QStringLiteral("picSpectrum"));
    const int units = SpectrumView::unitsPerPixel;
    QCOMPARE(window->spectrumSize(), view->imageSize() * units);
    const QColor colours[3] = {QColor(128, 0, 0), view->background(), QColor(15, 0, 0)};
    const QColor colour = colours[pen];
    // Start from a dark column so that the erasing pen shows too. The last unit of pixel
    // column 7 draws into that column alone.
    const int x = 7;
    const int h = view->imageSize().height();
    for (int y = 0; y < h; ++y)
        view->drawVerticalLine(x, y, y, Qt::green);
    const int height = window->spectrumSize().height();
    window->drawSpectrumLine(x * units + units - 1, qRound(y1 * height), qRound(y2 * height),
                             static_cast<SpectrumPen>(pen));
    for (int y = 0; y < h; ++y) {
        const bool lit = litFrom >= 0 && y >= qRound(litFrom * h);
        QCOMPARE(view->image().pixelColor(x, y), lit ? colour : QColor(Qt::green));
        QCOMPARE(view->image().pixelColor(x + 1, y), view->background());
        QCOMPARE(view->image().pixelColor(x - 1, y), view->background());
    }

    // Outside the surface nothing is drawn and nothing breaks.
    const QImage before = view->image();
    window->drawSpectrumLine(-1, 0, 10, SpectrumPen::Level);
    window->drawSpectrumLine(window->spectrumSize().width(), 0, 10, SpectrumPen::Level);
    window->drawSpectrumLine(1 << 30, -(1 << 30), 1 << 30, SpectrumPen::Marker);
    QCOMPARE(view->image(), before);

    window->clearSpectrum();
    QImage blank(view->imageSize(), view->image().format());
    blank.fill(view->background());
    QCOMPARE(view->image(), blank);
}

// ---- Other windows and shut-down ----

void TestMainWindow::secondaryWindows()
{
    QFile log(dir->filePath(QStringLiteral("logging.txt")));
    QVERIFY(log.open(QIODevice::WriteOnly));
    log.write("line one\r\nline two\r\n");
    log.close();

    window->show();
    control<QAbstractButton>(QStringLiteral("cmdViewLogfile"))->click();
    auto *viewer = window->findChild<LogViewer *>(QStringLiteral("frmViewLogfile"));
    QVERIFY(viewer);
    QVERIFY(viewer->isVisible());
    QCOMPARE(viewer->windowTitle(), QStringLiteral("View logfile"));
    viewer->refresh();
    QCOMPARE(viewer->list()->count(), 2);
    QCOMPARE(viewer->list()->item(1)->text(), QStringLiteral("line two"));

    window->menuBar()->actions().at(0)->trigger();
    auto *options = window->findChild<QWidget *>(QStringLiteral("frmOptions"));
    QVERIFY(options);
    QVERIFY(options->isVisible());
    QCOMPARE(options->windowTitle(), QStringLiteral("Options"));

    window->menuBar()->actions().at(1)->trigger();
    QPointer<QWidget> about = window->findChild<QWidget *>(QStringLiteral("frmAbout"));
    QVERIFY(about);
    QVERIFY(about->isVisible());
    QCOMPARE(about->windowTitle(), QStringLiteral("ZE-3000r"));
    // A second "Info" shows the same window; its OK destroys it.
    window->menuBar()->actions().at(1)->trigger();
    QCOMPARE(window->findChildren<AboutWindow *>().size(), 1);
    about->findChild<QAbstractButton *>(QStringLiteral("cmdOK"))->click();
    QTRY_VERIFY(about.isNull());
}

void TestMainWindow::closingShutsDownAndStopsTheLoop()
{
    ControlLoop loop(*station);
    window->setControlLoop(&loop);
    window->setDelayText(QStringLiteral("7 sec."));
    window->setSquelch(9);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    bool timedOut = false;
    QTimer::singleShot(0, window.get(), [this] { window->close(); });
    QTimer::singleShot(10000, &loop, [&] {
        timedOut = true;
        loop.stop();
    });
    loop.run();
    QVERIFY(!timedOut);
    QVERIFY(station->shutDownDone());
    QVERIFY(!window->isVisible());
    QSettings stored(dir->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    const QStringList keys = stored.allKeys();
    QString delayKey;
    QString squelchKey;
    for (const QString &k : keys) {
        if (k.endsWith(QStringLiteral("Delay")))
            delayKey = k;
        if (k.endsWith(QStringLiteral("Squelch")))
            squelchKey = k;
    }
    QCOMPARE(stored.value(delayKey).toString(), QStringLiteral("7 sec."));
    QCOMPARE(stored.value(squelchKey).toString(), QStringLiteral("9"));
}

void TestMainWindow::startUpFillsTheWindow()
{
    writeBank(QStringLiteral("alpha"), {{1, 5}, {3, 7}});
    writeBank(QStringLiteral("beta"), {{2, 2}});
    Ranges ranges;
    for (int i = 0; i < 2; ++i) {
        ranges[i].From = QStringLiteral("118.0000");
        ranges[i].To = QStringLiteral("137.0000");
        ranges[i].Step = QStringLiteral("0.0250");
        ranges[i].Description = QStringLiteral("Range %1").arg(i);
    }
    QVERIFY(writeRangeFile(dir->filePath(QStringLiteral("range.rng")), ranges).ok);
    // No receiver: the port names a device that is not there.
    QVERIFY(station->serialPort().setPort(dir->filePath(QStringLiteral("no-such-port"))));

    // Run twice: the second run rebuilds the lists instead of adding to them.
    for (int run = 0; run < 2; ++run) {
        QVERIFY(station->StartUp());
        QVERIFY(messages.isEmpty());
        QVERIFY(window->isVisible());
        auto *banks = control<QComboBox>(QStringLiteral("cmbBankenLijst"));
        QCOMPARE(banks->count(), 2);
        QCOMPARE(banks->currentText(), QStringLiteral("alpha"));
        QCOMPARE(station->state().currentBankName, QStringLiteral("alpha"));
        QCOMPARE(window->bankEditor().bankList()->count(), 2);
        QCOMPARE(window->bankEditor().bankList()->currentIndex(), -1);
        auto *channels = control<QComboBox>(QStringLiteral("lstKanaalLijst"));
        QCOMPARE(channels->count(), 2);
        QCOMPARE(channels->currentIndex(), -1);
        auto *rangeList = control<QComboBox>(QStringLiteral("cmbRangeLijst"));
        QCOMPARE(rangeList->count(), 2);
        QCOMPARE(rangeList->currentIndex(), -1);
        QCOMPARE(window->rangeEditor().rangeList()->count(), 2);
        QCOMPARE(window->rangeEditor().rangeList()->currentIndex(), -1);
        QCOMPARE(window->rangeEditor().isVisible(), false);
        QCOMPARE(window->stepIndex(), 5);
        QCOMPARE(window->stepValue(), 125);
        QCOMPARE(window->delayText(), QStringLiteral("2 sec."));
        QCOMPARE(control<QComboBox>(QStringLiteral("cmbDelay"))->count(), 61);
        QCOMPARE(window->squelch(), 2);
        QVERIFY(window->showsFrequency());
        QCOMPARE(window->frequencyText(), dashes);
        QCOMPARE(window->channelText(), QStringLiteral("--"));
        QCOMPARE(station->state().operatingMode, qint16(ModeIdle));
        window->setSquelch(7);
        window->setDelayText(QStringLiteral("9 sec."));
    }
}

void TestMainWindow::startUpStopsOnARefusedValue()
{
    {
        QSettings stored(dir->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        stored.setValue(QStringLiteral("Properties/Display"), QStringLiteral("2"));
    }
    window.reset();
    station = std::make_unique<Station>(
            StationPaths {dir->path(), dir->filePath(QStringLiteral("settings.ini"))}, *clock);
    window = std::make_unique<MainWindow>(*station);
    window->setMessageSink([this](const QString &title, const QString &text) {
        QCOMPARE(title, QStringLiteral("ZE3000r"));
        messages << text;
    });
    QVERIFY(!station->StartUp());
    QCOMPARE(messages.size(), 1);
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
