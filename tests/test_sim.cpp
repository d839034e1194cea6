// The simulated receiver, driven over its pseudo-terminal with plain POSIX calls, the way a
// program at the other end of the line sees it.

#include "SimReceiver.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
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

// The program's reading of a read-channel reply, as the station's memory transfer does it:
// "frequency mode att", or "" when it refuses the reply.
QString parseChannelReply(const QByteArray &bytes, int channel)
{
    const QString reply = QString::fromLatin1(bytes);
    bool ok = false;
    const qsizetype space = reply.indexOf(QLatin1Char(' '));
    if (reply.size() <= 3 || reply.mid(1, 2).toInt(&ok) != channel || !ok || space < 0)
        return QString();
    // The trimmed text after the first c; without a c, all of it.
    const auto after = [](const QString &t, char c) {
        const qsizetype i = t.indexOf(QLatin1Char(c));
        return (i < 0 ? t : t.mid(i + 1)).trimmed();
    };
    const QString t1 = reply.mid(space).trimmed();
    const qsizetype zero = t1.indexOf(QLatin1Char('0'));
    const bool att = (zero >= 0 ? t1.mid(zero + 1, 2) : t1.left(2)).trimmed() == QLatin1String("W");
    const QString t3 = after(after(t1, 'Z'), 'Y');
    const qsizetype end = t3.indexOf(QLatin1Char(' ')); // no space, no token
    const QString token = (end < 0 ? QString() : t3.left(end).trimmed()).leftJustified(11);
    const QString t4 = after(t3, ' ');
    const qsizetype code = t4.isEmpty() ? -1 : QStringLiteral("QRSTUVW").indexOf(t4.at(0));
    if (token.size() > 11 || code < 0)
        return QString();
    return QStringLiteral("%1.%2 %3 %4")
            .arg(token.left(6).trimmed(), token.right(5), QStringLiteral("NWALUC").mid(code, 1))
            .arg(int(att));
}

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
    void memoryRoundTrip_data();
    void memoryRoundTrip();
    void levelFollowsOnOff();
    void timingAndFaults_data();
    void timingAndFaults();
    void hangUpAndComeBack();
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
    row("145.50045", "Y", "M\r\n>", ""); // two signals heard: the stronger
    row("", " 7Z", "C07 0N Z07 Y00014550000 Q\r\n>", "");
    row("", "HELLO", "\r\n>", "");
    // The tuning forms, from 100.0000 AM with the attenuator on; the last ones are none.
    row("100.0000AR", "145.5000", "\r\n>", "145.5000 A R");
    row("100.0000AR", "145.5125N", "\r\n>", "145.5125 N R");
    row("100.0000AR", "145.5000NT", "\r\n>", "145.5000 N T");
    row("100.0000AR", "7.05RC", "\r\n>", "7.05 C R");
    row("100.0000AR", "29.7000T", "\r\n>", "29.7000 A T");
    for (const char *refused : {"145.5000NW", "145.5000n", "1000000.0000N"})
        row("100.0000AR", refused, "\r\n>", "100.0000 A R");
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
    QCOMPARE(line.exchange(setup), plain);
    QTEST(line.exchange(command), "reply");
    // Nothing may follow the prompt: it would lead the next reply.
    QCOMPARE(line.exchange("E"), plain);
    const char att = m_sim->attenuator() ? 'R' : 'T';
    if (!tuned.isEmpty())
        QCOMPARE(QString::fromStdString(m_sim->tunedFrequency() + ' ' + m_sim->mode() + ' ' + att),
                 tuned);
}

void SimTest::memoryRoundTrip_data()
{
    QTest::addColumn<int>("bank");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QByteArray>("stored"); // frequency, mode, attenuator as sent
    QTest::addColumn<QString>("read"); // as the program reads it back
    auto row = [](int bank, int channel, const char *stored, const char *read) {
        QTest::addRow("%d/%d %s", bank, channel, stored)
                << bank << channel << QByteArray(stored) << QString(read);
    };
    row(1, 7, "145.5NT", "000145.50000 N 0");
    row(2, 0, "0.1000WR", "000000.10000 W 1");
    row(3, 50, "7.05AT", "000007.05000 A 0");
    row(4, 99, "2036.0000LR", "002036.00000 L 1");
    row(1, 13, "145.123456UT", "000145.12346 U 0"); // to the nearest 10 Hz
    row(1, 12, "433.12345CT", "000433.12345 C 0");
    row(3, 10, "433.5R", "000433.50000  1"); // no mode
}

