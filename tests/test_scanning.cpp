// Bank scan and range search through the control loop: what is sent, shown, drawn and logged.
#include "CoreFixture.h"
#include "FileHelpers.h"
#include "receiver/Tuning.h"
#include "scan/ActivityLog.h"

#include <QDir>
#include <QtTest>

#include <sys/stat.h>

using namespace ze;
using zetest::CoreFixture;

namespace {

// Channel, frequency, bank, lit mode lamps, lit S-meter bars, status or notice.
QString shown(const zetest::FakePanel &p)
{
    return QStringLiteral("[%1 %2 bank %3 %4 bars %5, %6%7]")
            .arg(p.channel, p.frequency, QString::number(p.bank), p.litModes(),
                 QString::number(p.litBars()), p.status, p.notice.section(QLatin1Char(' '), 0, 2));
}

// Each spectrum column drawn: "x:first-last/red" with the red of its lowest pixel.
QStringList drawing(const zetest::FakePanel &p)
{
    QStringList columns;
    for (int x = 0; x < p.image.width(); ++x) {
        QList<int> rows;
        for (int y = 0; y < p.image.height(); ++y)
            if (p.image.pixel(x, y) != p.background)
                rows << y;
        if (!rows.isEmpty())
            columns << QString::asprintf("%d:%d-%d/%d", x, rows.first(), rows.last(),
                                         qRed(p.image.pixel(x, rows.last())));
    }
    return columns;
}

// Steps apart by blanks: "scan:5" presses the bank Scan button with channel 5 current,
// "search:1" starts the search on range 1, "@5000" sets the clock, "145.1=12" the signal there,
// "x3" runs three passes, "sq12" moves the squelch, "delay:45" picks "45 sec.", "log" and
// "spectrum" tick their boxes, "banks:12" ticks banks 1 and 2 only, "lit:AU" lights mode lamps,
// "jam" puts a FIFO where the log goes and "unjam" takes it away, "lock:100.5" locks a frequency
// out of searches, "?" notes the display.
// "x1<60" runs a pass with files kept to 60 bytes.
// Gives what was sent but the sampling "Y" (the tuning commands and each sample's F or E), the
// notes among it, then the spectrum columns drawn.
QString play(CoreFixture &f, const QString &script)
{
    ProgramState &s = f.station->state();
    QStringList happened;
    size_t seen = 0;
    const auto takeSent = [&] {
        const std::vector<std::string> sent = f.sent();
        for (; seen < sent.size(); ++seen)
            if (sent[seen] != "Y")
                happened << QString::fromStdString(sent[seen]);
    };
    for (const QString &step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString arg = step.section(QLatin1Char(':'), 1);
        if (step.startsWith(QLatin1String("scan"))) {
            s.currentBank = 3; // Scan starts in bank 1 wherever the station stood
            s.currentChannel = static_cast<qint16>(arg.toInt());
            f.pressScan();
        } else if (step.startsWith(QLatin1String("search"))) {
            s.currentRange = static_cast<qint16>(arg.toInt());
            f.station->SelectMode(ModeSearchStart);
        } else if (step.startsWith(QLatin1Char('@'))) {
            f.clock.setSecondsSinceMidnight(step.mid(1).toDouble());
        } else if (step.contains(QLatin1Char('='))) {
            f.sim.setSignalLevelAt(step.section(QLatin1Char('='), 0, 0).toDouble(),
                                   step.section(QLatin1Char('='), 1).toInt());
        } else if (step.startsWith(QLatin1Char('x'))) {
            const auto passes = [&] { f.runPasses(step.mid(1).section('<', 0, 0).toInt()); };
            const qint64 limit = step.section(QLatin1Char('<'), 1).toLongLong();
            if (!limit || !zetest::withFileSizeLimit(limit, passes))
                passes();
        } else if (step.startsWith(QLatin1String("sq"))) {
            f.panel.squelchPosition = step.mid(2).toInt();
        } else if (step.startsWith(QLatin1String("delay:"))) {
            f.panel.delay = arg + QStringLiteral(" sec.");
        } else if (step.startsWith(QLatin1String("lock:"))) {
            s.lockouts << hzFromFrequencyText(arg);
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
        } else if (step.endsWith(QLatin1String("jam"))) {
            const QString log = QDir(f.dir()).filePath(QStringLiteral("logging.txt"));
            step == QLatin1String("jam") ? mkfifo(qPrintable(log), 0600) : QFile::remove(log);
        } else if (step == QLatin1String("?")) {
            takeSent();
            happened << shown(f.panel);
        } else {
            return QStringLiteral("unknown step ") + step;
        }
    }
    takeSent();
    const QStringList columns = drawing(f.panel);
    if (!columns.isEmpty())
        happened << QStringLiteral("drawn") << columns;
    return happened.join(QLatin1Char(' '));
}

} // namespace

