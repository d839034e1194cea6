// The spectrum area as the operator uses it: the waterfall of a search's sweeps and of a bank
// scan's rounds, what a click and the menu do there, and the display's paced drawing. The whole
// program runs in-process against the simulated receiver.
#include "UiFixture.h"
#include "ui/ColourMap.h"
#include "ui/Readout.h"
#include "ui/SpectrumArea.h"
#include "ui/SweepHistory.h"
#include "ui/WaterfallView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QSlider>
#include <QtTest>

using namespace ze;
using zetest::UiFixture;

namespace {

// 145 to 145.25 MHz in 12.5 kHz steps: columns 0 to 21, the sweep tuning 1 to 21. Signals in
// columns 4 and 16, below the squelch so that nothing holds.
void startSearch(UiFixture &f)
{
    f.writeFile(QStringLiteral("range.rng"), "145\t145.25\tN\t0.0125\tTwo metres\r\n");
    f.sim.setSignalLevelAt(145.05, 9);
    f.sim.setSignalLevelAt(145.2, 11);
    QVERIFY(f.startUp());
    f.widget<QSlider>(QStringLiteral("hscrSquelch"))->setValue(0);
    auto *ranges = f.widget<QComboBox>(QStringLiteral("cmbRangeLijst"));
    ranges->setCurrentIndex(0);
    Q_EMIT ranges->activated(0);
    f.widget<QCheckBox>(QStringLiteral("chkSpectrum"))->setChecked(true);
    f.click(QStringLiteral("cmdSearchScan"));
}

SpectrumArea &area(UiFixture &f)
{
    return *f.widget<SpectrumArea>(QStringLiteral("fraSpectrumArea"));
}

// A row's levels as hex digits, "." where nothing was measured.
QString levels(const SweepHistory &history, int age)
{
    QString text;
    const quint8 *row = history.row(age);
    for (int bin = 0; row && bin < history.bins(); ++bin)
        text += row[bin] == SweepHistory::none ? QStringLiteral(".")
                                               : QString::number(row[bin], 16);
    return text;
}

// A y of the waterfall that shows the row of that age.
int yOfRow(const WaterfallView &view, int age)
{
    for (int y = view.plotRect().top(); y <= view.plotRect().bottom(); ++y)
        if (view.rowAt(y) == age)
            return y;
    return -1;
}

// The dark pixels of a widget drawn dark on white: how many, and their bounding box.
QPair<int, QRect> ink(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(widget.palette().color(widget.backgroundRole())); // what an opaque readout fills
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    int count = 0;
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                ++count;
                box |= QRect(x, y, 1, 1);
            }
    return {count, box};
}

} // namespace

class TestWaterfall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void searchSweepsInTheirColumns();
    void resizeAndZoomKeepTheHistory();
    void clickAndMenuActOnTheColumn();
    void bankScanChannelsAgainstTime();
    void pacedDisplayShowsTheLastPass();
    void readoutDrawsAsTheLabelWould_data();
    void readoutDrawsAsTheLabelWould();
    void readoutRepaintsWhatChanged_data();
    void readoutRepaintsWhatChanged();
};

void TestWaterfall::searchSweepsInTheirColumns()
{
    UiFixture f;
    startSearch(f);
    f.runPasses(21 + 21 + 1); // two whole sweeps and one step of the third
    const SweepHistory &history = area(f).history();
    QCOMPARE(history.rows(), 3);
    const QString sweep = QStringLiteral(".0009") + QString(11, u'0') + QStringLiteral("b00000");
    QCOMPARE(levels(history, 1), sweep);
    QCOMPARE(levels(history, 2), sweep);
    QCOMPARE(levels(history, 0), QStringLiteral(".0") + QString(20, u'.'));
    // Newest at the top: the strong signal shows in its column of the last whole sweep, in the
    // colour of its level, and hovering names it.
    WaterfallView &view = *area(f).waterfall();
    view.flush();
    const int x = view.xOfColumn(16);
    const int y = yOfRow(view, 1);
    QVERIFY(x >= 0 && y >= 0);
    QCOMPARE(view.columnAt(x), 16);
    const QPoint inPicture = QPoint(x, y) - view.plotRect().topLeft();
    QCOMPARE(view.picture().pixel(inPicture), colourTable()[11 * 17]);
    QVERIFY2(view.describeAt({x, y}).startsWith(QStringLiteral("145.2000 MHz: level 11 at ")),
             qPrintable(view.describeAt({x, y})));
}

