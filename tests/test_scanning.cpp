#include "CoreFixture.h"
#include "receiver/Tuning.h"
#include "scan/ActivityLog.h"
#include "scan/RangeSearch.h"

#include <QDir>
#include <QtTest>

using namespace ze;
using zetest::CoreFixture;

namespace {

// Each argument is one log line without its time stamp.
QByteArray logLines(std::initializer_list<const char *> lines)
{
    QByteArray bytes;
    for (const char *line : lines)
        bytes += QByteArray("2026-01-02 03:04:05") + line;
    return bytes;
}

// What was sent without the sampling "Y": the tuning commands and each sample's F (signal) or E.
QString trace(const CoreFixture &f)
{
    QStringList commands;
    for (const std::string &c : f.sent())
        if (c != "Y")
            commands << QString::fromStdString(c);
    return commands.join(QLatin1Char(' '));
}

QString shown(const CoreFixture &f)
{
    const zetest::FakePanel &p = f.panel;
    return QStringLiteral("%1 %2 bank %3 %4 bars %5, %6")
            .arg(p.channel, p.frequency, QString::number(p.bank), p.litModes(),
                 QString::number(p.litBars()), p.status);
}

// Steps apart by blanks: "scan:5" presses the bank Scan button with channel 5 current, "search"
// the search one, "range1" starts the search anew on range 1, "@5000" sets the clock, "145.1=12"
// the signal there, "x3" runs three passes, "sq12" moves the squelch, "log" and "spectrum" tick
// their boxes, "banks:12" ticks banks 1 and 2 only, "lit:AU" lights mode lamps.
void play(CoreFixture &f, const QString &script)
{
    ProgramState &s = f.station->state();
    for (const QString &step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString arg = step.section(QLatin1Char(':'), 1);
        if (step.startsWith(QLatin1String("scan"))) {
            s.currentBank = 3; // Scan starts in bank 1 wherever the station stood
            s.currentChannel = static_cast<qint16>(arg.toInt());
            f.pressScan();
        } else if (step.startsWith(QLatin1String("search"))) {
            f.station->SelectMode(ModeSearchStart);
        } else if (step.startsWith(QLatin1String("range"))) {
            s.currentRange = static_cast<qint16>(step.mid(5).toInt());
            f.station->SelectMode(ModeSearchStart);
        } else if (step.startsWith(QLatin1Char('@'))) {
            f.clock.setSecondsSinceMidnight(step.mid(1).toDouble());
        } else if (step.contains(QLatin1Char('='))) {
            f.sim.setSignalLevelAt(step.section(QLatin1Char('='), 0, 0).toDouble(),
                                   step.section(QLatin1Char('='), 1).toInt());
        } else if (step.startsWith(QLatin1Char('x'))) {
            f.runPasses(step.mid(1).toInt());
        } else if (step.startsWith(QLatin1String("sq"))) {
            f.panel.squelchPosition = step.mid(2).toInt();
        } else if (step == QLatin1String("log")) {
            f.panel.logTicked = true;
        } else if (step == QLatin1String("spectrum")) {
            f.panel.spectrum = true;
        } else if (step.startsWith(QLatin1String("banks:"))) {
            for (int bank = 1; bank <= 4; ++bank)
                f.panel.ticked[bank - 1] = arg.contains(QString::number(bank));
        } else if (step.startsWith(QLatin1String("lit:"))) {
            for (QChar letter : arg)
                f.panel.modes[modeLetters.indexOf(letter)] = true;
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
    }
}

} // namespace

class TestScanning : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scanning_data();
    void scanning();
    void unwritableLogKeepsScanning();
    void spectrumColumnGeometry_data();
    void spectrumColumnGeometry();
    void spectrumOnSurface();
    void logFrequencyField_data();
    void logFrequencyField();
};

