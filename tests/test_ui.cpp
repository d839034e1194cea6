// The program as the operator drives it: the main window's controls, keypad, lists, lamps and
// spectrum, the secondary windows, and the settings they keep. The whole program runs in-process
// against the simulated receiver.
#include "UiFixture.h"
#include "receiver/PortSettings.h"
#include "scan/ActivityLog.h"
#include "storage/RangeFile.h"
#include "ui/BankEditor.h"
#include "ui/LogViewer.h"
#include "ui/RangeEditor.h"
#include "ui/SpectrumView.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QRadioButton>
#include <QSet>
#include <QSettings>
#include <QSlider>
#include <QtTest>

using namespace ze;
using zetest::UiFixture;
using Commands = std::vector<std::string>;

namespace {

const QString dashes = QStringLiteral("----.----");

// "alpha" holds channels 1 and 2 (with ATT) of bank 1 and channel 7 of bank 3; "beta" holds one.
void writeFiles(UiFixture &f)
{
    f.writeFile(QStringLiteral("alpha.bnk"),
                " 1 \t 1 \tN\t145.5000\t 0 \t 0 \t 0 \tOne\r\n"
                " 1 \t 2 \tN\t145.6000\t 0 \t 1 \t 0 \tTwo\r\n"
                " 3 \t 7 \tA\t118.1000\t 0 \t 0 \t 0 \tTower\r\n");
    f.writeFile(QStringLiteral("beta.bnk"), " 2 \t 2 \tW\t98.5000\t 0 \t 0 \t 0 \tRadio\r\n");
    f.writeFile(QStringLiteral("range.rng"),
                "118\t137\tA\t0.025\tAir band\r\n156\t163\tN\t0.025\tMarine\r\n");
}

// Keys by caption: digits and ".", then Enter, Mode, ATT, Store and Clear by their first letter.
void press(UiFixture &f, const QString &keys)
{
    static const QString order = QStringLiteral("1234567890.EMASC");
    for (QChar key : keys)
        f.click(QStringLiteral("cmdDigits(%1)").arg(order.indexOf(key)));
}

QString joined(const Commands &commands)
{
    QStringList list;
    for (const std::string &c : commands)
        list << QString::fromStdString(c);
    return list.join(QLatin1Char(' '));
}

QString position(const ProgramState &s)
{
    return QStringLiteral("mode %1 at %2-%3 hold %4")
            .arg(s.operatingMode)
            .arg(s.currentBank)
            .arg(s.currentChannel)
            .arg(s.holdStart);
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

class TestUi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void accessibleControls();
    void keypad_data();
    void keypad();
    void keyboard_data();
    void keyboard();
    void keysStayInTheirWindow();
    void firstStartHint();
    void frequencyStepping_data();
    void frequencyStepping();
    void picks_data();
    void picks();
    void channelPickAndButtons();
    void squelchAndMeter_data();
    void squelchAndMeter();
    void scanAndSearchFromButtons();
    void lampsKeepTheirPlace();
    void noticesAndLogViewer();
    void spectrumPens();
    void realDialogsTakeTheirDefaults();
    void secondaryWindows_data();
    void secondaryWindows();
    void convertLogToBank_data();
    void convertLogToBank();
    void settingsShownAndStoredOnClose();
    void optionsApplyOrRefuse_data();
    void optionsApplyOrRefuse();
};

void TestUi::accessibleControls()
{
    UiFixture f;
    QVERIFY(f.startUp());
    MainWindow &window = f.app->window();
    // Every control a screen reader lands on is told apart from the others.
    QWidget *central = window.centralWidget();
    QList<QWidget *> controls;
    for (QWidget *w : central->findChildren<QWidget *>())
        if (qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w)
            || qobject_cast<QSlider *>(w))
            controls << w;
    QSet<QString> accessible;
    for (QWidget *w : controls)
        accessible << w->accessibleName();
    QVERIFY(!accessible.contains(QString()));
    QCOMPARE(accessible.size(), controls.size());
    // Descriptions, file names and settings are shown as they are, never as markup.
    for (QLabel *label : window.findChildren<QLabel *>())
        QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
    // A display's text is what a screen reader reads: its role goes in the description.
    for (QLabel *label :
         central->findChildren<QLabel *>(QRegularExpression("^lbl(Frequency|Mode)")))
        QVERIFY2(label->accessibleName().isEmpty() && !label->accessibleDescription().isEmpty(),
                 qPrintable(label->objectName()));
}

