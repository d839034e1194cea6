// The hits window and the statistics as the operator uses them, the whole program in-process
// against the simulated receiver.
#include "UiFixture.h"
#include "scan/HitRecorder.h"
#include "storage/Lockouts.h"
#include "ui/HitsWindow.h"
#include "ui/StatisticsWindow.h"

#include <QAbstractButton>
#include <QBarSet>
#include <QChart>
#include <QComboBox>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineEdit>
#include <QScatterSeries>
#include <QSlider>
#include <QTableView>
#include <QtTest>

using namespace ze;
using zetest::UiFixture;

namespace {

// The program on a bank of three channels and a range, at 00:16:40 on its clock.
struct Hits : UiFixture
{
    bool start()
    {
        writeFile(QStringLiteral("b.bnk"),
                  " 1 \t 1 \tN\t145.1000\t 0 \t 0 \t 0 \tOne\r\n"
                  " 1 \t 2 \tA\t118.1000\t 0 \t 0 \t 0 \tTower\r\n");
        writeFile(QStringLiteral("range.rng"), "100\t101\tN\t0.25\tLow\r\n");
        clock.setSecondsSinceMidnight(1000);
        clock.setLocalNow(QDateTime(QDate(2026, 1, 2), QTime(0, 16, 40)));
        if (!startUp())
            return false;
        for (int bank = 2; bank <= 4; ++bank)
            widget<QAbstractButton>(QStringLiteral("chkScan(%1)").arg(bank))->setChecked(false);
        return true;
    }
    void passes(int n)
    {
        for (int i = 0; i < n; ++i) {
            runPasses(1);
            clock.advance(0.25);
        }
    }
    HitsWindow &hits() { return app->window().openHits(); }
    QString cell(int row, int column)
    {
        QTableView *table = hits().hitTable();
        return table->model()->index(row, column).data().toString();
    }
};

} // namespace

class TestHitList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsTheScanLive();
    void actionsOnAHit();
    void aSearchHitLockedOutByKey();
    void statisticsDraw();
};

void TestHitList::followsTheScanLive()
{
    Hits f;
    QVERIFY(f.start());
    HitsWindow &window = f.hits();
    QCOMPARE(window.hitTable()->model()->rowCount(), 0);
    f.sim.setSignalLevelAt(118.1, 12);
    f.click(QStringLiteral("cmdScanBanks"));
    f.passes(4);
    // While it lasts it is on the air, the newest at the top.
    QCOMPARE(window.hitTable()->model()->rowCount(), 1);
    QCOMPARE(QStringList({f.cell(0, 1), f.cell(0, 2), f.cell(0, 3), f.cell(0, 4), f.cell(0, 6)}),
             QStringList({"on the air", "118.1000", "AM", "1-2", "Tower"}));
    f.sim.setSignalLevelAt(118.1, 0);
    f.passes(16);
    // The status bar tells the channels a second while it scans.
    QTRY_VERIFY(f.text(QStringLiteral("StatusBar1Rate")).endsWith(QLatin1String(" channels/s")));
    QCOMPARE(f.cell(0, 1).right(2), QStringLiteral(" s"));
    QAbstractItemModel *summary = window.summaryTable()->model();
    QCOMPARE(summary->rowCount(), 1);
    QCOMPARE(summary->index(0, 1).data().toInt(), 1);
    // The filter picks by text.
    window.findChild<QLineEdit *>(QStringLiteral("txtHitFilter"))->setText(QStringLiteral("one"));
    QTRY_COMPARE(window.hitTable()->model()->rowCount(), 0);
    window.findChild<QLineEdit *>(QStringLiteral("txtHitFilter"))->setText(QStringLiteral("tow"));
    QTRY_COMPARE(window.hitTable()->model()->rowCount(), 1);
}

