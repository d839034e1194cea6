// The waterfall's history and drawing at their largest: 10 000 sweeps of 2 000 steps measured
// into the history (it keeps the newest rows of a fixed number, so its memory stays bounded), and
// the time a resize and a zoom of a shown waterfall need to draw it all again.
//
//   bench_waterfall [repeats]
#include "BenchReport.h"
#include "ui/Pacer.h"
#include "ui/SweepHistory.h"
#include "ui/WaterfallView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <vector>

namespace {

// Resident memory of the process in KiB.
double residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    const int repeats
            = argc > 1 && QByteArray(argv[1]).toInt() > 0 ? QByteArray(argv[1]).toInt() : 9;
    constexpr int sweeps = 10000;
    constexpr int steps = 2000;

    ze::SweepHistory history;
    ze::SweepColumns columns;
    columns.fromHz = 118000000;
    columns.stepHz = 12500;
    columns.steps = steps;
    history.reset(columns);
    const double residentBefore = residentKiB();
    QElapsedTimer filling;
    filling.start();
    for (int sweep = 0; sweep < sweeps; ++sweep)
        for (int step = 0; step < steps; ++step)
            history.measure(step, (step * 7 + sweep) % 16, qint64(sweep) * 1000);
    const double fillMs = filling.nsecsElapsed() / 1e6;
    const double mib = history.bytes() / 1048576.0;
    std::fprintf(stderr, "history: %d rows, %.0f ms to fill, resident growth %.1f MiB\n",
                 history.rows(), fillMs, (residentKiB() - residentBefore) / 1024);
    zebench::report(QStringLiteral("waterfall history, %1 sweeps of %2 steps: memory (%3 rows "
                                   "kept)")
                            .arg(sweeps)
                            .arg(steps)
                            .arg(history.rows()),
                    QStringLiteral("%1 MiB").arg(mib, 0, 'f', 2), QStringLiteral("<= 4 MiB"),
                    mib <= 4);

    ze::Pacer pacer;
    ze::WaterfallView view(history, pacer);
    view.resize(1200, 700);
    view.show();
    view.historyReset();
    std::vector<double> resizeMs;
    std::vector<double> zoomMs;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        view.resize(i % 2 ? QSize(1200, 700) : QSize(1600, 900));
        view.flush();
        view.repaint();
        resizeMs.push_back(timer.nsecsElapsed() / 1e6);
        timer.start();
        view.zoom(i % 2 ? 2.0 : 0.5, view.width() / 2);
        view.flush();
        view.repaint();
        zoomMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    const double resizeWorst = *std::max_element(resizeMs.begin(), resizeMs.end());
    const double zoomWorst = *std::max_element(zoomMs.begin(), zoomMs.end());
    zebench::report(QStringLiteral("waterfall of that history, 1600 x 900: resize redrawn, slowest "
                                   "of %1 (median %2 ms)")
                            .arg(repeats)
                            .arg(zebench::median(resizeMs), 0, 'f', 1),
                    QStringLiteral("%1 ms").arg(resizeWorst, 0, 'f', 1), QStringLiteral("<= 50 ms"),
                    resizeWorst <= 50);
    zebench::report(QStringLiteral("waterfall of that history: zoom redrawn, slowest of %1 (median "
                                   "%2 ms)")
                            .arg(repeats)
                            .arg(zebench::median(zoomMs), 0, 'f', 1),
                    QStringLiteral("%1 ms").arg(zoomWorst, 0, 'f', 1), QStringLiteral("<= 50 ms"),
                    zoomWorst <= 50);
    return 0;
}