void TestUi::keypad_data()
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
    row("direct mode appends", "145.5", ModeDirect, "1", "145.51", "", "");
    row("scanning: first press empties", "145.5000", ModeScanning, "3", "3", "", "");
    row("manual: Store empties", "145.5000", ModeManual, "S", "", "", "");
    row("Store, Mode and ATT keep the entry", dashes, ModeIdle, "1MSAS2", "12", "WFM ATT", "");
    row("Mode from none to WFM to AM", dashes, ModeIdle, "145.5MMAE", "145.5", "AM ATT", "145.5RA");
    row("Mode wraps from CW to NFM", dashes, ModeIdle, "1MMMMMME", "1", "NFM", "1TN");
    row("ATT twice is off", dashes, ModeIdle, "1AAE", "1", "", "1TN");
    row("Enter keeps the entry", dashes, ModeIdle, "1E2E", "12", "", "1TN 12TN");
    // Nothing that is no frequency goes on the line.
    row("Enter on the dashes", dashes, ModeIdle, "E", "", "", "");
}

void TestUi::keypad()
{
    QFETCH(QString, start);
    QFETCH(int, mode);
    QFETCH(QString, keys);
    UiFixture f;
    QVERIFY(f.startUp());
    ProgramState &state = f.app->station().state();
    f.app->window().display().setFrequencyText(start);
    state.operatingMode = static_cast<qint16>(mode);
    state.currentBank = 3;
    state.currentChannel = 42;
    state.holdStart = 500;
    press(f, keys);

    QTEST(f.text(QStringLiteral("lblFrequency")), "display");
    QStringList lit;
    for (const char *lamp : {"lblMode(0)", "lblMode(1)", "lblMode(2)", "lblMode(3)", "lblMode(4)",
                             "lblMode(5)", "lblATT"})
        if (f.lit(lamp))
            lit << f.text(lamp);
    QTEST(lit.join(QLatin1Char(' ')), "lamps");
    QTEST(joined(f.sent()), "sent");
    // Direct mode without the resets of a mode change: the position stays.
    QCOMPARE(position(state), QStringLiteral("mode 7 at 3-42 hold 500"));
}

// Typed digits, point and Escape press the keypad's keys wherever the focus is but in a text
// field; Return presses the range "Scan", or the push button that has the focus.
void TestUi::keyboard_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("typed"); // K: the numeric keypad's comma
    QTest::addColumn<QString>("seen"); // the display, the delay box, the mode
    auto row = [](const char *name, const char *focus, const char *typed, const char *seen) {
        QTest::newRow(name) << QString::fromLatin1(focus) << typed << seen;
    };
    row("Return on a tick", "chkSpectrum", "\r", "----.----, 2 sec., 6");
    row("Return on a button", "cmdScanBanks", "\r", "----.----, 2 sec., 2");
    // A list, a box or a text field keeps what is typed in it.
    row("digits on a list are the list's", "lstKanaalLijst", "14.5.\033", "----.----, 2 sec., 4");
    row("Escape on a step list does nothing", "cmbFrequencyStepSize", "\033",
        "----.----, 2 sec., 4");
    row("Escape clears", "cmdDigits(0)", "12\0337K5", "7.5, 2 sec., 7");
    row("digits on the squelch", "hscrSquelch", "9", "9, 2 sec., 7");
    row("the delay box types", "cmbDelay", "5.\033", "----.----, 2 sec.5., 4");
}

void TestUi::keyboard()
{
    QFETCH(QString, focus);
    QFETCH(QString, typed);
    UiFixture f;
    writeFiles(f);
    QVERIFY(f.startUp());
    f.widget<QComboBox>(QStringLiteral("cmbRangeLijst"))->setCurrentIndex(0);
    QVERIFY(QTest::qWaitForWindowActive(&f.app->window()));
    QWidget *target = f.widget(focus);
    target->setFocus();
    f.app->station().state().operatingMode = ModeManual;
    for (const char c : typed.toLatin1())
        c == 'K' ? QTest::keyClick(target, ',', Qt::KeypadModifier) : QTest::keyClick(target, c);
    QTEST(QStringList({f.text(QStringLiteral("lblFrequency")), f.app->window().delayText(),
                       QString::number(f.app->station().state().operatingMode)})
                  .join(", "),
          "seen");
}

