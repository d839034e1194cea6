// Other programs driving the station over TCP in the rig-control protocol, against the whole
// program in-process with the simulated receiver.
#include "UiFixture.h"
#include "remote/RigServer.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace ze;
using zetest::UiFixture;

namespace {

// Time for an answer that should not come to show that it does not.
constexpr int settleMs = 40;

// A client as the protocol's manual page describes one: a command a line; a get answers its
// values a line each, a set "RPRT 0", a failure "RPRT n" with n below 0.
class Client
{
public:
    explicit Client(int port) { socket.connectToHost(QHostAddress::LocalHost, quint16(port)); }
    bool connected()
    {
        return QTest::qWaitFor([this] { return socket.state() == QTcpSocket::ConnectedState; });
    }
    // Waits for as many bytes as the expected answer has, then for nothing more.
    QByteArray ask(const QByteArray &line, const QByteArray &expected)
    {
        socket.write(line + '\n');
        (void)QTest::qWaitFor([&] { return socket.bytesAvailable() >= expected.size(); });
        QTest::qWait(settleMs);
        return socket.readAll();
    }
    QTcpSocket socket;
};

bool sentOut(const UiFixture &f, const std::string &command)
{
    const auto sent = f.sent();
    return std::find(sent.begin(), sent.end(), command) != sent.end();
}

} // namespace

class TestNetwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void commands_data();
    void commands();
    void setsActLikeTheKeypad();
    void abusiveClientsDoNotStopTheScan();
    void optionsTurnItOnAndOff();

private:
    std::unique_ptr<UiFixture> m_f;
    std::unique_ptr<Client> m_client;
};

void TestNetwork::initTestCase()
{
    m_f = std::make_unique<UiFixture>();
    m_f->writeFile(QStringLiteral("scan.bnk"),
                   " 1 \t 1 \tN\t145.5000\t 0 \t 0 \t 0 \tOne\r\n"
                   " 1 \t 2 \tN\t145.6000\t 0 \t 0 \t 0 \tTwo\r\n");
    QVERIFY(m_f->startUp());
    QVERIFY(m_f->app->rigServer().apply({true, 0, false}));
    m_client = std::make_unique<Client>(m_f->app->rigServer().port());
    QVERIFY(m_client->connected());
}

void TestNetwork::commands_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("answer");
    // In order: the sets change what the later gets read.
    QTest::newRow("nothing tuned yet") << QByteArray("f") << QByteArray("0\n");
    QTest::newRow("set") << QByteArray("F 145500000") << QByteArray("RPRT 0\n");
    QTest::newRow("get") << QByteArray("f") << QByteArray("145500000\n");
    QTest::newRow("long name, 100 Hz")
            << QByteArray("\\set_freq 145512549.5") << QByteArray("RPRT 0\n");
    QTest::newRow("long get") << QByteArray("\\get_freq") << QByteArray("145512500\n");
    QTest::newRow("mode") << QByteArray("M AM 0") << QByteArray("RPRT 0\n");
    QTest::newRow("extended get") << QByteArray("+m")
                                  << QByteArray("get_mode:\nMode: AM\nPassband: 0\nRPRT 0\n");
    QTest::newRow("one-line extended")
            << QByteArray(";\\get_freq") << QByteArray("get_freq:;Frequency: 145512500;RPRT 0\n");
    QTest::newRow("extended set") << QByteArray("+M USB 2400")
                                  << QByteArray("set_mode: USB 2400\nRPRT 0\n");
    QTest::newRow("two on a line") << QByteArray("m v") << QByteArray("USB\n0\nVFOA\n");
    QTest::newRow("comment") << QByteArray("# f\n\\chk_vfo") << QByteArray("0\n");
    QTest::newRow("our VFO") << QByteArray("V VFOA") << QByteArray("RPRT 0\n");
    QTest::newRow("no second VFO") << QByteArray("V VFOB") << QByteArray("RPRT -11\n");
    QTest::newRow("no PTT") << QByteArray("T 1") << QByteArray("RPRT -11\n");
    QTest::newRow("unknown long") << QByteArray("\\get_powerstat") << QByteArray("RPRT -11\n");
    QTest::newRow("other level") << QByteArray("l AF") << QByteArray("RPRT -11\n");
    QTest::newRow("no argument") << QByteArray("F") << QByteArray("RPRT -1\n");
    QTest::newRow("not a number") << QByteArray("+F abc") << QByteArray("set_freq: abc\nRPRT -1\n");
    QTest::newRow("out of range") << QByteArray("F 3e9") << QByteArray("RPRT -1\n");
    QTest::newRow("unknown mode") << QByteArray("M XYZ 0") << QByteArray("RPRT -1\n");
    QTest::newRow("control bytes") << QByteArray("\x01\x02") << QByteArray("RPRT -1\n");
    QTest::newRow("unchanged by refusals")
            << QByteArray("f m") << QByteArray("145512500\nUSB\n0\n");
    const QByteArray dump = QByteArray("0\n2\n1\n100000.000000 2036000000.000000 0x6f -1 -1 0x1 "
                                       "0x1\n0 0 0 0 0 0 0\n0 0 0 0 0 0 0\n0x6f 100\n0 0\n0 0\n")
            + QByteArray("0\n").repeated(4) + "\n\n0x0\n0x0\n0x40000000\n0x0\n0x0\n0x0\n";
    QTest::newRow("state dump") << QByteArray("\\dump_state") << dump;
}

