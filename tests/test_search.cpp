#include "CoreFixture.h"
#include "scan/RangeSearch.h"

#include <QtTest>

using namespace ze;
using zetest::CoreFixture;
using Commands = std::vector<std::string>;

namespace {

void putRange(CoreFixture &f, int index, const QString &from, const QString &to,
              const QString &step, const QString &mode = QStringLiteral("N"))
{
    f.station->state().ranges[index] = RangeRecord {from, to, mode, QStringLiteral("R"), step};
}

Commands tuned(const Commands &sent)
{
    Commands result;
    for (const std::string &c : sent)
        if (c != "Y" && c != "F" && c != "E")
            result.push_back(c);
    return result;
}

const QRgb markerColour = qRgb(128, 0, 0);
const QRgb levelColour = qRgb(15, 0, 0);

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sweepOrder_data();
    void sweepOrder();
    void otherRangeContinuesOrRestarts_data();
    void otherRangeContinuesOrRestarts();
    void statusTextFollowsSpectrumBox();
    void holdStaysOnFrequency();
    void columnGeometry_data();
    void columnGeometry();
    void plotOnSurface();
    void degenerateRangesDrawNothing_data();
    void degenerateRangesDrawNothing();
};

void TestSearch::sweepOrder_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("100 to 101 by 0.5")
            << "100"
            << "101"
            << "0.5" << 4 << QStringList {"100.5000N", "101.0000N", "101.5000N", "100.5000N"};
    QTest::newRow("step 0 stays on From")
            << "100"
            << "101"
            << "0" << 3 << QStringList {"100.0000N", "100.0000N", "100.0000N"};
    QTest::newRow("step beyond the range")
            << "100"
            << "101"
            << "5" << 3 << QStringList {"105.0000N", "105.0000N", "105.0000N"};
    QTest::newRow("12.5 kHz") << "145.5"
                              << "146"
                              << "0.0125" << 2 << QStringList {"145.5125N", "145.5250N"};
}

void TestSearch::sweepOrder()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, step);
    QFETCH(int, steps);
    QFETCH(QStringList, expected);
    CoreFixture f;
    QVERIFY(f.startUp());
    putRange(f, 0, from, to, step);
    f.station->SelectMode(ModeSearchStart);
    f.panel.squelchPosition = 0;
    f.runPasses(steps);
    Commands want;
    for (const QString &c : expected)
        want.push_back(c.toStdString());
    QCOMPARE(tuned(f.sent()), want);
}

void TestSearch::otherRangeContinuesOrRestarts_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("next");
    QTest::newRow("inside continues") << "100"
                                      << "200"
                                      << "101.5000W";
    QTest::newRow("outside restarts") << "150"
                                      << "200"
                                      << "150.5000W";
}

void TestSearch::otherRangeContinuesOrRestarts()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, next);
    CoreFixture f;
    QVERIFY(f.startUp());
    putRange(f, 0, QStringLiteral("100"), QStringLiteral("101"), QStringLiteral("0.5"));
    putRange(f, 1, from, to, QStringLiteral("0.5"), QStringLiteral("W"));
    f.station->SelectMode(ModeSearchStart);
    f.panel.squelchPosition = 0;
    f.runPasses(2); // 100.5, 101.0
    f.station->state().currentRange = 1;
    f.station->SelectMode(ModeSearchStart);
    f.clearSent();
    f.runPasses(1);
    QCOMPARE(tuned(f.sent()), Commands {next.toStdString()});
}

void TestSearch::statusTextFollowsSpectrumBox()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putRange(f, 0, QStringLiteral("100"), QStringLiteral("101"), QStringLiteral("0.5"));
    f.station->SelectMode(ModeSearchStart);
    f.panel.squelchPosition = 0;
    f.panel.status = QStringLiteral("before");
    f.runPasses(1);
    QCOMPARE(f.panel.status, QStringLiteral("before"));
    QCOMPARE(f.panel.channel, QStringLiteral("--"));
    QCOMPARE(f.panel.frequency, QStringLiteral("100.5000"));
    f.runPasses(1);
    QCOMPARE(f.panel.status, QStringLiteral("Scanning range"));
    f.panel.spectrum = true;
    f.runPasses(1);
    QCOMPARE(f.panel.status, QStringLiteral("Scanning range with spectrum"));
}

