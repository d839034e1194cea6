// The activity log at its largest: converting a long log into a bank, and the log viewer on it.
//
//   bench_log [lines] [megabytes]
//
// First a log of the given number of lines (default 100 000) as a scanner writes them, over 300
// frequencies so that the conversion reads every line: the conversion of the whole log (read,
// convert, write the bank file) and the viewer's first showing are timed. Then a log of the given
// size (default 100 MB): the viewer's refresh, what every activation does, with the entries shown
// and the process's peak memory.
#include "BenchReport.h"
#include "WholeProgram.h"
#include "Workspace.h"
#include "scan/ActivityLog.h"
#include "storage/BankFile.h"
#include "storage/DataFile.h"
#include "storage/LogConversion.h"
#include "ui/LogViewer.h"
#include "ui/MainWindow.h"
#include "ui/StationApp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>

#include <sys/resource.h>

#include <cstdio>

namespace {

QByteArray logLine(int i, int frequencies)
{
    return "2026-01-02 03:04:05\t"
            + QByteArray::number(100.0 + (i % frequencies) * 0.0125, 'f', 4).leftJustified(10)
            + "\t 12 \tN\tChannel " + QByteArray::number(i % frequencies) + "\r\n";
}

double millisecondsSince(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ze::StationApp::prepareToolkit();
    QApplication application(argc, argv);
    int lines = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    if (lines <= 0)
        lines = 100000;
    qint64 megabytes = argc > 2 ? QByteArray(argv[2]).toLongLong() : 100;
    if (megabytes <= 0)
        megabytes = 100;

    zetest::Workspace space(true);
    QByteArray log;
    for (int i = 0; i < lines; ++i)
        log += logLine(i, 300);
    space.writeFile(QStringLiteral("logging.txt"), log);

    ze::SystemClock clock;
    ze::StationApp app(space.paths(), clock);
    if (!space.receiverStarted || !app.startUp()) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    // The name box answered "new", the question to replace it (every run after the first) Yes.
    app.window().dialogs().setAnswerSource([](const QString &, const QString &text) {
        return text.startsWith(QLatin1String("Enter")) ? QStringLiteral("new")
                                                       : QStringLiteral("Yes");
    });
    bool failed = false;
    app.window().dialogs().setMessageSink([&failed](const QString &, const QString &text) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        failed = true;
    });

    // 10 000 log lines as scanning writes them, each appended to the file on its own.
    {
        ze::Station &station = app.station();
        station.state().banks = zebench::scanBank();
        station.state().currentBank = 1;
        station.display().setChannelText(QStringLiteral("5"));
        const QByteArray before = space.readFile(QStringLiteral("logging.txt"));
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 10000; ++i) {
            station.state().lastLoggedFrequency.clear();
            app.activityLog().WriteChannelLogLine(1 + i % 15);
        }
        const double appendMs = millisecondsSince(timer);
        const qsizetype added
                = space.readFile(QStringLiteral("logging.txt")).size() - before.size();
        zebench::report(QStringLiteral("10 000 log lines appended"),
                        QStringLiteral("%1 ms").arg(appendMs, 0, 'f', 1),
                        QStringLiteral("<= 1 000 ms"), appendMs <= 1000 && added > 10000 * 40);
        space.writeFile(QStringLiteral("logging.txt"), before);
    }

    // The conversion as the button runs it: read, convert, write the bank file.
    constexpr int runs = 5;
    double convertMs = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        ze::ConvertLogToBank(app.station());
        convertMs = i == 0 ? millisecondsSince(timer) : qMin(convertMs, millisecondsSince(timer));
    }
    QByteArray bank;
    if (failed || !ze::readDataFile(space.path(QStringLiteral("new.bnk")), bank, nullptr))
        return 1;

    // Built, read and laid out, as the first "View logfile" does.
    QElapsedTimer opening;
    opening.start();
    ze::LogViewer viewer(app.station());
    viewer.refresh();
    viewer.show();
    QCoreApplication::processEvents();
    const double openMs = millisecondsSince(opening);
    std::fprintf(stderr,
                 "log_lines: %d\nlog_bytes: %lld\nchannels: %d\nconvert_ms_best: %.1f\n"
                 "viewer_open_ms: %.1f\nentries_shown: %d\n",
                 lines, static_cast<long long>(log.size()), int(bank.count('\n')), convertMs,
                 openMs, viewer.list()->count());

    // The large log, many times the viewer's cap.
    QByteArray block;
    for (int i = 0; block.size() < 1024 * 1024; ++i)
        block += logLine(i, 400);
    {
        // Block by block, so that the peak memory is the viewer's, not this program's.
        QFile file(space.path(QStringLiteral("logging.txt")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 1;
        while (file.size() < megabytes * 1024 * 1024)
            file.write(block);
    }
    double slowestMs = 0;
    double totalMs = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        viewer.refresh();
        slowestMs = qMax(slowestMs, millisecondsSince(timer));
        totalMs += millisecondsSince(timer);
    }
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr,
                 "large_log_megabytes: %lld\nlarge_entries_shown: %d\nrefresh_ms_mean: %.1f\n"
                 "refresh_ms_slowest: %.1f\npeak_rss_mb: %.1f\n",
                 megabytes, viewer.list()->count(), totalMs / runs, slowestMs,
                 usage.ru_maxrss / 1024.0);
    zebench::report(QStringLiteral("log of %1 lines: conversion to a bank").arg(lines),
                    QStringLiteral("%1 ms").arg(convertMs, 0, 'f', 1),
                    QStringLiteral("<= 1 000 ms"), convertMs <= 1000);
    zebench::report(QStringLiteral("log of %1 lines: viewer opening").arg(lines),
                    QStringLiteral("%1 ms").arg(openMs, 0, 'f', 1), QStringLiteral("<= 1 000 ms"),
                    openMs <= 1000);
    zebench::report(
            QStringLiteral("log of %1 MB: viewer refresh, slowest of %2").arg(megabytes).arg(runs),
            QStringLiteral("%1 ms").arg(slowestMs, 0, 'f', 1), QStringLiteral("<= 1 000 ms"),
            slowestMs <= 1000);
    return 0;
}