// Keys typed in the bank editor, and the menus from the keyboard.
void TestUi::keysStayInTheirWindow()
{
    UiFixture f;
    writeFiles(f);
    QVERIFY(f.startUp());
    ProgramState &state = f.app->station().state();
    f.click(QStringLiteral("cmdScanBanks"));
    f.runPasses(1);
    EditBank &editor = f.app->window().bankEditor();
    editor.Initialiseren();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    for (QWidget *typedIn : {static_cast<QWidget *>(editor.channelList()),
                             static_cast<QWidget *>(editor.findChild<QLineEdit *>(
                                     QStringLiteral("txtEditChannelDescription")))}) {
        typedIn->setFocus();
        QTest::keyClicks(typedIn, QStringLiteral("12."));
        QTest::keyClick(typedIn, Qt::Key_Escape);
    }
    QCOMPARE(int(state.operatingMode), int(ModeScanning));
    editor.hide();
    // F10 takes the menus; the first one's letter with Alt opens the options.
    QMainWindow &window = f.app->window();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F10);
    QTRY_VERIFY(window.menuBar()->activeAction() == window.menuBar()->actions().value(0));
    QTest::keyClick(window.menuBar(), Qt::Key_Escape);
    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(window.findChild<QWidget *>(QStringLiteral("frmOptions"))
                && window.findChild<QWidget *>(QStringLiteral("frmOptions"))->isVisible());
}

// Where bank and range files go and how to make the first ones, till one of them is there.
void TestUi::firstStartHint()
{
    for (const char *file : {"first.bnk", "range.rng"}) {
        UiFixture f;
        QVERIFY(f.startUp());
        const QString tip = f.widget(QStringLiteral("StatusBar1Notice"))->toolTip(); // in full
        QVERIFY2(tip.contains(f.dir()) && tip.contains("\"New bank\", range"), qPrintable(tip));
        f.writeFile(QString::fromLatin1(file), "");
        QTRY_COMPARE(f.text(QStringLiteral("StatusBar1Notice")), QString());
    }
}

void TestUi::frequencyStepping_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("result");
    auto row = [](const char *name, const char *start, int step, const char *button,
                  const char *result) { QTest::newRow(name) << start << step << button << result; };
    row("up 12.5 kHz", "145.5000", 5, "cmdFrequencyUp", "145.5125");
    row("down 12.5 kHz", "145.5000", 5, "cmdFrequencyDown", "145.4875");
    row("floor", "0.100", 11, "cmdFrequencyDown", "0.100");
    row("ceiling", "2036.0000", 0, "cmdFrequencyUp", "2036.0000");
    row("from a description", "Tower", 5, "cmdFrequencyUp", "0.100");
    row("from the cleared display", "----.----", 8, "cmdFrequencyUp", "0.1000");
}

void TestUi::frequencyStepping()
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

void TestUi::picks_data()
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
    row("channel list, operator", "lstKanaalLijst", true, false,
        "alpha of 2 banks, mode 3 at 3-7 hold 0, range 0 of 2, 3 channels, spectrum drawn");
    row("range list, operator", "cmbRangeLijst", true, false,
        "alpha of 2 banks, mode 0 at 0-0 hold 0, range 1 of 2, 3 channels, spectrum blank");
    row("bank tick, program", "chkScan(3)", false, false, nullptr);
    row("bank tick, operator", "chkScan(3)", true, false,
        "alpha of 2 banks, mode 0 at 0-0 hold 0, range 0 of 2, 2 channels, spectrum drawn");
    // The lists are rebuilt rather than added to.
    row("start-up again", nullptr, false, false, nullptr);
}

void TestUi::picks()
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
    f.widget<SpectrumView>(QStringLiteral("picSpectrum"))->drawLine(150, 0, 750, Qt::black);
    const QString before = pickState(f);
    f.app->station().state().startingUp = startingUp;

    if (control.isNull()) {
        QVERIFY(f.app->startUp());
    } else if (auto *list = f.widget<QComboBox>(control)) {
        if (byOperator)
            QTest::keyClick(list, Qt::Key_End);
        else
            list->setCurrentIndex(list->count() - 1);
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
    QCOMPARE(f.widget<QComboBox>(QStringLiteral("lstKanaalLijst"))->currentIndex(),
             control == QLatin1String("lstKanaalLijst") ? 2 : -1);
    QCOMPARE(f.widget<QComboBox>(QStringLiteral("cmbRangeLijst"))->currentIndex(),
             control == QLatin1String("cmbRangeLijst") ? 1 : -1);
    QCOMPARE(window.bankEditor().bankList()->currentIndex(), -1);
    QCOMPARE(window.rangeEditor().rangeList()->currentIndex(), -1);
}