void TestScanning::scanning_data()
{
    // Channels "bank:channel frequency [lockOut [description]]", ranges "from to step [mode]".
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("delay");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("trace");
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<QString>("shown"); // unchecked when empty
    QTest::addColumn<bool>("drawn"); // anything on the spectrum surface
    auto row = [](const char *name, const QStringList &stored, const char *delay,
                  const char *script, const char *trace, const QByteArray &log = {},
                  const char *shown = "", bool drawn = false) {
        QTest::newRow(name) << stored << QString(delay) << QString(script) << QString(trace) << log
                            << QString(shown) << drawn;
    };
    const QStringList two {"1:1 145.1000", "1:2 145.2000"};
    row("no bank ticked: one bank a pass, nothing sent", {"1:1 145.5000", "4:0 440.0000"}, "",
        "banks: scan x3 banks:1234 x1", "440.0000NT E", {},
        "0 Scanning... bank 4 N bars 1, Scanning mode");
    row("starts in bank 1 after the current channel", {"3:6 430.0000", "1:6 145.6000"}, "",
        "sq0 scan:5 x1", "145.6000NT E");
    row("empty and locked-out channels never tuned",
        {"1:1 145.1000", "1:2 145.2000 1", "1:3 145.3000 2", "1:5 145.5000"}, "", "sq0 scan x5",
        "145.1000NT E 145.5000NT E");
    row("a visit shows channel, bank, mode and meter", {"1:1 145.1000"}, "", "sq0 scan x1",
        "145.1000NT E", {}, "1 Scanning... bank 1 N bars 1, ");
    row("threshold 0 holds on silence, showing the channel", two, "2 sec.", "sq12 scan @5000 x4",
        "145.1000NT F F F F", {}, "1 145.1000 bank 1 N bars 1, Scanning mode");
    row("delay 0 moves on at once", two, "0 sec.", "scan @5000.2 145.1=12 x1 145.1=0 x1",
        "145.1000NT F 145.2000NT E");
    row("hold lasts the delay from the rounded start", two, "45 sec.",
        "scan @5000.2 145.1=12 x1 145.1=0 @5044.5 x2 @5045 x2", "145.1000NT F E E E 145.2000NT E");
    row("typed 120 counts as 12", two, "120",
        "scan @5000.2 145.1=12 x1 145.1=0 @5011.5 x2 @5012 x2", "145.1000NT F E E E 145.2000NT E");
    row("hold across midnight", two, "5 sec.", "scan @86398 145.1=12 x1 145.1=0 @2 x1 @3 x2",
        "145.1000NT F E E 145.2000NT E");
    row("channel 99 resumes in the next bank", {"1:99 145.9900", "2:0 146.0000"}, "1 sec.",
        "scan:98 @100 145.99=12 x1 145.99=0 @101 x2", "145.9900NT F E 146.0000NT E");
    row("bank unticked mid-scan is left", {"1:1 145.1000", "1:2 145.2000", "2:0 146.0000"}, "",
        "sq0 scan x1 banks:234 x2", "145.1000NT E 146.0000NT E");
    // Squelch 7 is threshold 5: a level equal to it is a signal.
    row("log line", {"1:1 145.5000 0 Tower"}, "", "log sq7 145.5=5 scan x1", "145.5000NT F",
        logLines({"\t145.5000  \t 5 \tN\tTower\r\n"}));
    row("one log line per signal", {"1:1 145.5000"}, "30 sec.",
        "log 145.5=12 scan x3 145.5=0 x1 145.5=12 x2", "145.5000NT F F F E F F",
        logLines({"\t145.5000  \t 12 \tN\tCh\r\n", "\t145.5000  \t 12 \tN\tCh\r\n"}));
    row("same frequency on two channels, one line",
        {"1:1 145.5000 0 First", "1:2 145.5000 0 Second"}, "0 sec.", "log 145.5=12 scan x2",
        "145.5000NT F 145.5000NT F", logLines({"\t145.5000  \t 12 \tN\tFirst\r\n"}));
    row("long frequency cut in the line, remembered whole", {"1:1 000145.50000"}, "30 sec.",
        "log 145.5=12 scan x3", "000145.50000NT F F F",
        logLines({"\t000145.500\t 12 \tN\tCh\r\n"}));
    row("level 0 writes nothing", {"1:1 145.5000"}, "30 sec.", "log sq12 scan x2",
        "145.5000NT F F");
    row("log box unticked writes nothing", {"1:1 145.5000"}, "30 sec.", "145.5=12 scan x2",
        "145.5000NT F F");

    row("sweep starts at From + Step, wraps past To", {"100 101 0.5"}, "", "search x4",
        "100.5000N E 101.0000N E 101.5000N E 100.5000N E");
    row("12.5 kHz steps without noise", {"145.5 146 0.0125"}, "", "search x2",
        "145.5125N E 145.5250N E");
    row("step beyond the range", {"100 101 5"}, "", "search x3",
        "105.0000N E 105.0000N E 105.0000N E");
    row("another range holding the frequency continues", {"100 101 0.5", "100 200 0.5 W"}, "",
        "search x2 range1 x1", "100.5000N E 101.0000N E 101.5000W E");
    row("another range without it restarts", {"100 101 0.5", "150 200 0.5 W"}, "",
        "search x2 range1 x1", "100.5000N E 101.0000N E 150.5000W E");
    row("first pass shows the position, leaves the status", {"100 101 0.5 W"}, "", "search x1",
        "100.5000W E", {}, "-- 100.5000 bank 0 W bars 0, ");
    row("status follows the spectrum box", {"100 101 0.5"}, "", "spectrum 100.5=5 search x2",
        "100.5000N E 101.0000N E", {}, "-- 101.0000 bank 0 N bars 0, Scanning range with spectrum",
        true);
    row("a hold stays, the meter shows each sample", {"100 101 0.5"}, "2 sec.",
        "@1000 100.5=13 search x3", "100.5000N F F F", {},
        "-- 100.5000 bank 0 N bars 11, Scanning range");
    row("the hold ends after the delay", {"100 101 0.5"}, "2 sec.",
        "@1000 100.5=13 search x3 100.5=0 @1002 x2", "100.5000N F F F E 101.0000N E");
    row("log line takes the first lit lamp", {"100 101 0.5 W"}, "", "log lit:AU 100.5=3 search x1",
        "100.5000W E", logLines({"\t100.5000  \t 3 \tA\t\r\n"}));
    // The first line is written before the step lights the range's lamp.
    row("a log line every holding pass below the squelch", {"100 101 0.5"}, "30 sec.",
        "log 100.5=12 search x2 100.5=4 x3", "100.5000N F F E E E",
        logLines({"\t100.5000  \t 12 \t\t\r\n", "\t100.5000  \t 4 \tN\t\r\n",
                  "\t100.5000  \t 4 \tN\t\r\n", "\t100.5000  \t 4 \tN\t\r\n"}));
    row("To equals From draws nothing", {"100 100 0.5"}, "", "spectrum search x3",
        "100.5000N E 100.5000N E 100.5000N E");
    row("step 0 stays on From, draws nothing", {"100 101 0"}, "", "spectrum search x3",
        "100.0000N E 100.0000N E 100.0000N E");
    row("too many steps for the width draw nothing", {"100 200 0.0001"}, "", "spectrum search x3",
        "100.0001N E 100.0002N E 100.0003N E");
    row("upside down draws nothing", {"101 100 0.5"}, "", "spectrum search x3",
        "101.5000N E 101.5000N E 101.5000N E");
}