void TestHitList::actionsOnAHit()
{
    Hits f;
    QVERIFY(f.start());
    f.sim.setSignalLevelAt(145.1, 12);
    f.click(QStringLiteral("cmdScanBanks"));
    f.passes(2);
    f.sim.setSignalLevelAt(145.1, 0);
    f.passes(16);
    HitsWindow &window = f.hits();
    window.hitTable()->selectRow(0);
    // Tune: direct mode at its frequency and mode, as the keypad would.
    f.click(QStringLiteral("cmdHitTune"));
    const ProgramState &state = f.app->station().state();
    QCOMPARE(int(state.operatingMode), int(ModeDirect));
    QVERIFY(state.pendingTune && state.pendingTune->frequency == QLatin1String("145.1000"));
    // Add to bank: into the first free channel of the bank asked for.
    f.answers = QStringList {QStringLiteral("Bank 2")};
    f.click(QStringLiteral("cmdHitToBank"));
    QCOMPARE(state.banks(2, 0).Frequency, QStringLiteral("145.1000"));
    QVERIFY(f.readFile(QStringLiteral("b.bnk")).contains(" 2 \t 0 \tN\t145.1000\t"));
    // Lock out: the channel's lockout flag, saved.
    f.click(QStringLiteral("cmdHitLockOut"));
    QCOMPARE(state.banks(1, 1).LockOut, qint16(1));
    QVERIFY(f.readFile(QStringLiteral("b.bnk"))
                    .contains(" 1 \t 1 \tN\t145.1000\t 0 \t 0 \t 1 \tOne"));
    // Export: the hits shown, as CSV.
    f.answers = QStringList {QStringLiteral("hits.csv")};
    f.click(QStringLiteral("cmdHitExport"));
    const QList<QByteArray> lines = f.readFile(QStringLiteral("hits.csv")).split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[1].contains(",145.1000,N,1,1,,One,12,scan,"));
    // The log's lines become hits too, once.
    f.writeFile(QStringLiteral("logging.txt"), "2026-01-01 10:00:00\t99.5000   \t 7 \tW\tOld\r\n");
    f.click(QStringLiteral("cmdHitImportLog"));
    f.click(QStringLiteral("cmdHitImportLog"));
    QCOMPARE(window.hitTable()->model()->rowCount(), 2);
    QVERIFY(f.messages.last().contains(QLatin1String("0 lines")));
}

void TestHitList::aSearchHitLockedOutByKey()
{
    Hits f;
    QVERIFY(f.start());
    f.sim.setSignalLevelAt(100.5, 12);
    f.widget<QComboBox>(QStringLiteral("cmbRangeLijst"))->setCurrentIndex(0);
    f.app->station().state().currentRange = 0;
    f.click(QStringLiteral("cmdSearchScan"));
    f.passes(3);
    const ProgramState &state = f.app->station().state();
    QVERIFY(state.holdStart != 0 && state.searchFrequency == QLatin1String("100.5000"));
    // L passes the held signal over and keeps the search off it.
    QTest::keyClick(&f.app->window(), Qt::Key_L);
    QCOMPARE(state.lockouts, QVector<qint64> {100500000});
    QCOMPARE(state.holdStart, 0);
    QCOMPARE(f.readFile(QString(lockoutsFileName)), QByteArray("100.5000\r\n"));
    f.clearSent();
    f.passes(8);
    for (const std::string &command : f.sent())
        QVERIFY(command != "100.5000N");
}

void TestHitList::statisticsDraw()
{
    Hits f;
    QVERIFY(f.start());
    HitStore &store = f.app->hitStore();
    for (int i = 0; i < 30; ++i) {
        Hit hit;
        hit.start = QDateTime::currentDateTimeUtc().addSecs(-i * 3600);
        hit.end = hit.start.addSecs(10 + i);
        hit.frequency = i % 3 ? QStringLiteral("145.5000") : QStringLiteral("118.1000");
        hit.hz = i % 3 ? 145500000 : 118100000;
        hit.mode = QStringLiteral("N");
        store.begin(hit);
    }
    StatisticsWindow &window = f.app->window().openStatistics();
    // 168 cells of hour and day; two bars a frequency, the busiest at the top.
    const auto *cells = qobject_cast<QScatterSeries *>(window.activityChart()->series().value(0));
    QVERIFY(cells && cells->count() == 24 * 7);
    const auto *bars
            = qobject_cast<QHorizontalBarSeries *>(window.busiestChart()->series().value(0));
    QVERIFY(bars && bars->count() == 2);
    QCOMPARE(bars->barSets().at(0)->count(), 2);
    QCOMPARE(bars->barSets().at(0)->at(1), 20.0);
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblStatTotal"))->text(),
             QStringLiteral("30 hits"));
}

QTEST_MAIN(TestHitList)
#include "test_hitlist.moc"
