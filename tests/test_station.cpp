#include "UiFixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QStatusBar>
#include <QtTest>

using namespace ze;
using zetest::UiFixture;
using Commands = std::vector<std::string>;

namespace {

const QByteArray bankFile = " 1 \t 0 \tN\t145.5000\t 0 \t 0 \t 0 \tCalling\r\n"
                            " 1 \t 5 \tA\t118.1000\t 0 \t 1 \t 0 \tTower\r\n"
                            " 3 \t 7 \tW\t98.5000\t 0 \t 0 \t 1 \tRadio\r\n";

void pressKeys(UiFixture &f, const QString &keys)
{
    static const QString digits = QStringLiteral("1234567890.");
    for (QChar key : keys) {
        const int index = digits.indexOf(key);
        f.click(QStringLiteral("cmdDigits(%1)").arg(index < 9 ? index : (key == '0' ? 9 : 10)));
    }
}

int litBars(const UiFixture &f)
{
    int count = 0;
    for (int i = 0; i <= 10; ++i)
        count += f.lit(QStringLiteral("shpSquelch(%1)").arg(i)) ? 1 : 0;
    return count;
}

} // namespace

class TestStation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUpWithDefaults();
    void storedDisplayOption_data();
    void storedDisplayOption();
    void keypadEnterCommand();
    void keypadEnterOnEmptyDisplay();
    void keypadPressStopsScanning();
    void frequencyStepping_data();
    void frequencyStepping();
    void noBankFiles();
    void channelListPick();
    void channelButtons();
    void squelchAndMeter_data();
    void squelchAndMeter();
    void descriptionDisplay();
    void idleModes_data();
    void idleModes();
    void bankScanFromButton();
    void rangeSearchFromButton();
    void hangUpInManualMode();
    void closingStoresSettings();
    void optionsApplyOrRefuse_data();
    void optionsApplyOrRefuse();
};

void TestStation::startUpWithDefaults()
{
    UiFixture f;
    f.writeFile(QStringLiteral("home.bnk"), bankFile);
    QVERIFY(f.startUp());
    QCOMPARE(f.app->window().windowTitle(), QStringLiteral("ZE-3000r"));
    QCOMPARE(f.text(QStringLiteral("lblFrequency")), QStringLiteral("----.----"));
    QCOMPARE(f.text(QStringLiteral("lblChannel")), QStringLiteral("--"));
    auto *step = f.widget<QComboBox>(QStringLiteral("cmbFrequencyStepSize"));
    QCOMPARE(step->currentText(), QStringLiteral("12.5 Khz"));
    QCOMPARE(f.widget<QComboBox>(QStringLiteral("cmbDelay"))->currentText(),
             QStringLiteral("2 sec."));
    QCOMPARE(f.widget<QComboBox>(QStringLiteral("cmbDelay"))->count(), 61);
    QVERIFY(f.widget<QRadioButton>(QStringLiteral("optDisplay(0)"))->isChecked());
    QCOMPARE(f.widget<QSlider>(QStringLiteral("hscrSquelch"))->value(), 2);
    auto *banks = f.widget<QComboBox>(QStringLiteral("cmbBankenLijst"));
    QCOMPARE(banks->count(), 1);
    QCOMPARE(banks->currentText(), QStringLiteral("home"));
    auto *channels = f.widget<QComboBox>(QStringLiteral("lstKanaalLijst"));
    QCOMPARE(channels->count(), 3);
    QCOMPARE(channels->currentIndex(), -1);
    QCOMPARE(channels->itemData(2).toInt(), 307);
    QCOMPARE(f.widget<QComboBox>(QStringLiteral("cmbRangeLijst"))->currentIndex(), -1);
    QCOMPARE(int(f.app->station().state().operatingMode), 0);
    QVERIFY(f.sent().empty());
}

void TestStation::storedDisplayOption_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("chosen"); // -1: start-up stops with a message
    QTest::newRow("1") << "1" << 1;
    QTest::newRow("0.4") << "0.4" << 0;
    QTest::newRow("2") << "2" << -1;
}