void SimTest::memoryRoundTrip()
{
    QFETCH(int, bank);
    QFETCH(int, channel);
    QFETCH(QByteArray, stored);
    QFETCH(QString, read);
    const QByteArray ch = QByteArray::number(channel);

    Line line(m_sim->devicePath());
    QCOMPARE(line.exchange(QByteArray::number(bank) + 'X'), plain);
    QCOMPARE(line.exchange(ch + 'M' + stored), plain);
    QCOMPARE(parseChannelReply(line.exchange(' ' + ch + 'Z'), channel), read);
    // Empty slots, the neighbour and the same channel of another bank, are not taken for one.
    QCOMPARE(line.exchange(' ' + QByteArray::number((channel + 1) % 100) + 'Z'), plain);
    QCOMPARE(line.exchange(QByteArray::number(bank % 4 + 1) + 'X'), plain);
    QCOMPARE(line.exchange(' ' + ch + 'Z'), plain);
}

void SimTest::levelFollowsOnOff()
{
    m_sim->setScenario(scenarioFrom("pacing off\nnoise 2\nsignal 145.5 9 on 0.25 off 0.25\n"));
    Line line(m_sim->devicePath());
    QCOMPARE(line.exchange("145.5000NT"), plain);
    auto level = [&] { return line.exchange("Y").left(1); };
    QTRY_COMPARE_WITH_TIMEOUT(level(), QByteArray("C"), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(level(), QByteArray("J"), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(level(), QByteArray("C"), 2000);
}

void SimTest::timingAndFaults_data()
{
    QTest::addColumn<QByteArray>("statement");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("size"); // bytes to wait for
    QTest::addColumn<QByteArray>("reply"); // what they are; empty: any bytes without ">"
    QTest::addColumn<int>("minMs");
    auto row = [](const char *statement, const char *command, int size, const char *reply,
                  int minMs) {
        QTest::newRow(statement) << QByteArray(statement) << QByteArray(command) << size
                                 << QByteArray(reply) << minMs;
    };
    const char *channel = "C07 0N Z07 Y00014550000 Q\r\n>";
    // The command with its CR, then the reply, each byte taking its 11 bits (8N2) at 9600 baud.
    row("pacing on", " 7Z", 28, channel, (4 + 28) * 11 * 1000 / 9600);
    row("fault noreply", "145.5000NT", 0, "", 0);
    row("fault late 600", "Y", 4, "F\r\n>", 600);
    row("fault garbage 40", "Y", 40, "", 0);
    row("fault chunked 5 40", " 7Z", 28, channel, 200); // five gaps
    // More than the terminal holds: the flood goes on while the program reads.
    row("fault flood", "Y", 300000, "", 0);
}

void SimTest::timingAndFaults()
{
    QFETCH(QByteArray, statement);
    QFETCH(QByteArray, command);
    QFETCH(int, size);
    QFETCH(QByteArray, reply);
    QFETCH(int, minMs);

    m_sim->setScenario(scenarioFrom("pacing off\nnoise 5\nchannel 1 7 145.5 N\n" + statement));
    Line line(m_sim->devicePath());
    QElapsedTimer timer;
    timer.start();
    QVERIFY(line.send(command + '\r'));
    const QByteArray got = line.read([=](const QByteArray &g) { return size && g.size() >= size; },
                                     size ? 5000 : 300);
    QVERIFY2(timer.elapsed() >= minMs, qPrintable(QString::number(timer.elapsed())));
    if (!reply.isEmpty())
        QCOMPARE(got, reply);
    QVERIFY2(size ? got.size() >= size : got.isEmpty(), qPrintable(QString::number(got.size())));
    QVERIFY(reply.isEmpty() != got.contains('>'));
    // A fault does not keep the command from being taken.
    QCOMPARE(m_sim->commands(), std::vector<std::string> {command.toStdString()});

    m_sim->clearFault();
    // Whatever was under way drains, then the line falls quiet and answers cleanly.
    bool quiet = false;
    for (int i = 0; i < 20 && !quiet; ++i)
        quiet = line.read(nullptr, 150).isEmpty();
    QVERIFY(quiet);
    QCOMPARE(line.exchange("E"), plain);
}

void SimTest::hangUpAndComeBack()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ze"));
    QVERIFY(m_sim->setLinkPath(link.toStdString()));
    Line line(link.toStdString());
    QCOMPARE(line.exchange("2X"), plain);
    QCOMPARE(line.exchange("4M145.5000NR"), plain);

    m_sim->hangUp();
    pollfd p {line.fd, POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 1000), 1);
    QVERIFY(p.revents & POLLHUP);
    QCOMPARE(QFile::symLinkTarget(link), QString());

    std::string error;
    QVERIFY2(m_sim->comeBack(&error), error.c_str());
    QCOMPARE(QFile::symLinkTarget(link).toStdString(), m_sim->devicePath());
    Line back(link.toStdString());
    // The receiver kept its memory and its bank.
    QCOMPARE(parseChannelReply(back.exchange(" 4Z"), 4), QStringLiteral("000145.50000 N 1"));
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
    QTest::newRow("mode letter") << QByteArray("channel 1 1 145.5 Q") << 1;
    QTest::newRow("fault kind") << QByteArray("fault explode") << 1;
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
