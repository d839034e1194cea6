// The simulated receiver, driven over its pseudo-terminal with plain POSIX calls, the way a
// program at the other end of the line sees it.

#include "SimReceiver.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

using namespace zesim;
using Steady = std::chrono::steady_clock;

namespace {

// The program's end of the line.
class Line
{
public:
    explicit Line(const std::string &path, speed_t speed = B9600, tcflag_t cflags = CS8 | CSTOPB,
                  bool configure = true)
    {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_fd < 0 || !configure)
            return;
        termios t;
        if (tcgetattr(m_fd, &t) != 0)
            return;
        cfmakeraw(&t);
        t.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
        t.c_cflag |= cflags | CLOCAL | CREAD;
        cfsetspeed(&t, speed);
        m_configured = tcsetattr(m_fd, TCSANOW, &t) == 0;
    }
    ~Line() { close(); }
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    bool configured() const { return m_configured; }
    int fd() const { return m_fd; }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool send(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.constData() + done,
                                      static_cast<size_t>(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

    // Collects what arrives until done says so, the time is up or the line fails.
    QByteArray readUntil(const std::function<bool(const QByteArray &)> &done, int timeoutMs)
    {
        QByteArray got;
        const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
        while (!done(got)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - Steady::now());
            if (left.count() <= 0)
                break;
            pollfd p {m_fd, POLLIN, 0};
            const int r = ::poll(&p, 1, static_cast<int>(left.count()));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                break;
            char buf[4096];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, n);
        }
        return got;
    }
    QByteArray readUntilPrompt(int timeoutMs = 2000)
    {
        return readUntil([](const QByteArray &g) { return g.contains('>'); }, timeoutMs);
    }
    QByteArray readAtLeast(qsizetype count, int timeoutMs)
    {
        return readUntil([count](const QByteArray &g) { return g.size() >= count; }, timeoutMs);
    }
    // Waits the whole time: only for checking that nothing comes.
    QByteArray readFor(int ms)
    {
        return readUntil([](const QByteArray &) { return false; }, ms);
    }
    QByteArray exchange(const QByteArray &command, int timeoutMs = 2000)
    {
        if (!send(command + '\r'))
            return QByteArray();
        return readUntilPrompt(timeoutMs);
    }

private:
    int m_fd = -1;
    bool m_configured = false;
};

// The program's reading of a read-channel reply, as the station's memory transfer does it.
struct ChannelFields
{
    QString frequency;
    QString mode;
    int att = 0;
    int zNumber = 0;
};

QString trimSpaces(const QString &s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s.at(b) == QLatin1Char(' '))
        ++b;
    while (e > b && s.at(e - 1) == QLatin1Char(' '))
        --e;
    return s.mid(b, e - b);
}

int leadingNumber(const QString &s)
{
    qsizetype i = 0;
    while (i < s.size() && s.at(i).isDigit())
        ++i;
    return s.left(i).toInt();
}

std::optional<ChannelFields> parseChannelReply(const QByteArray &bytes, int channel)
{
    const QString reply = QString::fromLatin1(bytes);
    if (reply.size() <= 3)
        return std::nullopt;
    bool ok = false;
    if (reply.mid(1, 2).toInt(&ok) != channel || !ok)
        return std::nullopt;
    const qsizetype space = reply.indexOf(QLatin1Char(' '));
    if (space < 0)
        return std::nullopt;
    ChannelFields f;
    const QString t1 = trimSpaces(reply.mid(space));
    const qsizetype zero = t1.indexOf(QLatin1Char('0'));
    const QString attText = zero >= 0 ? t1.mid(zero + 1, 2) : t1.left(2);
    f.att = trimSpaces(attText) == QLatin1String("W") ? 1 : 0;
    const qsizetype z = t1.indexOf(QLatin1Char('Z'));
    const QString t2 = z >= 0 ? trimSpaces(t1.mid(z + 1)) : t1;
    const qsizetype s2 = t2.indexOf(QLatin1Char(' '));
    f.zNumber = s2 >= 0 ? leadingNumber(trimSpaces(t2.left(s2))) : 0;
    const qsizetype y = t2.indexOf(QLatin1Char('Y'));
    const QString t3 = y >= 0 ? trimSpaces(t2.mid(y + 1)) : t2;
    const qsizetype s3 = t3.indexOf(QLatin1Char(' '));
    QString token = s3 >= 0 ? trimSpaces(t3.left(s3)) : QString();
    if (token.size() > 11)
        return std::nullopt;
    token = token.leftJustified(11, QLatin1Char(' '));
    f.frequency = trimSpaces(token.left(6)) + QLatin1Char('.') + token.right(5);
    const QString t4 = s3 >= 0 ? trimSpaces(t3.mid(s3 + 1)) : t3;
    if (t4.isEmpty())
        return std::nullopt;
    const qsizetype code = QStringLiteral("QRSTUVW").indexOf(t4.at(0));
    if (code < 0)
        return std::nullopt;
    f.mode = code < 6 ? QString(QStringLiteral("NWALUC").at(code)) : QString();
    return f;
}

double processCpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