void TestStation::storedDisplayOption()
{
    QFETCH(QString, stored);
    QFETCH(int, chosen);
    UiFixture f;
    f.storeSetting(QStringLiteral("Display"), stored);
    const bool started = f.startUp();
    QCOMPARE(started, chosen >= 0);
    if (chosen >= 0) {
        QVERIFY(f.widget<QRadioButton>(QStringLiteral("optDisplay(%1)").arg(chosen))->isChecked());
        QVERIFY(f.messages.isEmpty());
    } else {
        QCOMPARE(f.messages.size(), 1);
        QVERIFY(!f.app->window().isVisible());
        QVERIFY(!f.app->station().serialPort().isOpen());
    }
}

void TestStation::keypadEnterCommand()
{
    UiFixture f;
    QVERIFY(f.startUp());
    pressKeys(f, QStringLiteral("145.5"));
    QCOMPARE(f.text(QStringLiteral("lblFrequency")), QStringLiteral("145.5"));
    f.click(QStringLiteral("cmdDigits(12)")); // Mode: none lit -> WFM
    QVERIFY(f.lit(QStringLiteral("lblMode(1)")));
    f.click(QStringLiteral("cmdDigits(11)")); // Enter
    f.click(QStringLiteral("cmdDigits(13)")); // ATT on
    f.click(QStringLiteral("cmdDigits(11)"));
    QCOMPARE(f.sent(), (Commands {"145.5TW", "145.5RW"}));
    QCOMPARE(QByteArray::fromStdString(f.sim.receivedBytes()), QByteArray("145.5TW\r145.5RW\r"));
    QCOMPARE(f.text(QStringLiteral("lblFrequency")), QStringLiteral("145.5"));
    QCOMPARE(int(f.app->station().state().operatingMode), int(ModeDirect));
}

void TestStation::keypadEnterOnEmptyDisplay()
{
    UiFixture f;
    QVERIFY(f.startUp());
    f.click(QStringLiteral("cmdDigits(11)"));
    QCOMPARE(f.sent(), Commands {"TN"});
    QCOMPARE(f.text(QStringLiteral("lblFrequency")), QString());
}

void TestStation::keypadPressStopsScanning()
{
    UiFixture f;
    f.writeFile(QStringLiteral("home.bnk"), bankFile);
    QVERIFY(f.startUp());
    f.click(QStringLiteral("cmdScanBanks"));
    f.runPasses(3);
    const ProgramState &s = f.app->station().state();
    const int bank = s.currentBank;
    const int channel = s.currentChannel;
    f.click(QStringLiteral("cmdDigits(14)")); // Store: only the common steps
    QCOMPARE(int(s.operatingMode), int(ModeDirect));
    QCOMPARE(int(s.currentBank), bank);
    QCOMPARE(int(s.currentChannel), channel);
    QCOMPARE(f.text(QStringLiteral("lblFrequency")), QString());
}

void TestStation::frequencyStepping_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("result");
    QTest::newRow("up 12.5 kHz") << "145.5000" << 5 << "cmdFrequencyUp"
                                 << "145.5125";
    QTest::newRow("down 12.5 kHz") << "145.5000" << 5 << "cmdFrequencyDown"
                                   << "145.4875";
    QTest::newRow("floor") << "0.100" << 11 << "cmdFrequencyDown"
                           << "0.100";
    QTest::newRow("ceiling") << "2036.0000" << 0 << "cmdFrequencyUp"
                             << "2036.0000";
    QTest::newRow("from a description") << "Tower" << 5 << "cmdFrequencyUp"
                                        << "0.100";
    QTest::newRow("from the cleared display") << "----.----" << 8 << "cmdFrequencyUp"
                                              << "0.1000";
}

