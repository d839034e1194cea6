// What recording costs the scan, and whether it loses sound: the real program scanning a bank
// where signals come and go, against the simulated receiver as a process of its own that plays
// each signal's tone through the sound server; the station records from the server's input.
//
//   bench_recording [seconds per run] [pairs] [seconds of the long recording, 0: none]
//                   [--pictures DIR]
//
// Needs a sound server (scripts/bench starts a private one). Pairs of runs, recording off and
// on, interleaved: the line efficiency and the process's CPU load of each; then one hit held for
// the long recording (10 minutes by default), whose file must hold every frame the wall clock
// says came.
#include "BenchReport.h"
#include "WholeProgram.h"
#include "audio/Recorder.h"
#include "audio/SoundFile.h"
#include "scan/HitRecorder.h"
#include "storage/HitStore.h"
#include "ui/HitsWindow.h"
#include "ui/RecordingPlayer.h"
#include "ui/StationApp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSlider>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <vector>

namespace {

using Run = zebench::LineRun;

Run measure(ze::StationApp &app, double seconds)
{
    return zebench::measure(app, QStringLiteral("cmdScanBanks"), seconds);
}

// Runs the program's loop for ms of wall time.
void runFor(ze::StationApp &app, int ms)
{
    QTimer::singleShot(ms, &app.window(), [&app] { app.loop().stop(); });
    app.run();
}

} // namespace