Scenario scenarioFrom(const char *text)
{
    Scenario s;
    std::string error;
    if (!parseScenario(text, s, &error))
        qFatal("test scenario refused: %s", error.c_str());
    return s;
}

} // namespace

class SimTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void replies_data();
    void replies();
    void tuning_data();
    void tuning();
    void channelRoundTrip_data();
    void channelRoundTrip();
    void emptyAndForeignSlots();
    void scenarioMemory();
    void level_data();
    void level();
    void levelFollowsOnOff();
    void pacing_data();
    void pacing();
    void commandLog();
    void noEchoBeforeConfigured();
    void programReopens();
    void noReply();
    void lateReply();
    void garbage();
    void chunked();
    void flood_data();
    void flood();
    void noSpin_data();
    void noSpin();
    void hangUp();
    void comeBack();
    void linkPath();
    void scenarioErrors_data();
    void scenarioErrors();
    void scenarioStatements();
    void scenarioFiles();

private:
    std::unique_ptr<SimReceiver> m_sim;
};

void SimTest::init()
{
    m_sim = std::make_unique<SimReceiver>();
    std::string error;
    QVERIFY2(m_sim->start(&error), error.c_str());
    QVERIFY(!m_sim->devicePath().empty());
}

void SimTest::cleanup()
{
    m_sim.reset();
}

void SimTest::replies_data()
{
    QTest::addColumn<QList<QByteArray>>("setup");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("level, noise") << QList<QByteArray> {"100.0000"} << QByteArray("Y")
                                  << QByteArray("D\r\n>");
    QTest::newRow("level, signal")
            << QList<QByteArray> {"145.5000"} << QByteArray("Y") << QByteArray("J\r\n>");
    QTest::newRow("line feed ignored")
            << QList<QByteArray> {"100.0000"} << QByteArray("\nY") << QByteArray("D\r\n>");
    QTest::newRow("found") << QList<QByteArray> {} << QByteArray("F") << QByteArray("\r\n>");
    QTest::newRow("not found") << QList<QByteArray> {} << QByteArray("E") << QByteArray("\r\n>");
    QTest::newRow("tune") << QList<QByteArray> {} << QByteArray("145.5000NT")
                          << QByteArray("\r\n>");
    QTest::newRow("select bank") << QList<QByteArray> {} << QByteArray("3X") << QByteArray("\r\n>");
    QTest::newRow("read stored") << QList<QByteArray> {"1X"} << QByteArray(" 7Z")
                                 << QByteArray("C07 0N Z07 Y00014550000 Q\r\n>");
    QTest::newRow("read stored, att, no mode") << QList<QByteArray> {"2X"} << QByteArray(" 42Z")
                                               << QByteArray("C42 0W Z42 Y00002970000 W\r\n>");
    QTest::newRow("read empty") << QList<QByteArray> {"1X"} << QByteArray(" 8Z")
                                << QByteArray("\r\n>");
    QTest::newRow("store") << QList<QByteArray> {"1X"} << QByteArray("5M145.5000NT")
                           << QByteArray("\r\n>");
    QTest::newRow("unknown") << QList<QByteArray> {} << QByteArray("HELLO") << QByteArray("\r\n>");
    QTest::newRow("bank out of range")
            << QList<QByteArray> {} << QByteArray("5X") << QByteArray("\r\n>");
    QTest::newRow("channel out of range")
            << QList<QByteArray> {} << QByteArray(" 100Z") << QByteArray("\r\n>");
    QTest::newRow("empty line") << QList<QByteArray> {} << QByteArray("") << QByteArray("\r\n>");
}

void SimTest::replies()
{
    QFETCH(QList<QByteArray>, setup);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);

    m_sim->setScenario(scenarioFrom("noise 3\n"
                                    "signal 145.5 9\n"
                                    "channel 1 7 145.5000 N\n"
                                    "channel 2 42 29.7 - att\n"));
    Line line(m_sim->devicePath());
    QVERIFY(line.configured());
    for (const QByteArray &c : setup)
        QCOMPARE(line.exchange(c), QByteArray("\r\n>"));
    QCOMPARE(line.exchange(command), reply);
    // Nothing may follow the prompt: it would lead the next reply.
    QCOMPARE(line.exchange("E"), QByteArray("\r\n>"));
}