void TestStation::frequencyStepping()
{
    QFETCH(QString, start);
    QFETCH(int, step);
    QFETCH(QString, button);
    QFETCH(QString, result);
    UiFixture f;
    QVERIFY(f.startUp());
    f.widget<QComboBox>(QStringLiteral("cmbFrequencyStepSize"))->setCurrentIndex(step);
    f.app->window().display().setFrequencyText(start);
    f.click(button);
    QCOMPARE(f.text(QStringLiteral("lblFrequency")), result);
    QCOMPARE(f.sent(), Commands {result.toStdString()});
    QCOMPARE(int(f.app->station().state().operatingMode), int(ModeDirect));
}

void TestStation::noBankFiles()
{
    UiFixture f;
    QVERIFY(f.startUp());
    QCOMPARE(f.widget<QComboBox>(QStringLiteral("cmbBankenLijst"))->count(), 0);
    QCOMPARE(f.widget<QComboBox>(QStringLiteral("lstKanaalLijst"))->count(), 0);
    QVERIFY(f.app->window().isVisible());
}

void TestStation::channelListPick()
{
    UiFixture f;
    f.writeFile(QStringLiteral("home.bnk"), bankFile);
    QVERIFY(f.startUp());
    auto *channels = f.widget<QComboBox>(QStringLiteral("lstKanaalLijst"));
    channels->setCurrentIndex(1);
    Q_EMIT channels->activated(1);
    const ProgramState &s = f.app->station().state();
    QCOMPARE(int(s.operatingMode), int(ModeManualStart));
    QCOMPARE(int(s.currentBank), 1);
    QCOMPARE(int(s.currentChannel), 5);
    f.runPasses(1);
    QCOMPARE(f.sent(), Commands {"118.1000AR"});
    QCOMPARE(f.app->window().statusText(), QStringLiteral("Manual mode"));
    f.runPasses(1);
    QCOMPARE(f.sent().size(), size_t(4));
    QCOMPARE(f.text(QStringLiteral("lblChannel")), QStringLiteral("5"));
    QVERIFY(f.lit(QStringLiteral("lblBank(1)")));
}

void TestStation::channelButtons()
{
    UiFixture f;
    f.writeFile(QStringLiteral("home.bnk"), bankFile);
    QVERIFY(f.startUp());
    ProgramState &s = f.app->station().state();
    s.currentBank = 3;
    s.currentChannel = 5;
    f.click(QStringLiteral("cmdChannelUp"));
    QCOMPARE(int(s.currentBank), 1);
    QCOMPARE(int(s.currentChannel), 6);
    s.currentChannel = 0;
    f.click(QStringLiteral("cmdChannelDown"));
    QCOMPARE(int(s.currentBank), 2);
    QCOMPARE(int(s.currentChannel), 0);
    s.currentChannel = 99;
    f.click(QStringLiteral("cmdChannelUp"));
    QCOMPARE(int(s.currentBank), 2);
    QCOMPARE(int(s.currentChannel), 0);
    QCOMPARE(int(s.operatingMode), int(ModeManualStart));
    // An empty channel is still tuned: only its attenuator letter goes out.
    f.runPasses(1);
    QCOMPARE(f.sent(), Commands {"T"});
}

void TestStation::squelchAndMeter_data()
{
    QTest::addColumn<int>("slider");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<int>("bars");
    QTest::newRow("slider 12, level 0") << 12 << 0 << "F" << 1;
    QTest::newRow("slider 0, level 11") << 0 << 11 << "E" << 11;
    QTest::newRow("slider 0, level 12") << 0 << 12 << "F" << 11;
    QTest::newRow("level 2 lights 3 bars") << 2 << 2 << "E" << 3;
}

void TestStation::squelchAndMeter()
{
    QFETCH(int, slider);
    QFETCH(int, level);
    QFETCH(QString, verdict);
    QFETCH(int, bars);
    UiFixture f;
    QVERIFY(f.startUp());
    f.widget<QSlider>(QStringLiteral("hscrSquelch"))->setValue(slider);
    f.sim.setNoiseLevel(level);
    f.click(QStringLiteral("cmdDigits(15)")); // Clear: direct mode
    f.runPasses(1);
    QCOMPARE(f.sent(), (Commands {"Y", "Y", verdict.toStdString()}));
    QCOMPARE(litBars(f), bars);
    QCOMPARE(f.app->window().statusText(), QStringLiteral("Direct mode"));
}

