// The main window's own rules: its controls and their names, the keypad's entry buffer, the
// Return key, the lists' reactions to picks, the lamps' layout, the spectrum surface and the
// secondary windows. The whole program runs in-process against the simulated receiver.

#include "UiFixture.h"
#include "ui/BankEditor.h"
#include "ui/RangeEditor.h"
#include "ui/SpectrumView.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QSlider>
#include <QStatusBar>
#include <QtTest>

using namespace ze;
using zetest::UiFixture;

namespace {

const QString dashes = QStringLiteral("----.----");

// The main window's controls apart from the numbered ones: "name=caption", or the name alone.
const char *const captions
        = "Label2=Tunewright ZE-3000R Communications Receiver|Shape1|lblFrequency=----.----|"
          "lblChannel=--|lblATT=ATT|lblPass=PASS|lblDivers(0)=M|lblDivers(1)=kHz|"
          "lblDivers(2)=mHz|Label1=1 3 5 7 9 +10 +20|optDisplay(0)=Frequency|"
          "optDisplay(1)=Description|cmbDelay|Label5=Delay|hscrSquelch|Label4=Squelch|"
          "cmdChannelDown=<< Channel down|cmdChannelUp=Channel up  >>|"
          "chkSchrijfInLogFile=Write to logfile|cmdViewLogfile=View logfile|Label3=Banks|"
          "cmbBankenLijst|Label6=Channels|lstKanaalLijst|cmdScanBanks=Scan|cmdEditBanks=Edit|"
          "cmbRangeLijst|chkSpectrum=Spectrum|cmdSearchScan=Scan|cmdSearchEdit=Edit|"
          "picSpectrum|Label7=Stepsize|cmbFrequencyStepSize|"
          "cmdFrequencyDown=<< Frequency down|cmdFrequencyUp=Frequency up  >>|"
          "mnuSetting=Setting|mnuInfo=Info|StatusBar1";

// Banks 1 to 3 of "alpha" hold one channel each; "beta" holds one.
void writeFiles(UiFixture &f)
{
    f.writeFile(QStringLiteral("alpha.bnk"),
                " 1 \t 1 \tN\t145.5000\t 0 \t 0 \t 0 \tOne\r\n"
                " 2 \t 2 \tN\t145.6000\t 0 \t 0 \t 0 \tTwo\r\n"
                " 3 \t 7 \tA\t118.1000\t 0 \t 0 \t 0 \tTower\r\n");
    f.writeFile(QStringLiteral("beta.bnk"), " 2 \t 2 \tW\t98.5000\t 0 \t 0 \t 0 \tRadio\r\n");
    f.writeFile(QStringLiteral("range.rng"),
                "118\t137\tA\t0.025\tAir band\r\n156\t163\tN\t0.025\tMarine\r\n");
}

// Keys by caption: digits and ".", then Enter, Mode, ATT, Store and Clear by their first letter.
void press(UiFixture &f, const QString &keys)
{
    static const QString order = QStringLiteral("1234567890.EMASC");
    for (QChar key : keys) {
        QVERIFY(order.contains(key));
        f.click(QStringLiteral("cmdDigits(%1)").arg(order.indexOf(key)));
    }
}

QString position(int mode, int bank, int channel, int hold)
{
    return QStringLiteral("mode %1 at %2-%3 hold %4").arg(mode).arg(bank).arg(channel).arg(hold);
}

QString position(const ProgramState &s)
{
    return position(s.operatingMode, s.currentBank, s.currentChannel, s.holdStart);
}

// Everything a pick in a list may change, in one line.
QString pickState(UiFixture &f)
{
    const ProgramState &s = f.app->station().state();
    const auto *view = f.widget<SpectrumView>(QStringLiteral("picSpectrum"));
    QImage blank(view->imageSize(), view->image().format());
    blank.fill(view->background());
    return QStringLiteral("%1 of %2 banks, %3, range %4 of %5, %6 channels, spectrum %7")
            .arg(s.currentBankName)
            .arg(f.widget<QComboBox>(QStringLiteral("cmbBankenLijst"))->count())
            .arg(position(s))
            .arg(s.currentRange)
            .arg(f.widget<QComboBox>(QStringLiteral("cmbRangeLijst"))->count())
            .arg(f.widget<QComboBox>(QStringLiteral("lstKanaalLijst"))->count())
            .arg(view->image() == blank ? QStringLiteral("blank") : QStringLiteral("drawn"));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controls_data();
    void controls();
    void accessibleNamesAndRoles();

    void keypad_data();
    void keypad();
    void returnKeyPressesRangeScan_data();
    void returnKeyPressesRangeScan();

    void picks_data();
    void picks();

    void lampsKeepTheirPlace();
    void spectrumPens_data();
    void spectrumPens();

    void secondaryWindows_data();
    void secondaryWindows();
    void refusedStoredValueStopsStartUp();
};

void TestMainWindow::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption"); // null: nothing to read

