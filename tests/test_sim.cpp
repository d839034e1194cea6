// The simulated receiver, driven over its pseudo-terminal with plain POSIX calls, the way a
// program at the other end of the line sees it.

#include "SimReceiver.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QtTest>

#include <functional>
#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace zesim;

namespace {

const QByteArray plain("\r\n>");

// The program's end of the line: raw, 9600 baud, 8N2.
struct Line
{
    explicit Line(const std::string &path)
        : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        termios t;
        if (fd >= 0 && tcgetattr(fd, &t) == 0) {
            cfmakeraw(&t);
            t.c_cflag |= CSTOPB | CLOCAL | CREAD;
            cfsetspeed(&t, B9600);
            tcsetattr(fd, TCSANOW, &t);
        }
    }
    ~Line() { ::close(fd); }
    Q_DISABLE_COPY(Line)

    bool send(const QByteArray &b) { return ::write(fd, b.data(), size_t(b.size())) == b.size(); }
    // Collects what arrives until done (if given) says so, the time is up or the line fails.
    QByteArray read(const std::function<bool(const QByteArray &)> &done, int timeoutMs)
    {
        QByteArray got;
        const QDeadlineTimer deadline(timeoutMs);
        pollfd p {fd, POLLIN, 0};
        char buf[4096];
        ssize_t n = 0;
        while (!(done && done(got)) && ::poll(&p, 1, int(deadline.remainingTime())) > 0
               && (n = ::read(fd, buf, sizeof buf)) > 0)
            got.append(buf, n);
        return got;
    }
    QByteArray exchange(const QByteArray &command)
    {
        const auto prompt = [](const QByteArray &g) { return g.contains('>'); };
        return send(command + '\r') ? read(prompt, 2000) : QByteArray();
    }

    const int fd;
};

Scenario scenarioFrom(const QByteArray &text)
{
    Scenario s;
    std::string error;
    if (!parseScenario(text.toStdString(), s, &error))
        qFatal("test scenario refused: %s", error.c_str());
    return s;
}

} // namespace

class SimTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void replies_data();
    void replies();
    void pacing();
    void scenarioStatements_data();
    void scenarioStatements();
    void scenarioErrors_data();
    void scenarioErrors();

private:
    std::unique_ptr<SimReceiver> m_sim;
};

void SimTest::init()
{
    m_sim = std::make_unique<SimReceiver>();
    std::string error;
    QVERIFY2(m_sim->start(&error), error.c_str());
}

void SimTest::replies_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("tuned"); // frequency, mode, attenuator R or T afterwards
    auto row = [](const char *setup, const char *command, const char *reply, const char *tuned) {
        QTest::addRow("%s, %s", setup, command)
                << QByteArray(setup) << QByteArray(command) << QByteArray(reply) << QString(tuned);
    };

    row("100.0000", "Y", "D\r\n>", ""); // noise
    row("145.5000", "Y", "J\r\n>", "");
    row("145.4995", "Y", "J\r\n>", ""); // 0.5 kHz off: still heard
    row("145.4994", "Y", "D\r\n>", "");
    row("", " 7Z", "C07 0N Z07 Y00014550000 Q\r\n>", "");
    // The tuning forms, from 100.0000 AM with the attenuator on; the last ones are none.
    row("100.0000AR", "145.5000", "\r\n>", "145.5000 A R");
    row("100.0000AR", "145.5125N", "\r\n>", "145.5125 N R");
    row("100.0000AR", "145.5000NT", "\r\n>", "145.5000 N T");
    row("100.0000AR", "29.7000T", "\r\n>", "29.7000 A T");
    row("100.0000AR", "7.05RC", "\r\n>", "7.05 C R");
    for (const char *refused : {"145.5000NW", "145.5000n", "1000000.0000N"})
        row("100.0000AR", refused, "\r\n>", "100.0000 A R");
    // Memory: stored in the selected bank, read back to the nearest 10 Hz with ATT and mode codes.
    row("4X|99M2036.0000LR", " 99Z", "C99 0W Z99 Y00203600000 T\r\n>", "");
    row("1X|13M145.123456UT", " 13Z", "C13 0N Z13 Y00014512346 U\r\n>", "");
    row("3X|10M433.5R", " 10Z", "C10 0W Z10 Y00043350000 W\r\n>", ""); // no mode
    row("3X|10M433.5R", " 11Z", "\r\n>", ""); // the neighbour is empty
    row("3X|10M433.5R|4X", " 10Z", "\r\n>", ""); // so is that channel of another bank
}

