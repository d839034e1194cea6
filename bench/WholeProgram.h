#pragma once

// What the benchmarks of the whole program share: a working directory with a bank of 100 filled
// channels and one range, the simulated receiver as a process of its own (so that its memory and
// CPU time are not the program's) on a link in that directory, and the main window set up to
// scan that bank and to search that range with the spectrum.
#include "BenchReport.h"
#include "core/Station.h"
#include "receiver/SerialPort.h"
#include "scan/ControlLoop.h"
#include "storage/BankFile.h"
#include "ui/MainWindow.h"
#include "ui/StationApp.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/prctl.h>

namespace zebench {

inline QString scanFrequency(int channel)
{
    return QString::number(145.0 + channel * 0.0125, 'f', 4);
}

// Bank 1: 100 filled channels from 145 MHz up in 12.5 kHz steps.
inline ze::Banks scanBank()
{
    ze::Banks banks;
    for (int channel = 0; channel < 100; ++channel)
        banks(1, channel) = ze::ChannelRecord {scanFrequency(channel),
                                               QStringLiteral("Channel %1").arg(channel),
                                               QStringLiteral("N"),
                                               0,
                                               0,
                                               0,
                                               0};
    return banks;
}

class WholeProgram
{
public:
    // The timer slack as main() sets it.
    WholeProgram() { prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL); }
    ~WholeProgram()
    {
        sim.terminate();
        sim.waitForFinished(2000);
    }
    WholeProgram(const WholeProgram &) = delete;
    WholeProgram &operator=(const WholeProgram &) = delete;

    QString path(const QString &name) const { return dir.filePath(name); }
    QString link() const { return path(QStringLiteral("receiver")); }
    ze::StationPaths paths() const { return {dir.path(), path(QStringLiteral("settings.ini"))}; }

    // Writes the bank and range files, starts the receiver with simArguments and stores its
    // link as the port; false when the receiver did not come up.
    bool start(QStringList simArguments = {})
    {
        ze::writeBankFile(path(QStringLiteral("bench.bnk")), scanBank());
        QFile ranges(path(QStringLiteral("range.rng")));
        if (!ranges.open(QIODevice::WriteOnly)
            || ranges.write("118\t137\tA\t0.025\tAir band\r\n") < 0)
            return false;
        ranges.close();
        sim.start(QStringLiteral(ZE_SIM_PROGRAM),
                  simArguments << QStringLiteral("--link") << link());
        while (!QFile::exists(link()) && sim.waitForReadyRead(5000)) { }
        QSettings settings(paths().settingsFile, QSettings::IniFormat);
        settings.setValue(QStringLiteral("Properties/CommPort"), link());
        settings.setValue(QStringLiteral("Properties/Settings"), QStringLiteral("9600,n,8,2"));
        return QFile::exists(link());
    }

    QTemporaryDir dir;
    QProcess sim;
};

// Shown, the squelch open so that only a found signal holds, bank 1 ticked, the spectrum on and
// the range picked.
inline void prepareWindow(ze::MainWindow &window)
{
    window.show();
    window.findChild<QSlider *>(QStringLiteral("hscrSquelch"))->setValue(0);
    window.findChild<QCheckBox *>(QStringLiteral("chkScan(1)"))->setChecked(true);
    window.findChild<QCheckBox *>(QStringLiteral("chkSpectrum"))->setChecked(true);
    auto *rangeList = window.findChild<QComboBox *>(QStringLiteral("cmbRangeLijst"));
    rangeList->setCurrentIndex(0);
    Q_EMIT rangeList->activated(0);
}

// The program in one mode (the button that starts it) for the given seconds after a warm-up,
// through the real loop.
inline LineRun measure(ze::StationApp &app, const QString &button, double seconds)
{
    ze::MainWindow &window = app.window();
    ze::SerialPort &port = app.serialPort();
    const ze::LineSettings line = *ze::parseLineSettings(port.lineSettings());
    window.findChild<QAbstractButton *>(button)->click();

    LineRun run;
    qint64 bytesBefore = 0;
    double cpuBefore = 0;
    QElapsedTimer timer;
    QTimer::singleShot(500, &window, [&] {
        bytesBefore = port.bytesSent() + port.bytesReceived();
        cpuBefore = processCpuSeconds();
        timer.start();
        QTimer::singleShot(static_cast<int>(seconds * 1000), &window, [&] {
            const double wall = timer.nsecsElapsed() / 1e9;
            const qint64 bytes = port.bytesSent() + port.bytesReceived() - bytesBefore;
            run.efficiency = bytes * line.bitsPerByte() / line.baudRate / wall;
            run.cpuPercent = 100.0 * (processCpuSeconds() - cpuBefore) / wall;
            app.loop().stop();
        });
    });
    app.run();
    app.station().SelectMode(ze::ModeIdle);
    return run;
}

} // namespace zebench