    QStringList rows = QString::fromUtf8(captions).split(QLatin1Char('|'));
    for (int bank = 1; bank <= 4; ++bank)
        rows << QStringLiteral("lblBank(%1)=Bank%1").arg(bank)
             << QStringLiteral("chkScan(%1)=Bank%1").arg(bank);
    const QStringList modes = {"NFM", "WFM", "AM", "LSB", "USB", "CW"};
    for (int i = 0; i < modes.size(); ++i)
        rows << QStringLiteral("lblMode(%1)=").arg(i) + modes[i];
    const QStringList keys = {"1", "2", "3", "4",     "5",    "6",   "7",     "8",
                              "9", "0", ".", "Enter", "Mode", "ATT", "Store", "Clear"};
    for (int i = 0; i < keys.size(); ++i)
        rows << QStringLiteral("cmdDigits(%1)=").arg(i) + keys[i];
    for (int i = 0; i <= 10; ++i)
        rows << QStringLiteral("shpSquelch(%1)").arg(i);
    for (const QString &row : rows) {
        const int split = row.indexOf(QLatin1Char('='));
        const QString name = row.left(split);
        QTest::newRow(qPrintable(name)) << name << (split < 0 ? QString() : row.mid(split + 1));
    }
}

void TestMainWindow::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    UiFixture f;
    QVERIFY(f.startUp());
    MainWindow &window = f.app->window();
    QCOMPARE(window.objectName(), QStringLiteral("frmTerminal"));
    // The secondary windows are the main window's children too; they have names of their own.
    QObjectList found = window.centralWidget()->findChildren<QObject *>(name)
            + window.menuBar()->findChildren<QObject *>(name);
    if (window.statusBar()->objectName() == name)
        found << window.statusBar();
    QCOMPARE(found.size(), 1);
    if (!caption.isNull())
        QCOMPARE(found.first()->property("text").toString(), caption);
}

void TestMainWindow::accessibleNamesAndRoles()
{
    UiFixture f;
    QVERIFY(f.startUp());
    QWidget *central = f.app->window().centralWidget();
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
    QStringList names;
    for (QWidget *w : controls) {
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        QVERIFY2(!names.contains(w->accessibleName()), qPrintable(w->accessibleName()));
        names << w->accessibleName();
    }

    // A screen reader reads a display's text itself; the description tells what it shows.
    const QList<QLabel *> labels = f.app->window().centralWidget()->findChildren<QLabel *>(
            QRegularExpression(QStringLiteral("^lbl(Frequency|Channel|ATT|Pass|Bank|Mode)")));
    QCOMPARE(labels.size(), 2 + 2 + 4 + 6);
    QStringList descriptions;
    for (QLabel *label : labels) {
        const QString description = label->accessibleDescription();
        QVERIFY2(label->accessibleName().isEmpty(), qPrintable(label->objectName()));
        QVERIFY2(!description.isEmpty(), qPrintable(label->objectName()));
        QVERIFY2(!descriptions.contains(description), qPrintable(description));
        descriptions << description;
    }
}

