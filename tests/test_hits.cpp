// Every signal a record: the hits a scan and a search make against the simulated receiver, and
// the store that keeps them through damage, a second station and a kill in the middle of a write.
#include "CoreFixture.h"
#include "FileHelpers.h"
#include "scan/HitRecorder.h"
#include "storage/HitStore.h"

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <numeric>

using namespace ze;
using zetest::CoreFixture;

namespace {

constexpr double pass = 0.25; // seconds of the clock a pass takes

// The fixture at 1000 s past midnight (00:16:40) on its clock, squelch threshold 10, delay 2 s.
struct Scan : CoreFixture
{
    Scan()
    {
        clock.setSecondsSinceMidnight(1000);
        clock.setLocalNow(QDateTime(QDate(2026, 1, 2), QTime(0, 16, 40)));
    }
    HitStore &store() { return engine->hitStore(); }
    // Runs passes until the clock reads until, one pass a step.
    void runUntil(double until)
    {
        while (clock.secondsSinceMidnight() < until - 1e-9) {
            loop->pass();
            clock.advance(pass);
        }
    }
    QVector<Hit> hits()
    {
        store().flush();
        QVector<Hit> all = store().newest({}, nullptr, 100);
        std::reverse(all.begin(), all.end());
        return all;
    }
};

} // namespace

class TestHits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aScanGivesTheHitsItFinds();
    void aSearchGivesItsHitsButNotItsQuietSteps();
    void damagedStoreMovedAside();
    void secondStationKeepsItsHitsInMemory();
    void committedHitsSurviveAKill();
    void logImportedOnce();
    void hourlyRollupAgreesWithTheHits();
    void aFullDiskIsToldOnceAndTheScanGoesOn();
};

void TestHits::aScanGivesTheHitsItFinds()
{
    Scan f;
    QVERIFY(f.startUp());
    f.panel.ticked = {true, false, false, false};
    f.putChannel(1, 1, QStringLiteral("145.1000"));
    f.putChannel(1, 2, QStringLiteral("145.2000"));
    f.putChannel(1, 3, QStringLiteral("145.3000"), 0, QStringLiteral("Three"));
    f.sim.setSignalLevelAt(145.1, 12);
    QSignalSpy begun(&f.engine->hitRecorder(), &HitRecorder::hitBegun);
    f.pressScan();
    // 145.1 is on for three seconds: held while on, and for the delay after its last sample's
    // whole second (1002.75 rounds to 1003), so it ends at 1005.
    f.runUntil(1003);
    f.sim.setSignalLevelAt(145.1, 0);
    f.runUntil(1005.5);
    // 145.3 is on for its one sample at 1005.5 (rounded to 1006): it ends at 1008.
    f.sim.setSignalLevelAt(145.3, 11);
    f.runUntil(1005.75);
    f.sim.setSignalLevelAt(145.3, 0);
    // Round the banks a few times: nothing more is heard.
    f.runUntil(1012);
    const QVector<Hit> hits = f.hits();
    QCOMPARE(hits.size(), 2);
    QCOMPARE(begun.size(), 2);
    const struct
    {
        const char *frequency;
        int channel;
        int peak;
        double start;
        double seconds;
        const char *description;
    } expected[] = {{"145.1000", 1, 12, 0, 5, "Ch"}, {"145.3000", 3, 11, 5.5, 2.5, "Three"}};
    const QDateTime origin(QDate(2026, 1, 2), QTime(0, 16, 40));
    for (int i = 0; i < 2; ++i) {
        const Hit &hit = hits[i];
        QCOMPARE(hit.frequency, QLatin1String(expected[i].frequency));
        QCOMPARE(hit.hz, qint64(std::llround(QByteArray(expected[i].frequency).toDouble() * 1e6)));
        QCOMPARE(QStringLiteral("%1-%2 %3 %4 %5")
                         .arg(hit.bank)
                         .arg(hit.channel)
                         .arg(hit.mode, hit.search ? "search" : "scan", hit.description),
                 QStringLiteral("1-%1 N scan %2")
                         .arg(expected[i].channel)
                         .arg(expected[i].description));
        QCOMPARE(hit.peak, expected[i].peak);
        QVERIFY(hit.ended());
        QVERIFY2(qAbs(origin.toUTC().msecsTo(hit.start) / 1000.0 - expected[i].start) <= pass,
                 qPrintable(hit.start.toString(Qt::ISODateWithMs)));
        QVERIFY2(qAbs(hit.durationMs() / 1000.0 - expected[i].seconds) <= pass,
                 qPrintable(QString::number(hit.durationMs())));
    }
}