void TestScanning::scanning()
{
    QFETCH(QStringList, stored);
    QFETCH(QString, delay);
    QFETCH(QString, script);
    QFETCH(QString, trace);
    QFETCH(QByteArray, log);
    QFETCH(QString, shown);
    QFETCH(bool, drawn);
    CoreFixture f;
    QVERIFY(f.startUp());
    int range = 0;
    for (const QString &entry : stored) {
        const QStringList field = entry.split(QLatin1Char(' '));
        const QStringList place = field[0].split(QLatin1Char(':'));
        if (place.size() == 2)
            f.putChannel(place[0].toInt(), place[1].toInt(), field[1],
                         static_cast<qint16>(field.value(2).toInt()),
                         field.value(3, QStringLiteral("Ch")));
        else
            f.putRange(range++, field[0], field[1], field[2], field.value(3, QStringLiteral("N")));
    }
    const QImage blank = f.panel.image;
    f.panel.delay = delay;
    play(f, script);
    QCOMPARE(::trace(f), trace);
    QCOMPARE(f.readFile(QStringLiteral("logging.txt")), log);
    if (!shown.isEmpty())
        QCOMPARE(::shown(f), shown);
    QCOMPARE(f.panel.image != blank, drawn);
}

void TestScanning::unwritableLogKeepsScanning()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    // A folder where the log should be: no line can be appended.
    QVERIFY(QDir(f.dir()).mkdir(QStringLiteral("logging.txt")));
    f.putChannel(1, 1, QStringLiteral("145.5000"));
    f.putChannel(1, 2, QStringLiteral("145.6000"));
    f.panel.delay = QStringLiteral("0 sec.");
    play(f, QStringLiteral("log 145.5=12 scan x1"));
    QVERIFY(f.panel.notice.contains(QStringLiteral("logging.txt")));
    QVERIFY(QDir(f.dir()).rmdir(QStringLiteral("logging.txt")));
    play(f, QStringLiteral("145.6=12 x1"));
    QCOMPARE(trace(f), QStringLiteral("145.5000NT F 145.6000NT F"));
    QCOMPARE(f.readFile(QStringLiteral("logging.txt")),
             logLines({"\t145.6000  \t 12 \tN\tCh\r\n"}));
    QVERIFY(f.panel.notice.isEmpty());
}