void TestUi::channelPickAndButtons()
{
    UiFixture f;
    writeFiles(f);
    QVERIFY(f.startUp());
    const ProgramState &s = f.app->station().state();
    auto *channels = f.widget<QComboBox>(QStringLiteral("lstKanaalLijst"));
    channels->setCurrentIndex(1);
    Q_EMIT channels->activated(1);
    f.runPasses(1);
    QCOMPARE(f.sent(), Commands {"145.6000NR"});
    QCOMPARE(f.app->window().statusText(), QStringLiteral("Manual mode"));
    f.runPasses(1);
    QCOMPARE(f.sent().size(), size_t(4));
    QCOMPARE(f.text(QStringLiteral("lblChannel")), QStringLiteral("2"));
    QVERIFY(f.lit(QStringLiteral("lblBank(1)")));

    // The channel buttons start from bank 1 and wrap into the next bank.
    QStringList visited;
    for (const char *button :
         {"cmdChannelUp", "cmdChannelDown", "cmdChannelDown", "cmdChannelDown", "cmdChannelDown"}) {
        f.click(button);
        visited << QStringLiteral("%1-%2 mode %3")
                           .arg(s.currentBank)
                           .arg(s.currentChannel)
                           .arg(s.operatingMode);
    }
    QCOMPARE(visited,
             QStringList({"1-3 mode 3", "1-2 mode 3", "1-1 mode 3", "1-0 mode 3", "2-0 mode 3"}));
    // Channel 2-0 is empty: nothing goes out for it, and the operator is told.
    f.clearSent();
    f.runPasses(1);
    QCOMPARE(f.sent(), Commands {});
    QCOMPARE(f.text(QStringLiteral("StatusBar1Notice")),
             QStringLiteral("Bank 2 channel 0 was passed over: its frequency \"\" is no good: "
                            "there is no frequency."));
}

void TestUi::squelchAndMeter_data()
{
    QTest::addColumn<int>("slider");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("seen"); // what was sent, the bars lit
    QTest::newRow("slider 12, level 0") << 12 << 0 << "Y Y F, 1";
    QTest::newRow("slider 0, level 11") << 0 << 11 << "Y Y E, 11";
    QTest::newRow("slider 0, level 12") << 0 << 12 << "Y Y F, 11";
    QTest::newRow("level 2 lights 3 bars") << 2 << 2 << "Y Y E, 3";
}

void TestUi::squelchAndMeter()
{
    QFETCH(int, slider);
    QFETCH(int, level);
    UiFixture f;
    QVERIFY(f.startUp());
    f.widget<QSlider>(QStringLiteral("hscrSquelch"))->setValue(slider);
    f.sim.setNoiseLevel(level);
    f.click(QStringLiteral("cmdDigits(15)")); // Clear: direct mode
    f.runPasses(1);
    int lit = 0;
    for (int i = 0; i <= 10; ++i)
        lit += f.lit(QStringLiteral("shpSquelch(%1)").arg(i)) ? 1 : 0;
    QTEST(QStringLiteral("%1, %2").arg(joined(f.sent())).arg(lit), "seen");
    QCOMPARE(f.app->window().statusText(), QStringLiteral("Direct mode"));
}

void TestUi::scanAndSearchFromButtons()
{
    UiFixture f;
    writeFiles(f);
    QVERIFY(f.startUp());
    f.widget<QSlider>(QStringLiteral("hscrSquelch"))->setValue(0);
    f.click(QStringLiteral("cmdScanBanks"));
    f.runPasses(2);
    QCOMPARE(joined(f.sent()), QStringLiteral("145.5000NT Y Y E 145.6000NR Y Y E"));
    QCOMPARE(f.app->window().statusText(), QStringLiteral("Scanning mode"));

    f.click(QStringLiteral("cmdSearchScan")); // no range picked: nothing happens
    QCOMPARE(int(f.app->station().state().operatingMode), int(ModeScanning));
    auto *ranges = f.widget<QComboBox>(QStringLiteral("cmbRangeLijst"));
    ranges->setCurrentIndex(1);
    Q_EMIT ranges->activated(1);
    f.click(QStringLiteral("cmdSearchScan"));
    f.clearSent();
    f.runPasses(2);
    QCOMPARE(f.sent().at(0), std::string("156.0250N"));
    QCOMPARE(f.sent().at(4), std::string("156.0500N"));
    QCOMPARE(f.app->window().statusText(), QStringLiteral("Scanning range"));
}