void TestHits::aSearchGivesItsHitsButNotItsQuietSteps()
{
    Scan f;
    QVERIFY(f.startUp());
    f.putRange(0, QStringLiteral("100"), QStringLiteral("101"), QStringLiteral("0.25"));
    // Every step reads a level the log writes but the squelch does not pass.
    f.sim.setNoiseLevel(3);
    f.panel.logTicked = true;
    f.sim.setSignalLevelAt(100.5, 13);
    f.station->commands().searchFrom(0, 100000000);
    f.runUntil(1001);
    f.sim.setSignalLevelAt(100.5, 3);
    f.runUntil(1010);
    const QVector<Hit> hits = f.hits();
    QCOMPARE(hits.size(), 1);
    QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(hits[0].frequency, hits[0].search ? "search" : "scan", hits[0].range)
                     .arg(hits[0].bank)
                     .arg(hits[0].channel),
             QStringLiteral("100.5000 search R 0 -1"));
    QCOMPARE(hits[0].peak, 13);
    QVERIFY(f.readFile(QStringLiteral("logging.txt")).count('\n') > 10);
}

void TestHits::damagedStoreMovedAside()
{
    CoreFixture f(false);
    f.engine.reset();
    f.writeFile(QString(HitStore::fileName), QByteArray("not a database at all").repeated(100));
    HitStore store(f.dir());
    QVERIFY(store.persistent());
    QVERIFY2(store.problem().contains(QLatin1String("damaged")), qPrintable(store.problem()));
    const QStringList aside
            = QDir(f.dir()).entryList({QStringLiteral("activity.damaged-*.sqlite")});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(f.readFile(aside.first()).left(21), QByteArray("not a database at all"));
    Hit hit;
    hit.start = QDateTime::currentDateTimeUtc();
    hit.frequency = QStringLiteral("145.5000");
    store.begin(hit);
    store.flush();
    QCOMPARE(store.count(), 1);
}

void TestHits::secondStationKeepsItsHitsInMemory()
{
    CoreFixture f(false);
    HitStore &first = f.engine->hitStore();
    HitStore second(f.dir());
    QVERIFY(first.persistent() && !second.persistent());
    QVERIFY(second.problem().contains(QLatin1String("Another station")));
    Hit hit;
    hit.start = QDateTime::currentDateTimeUtc();
    hit.frequency = QStringLiteral("118.1000");
    second.begin(hit);
    second.flush();
    // Its own list has it; the file does not.
    QCOMPARE(second.count(), 1);
    QCOMPARE(first.count(), 0);
}

void TestHits::committedHitsSurviveAKill()
{
    QTemporaryDir dir;
    QProcess writer;
    writer.start(QStringLiteral(ZE_HITSTORE_WRITER), {dir.path()});
    QVERIFY(writer.waitForStarted());
    QList<qint64> committed;
    while (committed.size() < 200 && writer.waitForReadyRead(5000)) {
        while (writer.canReadLine())
            committed << writer.readLine().trimmed().toLongLong();
    }
    ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
    writer.waitForFinished();
    QVERIFY(committed.size() >= 200);
    // The next start opens it; every hit it had told as written is there.
    HitStore store(dir.path());
    QVERIFY2(store.persistent() && store.problem().isEmpty(), qPrintable(store.problem()));
    QSet<qint64> there;
    for (const Hit &hit : store.newest({}, nullptr, 1000000))
        there << hit.id;
    for (const qint64 id : committed)
        QVERIFY2(there.contains(id), qPrintable(QString::number(id)));
}

