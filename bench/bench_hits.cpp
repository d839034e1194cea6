// The hits: what writing one costs a pass, how quickly the hits window and the statistics come
// up over a million of them, and whether the hits window open slows a bank scan.
//
//   bench_hits [hits in the big store] [seconds per scan run] [runs] [--pictures DIR]
#include "BenchReport.h"
#include "WholeProgram.h"
#include "scan/HitRecorder.h"
#include "storage/HitStore.h"
#include "ui/HitsWindow.h"
#include "ui/StatisticsWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTableView>

#include <cmath>
#include <cstdio>

namespace {

double msSince(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// A week and more of hits as a busy band gives them: more by day than by night, most on a few
// frequencies, lasting seconds to a minute.
QVector<ze::Hit> manyHits(int count)
{
    QRandomGenerator random(7);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QVector<ze::Hit> hits;
    hits.reserve(count);
    for (int i = 0; i < count; ++i) {
        ze::Hit hit;
        // Hours weighted toward the day: a sine over the day, lifted above nothing.
        qint64 back = 0;
        do {
            back = qint64(random.bounded(30 * 86400));
        } while (random.generateDouble() > 0.25
                         + 0.75
                                 * std::pow(std::sin(M_PI
                                                     * double((now.addSecs(-back)
                                                                       .toLocalTime()
                                                                       .time()
                                                                       .hour()
                                                               + 18)
                                                              % 24)
                                                     / 24.0),
                                            2)
                                 * (now.addSecs(-back).toLocalTime().date().dayOfWeek() >= 6
                                            ? 0.6
                                            : 1.0));
        hit.start = now.addSecs(-back);
        hit.end = hit.start.addMSecs(1000 + random.bounded(60000));
        const int channel = int(std::pow(random.generateDouble(), 3) * 100);
        hit.frequency = zebench::scanFrequency(channel);
        hit.hz = qint64(std::llround(hit.frequency.toDouble() * 1e6));
        hit.mode = QStringLiteral("N");
        hit.bank = 1;
        hit.channel = channel;
        hit.description = QStringLiteral("Channel %1").arg(channel);
        hit.peak = 8 + random.bounded(8);
        hits << hit;
    }
    return hits;
}

// What a hit's begin and end cost the pass that meets them, through the station's events.
void writeCost()
{
    QTemporaryDir dir;
    ze::ManualClock clock;
    ze::Station station({dir.path(), dir.filePath(QStringLiteral("settings.ini"))}, clock);
    ze::HitStore store(dir.path());
    ze::HitRecorder recorder(station, store);
    station.state().operatingMode = ze::ModeScanning;
    std::vector<double> costs; // wall time, microseconds
    std::vector<double> cpu; // the thread's own time: what the pass spends itself
    for (int i = -20; i < 5000; ++i) {
        ze::HeardSignal heard;
        heard.frequency = zebench::scanFrequency(i % 100);
        heard.bank = 1;
        heard.channel = i % 100;
        heard.level = 12;
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = zebench::threadCpuSeconds();
        Q_EMIT station.events().signalFound(heard);
        Q_EMIT station.events().holdEnded();
        const double cpuUs = (zebench::threadCpuSeconds() - cpuBefore) * 1e6;
        // The first few make the queries and the thread's queue.
        if (i >= 0) {
            costs.push_back(timer.nsecsElapsed() / 1e3);
            cpu.push_back(cpuUs);
        }
        clock.advance(1);
    }
    store.flush();
    std::sort(costs.begin(), costs.end());
    std::sort(cpu.begin(), cpu.end());
    const double p999 = costs[costs.size() * 999 / 1000];
    zebench::report(QStringLiteral("a hit's begin and end on the pass (5 000 hits; wall median %1 "
                                   "us, 99.9th percentile %2 us, worst %3 us)")
                            .arg(zebench::median(costs), 0, 'f', 1)
                            .arg(p999, 0, 'f', 0)
                            .arg(costs.back(), 0, 'f', 0),
                    QStringLiteral("CPU worst %1 us").arg(cpu.back(), 0, 'f', 0),
                    QStringLiteral("<= 1 000 us"),
                    cpu.back() <= 1000 && p999 <= 1000 && store.count() == 5020);
}

// Channels tuned a second by a bank scan through the loop's own steps.
double channelsPerSecond(ze::StationApp &app, double seconds)
{
    app.window().findChild<QAbstractButton *>(QStringLiteral("cmdScanBanks"))->click();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 300) {
        app.loop().pass();
        ze::ControlLoop::handleEvents(false);
    }
    int tuned = 0;
    const QString &frequency = app.station().state().tunedFrequency;
    timer.restart();
    while (timer.nsecsElapsed() < seconds * 1e9) {
        const QString before = frequency;
        app.loop().pass();
        ze::ControlLoop::handleEvents(false);
        tuned += frequency != before;
    }
    const double rate = tuned / (timer.nsecsElapsed() / 1e9);
    app.station().SelectMode(ze::ModeIdle);
    return rate;
}

} // namespace