void SimTest::tuning_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<char>("mode");
    QTest::addColumn<bool>("att");

    // Starting from 100.0000, AM, attenuator on.
    QTest::newRow("frequency only") << QByteArray("145.5000") << "145.5000" << 'A' << true;
    QTest::newRow("with mode") << QByteArray("145.5125N") << "145.5125" << 'N' << true;
    QTest::newRow("channel form, att off")
            << QByteArray("145.5000NT") << "145.5000" << 'N' << false;
    QTest::newRow("channel form, att on") << QByteArray("145.5000UR") << "145.5000" << 'U' << true;
    QTest::newRow("keypad form, att off") << QByteArray("145.5TW") << "145.5" << 'W' << false;
    QTest::newRow("keypad form, att on") << QByteArray("7.05RC") << "7.05" << 'C' << true;
    QTest::newRow("keypad form, LSB") << QByteArray("3.6500TL") << "3.6500" << 'L' << false;
    QTest::newRow("channel without mode") << QByteArray("29.7000T") << "29.7000" << 'A' << false;
    QTest::newRow("no zero before point") << QByteArray(".5000TN") << ".5000" << 'N' << false;
    QTest::newRow("whole megahertz") << QByteArray("2036N") << "2036" << 'N' << true;

    // Refused: nothing changes.
    QTest::newRow("two modes") << QByteArray("145.5000NW") << "100.0000" << 'A' << true;
    QTest::newRow("two att letters") << QByteArray("145.5000TR") << "100.0000" << 'A' << true;
    QTest::newRow("same letter twice") << QByteArray("145.5NN") << "100.0000" << 'A' << true;
    QTest::newRow("letters only") << QByteArray("NT") << "100.0000" << 'A' << true;
    QTest::newRow("foreign letter") << QByteArray("145.5000Q") << "100.0000" << 'A' << true;
    QTest::newRow("lower case") << QByteArray("145.5000n") << "100.0000" << 'A' << true;
    QTest::newRow("two points") << QByteArray("145.5.5N") << "100.0000" << 'A' << true;
    QTest::newRow("comma") << QByteArray("145,5000") << "100.0000" << 'A' << true;
    QTest::newRow("sign") << QByteArray("-145.5") << "100.0000" << 'A' << true;
    QTest::newRow("leading blank") << QByteArray(" 145.5") << "100.0000" << 'A' << true;
    QTest::newRow("too large for the token")
            << QByteArray("1000000.0000N") << "100.0000" << 'A' << true;
    QTest::newRow("point only") << QByteArray(".N") << "100.0000" << 'A' << true;
}

void SimTest::tuning()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, frequency);
    QFETCH(char, mode);
    QFETCH(bool, att);

    m_sim->setPacing(false);
    Line line(m_sim->devicePath());
    QCOMPARE(line.exchange("100.0000AR"), QByteArray("\r\n>"));
    QCOMPARE(line.exchange(command), QByteArray("\r\n>"));
    QCOMPARE(QString::fromStdString(m_sim->tunedFrequency()), frequency);
    QCOMPARE(m_sim->mode(), mode);
    QCOMPARE(m_sim->attenuator(), att);
}

void SimTest::channelRoundTrip_data()
{
    QTest::addColumn<int>("bank");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QByteArray>("frequency");
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<bool>("att");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("145.5 NFM") << 1 << 7 << QByteArray("145.5") << QByteArray("N") << false
                               << "000145.50000";
    QTest::newRow("0.1 WFM att") << 2 << 0 << QByteArray("0.1000") << QByteArray("W") << true
                                 << "000000.10000";
    QTest::newRow("29.7 AM") << 3 << 42 << QByteArray("29.7") << QByteArray("A") << false
                             << "000029.70000";
    QTest::newRow("2036 LSB att") << 4 << 99 << QByteArray("2036.0000") << QByteArray("L") << true
                                  << "002036.00000";
    QTest::newRow("7.05 USB") << 1 << 1 << QByteArray("7.0500") << QByteArray("U") << false
                              << "000007.05000";
    QTest::newRow("14.2 CW att") << 2 << 50 << QByteArray("14.2") << QByteArray("C") << true
                                 << "000014.20000";
    QTest::newRow("no mode") << 3 << 3 << QByteArray("145.5000") << QByteArray() << false
                             << "000145.50000";
    QTest::newRow("no mode, att") << 4 << 10 << QByteArray("433.5") << QByteArray() << true
                                  << "000433.50000";
    QTest::newRow("10 Hz") << 1 << 12 << QByteArray("433.12345") << QByteArray("N") << false
                           << "000433.12345";
    QTest::newRow("rounded to 10 Hz")
            << 1 << 13 << QByteArray("145.123456") << QByteArray("N") << false << "000145.12346";
}

void SimTest::channelRoundTrip()
{
    QFETCH(int, bank);
    QFETCH(int, channel);
    QFETCH(QByteArray, frequency);
    QFETCH(QByteArray, mode);
    QFETCH(bool, att);
    QFETCH(QString, readBack);

    Line line(m_sim->devicePath());
    QCOMPARE(line.exchange(QByteArray::number(bank) + 'X'), QByteArray("\r\n>"));
    const QByteArray store
            = QByteArray::number(channel) + 'M' + frequency + mode + (att ? 'R' : 'T');
    QCOMPARE(line.exchange(store), QByteArray("\r\n>"));
    QCOMPARE(m_sim->selectedBank(), bank);

    const auto memory = m_sim->memory();
    const auto it = memory.find(bank * 100 + channel);
    QVERIFY(it != memory.end());
    QCOMPARE(QByteArray::fromStdString(it->second.frequency), frequency);
    QCOMPARE(it->second.mode, mode.isEmpty() ? char(0) : mode.at(0));
    QCOMPARE(it->second.att, att);

    const QByteArray reply = line.exchange(' ' + QByteArray::number(channel) + 'Z');
    QVERIFY2(reply.endsWith("\r\n>"), reply.constData());
    const auto fields = parseChannelReply(reply, channel);
    QVERIFY2(fields.has_value(), reply.constData());
    QCOMPARE(fields->frequency, readBack);
    QCOMPARE(fields->mode, QString::fromLatin1(mode));
    QCOMPARE(fields->att, att ? 1 : 0);
    QCOMPARE(fields->zNumber, channel);
}