void TestNetwork::commands()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, answer);
    QCOMPARE(m_client->ask(line, answer), answer);
}

void TestNetwork::setsActLikeTheKeypad()
{
    UiFixture &f = *m_f;
    f.sim.setSignalLevelAt(145.5, 12);
    f.widget<QSlider>(QStringLiteral("hscrSquelch"))->setValue(12);
    f.app->station().SelectMode(ModeManualStart);
    f.runPasses(2);
    f.clearSent();
    QCOMPARE(m_client->ask("F 145500000", "RPRT 0\n"), QByteArray("RPRT 0\n"));
    // Shown at once, sent only by the next pass.
    QCOMPARE(f.text(QStringLiteral("lblFrequency")), QStringLiteral("145.5000"));
    QVERIFY(f.sent().empty());
    f.runPasses(1);
    QVERIFY(sentOut(f, "145.5000TU"));
    QCOMPARE(f.app->window().statusText(), QStringLiteral("Direct mode"));
    QCOMPARE(m_client->ask("l STRENGTH", "30\n"), QByteArray("30\n"));
    QCOMPARE(m_client->ask("M WFM 0", "RPRT 0\n"), QByteArray("RPRT 0\n"));
    QVERIFY(f.lit(QStringLiteral("lblMode(1)")));
    f.runPasses(1);
    QVERIFY(sentOut(f, "145.5000TW"));
    // A flood of sets between two passes costs the receiver one tuning.
    f.clearSent();
    for (int i = 0; i < 5; ++i)
        m_client->ask(QByteArray("F 14") + char('0' + i) + "000000", "RPRT 0\n");
    f.runPasses(1);
    QVERIFY(!sentOut(f, "143.0000TW") && sentOut(f, "144.0000TW"));
    // The operator's keypad between a set and its pass has the last word.
    m_client->ask("F 150000000", "RPRT 0\n");
    for (const int key : {15, 0, 3, 5, 11}) // Clear 1 4 6 Enter
        f.click(QStringLiteral("cmdDigits(%1)").arg(key));
    f.runPasses(1);
    QVERIFY(sentOut(f, "146TW") && !sentOut(f, "150.0000TW"));
}

void TestNetwork::abusiveClientsDoNotStopTheScan()
{
    UiFixture &f = *m_f;
    const int port = f.app->rigServer().port();
    f.sim.setSignalLevelAt(145.5, 0); // nothing holds the scan
    f.widget<QSlider>(QStringLiteral("hscrSquelch"))->setValue(0);
    f.widget<QCheckBox>(QStringLiteral("chkScan(1)"))->setChecked(true);
    Client silent(port), flood(port), garbage(port);
    QVERIFY(silent.connected() && flood.connected() && garbage.connected());
    QTRY_COMPARE(f.text(QStringLiteral("StatusBar1Network")),
                 QStringLiteral("Network %1: 4 clients").arg(port));
    // Never reads its answers; the garbage has no line end.
    flood.socket.write(QByteArray("f\n").repeated(128 * 1024));
    garbage.socket.write(QByteArray(RigServer::maxLineBytes * 2, 'x'));
    QTRY_COMPARE(garbage.socket.state(), QTcpSocket::UnconnectedState);
    f.click(QStringLiteral("cmdScanBanks"));
    f.clearSent();
    for (int i = 0; i < 20; ++i) {
        f.runPasses(1);
        QTest::qWait(5);
    }
    QVERIFY(sentOut(f, "145.5000NT") && sentOut(f, "145.6000NT"));
    QCOMPARE(int(f.app->station().state().operatingMode), int(ModeScanning));
    QCOMPARE(m_client->ask("v", "VFOA\n"), QByteArray("VFOA\n"));
}

void TestNetwork::optionsTurnItOnAndOff()
{
    UiFixture &f = *m_f;
    QTcpServer probe; // a port nobody listens on
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const int port = probe.serverPort();
    probe.close();
    f.app->window().openOptions();
    auto *on = f.widget<QCheckBox>(QStringLiteral("chkNetwork"));
    QVERIFY(on && on->isChecked());
    f.widget<QSpinBox>(QStringLiteral("txtNetworkPort"))->setValue(port);
    f.click(QStringLiteral("cmdOK"));
    QCOMPARE(f.text(QStringLiteral("StatusBar1Network")),
             QStringLiteral("Network %1: no clients").arg(port));
    QTRY_COMPARE(m_client->socket.state(), QTcpSocket::UnconnectedState);
    Client client(port);
    QVERIFY(client.connected());
    QCOMPARE(client.ask("\\get_vfo", "VFOA\n"), QByteArray("VFOA\n"));

    f.app->window().openOptions();
    on->setChecked(false);
    f.click(QStringLiteral("cmdOK"));
    QVERIFY(!f.lit(QStringLiteral("StatusBar1Network")));
    QTRY_COMPARE(client.socket.state(), QTcpSocket::UnconnectedState);
    // What a start-up reads back.
    QCOMPARE(NetworkSettings::read(f.app->station().settings()),
             (NetworkSettings {false, port, false}));
}

QTEST_MAIN(TestNetwork)
#include "test_network.moc"
