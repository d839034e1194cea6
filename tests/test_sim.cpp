// The simulated receiver as the program at the other end of the line sees it.

#include "Workspace.h"
#include "core/Clock.h"
#include <QSerialPort>

#include <QElapsedTimer>
#include <QtTest>

using namespace zesim;

namespace {

const QString plain("\r\n>");

// A plain serial line to the receiver, with the program's settings: 9600 baud, 8N2. The
// program's own port sends only commands it can build; here anything goes.
struct Line : zetest::Workspace
{
    Line()
        : Workspace(true)
        , port(path(QStringLiteral("receiver")))
    {
        if (receiverStarted && port.open(QIODevice::ReadWrite)) {
            port.setBaudRate(9600);
            port.setDataBits(QSerialPort::Data8);
            port.setParity(QSerialPort::NoParity);
            port.setStopBits(QSerialPort::TwoStop);
        }
    }
    QString exchange(const QByteArray &command)
    {
        port.write(command + '\r');
        QByteArray reply;
        while (!reply.contains('>') && port.waitForReadyRead(2000))
            reply += port.readAll();
        return QString::fromLatin1(reply);
    }

    QSerialPort port;
};

} // namespace

class SimTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replies_data();
    void replies();
    void scenarios_data();
    void scenarios();
};

void SimTest::replies_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("tuned"); // frequency, mode, attenuator R or T afterwards
    auto row = [](const char *setup, const char *command, const char *reply, const char *tuned) {
        QTest::addRow("%s, %s", setup, command)
                << QByteArray(setup) << QByteArray(command) << QString(reply) << QString(tuned);
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
    QFETCH(QString, reply);
    QFETCH(QString, tuned);
    // Paced by default; comments, blanks and tabs skipped; the later of two statements wins.
    Line line;
    Scenario scenario;
    QVERIFY(parseScenario("# receiver\n\n\tnoise 3   # quiet\nsignal 145.5009 12\n"
                          "signal 145.5 14\nchannel 1 7 433.5 U att\n"
                          "channel 1 7 145.5000 N\n",
                          scenario, nullptr));
    line.sim.setScenario(scenario);
    line.sim.setSignalLevelAt(145.5, 9); // replaces the 14
    for (const QByteArray &command : setup.split('|'))
        QCOMPARE(line.exchange(command), plain);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(line.exchange(command), reply);
    // The command with its CR, then the reply, each byte taking its 11 bits (8N2) at 9600 baud.
    const qint64 least = (command.size() + 1 + reply.size()) * 11 * 1000 / 9600;
    QVERIFY2(timer.elapsed() >= least, qPrintable(QString::number(timer.elapsed())));
    // Nothing may follow the prompt: it would lead the next reply.
    QCOMPARE(line.exchange("E"), plain);
    const char att = line.sim.attenuator() ? 'R' : 'T';
    if (!tuned.isEmpty())
        QCOMPARE(QString::fromStdString(line.sim.tunedFrequency() + ' ' + line.sim.mode() + ' '
                                        + att),
                 tuned);
}

void SimTest::scenarios_data()
{
    QTest::addColumn<QByteArray>("text");
    // The fault, pacing and what the memory and signals hold, or the line of the first error.
    QTest::addColumn<QString>("taken");
    auto row = [](const char *text, const char *taken) {
        QTest::newRow(text) << QByteArray(text) << QString(taken);
    };
    row("fault late 600", "2 600 0, paced, 0 channels, 0 signals");
    row("fault garbage 40", "3 40 0, paced, 0 channels, 0 signals");
    row("fault chunked 5 40", "4 5 40, paced, 0 channels, 0 signals");
    row("fault flood\npacing off", "5 0 0, unpaced, 0 channels, 0 signals");
    row("fault doubled", "6 0 0, paced, 0 channels, 0 signals");
    row("fault noreply\nfault none\npacing off\npacing on", "0 0 0, paced, 0 channels, 0 signals");
    row("channel 4 99 1296.125 - att\nsignal 1.5 15 on 0.5 off 1",
        "0 0 0, paced, 1 channels, 1 signals");
    row("bogus", "line 1");
    row("# comments and blanks count\n\nnoise x", "line 3");
    row("noise 16", "line 1");
    row("noise 1 2", "line 1");
    row("channel 1 1 145.5", "line 1");
    row("fault explode", "line 1");
    row("channel 1 1 145.5 Q", "line 1");
    QTest::newRow("binary") << QByteArray("noise 1\n\x01\xff\x00zz", 12) << "line 2";
}

void SimTest::scenarios()
{
    QFETCH(QByteArray, text);
    Scenario s;
    s.noiseLevel = 7;
    std::string error;
    if (!parseScenario(text.toStdString(), s, &error)) {
        QCOMPARE(s.noiseLevel, 7); // untouched
        QTEST(QString::fromStdString(error).section(u':', 0, 0), "taken");
        return;
    }
    QTEST(QStringLiteral("%1 %2 %3, %4, %5 channels, %6 signals")
                  .arg(int(s.fault.kind))
                  .arg(s.fault.param)
                  .arg(s.fault.gapMs)
                  .arg(s.pacing ? "paced" : "unpaced")
                  .arg(s.memory.size())
                  .arg(s.signals.size()),
          "taken");
}

QTEST_GUILESS_MAIN(SimTest)
#include "test_sim.moc"