void SimTest::emptyAndForeignSlots()
{
    m_sim->setPacing(false);
    Line line(m_sim->devicePath());
    QCOMPARE(line.exchange("2X"), QByteArray("\r\n>"));
    QCOMPARE(line.exchange("9M145.5000NT"), QByteArray("\r\n>"));
    QVERIFY(parseChannelReply(line.exchange(" 9Z"), 9).has_value());

    // Every other bank has channel 9 empty, and so have the neighbours.
    for (int bank : {1, 3, 4}) {
        QCOMPARE(line.exchange(QByteArray::number(bank) + 'X'), QByteArray("\r\n>"));
        const QByteArray reply = line.exchange(" 9Z");
        QCOMPARE(reply, QByteArray("\r\n>"));
        QVERIFY(!parseChannelReply(reply, 9).has_value());
    }
    QCOMPARE(line.exchange("2X"), QByteArray("\r\n>"));
    for (int channel : {0, 8, 10, 99})
        QVERIFY(!parseChannelReply(line.exchange(' ' + QByteArray::number(channel) + 'Z'), channel)
                         .has_value());

    // A store that cannot be taken leaves the slot as it was.
    QCOMPARE(line.exchange("9M145.5000NW"), QByteArray("\r\n>"));
    QCOMPARE(line.exchange("10MNT"), QByteArray("\r\n>"));
    QCOMPARE(line.exchange("100M145.5N"), QByteArray("\r\n>"));
    const auto memory = m_sim->memory();
    QCOMPARE(memory.size(), size_t(1));
    QCOMPARE(memory.at(209).mode, 'N');
}

void SimTest::scenarioMemory()
{
    Scenario s;
    std::string error;
    QVERIFY2(
            loadScenarioFile(QFINDTESTDATA("../sim/scenarios/sample.scn").toStdString(), s, &error),
            error.c_str());
    s.pacing = false;
    m_sim->setScenario(s);
    Line line(m_sim->devicePath());
    QCOMPARE(line.exchange("3X"), QByteArray("\r\n>"));
    auto f = parseChannelReply(line.exchange(" 99Z"), 99);
    QVERIFY(f.has_value());
    QCOMPARE(f->frequency, QStringLiteral("002036.00000"));
    QCOMPARE(f->mode, QString());
    QCOMPARE(f->att, 0);
    f = parseChannelReply(line.exchange(" 0Z"), 0);
    QVERIFY(f.has_value());
    QCOMPARE(f->frequency, QStringLiteral("000000.10000"));
    QCOMPARE(f->mode, QStringLiteral("A"));
    QCOMPARE(f->att, 1);
}

void SimTest::level_data()
{
    QTest::addColumn<QByteArray>("tune");
    QTest::addColumn<char>("level");

    // Signals at 145.5 (9) and 145.5009 (12), noise 3.
    QTest::newRow("on the signal") << QByteArray("145.5000") << 'J';
    QTest::newRow("0.4 kHz below") << QByteArray("145.4996") << 'J';
    QTest::newRow("0.5 kHz below") << QByteArray("145.4995") << 'J';
    QTest::newRow("0.6 kHz below") << QByteArray("145.4994") << 'D';
    QTest::newRow("both within reach") << QByteArray("145.50045AT") << 'M';
    QTest::newRow("on the stronger") << QByteArray("145.5009") << 'M';
    QTest::newRow("0.6 kHz above the stronger") << QByteArray("145.5015") << 'D';
    QTest::newRow("between channels") << QByteArray("145.5125") << 'D';
    QTest::newRow("nowhere") << QByteArray("7.0500") << 'D';
}

void SimTest::level()
{
    QFETCH(QByteArray, tune);
    QFETCH(char, level);

    m_sim->setPacing(false);
    m_sim->setNoiseLevel(3);
    m_sim->setSignalLevelAt(145.5, 4);
    m_sim->setSignalLevelAt(145.5, 9); // replaces the first
    m_sim->setSignalLevelAt(145.5009, 12);
    Line line(m_sim->devicePath());
    QCOMPARE(line.exchange(tune), QByteArray("\r\n>"));
    QByteArray expected(1, level);
    expected += "\r\n>";
    QCOMPARE(line.exchange("Y"), expected);
}