void TestWaterfall::resizeAndZoomKeepTheHistory()
{
    UiFixture f;
    startSearch(f);
    f.runPasses(1 + 21 + 1);
    MainWindow &window = f.app->window();
    WaterfallView &view = *area(f).waterfall();
    const QString before = levels(area(f).history(), 1);
    const QSize small = view.picture().size();
    window.resize(window.size() + QSize(300, 200));
    QCoreApplication::processEvents();
    QVERIFY(view.picture().width() > small.width() && view.picture().height() > small.height());
    QCOMPARE(levels(area(f).history(), 1), before);
    const int x = view.xOfColumn(16);
    const QPoint inPicture = QPoint(x, yOfRow(view, 1)) - view.plotRect().topLeft();
    QCOMPARE(view.picture().pixel(inPicture), colourTable()[11 * 17]);
    // Zooming keeps the column under the cursor where it is and shows fewer columns.
    view.zoom(0.5, x);
    QCOMPARE(view.viewSpan(), 11.0);
    QCOMPARE(view.columnAt(x), 16);
    QCOMPARE(view.picture().pixel(inPicture), colourTable()[11 * 17]);
}

void TestWaterfall::clickAndMenuActOnTheColumn()
{
    UiFixture f;
    startSearch(f);
    f.runPasses(1 + 21 + 1);
    WaterfallView &view = *area(f).waterfall();
    // A click tunes its column's frequency in the range's mode: direct mode, the search stops.
    QTest::mouseClick(&view, Qt::LeftButton, {}, {view.xOfColumn(16), yOfRow(view, 1)});
    QCOMPARE(int(f.app->station().state().operatingMode), int(ModeDirect));
    f.clearSent();
    f.runPasses(1);
    QCOMPARE(f.sent().at(0), std::string("145.2000TN"));
    // "Search from here" tunes that column first; "Lock out this frequency" keeps it out.
    area(f).searchFromColumn(4);
    f.clearSent();
    f.runPasses(1);
    QCOMPARE(f.sent().at(0), std::string("145.0500N"));
    area(f).lockOutColumn(4);
    QCOMPARE(f.app->station().state().lockouts, QVector<qint64>({145050000}));
    // The sweeps as CSV, oldest first, one line a measured cell.
    f.answers << f.path(QStringLiteral("sweeps"));
    area(f).saveSweeps();
    const QList<QByteArray> lines = f.readFile(QStringLiteral("sweeps.csv")).split('\n');
    QCOMPARE(lines.first(), QByteArray("time,frequency,level\r"));
    QVERIFY2(lines.at(4).endsWith(",145.0500,9\r"), lines.at(4).constData());
    // The header, the whole sweep, two steps of the next, the step searched from, the end.
    QCOMPARE(lines.size(), 1 + 21 + 2 + 1 + 1);
    f.answers << f.path(QStringLiteral("band.png"));
    area(f).savePicture();
    QCOMPARE(QImage(f.path(QStringLiteral("band.png"))).size(), area(f).size());
    QCOMPARE(f.messages, QStringList());
}

void TestWaterfall::bankScanChannelsAgainstTime()
{
    UiFixture f;
    f.writeFile(QStringLiteral("alpha.bnk"),
                " 1 \t 1 \tN\t145.5000\t 0 \t 0 \t 0 \tOne\r\n"
                " 1 \t 2 \tN\t145.6000\t 0 \t 0 \t 0 \tTwo\r\n"
                " 1 \t 3 \tN\t145.7000\t 0 \t 0 \t 1 \tPassed\r\n"
                " 3 \t 7 \tA\t118.1000\t 0 \t 0 \t 0 \tTower\r\n");
    f.sim.setSignalLevelAt(145.6, 11);
    QVERIFY(f.startUp());
    f.widget<QSlider>(QStringLiteral("hscrSquelch"))->setValue(0);
    f.widget<QCheckBox>(QStringLiteral("chkSpectrum"))->setChecked(true);
    f.click(QStringLiteral("cmdScanBanks"));
    f.runPasses(400 + 6); // a round of every slot of the four banks and a bit of the next
    const SweepHistory &history = area(f).history();
    // One column per channel the scan visits, a busy one bright in every round.
    QCOMPARE(history.columns().channels, QVector<int>({101, 102, 307}));
    QVERIFY(history.rows() >= 2);
    QCOMPARE(levels(history, 1), QStringLiteral("0b0"));
    QCOMPARE(history.columns().describe(1), QStringLiteral("Bank 1 channel 2, 145.6000 MHz"));
}

void TestWaterfall::pacedDisplayShowsTheLastPass()
{
    UiFixture f;
    startSearch(f);
    auto *frequency = f.widget<QLabel>(QStringLiteral("lblFrequency"));
    // Passes faster than the pace still reach the screen: a showing that waits is not put off
    // by the next pass's writing.
    QElapsedTimer passing;
    passing.start();
    while (!frequency->text().startsWith(QStringLiteral("145.")) && passing.elapsed() < 5000)
        f.runPasses(1);
    QVERIFY2(frequency->text().startsWith(QStringLiteral("145.")), qPrintable(frequency->text()));
    // The last writing before the loop goes idle shows too, with no pass after it.
    f.app->station().commands().stop();
    f.runPasses(1);
    f.app->window().display().setFrequencyText(QStringLiteral("1.0000"));
    QCoreApplication::processEvents();
    f.app->window().display().setFrequencyText(QStringLiteral("2.0000"));
    QTRY_COMPARE(frequency->text(), QStringLiteral("2.0000"));
}