void TestMainWindow::keypad_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("keys"); // E Enter, M Mode, A ATT, S Store, C Clear
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("lamps");
    QTest::addColumn<QString>("sent");

    auto row = [](const char *name, const QString &start, int mode, const char *keys,
                  const char *display, const char *lamps, const char *sent) {
        QTest::newRow(name) << start << mode << keys << display << lamps << sent;
    };
    row("first press empties the dashes", dashes, ModeIdle, "1", "1", "", "");
    row("a dash empties even in direct mode", "14-5", ModeDirect, "1", "1", "", "");
    row("every digit", dashes, ModeIdle, "1234.567890", "1234.567890", "", "");
    row("point only once", dashes, ModeIdle, "1..5.", "1.5", "", "");
    row("point already there", "145.5", ModeDirect, ".", "145.5", "", "");
    row("direct mode appends", "145.5", ModeDirect, "1", "145.51", "", "");
    row("scanning: first press empties", "145.5000", ModeScanning, "3", "3", "", "");
    row("manual: Store empties", "145.5000", ModeManual, "S", "", "", "");
    row("Clear starts anew", dashes, ModeIdle, "12C3", "3", "", "");
    row("Store, Mode and ATT keep the entry", dashes, ModeIdle, "1MSAS2", "12", "WFM ATT", "");
    row("Mode from none to WFM to AM", dashes, ModeIdle, "145.5MMAE", "145.5", "AM ATT", "145.5RA");
    row("Mode wraps from CW to NFM", dashes, ModeIdle, "1MMMMMME", "1", "NFM", "1TN");
    row("ATT twice is off", dashes, ModeIdle, "1AAE", "1", "", "1TN");
    row("Enter keeps the entry", dashes, ModeIdle, "1E2E", "12", "", "1TN 12TN");
}

void TestMainWindow::keypad()
{
    QFETCH(QString, start);
    QFETCH(int, mode);
    QFETCH(QString, keys);
    QFETCH(QString, display);
    QFETCH(QString, lamps);
    QFETCH(QString, sent);

    UiFixture f;
    QVERIFY(f.startUp());
    ProgramState &state = f.app->station().state();
    f.app->window().display().setFrequencyText(start);
    state.operatingMode = static_cast<qint16>(mode);
    state.currentBank = 3;
    state.currentChannel = 42;
    state.holdStart = 500;
    press(f, keys);

    QCOMPARE(f.text(QStringLiteral("lblFrequency")), display);
    QStringList lit;
    for (const char *lamp : {"lblMode(0)", "lblMode(1)", "lblMode(2)", "lblMode(3)", "lblMode(4)",
                             "lblMode(5)", "lblATT"}) {
        if (f.lit(lamp))
            lit << f.text(lamp);
    }
    QCOMPARE(lit.join(QLatin1Char(' ')), lamps);
    QStringList commands;
    for (const std::string &command : f.sent())
        commands << QString::fromStdString(command);
    QCOMPARE(commands.join(QLatin1Char(' ')), sent);
    // Direct mode without the resets of a mode change: the position stays.
    QCOMPARE(position(state), position(ModeDirect, 3, 42, 500));
}

void TestMainWindow::returnKeyPressesRangeScan_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("mode");
    QTest::newRow("delay box") << "cmbDelay" << int(ModeSearchStart);
    QTest::newRow("spectrum tick") << "chkSpectrum" << int(ModeSearchStart);
    // A push button with the focus is pressed itself; the keypad's Enter is not a shortcut.
    QTest::newRow("bank scan button") << "cmdScanBanks" << int(ModeScanStart);
    QTest::newRow("keypad Store") << "cmdDigits(14)" << int(ModeDirect);
}

void TestMainWindow::returnKeyPressesRangeScan()
{
    QFETCH(QString, focus);
    QFETCH(int, mode);
    UiFixture f;
    writeFiles(f);
    QVERIFY(f.startUp());
    f.widget<QComboBox>(QStringLiteral("cmbRangeLijst"))->setCurrentIndex(0);
    MainWindow &window = f.app->window();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QWidget *target = f.widget(focus);
    QVERIFY(target);
    target->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), target);
    f.app->station().state().operatingMode = ModeManual;
    QTest::keyClick(target, Qt::Key_Return);
    QCOMPARE(f.app->station().state().operatingMode, qint16(mode));
}

