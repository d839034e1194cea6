// A long session: the real program scanning and searching with logging on against the
// simulated receiver (a process of its own, answering at once), pass after pass.
//
//   bench_soak [steps]
//
// Steps (default 100 000) alternate between blocks of bank scanning and range searching. Resident
// memory and open descriptors are taken after the first 1 000 steps and at the end; the log must
// hold one whole line for every signal the station logged.
#include "BenchReport.h"
#include "WholeProgram.h"
#include "ui/StationApp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <unistd.h>

#include <cstdio>

namespace {

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

int openDescriptors()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                                    .entryList(QDir::NoDotAndDotDot | QDir::System)
                                    .size());
}

// Whole lines of five fields: date and time, frequency, description or mode, and the level.
int wholeLogLines(const QByteArray &log, bool *allWhole)
{
    *allWhole = log.isEmpty() || log.endsWith("\r\n");
    int lines = 0;
    for (const QByteArray &line : log.split('\n')) {
        if (line.isEmpty())
            continue;
        ++lines;
        if (!line.endsWith('\r') || line.count('\t') < 4)
            *allWhole = false;
    }
    return lines;
}

} // namespace

int main(int argc, char **argv)
{
    ze::StationApp::prepareToolkit();
    QApplication application(argc, argv);
    const long steps
            = argc > 1 && QByteArray(argv[1]).toLong() > 0 ? QByteArray(argv[1]).toLong() : 100000;
    constexpr long block = 5000;

    zebench::WholeProgram program;
    // Every tenth channel has a station that comes and goes: found, logged and held while it is
    // on the air.
    QByteArray scenario = "pacing off\nnoise 2\n";
    for (int channel = 3; channel < 100; channel += 10)
        scenario += "signal " + zebench::scanFrequency(channel).toLatin1()
                + " 15 on 0.05 off 0.05\n";
    QFile scenarioFile(program.path(QStringLiteral("soak.scn")));
    if (!scenarioFile.open(QIODevice::WriteOnly) || scenarioFile.write(scenario) < 0)
        return 1;
    scenarioFile.close();
    if (!program.start({QStringLiteral("--scenario"), scenarioFile.fileName()})) {
        std::fprintf(stderr, "bench_soak: the simulated receiver did not start\n");
        return 1;
    }

    // Each pass is a second later, so a hold ends at the first pass without the signal.
    ze::ManualClock clock;
    ze::StationApp app(program.paths(), clock);
    if (!app.startUp()) {
        std::fprintf(stderr, "bench_soak: start-up failed\n");
        return 1;
    }
    ze::MainWindow &window = app.window();
    zebench::prepareWindow(window);
    window.findChild<QCheckBox *>(QStringLiteral("chkSchrijfInLogFile"))->setChecked(true);

    ze::ProgramState &state = app.station().state();
    long logged = 0;
    qint64 rssEarly = 0;
    int fdsEarly = 0;
    QElapsedTimer timer;
    timer.start();
    for (long step = 0; step < steps; ++step) {
        if (step % block == 0) {
            const bool scan = (step / block) % 2 == 0;
            window.findChild<QAbstractButton *>(scan ? QStringLiteral("cmdScanBanks")
                                                     : QStringLiteral("cmdSearchScan"))
                    ->click();
        }
        const QString lastLogged = state.lastLoggedFrequency;
        clock.advance(1.0);
        app.loop().pass();
        // A log line is written exactly when the last logged frequency takes a new value.
        if (!state.lastLoggedFrequency.isEmpty() && state.lastLoggedFrequency != lastLogged)
            ++logged;
        app.loop().handleEvents(false);
        if (step + 1 == 1000) {
            rssEarly = residentBytes();
            fdsEarly = openDescriptors();
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    const qint64 rssEnd = residentBytes();
    const int fdsEnd = openDescriptors();
    bool allWhole = false;
    QFile log(program.path(QStringLiteral("logging.txt")));
    const int lines = log.open(QIODevice::ReadOnly) ? wholeLogLines(log.readAll(), &allWhole) : 0;

    std::fprintf(stderr,
                 "soak: %ld steps in %.1f s, resident %.1f MiB after 1 000 and %.1f MiB "
                 "at the end, %d and %d descriptors, %ld logged, %d lines\n",
                 steps, seconds, rssEarly / 1048576.0, rssEnd / 1048576.0, fdsEarly, fdsEnd, logged,
                 lines);
    const double growth = (rssEnd - rssEarly) / 1048576.0;
    zebench::report(QStringLiteral("soak, %1 scan and search steps unpaced, logging: resident "
                                   "memory growth after the first 1 000")
                            .arg(steps),
                    QStringLiteral("%1 MiB").arg(growth, 0, 'f', 2), QStringLiteral("<= 2 MiB"),
                    growth <= 2.0);
    zebench::report(QStringLiteral("soak: open descriptors, after 1 000 steps and at the end"),
                    QStringLiteral("%1 and %2").arg(fdsEarly).arg(fdsEnd),
                    QStringLiteral("no growth"), fdsEnd <= fdsEarly);
    zebench::report(QStringLiteral("soak: log lines, whole, against signals logged"),
                    QStringLiteral("%1 of %2").arg(lines).arg(logged), QStringLiteral("all, whole"),
                    allWhole && lines == logged && logged > 0);
    return 0;
}
