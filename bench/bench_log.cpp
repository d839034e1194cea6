// Converting a long activity log into a bank, and opening the log viewer on it.
//
//   bench_log [lines]
//
// Writes a log of the given number of lines (default 100 000) as a scanner writes them, over 300
// frequencies so that the conversion reads every line, then times the conversion of the whole log
// (read, convert, write the bank file) and the viewer's first showing.
#include "SimReceiver.h"
#include "storage/BankFile.h"
#include "storage/LogConversion.h"
#include "ui/LogViewer.h"
#include "ui/MainWindow.h"
#include "ui/StationApp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    int lines = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    if (lines <= 0)
        lines = 100000;

    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("logging.txt"));
    {
        QByteArray log;
        for (int i = 0; i < lines; ++i)
            log += "2026-01-02 03:04:05\t"
                    + QByteArray::number(100.0 + (i % 300) * 0.0125, 'f', 4).leftJustified(10)
                    + "\t 12 \tN\tChannel " + QByteArray::number(i % 300) + "\r\n";
        QFile file(logPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(log) != log.size()) {
            std::fprintf(stderr, "cannot write the log\n");
            return 1;
        }
    }

    zesim::SimReceiver sim;
    sim.start();
    sim.setPacing(false);
    {
        QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Properties/CommPort"),
                          QString::fromStdString(sim.devicePath()));
    }
    ze::SystemClock clock;
    ze::StationApp app(ze::StationPaths {dir.path(), dir.filePath(QStringLiteral("settings.ini"))},
                       clock);
    if (!app.startUp()) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    // The name box answered "new", the question to replace it (every run after the first) Yes.
    app.window().setAnswerSource([](const QString &, const QString &text) {
        return text.startsWith(QLatin1String("Enter")) ? QStringLiteral("new")
                                                       : QStringLiteral("Yes");
    });
    bool failed = false;
    app.window().setMessageSink([&failed](const QString &, const QString &text) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        failed = true;
    });

    // The conversion as the button runs it: read, convert, write the bank file.
    constexpr int runs = 5;
    double convertMs = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        ze::ConvertLogToBank(app.station());
        const double ms = timer.nsecsElapsed() / 1e6;
        convertMs = i == 0 ? ms : qMin(convertMs, ms);
    }
    QByteArray bank;
    if (failed || !ze::readDataFile(dir.filePath(QStringLiteral("new.bnk")), bank, nullptr))
        return 1;

    // Built, read and laid out, as the first "View logfile" does.
    QElapsedTimer timer;
    timer.start();
    ze::LogViewer viewer(app.window());
    viewer.refresh();
    viewer.show();
    QCoreApplication::processEvents();
    const double openMs = timer.nsecsElapsed() / 1e6;

    std::printf("log_lines: %d\nlog_bytes: %lld\nchannels: %d\nconvert_ms_best: %.1f\n"
                "viewer_open_ms: %.1f\nentries_shown: %d\n",
                lines, static_cast<long long>(QFile(logPath).size()), int(bank.count('\n')),
                convertMs, openMs, viewer.list()->count());
    return 0;
}