int main(int argc, char **argv)
{
    ze::StationApp::prepareToolkit();
    QApplication application(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString pictures;
    if (const qsizetype at = args.indexOf(QStringLiteral("--pictures"));
        at >= 0 && at + 1 < args.size()) {
        pictures = args.at(at + 1);
        args.remove(at, 2);
    }
    const int count = args.value(0).toInt() > 0 ? args.value(0).toInt() : 1000000;
    const double seconds = args.value(1).toDouble() > 0 ? args.value(1).toDouble() : 5.0;
    const int runs = args.value(2).toInt() > 0 ? args.value(2).toInt() : 5;

    writeCost();

    zebench::WholeProgram program;
    // Every seventh channel is busy, so the scan finds a hit there at every round.
    QFile scenario(program.path(QStringLiteral("busy.scn")));
    scenario.open(QIODevice::WriteOnly);
    scenario.write("noise 1\n");
    for (int channel = 0; channel < 100; channel += 7)
        scenario.write(
                QStringLiteral("signal %1 12\n").arg(zebench::scanFrequency(channel)).toLatin1());
    scenario.close();
    if (!program.start({QStringLiteral("--scenario"), scenario.fileName()})) {
        std::fprintf(stderr, "bench_hits: the simulated receiver did not start\n");
        return 1;
    }
    ze::SystemClock clock;
    ze::StationApp app(program.paths(), clock);
    if (!app.startUp()) {
        std::fprintf(stderr, "bench_hits: start-up failed\n");
        return 1;
    }
    zebench::prepareWindow(app.window());
    // Signals at level 12 hold; the delay short, so the scan moves on.
    app.window().findChild<QSlider *>(QStringLiteral("hscrSquelch"))->setValue(4);
    app.window().findChild<QComboBox *>(QStringLiteral("cmbDelay"))->setCurrentIndex(0); // 0 sec.

    int begun = 0;
    QObject::connect(&app.engine().hitRecorder(), &ze::HitRecorder::hitBegun,
                     [&begun] { ++begun; });
    // The scan with the hits window closed and open, interleaved.
    std::vector<double> closed, open, ratio;
    for (int i = 0; i < runs; ++i) {
        closed.push_back(channelsPerSecond(app, seconds));
        app.window().openHits();
        open.push_back(channelsPerSecond(app, seconds));
        app.window().openHits().hide();
        ratio.push_back(open.back() / closed.back());
        std::fprintf(stderr, "run %d: %.2f channels/s closed, %.2f open\n", i + 1, closed.back(),
                     open.back());
    }
    const double median = zebench::median(ratio);
    app.hitStore().flush();
    std::fprintf(stderr, "hits begun during the scans: %d, stored %d; delay %s\n", begun,
                 app.hitStore().count(), qPrintable(app.window().delayText()));
    zebench::report(QStringLiteral("bank scan with the hits window open, against closed (median "
                                   "of %1; %2 and %3 channels/s, %4 hits)")
                            .arg(runs)
                            .arg(zebench::median(open), 0, 'f', 2)
                            .arg(zebench::median(closed), 0, 'f', 2)
                            .arg(app.hitStore().count()),
                    QString::number(median, 'f', 3), QStringLiteral(">= 0.98"), median >= 0.98);

    // A million hits, then the windows built anew over them.
    ze::HitStore &store = app.hitStore();
    QElapsedTimer filling;
    filling.start();
    const QVector<ze::Hit> hits = manyHits(count);
    for (qsizetype at = 0; at < hits.size(); at += 50000)
        store.add(hits.mid(at, 50000));
    store.flush();
    std::fprintf(stderr, "filled %d hits in %.1f s\n", store.count(), msSince(filling) / 1000);
    QElapsedTimer timer;
    timer.start();
    ze::HitsWindow *window
            = new ze::HitsWindow(app.station(), app.engine().hitRecorder(), nullptr, &app.window());
    window->show();
    QCoreApplication::processEvents();
    const double openMs = msSince(timer);
    zebench::report(
            QStringLiteral("hits window opened over %1 hits, table and summary").arg(store.count()),
            QStringLiteral("%1 ms").arg(openMs, 0, 'f', 0), QStringLiteral("<= 1 000 ms"),
            openMs <= 1000 && window->hitTable()->model()->rowCount() > 0);
    auto *statistics = new ze::StatisticsWindow(store, &app.window());
    statistics->show();
    QCoreApplication::processEvents();
    std::vector<double> drawn;
    for (int i = 0; i < 3; ++i) {
        timer.restart();
        statistics->refresh();
        statistics->repaint();
        QCoreApplication::processEvents();
        drawn.push_back(msSince(timer));
    }
    const double drawMs = *std::max_element(drawn.begin(), drawn.end());
    zebench::report(
            QStringLiteral("statistics drawn over %1 hits, a week (worst of 3)").arg(store.count()),
            QStringLiteral("%1 ms").arg(drawMs, 0, 'f', 0), QStringLiteral("<= 1 000 ms"),
            drawMs <= 1000);
    if (!pictures.isEmpty()) {
        window->resize(1000, 560);
        statistics->resize(900, 760);
        QCoreApplication::processEvents();
        window->grab().save(QDir(pictures).filePath(QStringLiteral("hits.png")));
        statistics->grab().save(QDir(pictures).filePath(QStringLiteral("statistics.png")));
    }
    return 0;
}