void SimTest::levelFollowsOnOff()
{
    m_sim->setScenario(scenarioFrom("noise 2\nsignal 145.5 9 on 0.25 off 0.25\n"));
    Line line(m_sim->devicePath());
    QCOMPARE(line.exchange("145.5000NT"), QByteArray("\r\n>"));
    auto level = [&] { return line.exchange("Y").left(1); };
    QTRY_COMPARE_WITH_TIMEOUT(level(), QByteArray("C"), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(level(), QByteArray("J"), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(level(), QByteArray("C"), 2000);
    // Off frequency the signal is never heard.
    QCOMPARE(line.exchange("145.6000"), QByteArray("\r\n>"));
    for (int i = 0; i < 5; ++i)
        QCOMPARE(level(), QByteArray("C"));
}

void SimTest::pacing_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("cflags");
    QTest::addColumn<int>("bitsPerByte");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("replyLength");

    QTest::newRow("9600 8N2, channel")
            << int(B9600) << int(CS8 | CSTOPB) << 11 << QByteArray(" 7Z") << 28;
    QTest::newRow("9600 8N2, level")
            << int(B9600) << int(CS8 | CSTOPB) << 11 << QByteArray("Y") << 4;
    QTest::newRow("4800 8N2, channel")
            << int(B4800) << int(CS8 | CSTOPB) << 11 << QByteArray(" 7Z") << 28;
    QTest::newRow("9600 7E1, channel")
            << int(B9600) << int(CS7 | PARENB) << 10 << QByteArray(" 7Z") << 28;
}

void SimTest::pacing()
{
    QFETCH(int, speed);
    QFETCH(int, cflags);
    QFETCH(int, bitsPerByte);
    QFETCH(QByteArray, command);
    QFETCH(int, replyLength);

    m_sim->setScenario(scenarioFrom("pacing on\nchannel 1 7 145.5 N\n"));
    Line line(m_sim->devicePath(), speed_t(speed), tcflag_t(cflags));
    QVERIFY(line.configured());
    const int baud = speed == int(B4800) ? 4800 : 9600;
    QCOMPARE(m_sim->lineBaudRate(), baud); // seen as soon as it is set

    const auto start = Steady::now();
    const QByteArray reply = line.exchange(command);
    const auto elapsed = Steady::now() - start;
    QCOMPARE(reply.size(), replyLength);
    QVERIFY(reply.endsWith('>'));
    QCOMPARE(m_sim->lineBaudRate(), baud);

    // Command with its CR, then the reply, each byte taking its time on the line.
    const double lineSeconds = (command.size() + 1 + replyLength) * double(bitsPerByte) / baud;
    const double seconds = std::chrono::duration<double>(elapsed).count();
    QVERIFY2(seconds >= lineSeconds,
             qPrintable(QStringLiteral("%1 s < %2 s").arg(seconds).arg(lineSeconds)));
}

void SimTest::commandLog()
{
    m_sim->setPacing(false);
    Line line(m_sim->devicePath());
    QVERIFY(line.send("Y\r\n145.5000NT\r 7Z\r"));
    QCOMPARE(m_sim->waitForCommands(3, 2000), size_t(3));
    QCOMPARE(m_sim->commands(), (std::vector<std::string> {"Y", "145.5000NT", " 7Z"}));
    QCOMPARE(m_sim->receivedBytes(), std::string("Y\r\n145.5000NT\r 7Z\r"));
    // Acted on by the time it counts.
    QCOMPARE(m_sim->tunedFrequency(), std::string("145.5000"));
    QCOMPARE(line.readUntil([](const QByteArray &g) { return g.count('>') == 3; }, 2000),
             QByteArray("A\r\n>\r\n>\r\n>"));
    // Time up: the count so far.
    QCOMPARE(m_sim->waitForCommands(5, 50), size_t(3));
    // A command without its CR is not a command yet.
    QVERIFY(line.send("E"));
    QCOMPARE(m_sim->waitForCommands(4, 100), size_t(3));
    QVERIFY(line.send("\r"));
    QCOMPARE(m_sim->waitForCommands(4, 2000), size_t(4));
    QCOMPARE(m_sim->commands().back(), std::string("E"));

    m_sim->clearLog();
    QVERIFY(m_sim->commands().empty());
    QVERIFY(m_sim->receivedBytes().empty());
    QCOMPARE(line.readUntilPrompt(), QByteArray("\r\n>")); // the E
    QCOMPARE(line.exchange("F"), QByteArray("\r\n>"));
    QCOMPARE(m_sim->waitForCommands(1, 2000), size_t(1));
}

void SimTest::noEchoBeforeConfigured()
{
    // The program has not set the line up yet: a cooked line would echo the reply back to the
    // simulator, which would take it for a command.
    QCOMPARE(m_sim->lineBaudRate(), 0);
    Line line(m_sim->devicePath(), B9600, 0, false);
    QVERIFY(line.isOpen());
    QCOMPARE(m_sim->lineBaudRate(), 0);
    m_sim->setNoiseLevel(4);
    QCOMPARE(line.exchange("Y"), QByteArray("E\r\n>"));
    QCOMPARE(m_sim->waitForCommands(2, 200), size_t(1));
    QCOMPARE(m_sim->receivedBytes(), std::string("Y\r"));
}

void SimTest::programReopens()
{
    m_sim->setPacing(false);
    for (int i = 0; i < 3; ++i) {
        Line line(m_sim->devicePath());
        QVERIFY(line.isOpen());
        QCOMPARE(line.exchange("E"), QByteArray("\r\n>"));
    }
    QCOMPARE(m_sim->waitForCommands(3, 100), size_t(3));
    QVERIFY(m_sim->isUp());
}

void SimTest::noReply()
{
    m_sim->setPacing(false);
    Line line(m_sim->devicePath());
    m_sim->setFault({FaultKind::NoReply, 0, 0});
    QVERIFY(line.send("145.5000NT\r"));
    QCOMPARE(m_sim->waitForCommands(1, 2000), size_t(1));
    QCOMPARE(line.readFor(200), QByteArray());
    QCOMPARE(m_sim->tunedFrequency(), std::string("145.5000")); // taken all the same
    m_sim->clearFault();
    QCOMPARE(line.exchange("E"), QByteArray("\r\n>"));
}

void SimTest::lateReply()
{
    m_sim->setPacing(false);
    m_sim->setNoiseLevel(5);
    Line line(m_sim->devicePath());
    m_sim->setFault({FaultKind::LateReply, 600, 0});
    const auto start = Steady::now();
    QVERIFY(line.send("Y\r"));
    QCOMPARE(m_sim->waitForCommands(1, 2000), size_t(1));
    QVERIFY(line.send("E\r"));
    // The next command is taken while the first reply still waits.
    QCOMPARE(m_sim->waitForCommands(2, 2000), size_t(2));
    pollfd p {line.fd(), POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 0), 0);

    // Both late, in order; they may come in one read.
    QCOMPARE(line.readUntil([](const QByteArray &g) { return g.count('>') == 2; }, 3000),
             QByteArray("F\r\n>\r\n>"));
    QVERIFY(Steady::now() - start >= std::chrono::milliseconds(600));
}