void SimTest::replies()
{
    QFETCH(QByteArray, setup);
    QFETCH(QByteArray, command);
    QFETCH(QString, tuned);
    // Comments, blanks and tabs are skipped, and the later of two statements wins.
    m_sim->setScenario(scenarioFrom("# receiver\n\n\tnoise 3   # quiet\nsignal 145.5009 12\n"
                                    "signal 145.5 14\nchannel 1 7 433.5 U att\n"
                                    "channel 1 7 145.5000 N\n"));
    m_sim->setSignalLevelAt(145.5, 9); // replaces the 14
    Line line(m_sim->devicePath());
    for (const QByteArray &command : setup.split('|'))
        QCOMPARE(line.exchange(command), plain);
    QTEST(line.exchange(command), "reply");
    // Nothing may follow the prompt: it would lead the next reply.
    QCOMPARE(line.exchange("E"), plain);
    const char att = m_sim->attenuator() ? 'R' : 'T';
    if (!tuned.isEmpty())
        QCOMPARE(QString::fromStdString(m_sim->tunedFrequency() + ' ' + m_sim->mode() + ' ' + att),
                 tuned);
}

void SimTest::pacing()
{
    m_sim->setScenario(scenarioFrom("pacing on\nnoise 5\nchannel 1 7 145.5 N\n"));
    Line line(m_sim->devicePath());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(line.exchange(" 7Z"), QByteArray("C07 0N Z07 Y00014550000 Q\r\n>"));
    // The command with its CR, then the reply, each byte taking its 11 bits (8N2) at 9600 baud.
    QVERIFY2(timer.elapsed() >= (4 + 28) * 11 * 1000 / 9600,
             qPrintable(QString::number(timer.elapsed())));
}

void SimTest::scenarioStatements_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("taken"); // the fault, pacing and what the memory and signals hold
    auto row = [](const char *text, const char *taken) {
        QTest::newRow(text) << QByteArray(text) << QString(taken);
    };
    row("fault late 600", "2 600 0, paced, 0 channels, 0 signals");
    row("fault garbage 40", "3 40 0, paced, 0 channels, 0 signals");
    row("fault chunked 5 40", "4 5 40, paced, 0 channels, 0 signals");
    row("fault flood\npacing off", "5 0 0, unpaced, 0 channels, 0 signals");
    row("fault noreply\nfault none", "0 0 0, paced, 0 channels, 0 signals");
    row("channel 4 99 1296.125 - att\nsignal 1.5 15 on 0.5 off 1",
        "0 0 0, paced, 1 channels, 1 signals");
}

void SimTest::scenarioStatements()
{
    QFETCH(QByteArray, text);
    const Scenario s = scenarioFrom(text);
    QTEST(QStringLiteral("%1 %2 %3, %4, %5 channels, %6 signals")
                  .arg(int(s.fault.kind))
                  .arg(s.fault.param)
                  .arg(s.fault.gapMs)
                  .arg(s.pacing ? "paced" : "unpaced")
                  .arg(s.memory.size())
                  .arg(s.signals.size()),
          "taken");
}

void SimTest::scenarioErrors_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line");

    QTest::newRow("unknown statement") << QByteArray("bogus") << 1;
    QTest::newRow("comments and blanks count") << QByteArray("# comment\n\nnoise x") << 3;
    QTest::newRow("out of range") << QByteArray("noise 16") << 1;
    QTest::newRow("extra value") << QByteArray("noise 1 2") << 1;
    QTest::newRow("value missing") << QByteArray("channel 1 1 145.5") << 1;
    QTest::newRow("fault kind") << QByteArray("fault explode") << 1;
    QTest::newRow("mode letter") << QByteArray("channel 1 1 145.5 Q") << 1;
    QTest::newRow("binary") << QByteArray("noise 1\n\x01\xff\x00zz", 12) << 2;
}

void SimTest::scenarioErrors()
{
    QFETCH(QByteArray, text);
    QFETCH(int, line);
    Scenario s;
    s.noiseLevel = 7;
    std::string error;
    QVERIFY(!parseScenario(text.toStdString(), s, &error));
    QVERIFY2(QString::fromStdString(error).startsWith(QStringLiteral("line %1: ").arg(line)),
             error.c_str());
    QCOMPARE(s.noiseLevel, 7); // untouched
}

QTEST_GUILESS_MAIN(SimTest)
#include "test_sim.moc"