void TestScanning::spectrumColumnGeometry_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("top");
    QTest::newRow("level 0 at the bottom") << 0 << 1000;
    QTest::newRow("level 5 halfway") << 5 << 500;
    QTest::newRow("level 15 beyond the top") << 15 << -500;
}

void TestScanning::spectrumColumnGeometry()
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

void TestScanning::spectrumOnSurface()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    f.panel.image = QImage(400, 100, QImage::Format_RGB32);
    f.panel.clearSpectrum();
    f.putRange(0, QStringLiteral("100"), QStringLiteral("108"), QStringLiteral("1"));
    f.station->state().searchFrequency = QStringLiteral("102");
    play(f, QStringLiteral("spectrum 103=5 search x1")); // 103: column width 50, x = 150
    const QImage &img = f.panel.image;
    const QRgb marker = qRgb(128, 0, 0);
    const QRgb level = qRgb(15, 0, 0);
    QCOMPARE(img.pixel(200, 0), marker);
    QCOMPARE(img.pixel(200, 99), marker);
    QCOMPARE(img.pixel(150, 49), f.panel.background);
    QCOMPARE(img.pixel(150, 50), level);
    QCOMPARE(img.pixel(150, 99), level);
    QCOMPARE(img.pixel(149, 99), f.panel.background);
}

void TestScanning::logFrequencyField_data()
{
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("field");
    auto row = [](const char *name, const char *frequency, const char *field) {
        QTest::newRow(name) << QString(frequency) << QString(field);
    };
    row("trimmed, then padded to ten", "  98.5  ", "98.5      ");
    row("exactly ten kept", "1234.56789", "1234.56789");
}

void TestScanning::logFrequencyField()
{
    QFETCH(QString, frequency);
    QFETCH(QString, field);
    QCOMPARE(ze::logFrequencyField(frequency), field);
}

QTEST_GUILESS_MAIN(TestScanning)
#include "test_scanning.moc"