void TestWaterfall::readoutDrawsAsTheLabelWould_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("alignment");
    QTest::newRow("frequency, right") << QStringLiteral("145.6000") << int(Qt::AlignRight);
    QTest::newRow("dashes, centred") << QStringLiteral("-----") << int(Qt::AlignHCenter);
    QTest::newRow("keypad entry, left") << QStringLiteral("12.5") << int(Qt::AlignLeft);
    // Cut at the left as the label cuts it.
    QTest::newRow("too long, right")
            << QStringLiteral("1234567890123456789") << int(Qt::AlignRight);
    // Drawn by the label's own text engine.
    QTest::newRow("Greek") << QStringLiteral("Ωμέγα 7") << int(Qt::AlignRight);
}

// The readout skips the text engine; what it draws must still be the label's text in the
// label's place.
void TestWaterfall::readoutDrawsAsTheLabelWould()
{
    QFETCH(QString, text);
    QFETCH(int, alignment);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(18);
    font.setBold(true);
    font.setKerning(false);
    Readout readout(QStringLiteral("lblFrequency"), text);
    QLabel label(text);
    for (QLabel *widget : {static_cast<QLabel *>(&readout), &label}) {
        widget->setFont(font);
        widget->setAlignment(Qt::Alignment(alignment) | Qt::AlignVCenter);
        widget->setFixedSize(140, 30);
        QPalette palette = widget->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        widget->setPalette(palette);
    }
    const auto [readoutInk, readoutBox] = ink(readout);
    const auto [labelInk, labelBox] = ink(label);
    QVERIFY(labelInk > 0);
    QVERIFY2(qAbs(readoutInk - labelInk) <= labelInk / 20,
             qPrintable(
                     QStringLiteral("%1 dark pixels, the label %2").arg(readoutInk).arg(labelInk)));
    for (const auto &[mine, theirs] : {std::pair {readoutBox.left(), labelBox.left()},
                                       std::pair {readoutBox.right(), labelBox.right()},
                                       std::pair {readoutBox.top(), labelBox.top()},
                                       std::pair {readoutBox.bottom(), labelBox.bottom()}})
        QVERIFY2(qAbs(mine - theirs) <= 1,
                 qPrintable(
                         QStringLiteral("ink at %1 against the label's %2").arg(mine).arg(theirs)));
}

void TestWaterfall::readoutRepaintsWhatChanged_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QString>("family");
    const QString mono = QStringLiteral("DejaVu Sans Mono");
    QTest::newRow("search steps") << QStringList {"118.0000", "118.0250", "118.0500",
                                                  "119.9750", "120.0000", "99.0000"}
                                  << int(Qt::AlignRight) << mono;
    QTest::newRow("channels") << QStringList {"9", "10", "99", "100", "7"} << int(Qt::AlignRight)
                              << mono;
    QTest::newRow("scanning") << QStringList {"Scanning...", "145.0125", "Scanning...", "--"}
                              << int(Qt::AlignRight) << mono;
    // Glyphs of their own widths move the ones after them.
    QTest::newRow("proportional") << QStringList {"1.1111", "1.4444", "14.1", "W.1", "i.1"}
                                  << int(Qt::AlignLeft) << QStringLiteral("DejaVu Sans");
    QTest::newRow("centred") << QStringList {"145.0000", "45.000", "145.0000"}
                             << int(Qt::AlignHCenter) << mono;
    QTest::newRow("the label's own drawing and back")
            << QStringList {"145.0000", "Ωμέγα", "145.0000", ""} << int(Qt::AlignRight) << mono;
}

// What is on the screen after a run of texts, each repainted only where it changed, must be what
// a readout drawn whole shows.
void TestWaterfall::readoutRepaintsWhatChanged()
{
    QFETCH(QStringList, texts);
    QFETCH(int, alignment);
    QFETCH(QString, family);
    QFont font(family);
    font.setPixelSize(22);
    font.setBold(true);
    QWidget window;
    auto *readout = new Readout(QStringLiteral("lblFrequency"), texts.first(), &window);
    readout->setFont(font);
    readout->setAlignment(Qt::Alignment(alignment) | Qt::AlignVCenter);
    readout->setGeometry(10, 10, 180, 34);
    window.resize(200, 54);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QScreen *screen = window.screen();
    for (const QString &text : texts) {
        readout->showText(text);
        QCOMPARE(readout->text(), text);
        QCoreApplication::processEvents();
        const QImage shown = screen->grabWindow(window.winId())
                                     .copy(readout->geometry())
                                     .toImage()
                                     .convertToFormat(QImage::Format_RGB32);
        const QImage whole = readout->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY2(shown == whole, qPrintable(QStringLiteral("after \"%1\"").arg(text)));
    }
}

QTEST_MAIN(TestWaterfall)
#include "test_waterfall.moc"