void SimTest::garbage()
{
    m_sim->setScenario(scenarioFrom("fault garbage 40\n"));
    Line line(m_sim->devicePath());
    QVERIFY(line.send("Y\r"));
    const QByteArray got = line.readAtLeast(40, 3000);
    QCOMPARE(got.size(), 40);
    QVERIFY(!got.contains('>'));
    m_sim->clearFault();
    // Exactly the garbage was sent: the next reply comes clean.
    QCOMPARE(line.exchange("E"), QByteArray("\r\n>"));
}

void SimTest::chunked()
{
    m_sim->setScenario(scenarioFrom("pacing off\nchannel 1 7 145.5 N\nfault chunked 5 40\n"));
    Line line(m_sim->devicePath());
    const auto start = Steady::now();
    const QByteArray reply = line.exchange(" 7Z", 3000);
    QCOMPARE(reply, QByteArray("C07 0N Z07 Y00014550000 Q\r\n>"));
    // 28 bytes in chunks of 5: five gaps.
    QVERIFY(Steady::now() - start >= std::chrono::milliseconds(200));
    QVERIFY(parseChannelReply(reply, 7).has_value());
}

void SimTest::flood_data()
{
    QTest::addColumn<bool>("pacing");
    QTest::addColumn<int>("stallMs");
    QTest::addColumn<int>("minBytes");

    QTest::newRow("paced") << true << 0 << 300;
    // More than the terminal holds: the flood has to go on once the program reads again.
    QTest::newRow("unpaced, program stalls") << false << 300 << 300000;
}

void SimTest::flood()
{
    QFETCH(bool, pacing);
    QFETCH(int, stallMs);
    QFETCH(int, minBytes);

    m_sim->setPacing(pacing);
    Line line(m_sim->devicePath());
    m_sim->setFault({FaultKind::Flood, 0, 0});
    QVERIFY(line.send("Y\r"));
    QCOMPARE(m_sim->waitForCommands(1, 2000), size_t(1));
    if (stallMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(stallMs));
    const QByteArray got = line.readAtLeast(minBytes, 5000);
    QVERIFY2(got.size() >= minBytes, qPrintable(QString::number(got.size())));
    QVERIFY(!got.contains('>'));

    m_sim->clearFault();
    // Whatever was under way drains, then the line falls quiet.
    bool quiet = false;
    for (int i = 0; i < 20 && !quiet; ++i)
        quiet = line.readFor(150).isEmpty();
    QVERIFY(quiet);
    QCOMPARE(line.exchange("E"), QByteArray("\r\n>"));
}

void SimTest::noSpin_data()
{
    QTest::addColumn<int>("situation");
    QTest::newRow("nobody on the line") << 0;
    QTest::newRow("program closed its side") << 1;
    QTest::newRow("flood nobody reads") << 2;
    QTest::newRow("late reply pending") << 3;
}

void SimTest::noSpin()
{
    QFETCH(int, situation);

    m_sim->setPacing(false);
    Line line(m_sim->devicePath());
    switch (situation) {
    case 1:
        QCOMPARE(line.exchange("E"), QByteArray("\r\n>"));
        line.close();
        break;
    case 2:
        m_sim->setFault({FaultKind::Flood, 0, 0});
        QVERIFY(line.send("Y\r"));
        break;
    case 3:
        m_sim->setFault({FaultKind::LateReply, 5000, 0});
        QVERIFY(line.send("Y\r"));
        break;
    default:
        line.close();
        break;
    }
    if (situation != 0)
        QCOMPARE(m_sim->waitForCommands(1, 2000), size_t(1));
    // A spinning worker would burn about the whole interval.
    const double before = processCpuSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const double used = processCpuSeconds() - before;
    QVERIFY2(used < 0.2, qPrintable(QStringLiteral("%1 s of CPU in 0.4 s").arg(used)));
}