void TestStation::descriptionDisplay()
{
    UiFixture f;
    f.writeFile(QStringLiteral("home.bnk"), " 1 \t 3 \tN\t145.12345\t 0 \t 0 \t 0 \tTower\r\n");
    QVERIFY(f.startUp());
    auto *channels = f.widget<QComboBox>(QStringLiteral("lstKanaalLijst"));
    channels->setCurrentIndex(0);
    Q_EMIT channels->activated(0);
    f.widget<QSlider>(QStringLiteral("hscrSquelch"))->setValue(12);
    f.runPasses(2);
    QCOMPARE(f.text(QStringLiteral("lblFrequency")), QStringLiteral("145.1234"));
    f.widget<QRadioButton>(QStringLiteral("optDisplay(1)"))->setChecked(true);
    f.runPasses(1);
    QCOMPARE(f.text(QStringLiteral("lblFrequency")), QStringLiteral("Tower"));
}

void TestStation::idleModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("8") << 8;
    QTest::newRow("-1") << -1;
}

void TestStation::idleModes()
{
    QFETCH(int, mode);
    UiFixture f;
    QVERIFY(f.startUp());
    f.app->station().state().operatingMode = qint16(mode);
    f.runPasses(3);
    QVERIFY(f.sent().empty());
    QCOMPARE(f.text(QStringLiteral("lblFrequency")), QStringLiteral("----.----"));
}

void TestStation::bankScanFromButton()
{
    UiFixture f;
    f.writeFile(QStringLiteral("home.bnk"), bankFile);
    QVERIFY(f.startUp());
    f.widget<QSlider>(QStringLiteral("hscrSquelch"))->setValue(0);
    f.app->station().state().currentChannel = -1;
    f.click(QStringLiteral("cmdScanBanks"));
    f.runPasses(6); // channels 1 to 4 are empty: one pass each, nothing sent
    QCOMPARE(f.sent(), (Commands {"145.5000NT", "Y", "Y", "E", "118.1000AR", "Y", "Y", "E"}));
    QCOMPARE(f.app->window().statusText(), QStringLiteral("Scanning mode"));
    QVERIFY(f.lit(QStringLiteral("lblATT")));
}

void TestStation::rangeSearchFromButton()
{
    UiFixture f;
    f.writeFile(QStringLiteral("range.rng"), "100\t101\tN\t0.5\tTest band\r\n");
    QVERIFY(f.startUp());
    f.click(QStringLiteral("cmdSearchScan")); // nothing picked: nothing happens
    QCOMPARE(int(f.app->station().state().operatingMode), 0);
    auto *ranges = f.widget<QComboBox>(QStringLiteral("cmbRangeLijst"));
    QCOMPARE(ranges->count(), 1);
    ranges->setCurrentIndex(0);
    Q_EMIT ranges->activated(0);
    f.click(QStringLiteral("cmdSearchScan"));
    f.runPasses(2);
    QCOMPARE(f.sent().at(0), std::string("100.5000N"));
    QCOMPARE(f.sent().at(4), std::string("101.0000N"));
    QCOMPARE(f.app->window().statusText(), QStringLiteral("Scanning range"));
}