void TestUi::lampsKeepTheirPlace()
{
    UiFixture f;
    QVERIFY(f.startUp());
    MainWindow &window = f.app->window();
    QVERIFY(QTest::qWaitForWindowExposed(&window)); // start-up shows it
    auto *panel = f.widget(QStringLiteral("Shape1"));
    const QSize darkPanel = panel->size();
    ze::Display &display = window.display();
    display.showBank(3);
    display.showBank(2);
    for (int i = 0; i <= 10; ++i) {
        display.setModeLit(i % 6, true);
        display.setSignalBarLit(i, true);
    }
    display.setAttenuatorLit(true);
    display.setPassLit(true);
    display.setFrequencyText(QStringLiteral("145.5000"));
    QCoreApplication::processEvents();
    QCOMPARE(panel->size(), darkPanel); // lit lamps move nothing
    for (int bank = 1; bank <= 4; ++bank)
        QCOMPARE(f.lit(QStringLiteral("lblBank(%1)").arg(bank)), bank == 2);

    window.clearDisplay();
    QCOMPARE(display.frequencyText() + display.channelText(), dashes + QStringLiteral("--"));
    QCoreApplication::processEvents();
    const QList<QWidget *> lamps = window.centralWidget()->findChildren<QWidget *>(
            QRegularExpression(QStringLiteral("^(lblATT|lblPass|lblBank|lblMode|shpSquelch)")));
    for (QWidget *lamp : lamps)
        QVERIFY2(!f.lit(lamp->objectName()) && !lamp->isHidden(), qPrintable(lamp->objectName()));
}

void TestUi::noticesAndLogViewer()
{
    UiFixture f;
    for (const char *name : {"alpha.bnk", "beta.bnk", "range.rng"}) // beta is a good bank
        f.writeFile(QString::fromLatin1(name), name[0] == 'b' ? "" : "bad\r\n");
    QByteArray log; // numbered lines of 1000 bytes, a few more than the viewer shows
    for (int i = 100000; log.size() <= LogViewer::shownBytes; ++i)
        log += QByteArray::number(i).leftJustified(998, '.') + "\r\n";
    f.writeFile(QStringLiteral("logging.txt"), log);
    QVERIFY(f.startUp());
    LogViewer viewer(f.app->station(), nullptr, &f.app->window());
    QStringList shown; // the notice, then the viewer's first entry and note
    const auto look = [&] {
        viewer.refresh();
        shown << f.text(QStringLiteral("StatusBar1Notice"))
              << viewer.list()->model()->index(0, 0).data().toString().left(6)
                        + f.text(QStringLiteral("lblNote"));
    };
    look();
    // Each source keeps its notice till it takes it down; the latest standing one shows.
    f.writeFile(QStringLiteral("range.rng"), "");
    LoadRangeFile(f.app->station());
    const QString path = f.path(QStringLiteral("logging.txt"));
    QVERIFY(QFile::remove(path) && QFile::link(QStringLiteral("/dev/zero"), path));
    look();
    f.app->station().state().searchFrequency = QStringLiteral("1");
    f.app->activityLog().WriteSearchLogLine(5);
    QTest::keyClick(f.widget<QComboBox>(QStringLiteral("cmbBankenLijst")), Qt::Key_End);
    QCOMPARE(
            shown << f.text(QStringLiteral("StatusBar1Notice")),
            QStringList({"1 line of \"range.rng\" was passed over",
                         "100001Only the end of the log is shown: it is too long.",
                         "1 line of \"alpha.bnk\" was passed over", "The log is not a plain file.",
                         "The log \"logging.txt\" could not be written: It is not a plain file."}));
}

void TestUi::spectrumPens()
{
    UiFixture f;
    QVERIFY(f.startUp());
    auto *view = f.widget<SpectrumView>(QStringLiteral("picSpectrum"));
    const int units = SpectrumView::unitsPerPixel;
    const int h = view->imageSize().height();
    const int height = view->logicalSize().height();
    const auto column = [&](int x) {
        QString lit;
        for (int q = 0; q < 4; ++q)
            lit += view->image().pixelColor(x, q * h / 4 + h / 8) == view->background() ? u'.'
                                                                                        : u'#';
        return lit;
    };
    // A pixel column is drawn by its last unit too.
    view->drawLine(7 * units + units - 1, 0, height, Qt::black);
    QCOMPARE(column(7), QStringLiteral("####"));
    // A step of a range of as many steps as the surface has pixels is one pixel wide: its column
    // is erased, its level rises from the bottom edge, the marker stands at the next position.
    view->plot({0, view->imageSize().width(), 1, 7, 5});
    QCOMPARE(column(7) + column(8) + column(9), QStringLiteral("..######...."));
    // Outside the surface nothing is drawn and nothing breaks.
    const QImage before = view->image();
    view->drawLine(-1, 0, 10, Qt::black);
    view->drawLine(1 << 30, -(1 << 30), 1 << 30, Qt::black);
    view->plot({0, view->imageSize().width(), 1, 1 << 20, 15});
    QCOMPARE(view->image(), before);
}