void SimTest::hangUp()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string link = QDir(dir.path()).filePath(QStringLiteral("ze")).toStdString();
    QVERIFY(m_sim->setLinkPath(link));
    Line line(link);
    QCOMPARE(line.exchange("E"), QByteArray("\r\n>"));
    const std::string device = m_sim->devicePath();

    m_sim->hangUp();
    QVERIFY(!m_sim->isUp());
    pollfd p {line.fd(), POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 1000), 1);
    QVERIFY(p.revents & POLLHUP);
    char c;
    errno = 0;
    const ssize_t r = ::read(line.fd(), &c, 1);
    // Linux ends a hung-up terminal's reads with end of file; some systems say EIO.
    QVERIFY2(r == 0 || (r < 0 && errno == EIO), qPrintable(QString::number(r)));
    QCOMPARE(::write(line.fd(), "Y\r", 2), ssize_t(-1));
    QCOMPARE(errno, EIO);

    struct stat st;
    QCOMPARE(::lstat(link.c_str(), &st), -1);
    QCOMPARE(m_sim->devicePath(), device);
    m_sim->hangUp(); // twice is harmless
}

void SimTest::comeBack()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string link = QDir(dir.path()).filePath(QStringLiteral("ze")).toStdString();
    QVERIFY(m_sim->setLinkPath(link));
    m_sim->setPacing(false);
    {
        Line line(link);
        QCOMPARE(line.exchange("2X"), QByteArray("\r\n>"));
        QCOMPARE(line.exchange("4M145.5000NR"), QByteArray("\r\n>"));
    }
    m_sim->hangUp();
    std::string error;
    QVERIFY2(m_sim->comeBack(&error), error.c_str());
    QVERIFY(m_sim->isUp());

    char target[256];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target);
    QVERIFY(n > 0);
    QCOMPARE(std::string(target, size_t(n)), m_sim->devicePath());
    Line line(link);
    QVERIFY(line.configured());
    // The receiver kept its memory and its bank.
    const auto f = parseChannelReply(line.exchange(" 4Z"), 4);
    QVERIFY(f.has_value());
    QCOMPARE(f->frequency, QStringLiteral("000145.50000"));
    QCOMPARE(f->att, 1);

    // Coming back while up is a hang-up and a new line at once.
    QVERIFY(m_sim->comeBack(&error));
    pollfd p {line.fd(), POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 1000), 1);
    QVERIFY(p.revents & POLLHUP);
    Line again(link);
    QCOMPARE(again.exchange("E"), QByteArray("\r\n>"));
}

void SimTest::linkPath()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = QDir(dir.path()).filePath(QStringLiteral("plain"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write("keep"), qint64(4));
    }
    std::string error;
    QVERIFY(!m_sim->setLinkPath(file.toStdString(), &error));
    QVERIFY(!error.empty());
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep"));

    // A stale link is replaced.
    const std::string link = QDir(dir.path()).filePath(QStringLiteral("ze")).toStdString();
    QCOMPARE(::symlink("/nonexistent", link.c_str()), 0);
    QVERIFY2(m_sim->setLinkPath(link, &error), error.c_str());
    char target[256];
    ssize_t n = ::readlink(link.c_str(), target, sizeof target);
    QCOMPARE(std::string(target, size_t(std::max<ssize_t>(n, 0))), m_sim->devicePath());
    QCOMPARE(QDir(dir.path()).entryList(QDir::System | QDir::Files).size(), 2); // no temp left

    // Moving the link removes the old one.
    const std::string moved = QDir(dir.path()).filePath(QStringLiteral("ze2")).toStdString();
    QVERIFY(m_sim->setLinkPath(moved, &error));
    struct stat st;
    QCOMPARE(::lstat(link.c_str(), &st), -1);
    QCOMPARE(::lstat(moved.c_str(), &st), 0);
    QCOMPARE(m_sim->linkPath(), moved);

    m_sim->stop();
    QCOMPARE(::lstat(moved.c_str(), &st), -1);
    QVERIFY(m_sim->start(&error));
    n = ::readlink(moved.c_str(), target, sizeof target);
    QCOMPARE(std::string(target, size_t(std::max<ssize_t>(n, 0))), m_sim->devicePath());
    m_sim->removeLink();
    QCOMPARE(::lstat(moved.c_str(), &st), -1);
}