void TestMainWindow::picks_data()
{
    QTest::addColumn<QString>("control"); // null: start-up runs again
    QTest::addColumn<bool>("byOperator");
    QTest::addColumn<bool>("startingUp");
    QTest::addColumn<QString>("after"); // null: nothing changed

    auto row = [](const char *name, const char *control, bool byOperator, bool startingUp,
                  const char *after) {
        QTest::newRow(name) << QString::fromLatin1(control) << byOperator << startingUp
                            << QString::fromLatin1(after);
    };
    // Program selections never react; the operator's picks (the last entry, or a click on the
    // tick box) do. Start-up leaves the station at 0-0.
    row("bank list, program", "cmbBankenLijst", false, false, nullptr);
    row("bank list, operator", "cmbBankenLijst", true, false,
        "beta of 2 banks, mode 0 at 0-0 hold 0, range 0 of 2, 1 channels, spectrum drawn");
    row("bank list, operator during start-up", "cmbBankenLijst", true, true, nullptr);
    row("channel list, program", "lstKanaalLijst", false, false, nullptr);
    row("channel list, operator", "lstKanaalLijst", true, false,
        "alpha of 2 banks, mode 3 at 3-7 hold 0, range 0 of 2, 3 channels, spectrum drawn");
    row("range list, program", "cmbRangeLijst", false, false, nullptr);
    row("range list, operator", "cmbRangeLijst", true, false,
        "alpha of 2 banks, mode 0 at 0-0 hold 0, range 1 of 2, 3 channels, spectrum blank");
    row("bank tick, program", "chkScan(3)", false, false, nullptr);
    row("bank tick, operator", "chkScan(3)", true, false,
        "alpha of 2 banks, mode 0 at 0-0 hold 0, range 0 of 2, 2 channels, spectrum drawn");
    // The lists are rebuilt rather than added to.
    row("start-up again", nullptr, false, false, nullptr);
}

void TestMainWindow::picks()
{
    QFETCH(QString, control);
    QFETCH(bool, byOperator);
    QFETCH(bool, startingUp);
    QFETCH(QString, after);

    UiFixture f;
    writeFiles(f);
    QVERIFY(f.startUp());
    MainWindow &window = f.app->window();
    // Surface units, fifteen to a pixel: pixel column 10, rows 0 to 50.
    window.drawSpectrumLine(150, 0, 750, SpectrumPen::Level);
    const QString before = pickState(f);
    QVERIFY2(before.endsWith(QStringLiteral("spectrum drawn")), qPrintable(before));
    f.app->station().state().startingUp = startingUp;

    if (control.isNull()) {
        QVERIFY(f.app->startUp());
    } else if (auto *list = f.widget<QComboBox>(control)) {
        if (byOperator)
            QTest::keyClick(list, Qt::Key_End);
        else
            list->setCurrentIndex(list->count() - 1);
        QCOMPARE(list->currentIndex(), list->count() - 1);
    } else {
        auto *box = f.widget<QAbstractButton>(control);
        QVERIFY(box);
        if (byOperator)
            box->click();
        else
            box->setChecked(false);
        QVERIFY(!window.bankTicked(3));
    }
    QCOMPARE(pickState(f), after.isNull() ? before : after);

    // The lists start, and stay, with nothing selected; the bank list shows the bank in use.
    const bool picked = !control.isNull();
    QCOMPARE(f.widget<QComboBox>(QStringLiteral("lstKanaalLijst"))->currentIndex(),
             picked && control == QLatin1String("lstKanaalLijst") ? 2 : -1);
    QCOMPARE(f.widget<QComboBox>(QStringLiteral("cmbRangeLijst"))->currentIndex(),
             picked && control == QLatin1String("cmbRangeLijst") ? 1 : -1);
    QCOMPARE(window.bankEditor().bankList()->currentIndex(), -1);
    QCOMPARE(window.rangeEditor().rangeList()->count(), 2);
    QCOMPARE(window.rangeEditor().rangeList()->currentIndex(), -1);
    window.editorChannelList().addItem(QStringLiteral(" 1- 5  N  145.5000"), 105);
    QCOMPARE(window.bankEditor().channelList()->currentRow(), -1);
}