void TestHits::logImportedOnce()
{
    CoreFixture f(false);
    HitStore &store = f.engine->hitStore();
    const QByteArray log = "2026-01-02 03:04:05\t145.5000  \t 12 \tN\tTower\r\n"
                           "2026-01-02 03:04:09\t100.5000  \t 4 \tN\t\r\n"
                           "not a line\r\n";
    QCOMPARE(store.importLog(log), 2);
    QCOMPARE(store.importLog(log), 0); // the same lines again are passed over
    store.flush();
    const QVector<Hit> hits = store.newest({}, nullptr, 10);
    QCOMPARE(hits.size(), 2);
    QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                     .arg(hits[1].frequency, hits[1].description)
                     .arg(hits[1].peak)
                     .arg(hits[1].ended()),
             QStringLiteral("145.5000 Tower 12 0"));
    QCOMPARE(hits[1].start, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)).toUTC());
    QVERIFY(hits[0].search && !hits[1].search);
    // Filters by text and period.
    HitFilter filter;
    filter.text = QStringLiteral("tow");
    QCOMPARE(store.newest(filter, nullptr, 10).size(), 1);
    filter = {};
    filter.from = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 6)).toUTC();
    QCOMPARE(store.newest(filter, nullptr, 10).size(), 1);
}

// The summary and the statistics read the hourly rollup the writes keep up; they must tell what
// the hits themselves tell.
void TestHits::hourlyRollupAgreesWithTheHits()
{
    CoreFixture f(false);
    HitStore &store = f.engine->hitStore();
    const QDateTime base = QDateTime(QDate(2026, 3, 4), QTime(10, 30)).toUTC();
    QVector<Hit> many;
    for (int i = 0; i < 40; ++i) {
        Hit hit;
        hit.start = base.addSecs(i * 977);
        hit.frequency = QStringLiteral("14%1.5000").arg(i % 3);
        hit.hz = 140500000 + (i % 3) * 1000000;
        // Live ones end later; taken-in ones come with their end, or with none.
        if (i % 2) {
            const qint64 id = store.begin(hit);
            store.end(id, hit.start.addMSecs(1000 + i * 10), 5);
        } else {
            if (i % 4)
                hit.end = hit.start.addMSecs(2000 + i);
            many << hit;
        }
    }
    store.add(many);
    store.flush();
    HitFilter byHits; // a bound off the hour: read from the hits
    byHits.from = QDateTime::fromMSecsSinceEpoch(1);
    const auto text = [](const QVector<FrequencySummary> &rows) {
        QStringList out;
        for (const FrequencySummary &r : rows)
            out << QStringLiteral("%1 %2 %3 %4 %5 %6")
                            .arg(r.frequency)
                            .arg(r.hits)
                            .arg(r.airtimeMs)
                            .arg(r.longestMs)
                            .arg(r.first.toMSecsSinceEpoch())
                            .arg(r.last.toMSecsSinceEpoch());
        return out;
    };
    QCOMPARE(text(store.summary({})), text(store.summary(byHits)));
    const HitStatistics stats = store.statistics({}, {});
    int total = 0;
    for (const auto &day : stats.byDayAndHour)
        total += std::accumulate(day.begin(), day.end(), 0);
    QCOMPARE(total, 40);
    // 10:30 on a Wednesday, local time, and the hours after it.
    QVERIFY(stats.byDayAndHour[2][10] > 0);
}

void TestHits::aFullDiskIsToldOnceAndTheScanGoesOn()
{
    Scan f;
    QVERIFY(f.startUp());
    f.putChannel(1, 1, QStringLiteral("145.1000"));
    f.sim.setSignalLevelAt(145.1, 12);
    QSignalSpy told(&f.store(), &HitStore::problemChanged);
    const qint64 size = QFileInfo(f.path(QString(HitStore::fileName))).size()
            + QFileInfo(f.path(QString(HitStore::fileName) + QStringLiteral("-wal"))).size();
    f.pressScan();
    // The disk fills: every write fails, each hit still found and the scan going on.
    QVERIFY(zetest::withFileSizeLimit(size, [&] {
        for (int i = 0; i < 200; ++i) {
            Hit hit;
            hit.start = QDateTime::currentDateTimeUtc();
            hit.frequency = QStringLiteral("145.5000");
            hit.description = QString(1000, u'x');
            f.store().begin(hit);
        }
        f.runUntil(1005);
        f.store().flush();
    }));
    QTRY_COMPARE(told.size(), 1);
    QVERIFY(f.store().problem().contains(QLatin1String("could not be written")));
    QCOMPARE(f.panel.notice, f.store().problem());
    QCOMPARE(int(f.station->state().operatingMode), int(ModeScanning));
    // Held on the signal, a sample every pass.
    QVERIFY2(f.sent().size() > 40, qPrintable(QString::number(f.sent().size())));
}

QTEST_GUILESS_MAIN(TestHits)
#include "test_hits.moc"