void SimTest::scenarioErrors_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line");

    QTest::newRow("unknown statement") << QByteArray("bogus") << 1;
    QTest::newRow("error on line 3") << QByteArray("# comment\n\nnoise x") << 3;
    QTest::newRow("CR LF lines") << QByteArray("noise 1\r\nnoise 2\r\npacing sometimes\r\n") << 3;
    QTest::newRow("noise too high") << QByteArray("noise 16") << 1;
    QTest::newRow("noise extra value") << QByteArray("noise 1 2") << 1;
    QTest::newRow("pacing word") << QByteArray("pacing maybe") << 1;
    QTest::newRow("bank 5") << QByteArray("channel 5 1 145.5 N") << 1;
    QTest::newRow("channel 100") << QByteArray("channel 1 100 145.5 N") << 1;
    QTest::newRow("frequency text") << QByteArray("channel 1 1 abc N") << 1;
    QTest::newRow("frequency exponent") << QByteArray("channel 1 1 1e3 N") << 1;
    QTest::newRow("frequency zero") << QByteArray("channel 1 1 0 N") << 1;
    QTest::newRow("frequency too large") << QByteArray("channel 1 1 1000000 N") << 1;
    QTest::newRow("mode letter") << QByteArray("channel 1 1 145.5 Q") << 1;
    QTest::newRow("att word") << QByteArray("channel 1 1 145.5 N attx") << 1;
    QTest::newRow("channel missing mode") << QByteArray("channel 1 1 145.5") << 1;
    QTest::newRow("signal level") << QByteArray("signal 145.5 99") << 1;
    QTest::newRow("signal half timing") << QByteArray("signal 145.5 9 on 1") << 1;
    QTest::newRow("signal never on") << QByteArray("signal 145.5 9 on 0 off 1") << 1;
    QTest::newRow("signal negative off") << QByteArray("signal 145.5 9 on 1 off -1") << 1;
    QTest::newRow("signal nan") << QByteArray("signal nan 3") << 1;
    QTest::newRow("signal timing words") << QByteArray("signal 145.5 9 off 1 on 1") << 1;
    QTest::newRow("fault kind") << QByteArray("fault explode") << 1;
    QTest::newRow("fault late missing") << QByteArray("fault late") << 1;
    QTest::newRow("fault chunked gap") << QByteArray("fault chunked 5") << 1;
    QTest::newRow("fault garbage 0") << QByteArray("fault garbage 0") << 1;
    QTest::newRow("fault without kind") << QByteArray("noise 1\nfault") << 2;
    QTest::newRow("huge number") << QByteArray("noise 99999999999999999999") << 1;
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

void SimTest::scenarioStatements()
{
    Scenario s;
    std::string error;
    QVERIFY2(parseScenario("pacing off   # trailing comment\n"
                           "\tnoise 4\n"
                           "channel 2 17 145.5125 U att\n"
                           "channel 2 17 145.6 W\n"
                           "channel 4 0 0.1 -\n"
                           "signal 145.5 9\n"
                           "signal 14.2 6 on 0.5 off 1.25\n"
                           "fault chunked 3 20\n",
                           s, &error),
             error.c_str());
    QCOMPARE(s.pacing, false);
    QCOMPARE(s.noiseLevel, 4);
    QCOMPARE(s.memory.size(), size_t(2));
    QCOMPARE(s.memory.at(217).frequency, std::string("145.6")); // the later one wins
    QCOMPARE(s.memory.at(217).mode, 'W');
    QCOMPARE(s.memory.at(217).att, false);
    QCOMPARE(s.memory.at(400).mode, char(0));
    QCOMPARE(s.signals.size(), size_t(2));
    QCOMPARE(s.signals[1].frequencyMHz, 14.2);
    QCOMPARE(s.signals[1].level, 6);
    QCOMPARE(s.signals[1].onSeconds, 0.5);
    QCOMPARE(s.signals[1].offSeconds, 1.25);
    QCOMPARE(s.fault.kind, FaultKind::Chunked);
    QCOMPARE(s.fault.param, 3);
    QCOMPARE(s.fault.gapMs, 20);

    const struct
    {
        const char *text;
        FaultKind kind;
        int param;
    } faults[] = {{"fault none", FaultKind::None, 0},
                  {"fault noreply", FaultKind::NoReply, 0},
                  {"fault late 250", FaultKind::LateReply, 250},
                  {"fault garbage 12", FaultKind::Garbage, 12},
                  {"fault flood", FaultKind::Flood, 0}};
    for (const auto &f : faults) {
        QVERIFY2(parseScenario(f.text, s, &error), f.text);
        QCOMPARE(s.fault.kind, f.kind);
        QCOMPARE(s.fault.param, f.param);
        QVERIFY(s.memory.empty()); // a parse starts from nothing
    }
}

void SimTest::scenarioFiles()
{
    Scenario s;
    std::string error;
    const std::string sample = QFINDTESTDATA("../sim/scenarios/sample.scn").toStdString();
    QVERIFY2(loadScenarioFile(sample, s, &error), error.c_str());
    QVERIFY(s.memory.size() >= 10);
    QVERIFY(std::any_of(s.signals.begin(), s.signals.end(),
                        [](const Signal &sig) { return sig.onSeconds > 0; }));
    QVERIFY(std::any_of(s.memory.begin(), s.memory.end(),
                        [](const auto &m) { return m.second.att; }));

    QVERIFY(!loadScenarioFile("/nonexistent/dir/x.scn", s, &error));
    QVERIFY(error.find("/nonexistent/dir/x.scn") != std::string::npos);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString bad = QDir(dir.path()).filePath(QStringLiteral("bad.scn"));
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.write("noise 2\nchannel 1 2 3\n") > 0);
    f.close();
    QVERIFY(!loadScenarioFile(bad.toStdString(), s, &error));
    QVERIFY2(error.find("bad.scn: line 2: ") != std::string::npos, error.c_str());
    // A directory is not a scenario.
    QVERIFY(!loadScenarioFile(dir.path().toStdString(), s, &error));
}

QTEST_GUILESS_MAIN(SimTest)
#include "test_sim.moc"