void TestUi::realDialogsTakeTheirDefaults()
{
    UiFixture f;
    QVERIFY(f.startUp());
    MainWindow &window = f.app->window();
    window.dialogs().setAnswerSource({});
    window.dialogs().setMessageSink({});
    // Return on the box that comes up next presses its default button.
    const auto pressReturn = [] {
        auto *timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, timer, [timer] {
            if (QWidget *box = QApplication::activeModalWidget()) {
                QTest::keyClick(box, Qt::Key_Return);
                timer->deleteLater();
            }
        });
        timer->start(10);
    };
    pressReturn();
    WidgetDialogs &dialogs = window.dialogs();
    QVERIFY(!dialogs.askYesNo(QStringLiteral("Deleteing bank"), QStringLiteral("Delete?"), false));
    pressReturn();
    QVERIFY(dialogs.askYesNo(QStringLiteral("Replace"), QStringLiteral("Replace?"), true));
    pressReturn();
    QCOMPARE(dialogs.askText(QStringLiteral(" New Bank"), QStringLiteral("Name"),
                             QStringLiteral("bankname")),
             QStringLiteral("bankname"));
    pressReturn();
    window.reportStartupError(QStringLiteral("<b>refused</b>"));
}

void TestUi::secondaryWindows_data()
{
    QTest::addColumn<QString>("trigger"); // a button or a menu entry
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("mode"); // after opening it while scanning
    QTest::addColumn<QString>("bank"); // the station's bank and the bank editor's channels
    QTest::addColumn<bool>("okDestroys");
    auto row = [](const char *trigger, const char *name, int mode, const char *bank,
                  bool okDestroys) {
        QTest::newRow(name) << trigger << name << mode << bank << okDestroys;
    };
    // The bank editor opens on the bank the main window's list shows.
    row("cmdEditBanks", "EditBank", ModeScanning, "beta, 1 channels", false);
    row("cmdSearchEdit", "EditRange", ModeIdle, "alpha, 0 channels", false);
    row("cmdViewLogfile", "frmViewLogfile", ModeScanning, "alpha, 0 channels", false);
    row("mnuSetting", "frmOptions", ModeScanning, "alpha, 0 channels", false);
    row("mnuInfo", "frmAbout", ModeScanning, "alpha, 0 channels", true);
}

void TestUi::secondaryWindows()
{
    QFETCH(QString, trigger);
    QFETCH(QString, name);
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
    for (QLabel *label : opened.first()->findChildren<QLabel *>())
        QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
    QTEST(int(f.app->station().state().operatingMode), "mode");
    QTEST(QStringLiteral("%1, %2 channels")
                  .arg(f.app->station().state().currentBankName)
                  .arg(window.bankEditor().channelList()->count()),
          "bank");
    if (okDestroys) {
        QPointer<QWidget> gone = opened.first();
        f.widget<QAbstractButton>(QStringLiteral("cmdOK"))->click();
        QTRY_VERIFY(gone.isNull());
    }
}

void TestUi::convertLogToBank_data()
{
    QTest::addColumn<QByteArray>("log"); // "-": none
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QByteArray>("bank"); // how the file named by the first answer ends; "-": none
    QTest::addColumn<QString>("told"); // questions, then messages up to a colon
    auto row = [](auto n, QByteArray log, QByteArray b, QStringList a = {"new"}, QString t = {}) {
        QTest::newRow(n) << log << a << b << " New Bank|Enter the name of the new bank" + t;
    };
    QByteArray log; // 500 distinct frequencies
    for (int i = 100; i < 600; ++i)
        log += "d t\t" + QByteArray::number(i) + "  \t 5 \tN\t\r\n";
    const QByteArray end = "\t 0 \t 0 \t 0 \t\r\n", last = " 4 \t 98 \tN\t498" + end;
    row("first mode of each; short line, blank frequency passed over; 145.50 another",
        "d\t145.5000  \t\tN\tx\r\nd\t 145.5000\t\tA\t\r\nd\t98.5000\t\tW\t\r\nd\t145.5000\t\tC\t"
        "\r\nd\t118.1000\t\tA\t\r\nd\t1\t\tN\r\n\r\nd\t \t\tN\t\r\nd\t145.50\t\tL \t",
        " 1 \t 0 \tN\t145.5000" + end + " 1 \t 1 \tW\t98.5000" + end + " 1 \t 2 \tA\t118.1000" + end
                + " 1 \t 3 \tL \t145.50" + end);
    row("150", log.first(150 * 18), " 2 \t 49 \tN\t249" + end);
    row("500: 399", log, last);
    row("empty log", "", "");
    row("cancelled", log, "-", {});
    row("name refused", log, "-", {"../new"}, "|\"../new\" cannot be the name of a bank");
    row("no log", "-", "-", {"new"}, "|The log was not converted. There is no log yet");
    const QString replace = "| New Bank|The bank \"alpha\" already exists. Replace it?";
    row("existing kept", log, "Tower\r\n", {"alpha", "No"}, replace);
    row("existing replaced", log, last, {"alpha", "Yes"}, replace);
}