void TestStation::hangUpInManualMode()
{
    UiFixture f;
    f.writeFile(QStringLiteral("home.bnk"), bankFile);
    QVERIFY(f.startUp());
    auto *channels = f.widget<QComboBox>(QStringLiteral("lstKanaalLijst"));
    channels->setCurrentIndex(0);
    Q_EMIT channels->activated(0);
    f.runPasses(2);
    f.sim.hangUp();
    f.runPasses(2);
    QVERIFY(!f.app->station().serialPort().isOpen());
    // The port panel says the receiver is gone; the window still takes the operator's clicks.
    const QString port = f.app->station().serialPort().stateText();
    QVERIFY(!f.app->station().serialPort().lastError().isEmpty());
    QVERIFY(f.app->window().statusBar()->findChildren<QWidget *>().size() > 0);
    bool shown = false;
    for (QLabel *label : f.app->window().statusBar()->findChildren<QLabel *>())
        shown = shown || label->text() == port;
    QVERIFY2(shown, qPrintable(port));
    f.click(QStringLiteral("cmdDigits(0)"));
    QCOMPARE(f.text(QStringLiteral("lblFrequency")), QStringLiteral("1"));
    // Passes without a port wait for events instead of spinning.
    f.app->loop().setReconnectIntervalMs(50);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (++ticks == 4)
            f.app->loop().stop();
    });
    ticker.start(30);
    f.app->loop().run();
    QCOMPARE(ticks, 4);
}

void TestStation::closingStoresSettings()
{
    UiFixture f;
    QVERIFY(f.startUp());
    f.widget<QSlider>(QStringLiteral("hscrSquelch"))->setValue(9);
    f.widget<QComboBox>(QStringLiteral("cmbFrequencyStepSize"))->setCurrentIndex(2);
    f.widget<QComboBox>(QStringLiteral("cmbDelay"))->setEditText(QStringLiteral("120"));
    f.widget<QRadioButton>(QStringLiteral("optDisplay(1)"))->setChecked(true);
    f.app->window().close();
    QVERIFY(f.app->station().shutDownDone());
    QVERIFY(!f.app->loop().running());
    QSettings stored(f.path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    stored.beginGroup(QStringLiteral("Properties"));
    QCOMPARE(stored.value(QStringLiteral("Squelch")).toString(), QStringLiteral("9"));
    QCOMPARE(stored.value(QStringLiteral("FreqStepSize")).toString(), QStringLiteral("2"));
    QCOMPARE(stored.value(QStringLiteral("Delay")).toString(), QStringLiteral("120"));
    QCOMPARE(stored.value(QStringLiteral("Display")).toString(), QStringLiteral("1"));
}

void TestStation::optionsApplyOrRefuse_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("applied");
    QTest::newRow("same port, 4800") << ""
                                     << "4800,n,8,2" << true;
    QTest::newRow("typo in the line settings") << ""
                                               << "9600,n,8" << false;
    QTest::newRow("not a port") << "com one"
                                << "9600,n,8,2" << false;
}

void TestStation::optionsApplyOrRefuse()
{
    QFETCH(QString, port);
    QFETCH(QString, line);
    QFETCH(bool, applied);
    UiFixture f;
    QVERIFY(f.startUp());
    const QString device = f.path(QStringLiteral("receiver"));
    if (port.isEmpty())
        port = device;
    auto *menu = f.app->window().findChild<QAction *>(QStringLiteral("mnuSetting"));
    QVERIFY(menu);
    menu->trigger();
    auto *options = f.app->window().findChild<QWidget *>(QStringLiteral("frmOptions"));
    QVERIFY(options && options->isVisible());
    options->findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(port);
    options->findChild<QComboBox *>(QStringLiteral("Combo2"))->setEditText(line);
    options->findChild<QAbstractButton *>(QStringLiteral("cmdOK"))->click();

    QSettings stored(f.path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    stored.beginGroup(QStringLiteral("Properties"));
    QCOMPARE(stored.value(QStringLiteral("Settings")).toString() == line, applied);
    QCOMPARE(options->isVisible(), !applied);
    QCOMPARE(f.messages.isEmpty(), applied);
    ze::SerialPort &serial = f.app->station().serialPort();
    QVERIFY(serial.isOpen());
    QCOMPARE(serial.lineSettings(), applied ? line : QStringLiteral("9600,n,8,2"));
    if (applied) {
        QCOMPARE(stored.value(QStringLiteral("Handshaking")).toString(), QStringLiteral("2"));
        QCOMPARE(stored.value(QStringLiteral("CommPort")).toString(), device);
        QTRY_COMPARE(f.sim.lineBaudRate(), 4800);
    }
}

QTEST_MAIN(TestStation)
#include "test_station.moc"