int main(int argc, char **argv)
{
    ze::StationApp::prepareToolkit();
    QApplication application(argc, argv);
    const double seconds
            = argc > 1 && QByteArray(argv[1]).toDouble() > 0 ? QByteArray(argv[1]).toDouble() : 6.0;
    const int pairs = argc > 2 && QByteArray(argv[2]).toInt() > 0 ? QByteArray(argv[2]).toInt() : 5;
    const int longSeconds
            = argc > 3 && QByteArray(argv[3]).toInt() >= 0 && QByteArray(argv[3]) != "--pictures"
            ? QByteArray(argv[3]).toInt()
            : 600;
    const QStringList args = QCoreApplication::arguments();
    const qsizetype picturesAt = args.indexOf(QStringLiteral("--pictures"));
    const QString pictures = picturesAt > 0 ? args.value(picturesAt + 1) : QString();

    // A busy bank: every tenth channel carries a signal, on for a second and off for two.
    zebench::WholeProgram program;
    QFile scenario(program.path(QStringLiteral("busy.scn")));
    if (!scenario.open(QIODevice::WriteOnly))
        return 1;
    for (int channel = 5; channel < 100; channel += 10)
        scenario.write(QStringLiteral("signal %1 12 on 1 off %2\n")
                               .arg(zebench::scanFrequency(channel))
                               .arg(2 + channel / 50.0)
                               .toUtf8());
    scenario.write("signal 144.5000 12\n");
    scenario.close();
    if (!program.start(
                {QStringLiteral("--audio"), QStringLiteral("--scenario"), scenario.fileName()})) {
        std::fprintf(stderr, "bench_recording: the simulated receiver did not start\n");
        return 1;
    }
    ze::SystemClock clock;
    ze::StationApp app(program.paths(), clock);
    if (!app.startUp())
        return 1;
    zebench::prepareWindow(app.window());
    // Squelch at its middle: the signals hold, the quiet channels pass; two seconds' delay, so a
    // steady signal is one hold.
    app.window().findChild<QSlider *>(QStringLiteral("hscrSquelch"))->setValue(8);
    app.window().setDelayText(QStringLiteral("2"));
    ze::Recorder &recorder = app.recorder();
    ze::RecordingSettings on;
    on.enabled = true;
    on.maxSeconds = longSeconds + 60;
    const ze::RecordingSettings off;
    recorder.apply(on);
    runFor(app, 1000);
    if (!recorder.capturing()) {
        std::fprintf(stderr, "bench_recording: no audio input (is a sound server running?)\n");
        return 1;
    }

    std::vector<double> ratio, extraCpu;
    int saved = 0;
    QObject::connect(&recorder, &ze::Recorder::recordingSaved, [&saved] { ++saved; });
    for (int i = 0; i < pairs; ++i) {
        recorder.apply(off);
        const Run quiet = measure(app, seconds);
        recorder.apply(on);
        runFor(app, 300);
        const Run recording = measure(app, seconds);
        ratio.push_back(recording.efficiency / quiet.efficiency);
        extraCpu.push_back(recording.cpuPercent - quiet.cpuPercent);
        std::fprintf(stderr,
                     "pair %d: off %.4f at %.2f %% CPU, on %.4f at %.2f %% CPU, %d recordings\n",
                     i + 1, quiet.efficiency, quiet.cpuPercent, recording.efficiency,
                     recording.cpuPercent, saved);
    }
    const double r = zebench::median(ratio);
    zebench::report(QStringLiteral("bank scan recording every hit (%1 recordings): line efficiency "
                                   "on / off, median of %2 pairs")
                            .arg(saved)
                            .arg(pairs),
                    QString::number(r, 'f', 3), QStringLiteral(">= 0.98"), r >= 0.98);
    const double cpu = zebench::median(extraCpu);
    zebench::report(QStringLiteral("bank scan recording every hit: CPU on minus off, median of %1 "
                                   "pairs")
                            .arg(pairs),
                    QStringLiteral("%1 points").arg(cpu, 0, 'f', 2), QStringLiteral("<= 1 point"),
                    cpu <= 1.0);

    if (!pictures.isEmpty()) {
        // The options with the meter hearing a signal, and the hits with a recording playing.
        app.window().findChild<QAbstractButton *>(QStringLiteral("cmdScanBanks"))->click();
        app.window().openOptions();
        runFor(app, 1500);
        app.window()
                .findChild<QWidget *>(QStringLiteral("frmOptions"))
                ->grab()
                .save(QDir(pictures).filePath(QStringLiteral("recording-options.png")));
        app.window().findChild<QWidget *>(QStringLiteral("frmOptions"))->hide();
        app.station().SelectMode(ze::ModeIdle);
        ze::HitsWindow &hits = app.window().openHits();
        hits.resize(1000, 560);
        for (int row = 0; row < hits.hitTable()->model()->rowCount(); ++row) {
            hits.hitTable()->setCurrentIndex(hits.hitTable()->model()->index(row, 0));
            if (!hits.player()->file().isEmpty())
                break;
        }
        hits.player()->playOrPause();
        runFor(app, 700);
        hits.grab().save(QDir(pictures).filePath(QStringLiteral("recordings.png")));
        hits.hide();
    }

    if (longSeconds == 0)
        return 0;
    // One long hit: the station tuned to the steady signal, the scan holding on it.
    QString longFile;
    QObject::connect(&recorder, &ze::Recorder::recordingSaved,
                     [&longFile](qint64, const QString &path) { longFile = path; });
    const qint64 framesBefore = recorder.framesCaptured();
    QElapsedTimer wall;
    wall.start();
    auto &banks = app.station().state().banks;
    const ze::Banks kept = banks;
    banks = ze::Banks();
    banks(1, 0) = ze::ChannelRecord {
            QStringLiteral("144.5000"), QStringLiteral("Steady"), QStringLiteral("N"), 0, 0, 0, 0};
    app.station().commands().scanBanks();
    runFor(app, longSeconds * 1000);
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    const qint64 captured = recorder.framesCaptured() - framesBefore;
    app.station().SelectMode(ze::ModeIdle);
    runFor(app, 2000);
    banks = kept;
    const double expected = elapsed * recorder.rate();
    const double lost = std::max(0.0, expected - double(captured)) / recorder.rate();
    // The sound server holds up to a fifth of a second that the clock has counted already.
    zebench::report(
            QStringLiteral("%1 s of capture: sound lost against the wall clock").arg(longSeconds),
            QStringLiteral("%1 s").arg(lost, 0, 'f', 3), QStringLiteral("<= 0.25 s"), lost <= 0.25);
    ze::SoundFileReader reader;
    const bool opened = !longFile.isEmpty() && reader.open(app.station().filePath(longFile));
    const double fileSeconds = opened ? double(reader.frames()) / reader.rate() : 0;
    app.hitStore().flush();
    const QVector<ze::Hit> newest = app.hitStore().newest({}, nullptr, 1);
    const double hitSeconds = newest.isEmpty() ? 0 : double(newest[0].durationMs()) / 1000.0;
    // The file holds the hit, its pre-roll and its tail.
    const double wanted = hitSeconds + (on.preRollMs + on.tailMs) / 1000.0;
    std::fprintf(stderr, "long recording %s: %.3f s for a hit of %.3f s\n", qPrintable(longFile),
                 fileSeconds, hitSeconds);
    zebench::report(
            QStringLiteral("%1 s recording of one hit: file length against the hit with "
                           "its pre-roll and tail")
                    .arg(longSeconds),
            QStringLiteral("%1 s of %2 s").arg(fileSeconds, 0, 'f', 2).arg(wanted, 0, 'f', 2),
            QStringLiteral("within 0.25 s"), opened && std::abs(fileSeconds - wanted) <= 0.25);
    return 0;
}