void TestUi::convertLogToBank()
{
    QFETCH(QByteArray, log);
    QFETCH(QStringList, answers);
    QFETCH(QByteArray, bank);
    UiFixture f;
    writeFiles(f);
    f.writeFile(log == "-" ? "elsewhere" : "logging.txt", log);
    QVERIFY(f.startUp());
    f.click("cmdViewLogfile");
    f.answers = answers;
    f.app->station().state().operatingMode = ModeScanning;
    f.click("cmdConvertToBank");
    const QString file = answers.value(0, "new") + ".bnk";
    QCOMPARE(QFile::exists(f.path(file)) ? f.readFile(file).right(bank.size()) : "-", bank);
    QTEST((f.questions + f.messages).join(u'|').section(u':', 0, 0), "told");
    f.click("cmdRefresh"); // restarted, the viewer kept; the empty state tells where the log is
    QVERIFY(f.widget("frmViewLogfile")->isVisible() && !f.app->station().state().operatingMode);
    QCOMPARE(f.text("lblNote").endsWith(f.path("logging.txt") + '.'), log.size() < 2);
}

void TestUi::settingsShownAndStoredOnClose()
{
    UiFixture f;
    writeFiles(f);
    f.storeSetting(QStringLiteral("Delay"), QStringLiteral("7 sec."));
    // A line Qt cannot read is told once, and does not make the save look failed.
    const QString ini = QStringLiteral("settings.ini");
    f.writeFile(ini, f.readFile(ini) + "a line without its sign\n");
    QVERIFY(f.startUp());
    QVERIFY(f.text(QStringLiteral("StatusBar1Notice")).startsWith(QStringLiteral("Some lines")));
    QCOMPARE(f.text(QStringLiteral("lblFrequency")) + f.text(QStringLiteral("lblChannel")),
             dashes + QStringLiteral("--"));
    auto *step = f.widget<QComboBox>(QStringLiteral("cmbFrequencyStepSize"));
    auto *delay = f.widget<QComboBox>(QStringLiteral("cmbDelay"));
    auto *squelch = f.widget<QSlider>(QStringLiteral("hscrSquelch"));
    QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                     .arg(step->currentText(), delay->currentText())
                     .arg(delay->count())
                     .arg(squelch->value()),
             QStringLiteral("12.5 Khz 7 sec. 61 2"));
    QVERIFY(f.widget<QRadioButton>(QStringLiteral("optDisplay(0)"))->isChecked());
    QCOMPARE(f.widget<QComboBox>(QStringLiteral("lstKanaalLijst"))->itemData(2).toInt(), 307);

    squelch->setValue(9);
    step->setCurrentIndex(2);
    delay->setEditText(QStringLiteral("120"));
    f.widget<QRadioButton>(QStringLiteral("optDisplay(1)"))->setChecked(true);
    f.app->window().close();
    QVERIFY(f.app->station().shutDownDone());
    QVERIFY(!f.app->loop().running());
    QSettings stored(f.path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    QStringList values;
    for (const char *key : {"Squelch", "FreqStepSize", "Delay", "Display"})
        values << stored.value(QStringLiteral("Properties/") + key).toString();
    QCOMPARE(values, QStringList({"9", "2", "120", "1"}));
    QVERIFY(f.messages.isEmpty());
}