void TestMainWindow::lampsKeepTheirPlace()
{
    UiFixture f;
    QVERIFY(f.startUp());
    MainWindow &window = f.app->window();
    QVERIFY(QTest::qWaitForWindowExposed(&window)); // start-up shows it
    auto *panel = f.widget(QStringLiteral("Shape1"));
    auto *frequency = f.widget(QStringLiteral("lblFrequency"));
    const QSize darkPanel = panel->size();
    const QPoint darkFrequency = frequency->pos();

    window.display().showBank(3);
    window.display().showBank(2);
    for (int i = 0; i < 6; ++i)
        window.display().setModeLit(i, true);
    window.display().setAttenuatorLit(true);
    window.display().setPassLit(true);
    for (int i = 0; i <= 10; ++i)
        window.display().setSignalBarLit(i, true);
    window.display().setFrequencyText(QStringLiteral("145.5000"));
    QCoreApplication::processEvents();
    QCOMPARE(panel->size(), darkPanel);
    QCOMPARE(frequency->pos(), darkFrequency);
    for (int bank = 1; bank <= 4; ++bank)
        QCOMPARE(f.lit(QStringLiteral("lblBank(%1)").arg(bank)), bank == 2);

    window.clearDisplay();
    QCOMPARE(window.display().frequencyText(), dashes);
    QCOMPARE(window.display().channelText(), QStringLiteral("--"));
    const QList<QWidget *> lamps = window.centralWidget()->findChildren<QWidget *>(
            QRegularExpression(QStringLiteral("^(lblATT|lblPass|lblBank|lblMode|shpSquelch)")));
    QCOMPARE(lamps.size(), 2 + 4 + 6 + 11);
    for (QWidget *lamp : lamps)
        QVERIFY2(lamp->isHidden(), qPrintable(lamp->objectName()));
    QCOMPARE(panel->size(), darkPanel);

    // The notice and port panels are panels of their own: a status text leaves them alone.
    window.showNotice(QStringLiteral("log not written"));
    window.showPortState(QStringLiteral("port closed"));
    window.showStatus(QStringLiteral("Direct mode"));
    QCOMPARE(window.statusText(), QStringLiteral("Direct mode"));
    QStringList texts;
    for (QLabel *label : window.statusBar()->findChildren<QLabel *>())
        texts << label->text();
    QVERIFY(texts.contains(QStringLiteral("log not written")));
    QVERIFY(texts.contains(QStringLiteral("port closed")));

    // The S-meter's bars stand on one baseline and grow towards the right.
    int previousHeight = 0;
    const int bottom = f.widget(QStringLiteral("shpSquelch(0)"))->geometry().bottom();
    for (int i = 0; i <= 10; ++i) {
        QWidget *bar = f.widget(QStringLiteral("shpSquelch(%1)").arg(i));
        QVERIFY(bar->height() >= previousHeight);
        previousHeight = bar->height();
        QCOMPARE(bar->geometry().bottom(), bottom);
    }
}

void TestMainWindow::spectrumPens_data()
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

void TestMainWindow::spectrumPens()
{
    QFETCH(int, pen);
    QFETCH(double, y1);
    QFETCH(double, y2);
    QFETCH(double, litFrom);

    UiFixture f;
    QVERIFY(f.startUp());
    MainWindow &window = f.app->window();
    auto *view = f.widget<SpectrumView>(QStringLiteral("picSpectrum"));
    const int units = SpectrumView::unitsPerPixel;
    QCOMPARE(window.spectrumSize(), view->imageSize() * units);
    const QColor colours[3] = {QColor(128, 0, 0), view->background(), QColor(15, 0, 0)};
    // Start from a lit column so that the erasing pen shows too. The last unit of pixel
    // column 7 draws into that column alone.
    const int x = 7;
    const int h = view->imageSize().height();
    for (int y = 0; y < h; ++y)
        view->drawVerticalLine(x, y, y, Qt::green);
    const int height = window.spectrumSize().height();
    window.drawSpectrumLine(x * units + units - 1, qRound(y1 * height), qRound(y2 * height),
                            static_cast<SpectrumPen>(pen));
    for (int y = 0; y < h; ++y) {
        const bool lit = litFrom >= 0 && y >= qRound(litFrom * h);
        QCOMPARE(view->image().pixelColor(x, y), lit ? colours[pen] : QColor(Qt::green));
        QCOMPARE(view->image().pixelColor(x + 1, y), view->background());
        QCOMPARE(view->image().pixelColor(x - 1, y), view->background());
    }

    // Outside the surface nothing is drawn and nothing breaks.
    const QImage before = view->image();
    window.drawSpectrumLine(-1, 0, 10, SpectrumPen::Level);
    window.drawSpectrumLine(window.spectrumSize().width(), 0, 10, SpectrumPen::Level);
    window.drawSpectrumLine(1 << 30, -(1 << 30), 1 << 30, SpectrumPen::Marker);
    QCOMPARE(view->image(), before);

    window.clearSpectrum();
    QImage blank(view->imageSize(), view->image().format());
    blank.fill(view->background());
    QCOMPARE(view->image(), blank);
}