void TestSearch::holdStaysOnFrequency()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    putRange(f, 0, QStringLiteral("100"), QStringLiteral("101"), QStringLiteral("0.5"));
    f.sim.setSignalLevelAt(100.5, 13);
    f.panel.delay = QStringLiteral("2 sec.");
    f.clock.setSecondsSinceMidnight(1000.0);
    f.station->SelectMode(ModeSearchStart);
    f.runPasses(3);
    QCOMPARE(tuned(f.sent()), Commands {"100.5000N"});
    // While holding, the S-meter shows every sample.
    QCOMPARE(f.panel.litBars(), 11);
    f.sim.setSignalLevelAt(100.5, 0);
    f.clock.setSecondsSinceMidnight(1002.0);
    f.runPasses(2);
    QCOMPARE(tuned(f.sent()), (Commands {"100.5000N", "101.0000N"}));
}

void TestSearch::columnGeometry_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("top");
    QTest::newRow("level 0") << 0 << 1000;
    QTest::newRow("level 5") << 5 << 500;
    QTest::newRow("level 10") << 10 << 0;
    QTest::newRow("level 15") << 15 << -500;
}

void TestSearch::columnGeometry()
{
    QFETCH(int, level);
    QFETCH(int, top);
    // 5000 wide, 8 steps from 100 to 108: From + 3 x Step lands at 1875.
    const SpectrumColumn c
            = spectrumColumn(QSize(5000, 1000), 1000000, 1080000, 10000, 1030000, level);
    QVERIFY(c.drawable);
    QCOMPARE(c.columnWidth, 625);
    QCOMPARE(c.x, 1875);
    QCOMPARE(c.markerX, 2500);
    QCOMPARE(c.top, top);
}

void TestSearch::plotOnSurface()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    f.panel.image = QImage(400, 100, QImage::Format_RGB32);
    f.panel.clearSpectrum();
    putRange(f, 0, QStringLiteral("100"), QStringLiteral("108"), QStringLiteral("1"));
    f.sim.setSignalLevelAt(103, 5);
    f.panel.spectrum = true;
    f.panel.squelchPosition = 0;
    f.station->state().searchFrequency = QStringLiteral("102");
    f.station->SelectMode(ModeSearchStart);
    f.runPasses(1); // 103: column width 50, x = 150
    const QImage &img = f.panel.image;
    QCOMPARE(img.pixel(200, 0), markerColour);
    QCOMPARE(img.pixel(200, 99), markerColour);
    QCOMPARE(img.pixel(150, 49), f.panel.background);
    QCOMPARE(img.pixel(150, 50), levelColour);
    QCOMPARE(img.pixel(150, 99), levelColour);
    QCOMPARE(img.pixel(149, 99), f.panel.background);
}

void TestSearch::degenerateRangesDrawNothing_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("step");
    QTest::newRow("To equals From") << "100"
                                    << "100"
                                    << "0.5";
    QTest::newRow("step 0") << "100"
                            << "101"
                            << "0";
    QTest::newRow("too many steps for the width") << "100"
                                                  << "200"
                                                  << "0.0001";
    QTest::newRow("upside down") << "101"
                                 << "100"
                                 << "0.5";
}

void TestSearch::degenerateRangesDrawNothing()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, step);
    CoreFixture f;
    QVERIFY(f.startUp());
    putRange(f, 0, from, to, step);
    f.panel.spectrum = true;
    f.panel.squelchPosition = 0;
    const QImage before = f.panel.image;
    f.station->SelectMode(ModeSearchStart);
    f.runPasses(3);
    QCOMPARE(f.panel.image, before);
    // The search itself runs on.
    QCOMPARE(tuned(f.sent()).size(), size_t(3));
}

QTEST_GUILESS_MAIN(TestSearch)
#include "test_search.moc"