void TestUi::optionsApplyOrRefuse_data()
{
    QTest::addColumn<QString>("port"); // empty: the simulated receiver's link
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("press"); // a button, or Return in the port box
    QTest::addColumn<QString>("said"); // in a message or the test's words; empty: applied
    auto row = [](const char *name, const char *port, const char *line, const char *press,
                  const char *said) { QTest::newRow(name) << port << line << press << said; };
    row("same port, 4800", "", "4800,n,8,2", "cmdOK", "");
    row("Return presses OK", "", "4800,n,8,2", "Return", "");
    row("typo in the line settings", "", "9600,n,8", "cmdOK", "four parts");
    row("not a port", "com one", "9600,n,8,2", "cmdOK", "not a port number");
    // Test stores nothing and leaves the station's port as it was.
    row("test the station's own port", "", "4800,n,8,2", "cmdTest", "not opened a second");
    row("test a missing device", "/dev/ze-none", "4800,n,8,2", "cmdTest", "device not found");
}

void TestUi::optionsApplyOrRefuse()
{
    QFETCH(QString, port);
    QFETCH(QString, line);
    QFETCH(QString, press);
    QFETCH(QString, said);
    const bool applied = said.isEmpty();
    UiFixture f;
    QVERIFY(f.startUp());
    const QString device = f.path(QStringLiteral("receiver"));
    f.app->window().findChild<QAction *>(QStringLiteral("mnuSetting"))->trigger();
    auto *options = f.widget<QWidget>(QStringLiteral("frmOptions"));
    QVERIFY(options && options->isVisible());
    auto *combo1 = options->findChild<QComboBox *>(QStringLiteral("Combo1"));
    // The ports found at each opening, each once and only those that are there: links to a
    // terminal device such as the receiver's pseudo-terminal, not one to /dev/null; the box fits
    // a /dev/serial/by-id name.
    const QString pts = QString::fromStdString(f.sim.devicePath());
    QVERIFY(combo1->findText(device) >= 0 && QFile::link(pts, f.path(QStringLiteral("again")))
            && QFile::link(QStringLiteral("/dev/null"), f.path(QStringLiteral("null"))));
    options->hide();
    f.app->window().findChild<QAction *>(QStringLiteral("mnuSetting"))->trigger();
    const int listed = combo1->findText(f.path(QStringLiteral("again")));
    QVERIFY(listed >= 0 && combo1->findText(f.path(QStringLiteral("null"))) < 0);
    QSet<QString> devices;
    for (int i = 0; i < combo1->count(); ++i) {
        const QString location = deviceLocation(*portDeviceName(combo1->itemText(i)));
        QVERIFY2(QFileInfo::exists(location), qPrintable(location));
        devices << QFileInfo(location).canonicalFilePath();
    }
    QCOMPARE(devices.size(), combo1->count() - 1); // the receiver's link and "again" are one
    QCOMPARE(combo1->itemData(listed).toString(), QStringLiteral("link to ") + pts);
    QVERIFY(combo1->lineEdit()->width() >= combo1->fontMetrics().horizontalAdvance(QStringLiteral(
                    "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0")));
    combo1->setEditText(port.isEmpty() ? device : port);
    options->findChild<QComboBox *>(QStringLiteral("Combo2"))->setEditText(line);
    press == QLatin1String("Return") ? QTest::keyClick(combo1, Qt::Key_Return) : f.click(press);

    QSettings stored(f.path(QStringLiteral("settings.ini")), QSettings::IniFormat);
    stored.beginGroup(QStringLiteral("Properties"));
    QCOMPARE(stored.value(QStringLiteral("Settings")).toString() == line, applied);
    QCOMPARE(options->isVisible(), !applied);
    const QString told = f.messages.join(u'\n') + f.text(QStringLiteral("lblTestResult"));
    QVERIFY2(applied ? told.isEmpty() : told.contains(said), qPrintable(told));
    // The test's words are shown whole, however many lines they take.
    auto *result = options->findChild<QLabel *>(QStringLiteral("lblTestResult"));
    QVERIFY(result->height() >= result->heightForWidth(result->width()));
    SerialPort &serial = f.app->serialPort();
    QVERIFY(serial.isOpen());
    QCOMPARE(serial.lineSettings(), applied ? line : QStringLiteral("9600,n,8,2"));
    if (applied) {
        QCOMPARE(stored.value(QStringLiteral("Handshaking")).toString(), QStringLiteral("2"));
        QCOMPARE(stored.value(QStringLiteral("CommPort")).toString(), device);
        QTRY_COMPARE(f.sim.lineBaudRate(), 4800);
    }
}

QTEST_MAIN(TestUi)
#include "test_ui.moc"