void TestMainWindow::secondaryWindows_data()
{
    QTest::addColumn<QString>("trigger"); // a button or a menu entry
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("mode"); // after opening it while scanning
    QTest::addColumn<QString>("bank"); // the station's bank and the bank editor's channels
    QTest::addColumn<bool>("okDestroys");

    auto row = [](const char *trigger, const char *name, const char *title, int mode,
                  const char *bank, bool okDestroys) {
        QTest::newRow(name) << trigger << name << title << mode << bank << okDestroys;
    };
    // The bank editor opens on the bank the main window's list shows.
    row("cmdEditBanks", "EditBank", "Edit banks", ModeScanning, "beta, 1 channels", false);
    row("cmdSearchEdit", "EditRange", "Edit Range", ModeIdle, "alpha, 0 channels", false);
    row("cmdViewLogfile", "frmViewLogfile", "View logfile", ModeScanning, "alpha, 0 channels",
        false);
    row("mnuSetting", "frmOptions", "Options", ModeScanning, "alpha, 0 channels", false);
    row("mnuInfo", "frmAbout", "ZE-3000r", ModeScanning, "alpha, 0 channels", true);
}

void TestMainWindow::secondaryWindows()
{
    QFETCH(QString, trigger);
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(int, mode);
    QFETCH(QString, bank);
    QFETCH(bool, okDestroys);

    UiFixture f;
    writeFiles(f);
    QVERIFY(f.startUp());
    MainWindow &window = f.app->window();
    f.widget<QComboBox>(QStringLiteral("cmbBankenLijst"))->setCurrentIndex(1);
    f.app->station().state().operatingMode = ModeScanning;
    for (int time = 0; time < 2; ++time) {
        if (auto *action = window.findChild<QAction *>(trigger))
            action->trigger();
        else
            f.click(trigger);
    }
    // Opened twice, it is still one window.
    const QList<QWidget *> opened = window.findChildren<QWidget *>(name);
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened.first()->isVisible());
    QCOMPARE(opened.first()->windowTitle(), title);
    QCOMPARE(f.app->station().state().operatingMode, qint16(mode));
    QCOMPARE(QStringLiteral("%1, %2 channels")
                     .arg(f.app->station().state().currentBankName)
                     .arg(window.bankEditor().channelList()->count()),
             bank);
    if (okDestroys) {
        QPointer<QWidget> gone = opened.first();
        auto *ok = gone->findChild<QAbstractButton *>(QStringLiteral("cmdOK"));
        QVERIFY(ok);
        ok->click();
        QTRY_VERIFY(gone.isNull());
    }
}

void TestMainWindow::refusedStoredValueStopsStartUp()
{
    UiFixture f;
    f.storeSetting(QStringLiteral("Squelch"), QStringLiteral("13"));
    f.app = std::make_unique<StationApp>(
            StationPaths {f.tempDir.path(), f.path(QStringLiteral("settings.ini"))}, f.clock);
    QStringList titles;
    f.app->window().setMessageSink([&](const QString &title, const QString &text) {
        titles << title;
        f.messages << text;
    });
    QVERIFY(!f.app->startUp());
    QCOMPARE(titles, QStringList {QStringLiteral("ZE3000r")});
    QVERIFY2(f.messages.first().contains(QStringLiteral("13")), qPrintable(f.messages.first()));
    QVERIFY(!f.app->window().isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