class TestScanning : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scanning_data();
    void scanning();
    void logFrequencyFieldTrimmed();
};

void TestScanning::scanning_data()
{
    // Channels "bank:channel frequency [lockOut [description]]", ranges "from to step [mode]".
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("happened");
    QTest::addColumn<QByteArray>("log");
    auto row = [](const char *name, const QStringList &stored, const char *script,
                  const char *happened, const char *log = "") {
        QTest::newRow(name) << stored << QString(script) << QString(happened)
                            << QByteArray(log).replace('@', "2026-01-02 03:04:05");
    };
    const QStringList two {"1:1 145.1000", "1:2 145.2000"};
    row("no bank ticked: one bank a pass, nothing sent", {"1:1 145.5000", "4:0 440.0000"},
        "banks: scan x3 banks:1234 x1 ?",
        "440.0000NT E [0 Scanning... bank 4 N bars 1, Scanning mode]");
    row("starts in bank 1 after the current channel, goes on from 99 to the next bank",
        {"3:99 430.0000", "1:99 145.9900", "2:0 146.0000"}, "scan:98 x1 ? x1",
        "145.9900NT E [99 Scanning... bank 1 N bars 1, ] 146.0000NT E");
    row("empty and locked-out channels never tuned",
        {"1:1 145.1000", "1:2 145.2000 1", "1:3 145.3000 2", "1:5 145.5000"}, "scan x5",
        "145.1000NT E 145.5000NT E");
    // A store command in a frequency field would overwrite a memory channel; the tune after a
    // frequency the receiver cannot tune is a channel of its own.
    row("only commands on the line: a channel that is none is passed over and told",
        {"1:1 7M123.4500A", "1:2 3000", "1:3 145.3000"}, "scan x2 ? x1",
        "[2 Scanning... bank 1  bars 0, Scanning modeBank 1 channel] 145.3000NT E");
    row("threshold 0 holds on silence, showing the channel; level 0 logs nothing", two,
        "log sq12 delay:2 scan @5000 x4 ?",
        "145.1000NT F F F F [1 145.1000 bank 1 N bars 1, Scanning mode]");
    row("hold lasts the delay from the rounded start, across midnight", two,
        "delay:45 scan @86398.6 145.1=12 x1 145.1=0 @43.8 x2 @44 x2",
        "145.1000NT F E E E 145.2000NT E");
    // Squelch 7 is threshold 5: a level equal to it is a signal. Delay 0 moves on at once.
    row("one log line per signal, whatever the channel",
        {"1:1 145.5000 0 First", "1:2 145.5000 0 Second", "1:3 145.6000", "1:4 145.5000 0 Fourth"},
        "log sq7 delay:0 145.5=5 145.6=4 scan x4",
        "145.5000NT F 145.5000NT F 145.6000NT E 145.5000NT F",
        "@\t145.5000  \t 5 \tN\tFirst\r\n@\t145.5000  \t 5 \tN\tFourth\r\n");
    row("long frequency cut in the line, remembered whole", {"1:1 000145.50000"},
        "log delay:30 145.5=12 scan x3", "000145.50000NT F F F", "@\t000145.500\t 12 \tN\tCh\r\n");
    row("log a FIFO or full: a notice, scanning goes on, the notice goes with the next line",
        {"1:1 145.5000", "1:2 145.6000", "1:3 145.7000", "1:4 145.8000"},
        "log jam delay:0 145.5=12 145.6=12 145.7=12 145.8=12 scan x1 ? unjam x1 x1<60 ? x1 ?",
        "145.5000NT F [1 Scanning... bank 1 N bars 11, The log \"logging.txt\"] 145.6000NT F"
        " 145.7000NT F [3 Scanning... bank 1 N bars 11, Scanning modeThe log \"logging.txt\"]"
        " 145.8000NT F [4 Scanning... bank 1 N bars 11, Scanning mode]",
        "@\t145.6000  \t 12 \tN\tCh\r\n@\t145.8000  \t 12 \tN\tCh\r\n");

    row("sweep starts at From + Step, wraps past To", {"100 101 0.5"}, "search x4",
        "100.5000N E 101.0000N E 101.5000N E 100.5000N E");
    row("a range holding the frequency goes on from it, another restarts",
        {"100 101 0.5", "100 200 0.5 W", "150 200 0.5 A"}, "search x2 search:1 x1 search:2 x1",
        "100.5000N E 101.0000N E 101.5000W E 150.5000A E");
    // The line is written before the step lights the range's lamp.
    row("first pass shows the position, keeps the status; log takes the first lit lamp",
        {"100 101 0.5 W"}, "log lit:AU 100.5=3 search x1 ?",
        "100.5000W E [-- 100.5000 bank 0 W bars 0, ]", "@\t100.5000  \t 3 \tA\t\r\n");
    // 4 steps on 500 pixels: columns 125 wide; the second pass erases the first marker.
    row("spectrum: marker, erased and level columns, the status says so", {"100 101 0.25"},
        "spectrum 100.25=5 search x2 ?",
        "100.2500N E 100.5000N E [-- 100.5000 bank 0 N bars 0, Scanning range with spectrum]"
        " drawn 125:50-99/15 375:0-99/128");
    row("a hold shows each sample's level and ends after the delay", {"100 101 0.5"},
        "delay:2 @1000 100.5=13 search x3 ? 100.5=0 @1002 x2",
        "100.5000N F F F [-- 100.5000 bank 0 N bars 11, Scanning range] E 101.0000N E");
    row("a log line every holding pass below the squelch", {"100 101 0.5"},
        "log delay:30 100.5=12 search x2 100.5=4 x2", "100.5000N F F E E",
        "@\t100.5000  \t 12 \t\t\r\n@\t100.5000  \t 4 \tN\t\r\n@\t100.5000  \t 4 \tN\t\r\n");
    row("a range beyond the receiver's span: its steps passed over and told", {"2035.9 2037 0.1"},
        "search x3 ?",
        "2036.0000N E [-- 2036.2000 bank 0 N bars 0, Scanning range2036.2000 in the]");
    // Within half the step of a lockout: 100.62 lies nearer 100.5 than that, not 100.75.
    row("lockouts passed over without a sample", {"100 101 0.25"}, "lock:100.62 search x4",
        "100.2500N E 100.7500N E 101.0000N E 101.2500N E");
    row("a range that is all lockouts tunes nothing", {"100 100.5 0.25"},
        "lock:100.25 lock:100.5 lock:100.75 search x3", "");
    row("no column: To = From, Step 0, too many steps, upside down",
        {"100 100 0.5", "100 101 0", "100 200 0.0001", "101 100 0.5"},
        "spectrum 100.5001=5 search x1 search:1 x1 search:2 x1 search:3 x1",
        "100.5000N E 100.5000N E 100.5001N E 101.5000N E");
}

void TestScanning::scanning()
{
    QFETCH(QStringList, stored);
    QFETCH(QString, script);
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
    QTEST(play(f, script), "happened");
    QTEST(f.readFile(QStringLiteral("logging.txt")), "log");
}

void TestScanning::logFrequencyFieldTrimmed()
{
    QCOMPARE(logFrequencyField(QStringLiteral("  98.5  ")), QStringLiteral("98.5      "));
}

QTEST_GUILESS_MAIN(TestScanning)
#include "test_scanning.moc"
