// Network clients as they come: bursts, half-closes, silent and slow ones, too many, floods that
// never read, and answers while the receiver keeps the station waiting. The whole program runs
// in-process; the clients are plain sockets.
#include "RawClient.h"
#include "UiFixture.h"

#include <QSlider>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace ze;
using zetest::RawClient;
using zetest::UiFixture;

namespace {

// Whether a fresh client is still served after what went before.
bool freshClientServed(int port)
{
    RawClient fresh(port);
    return fresh.send("\\get_vfo\n") && fresh.readLines(1) == "VFOA\n";
}

} // namespace

class TestClients : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_f.reset(); }
    void burstAndHalfClose();
    void idleAndSlowClientsGo();
    void tooManyAreToldWhy();
    void unreadAnswersEndTheClient();
    void noReceiver();
    void answersDoNotWaitForTheReceiver();
    void aSetWhereTheReceiverStandsCostsNothing();

private:
    int port() const { return m_f->app->rigServer().port(); }

    std::unique_ptr<UiFixture> m_f;
};

void TestClients::init()
{
    m_f = std::make_unique<UiFixture>();
    QVERIFY(m_f->startUp());
    QVERIFY(m_f->app->rigServer().apply({true, 0, false}));
}

void TestClients::burstAndHalfClose()
{
    // 480 short gets in one write get 480 answers, and the client is still served.
    RawClient burst(port());
    QVERIFY(burst.send(QByteArray("f\n").repeated(480)));
    QCOMPARE(burst.readLines(480).count('\n'), 480);
    QVERIFY(burst.send("v\n"));
    QCOMPARE(burst.readLines(1), QByteArray("VFOA\n"));
    // Lines that come with the half-close, the last one without its line end, are answered
    // before the close, as "printf ... | nc -q 1" sends them.
    RawClient half(port());
    QVERIFY(half.send("F 145600000\nf\nv"));
    half.finishSending();
    QByteArray answers;
    QVERIFY(half.waitForClose(5000, &answers));
    QCOMPARE(answers, QByteArray("RPRT 0\n145600000\nVFOA\n"));
    QTRY_COMPARE(m_f->app->rigServer().clientCount(), 1);
    QVERIFY(freshClientServed(port()));
}

void TestClients::idleAndSlowClientsGo()
{
    m_f->app->rigServer().setIdleLimitMs(300);
    QVERIFY(m_f->app->rigServer().apply({true, 0, false})); // the limit counts from a new start
    RawClient silent(port()), dripping(port()), talking(port());
    // One that talks within the limit stays; a byte now and then is no line.
    for (int i = 0; i < 8; ++i) {
        dripping.send("v");
        QVERIFY(talking.send("v\n"));
        QCOMPARE(talking.readLines(1), QByteArray("VFOA\n"));
        QTest::qWait(100);
    }
    QVERIFY(silent.waitForClose(1000) && dripping.waitForClose(1000));
    QVERIFY(talking.send("v\n"));
    QCOMPARE(talking.readLines(1), QByteArray("VFOA\n"));
    QVERIFY(freshClientServed(port()));
}

void TestClients::tooManyAreToldWhy()
{
    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < RigServer::maxClients; ++i)
        clients.push_back(std::make_unique<RawClient>(port()));
    QTRY_COMPARE(m_f->app->rigServer().clientCount(), RigServer::maxClients);
    RawClient late(port());
    QByteArray told;
    QVERIFY(late.waitForClose(5000, &told));
    QCOMPARE(told,
             QByteArray("Network control takes at most 16 clients at once; try again "
                        "later.\n"));
    // Gone, they free their places.
    clients.pop_back();
    QTRY_COMPARE(m_f->app->rigServer().clientCount(), RigServer::maxClients - 1);
    QVERIFY(freshClientServed(port()));
}

void TestClients::unreadAnswersEndTheClient()
{
    // Its answers fill a small receive buffer and then pile up on the server's side.
    RawClient flood(port(), 4096);
    for (int i = 0; i < 64 && !flood.closedByServer(); ++i) {
        if (!flood.send(QByteArray("\\dump_state\n").repeated(100)))
            break;
    }
    QTRY_COMPARE(m_f->app->rigServer().clientCount(), 0);
    QVERIFY(freshClientServed(port()));
}

void TestClients::noReceiver()
{
    m_f->app->serialPort().close();
    RawClient client(port());
    QVERIFY(client.send("l STRENGTH\nF 145500000\nM FM 0\nf\n"));
    // The last reading stays readable; what needs the receiver says it is not there.
    QCOMPARE(client.readLines(4), QByteArray("RPRT -6\nRPRT -6\nRPRT -6\n0\n"));
    m_f->app->serialPort().OpenPort();
    // A passband that is no number is one refusal, not a set and a stray command.
    QVERIFY(client.send("M FM abc\n"));
    QCOMPARE(client.readLines(1), QByteArray("RPRT -1\n"));
    QTest::qWait(40);
    QVERIFY(client.send("v\n"));
    QCOMPARE(client.readLines(1), QByteArray("VFOA\n"));
}

void TestClients::answersDoNotWaitForTheReceiver()
{
    UiFixture &f = *m_f;
    f.sim.setFault({zesim::FaultKind::NoReply, 0, 0});
    // Direct mode samples on every pass.
    f.click(QStringLiteral("cmdFrequencyUp"));
    std::atomic<bool> inPass {false};
    std::atomic<bool> passDone {false};
    std::atomic<int> answeredDuringPass {0};
    std::thread tracker([&] {
        RawClient client(port());
        while (!inPass)
            std::this_thread::yield();
        for (int i = 0; i < 5; ++i) {
            if (client.send("f\nl STRENGTH\n") && client.readLines(2).count('\n') == 2 && !passDone)
                ++answeredDuringPass;
        }
    });
    // A pass against a receiver that never answers waits out its exchanges; the clients are
    // answered meanwhile.
    inPass = true;
    f.runPasses(2);
    passDone = true;
    tracker.join();
    QCOMPARE(answeredDuringPass.load(), 5);
}

void TestClients::aSetWhereTheReceiverStandsCostsNothing()
{
    UiFixture &f = *m_f;
    RawClient client(port());
    // A tracker's Doppler steps of a few hertz fall on the receiver's 100 Hz step.
    QVERIFY(client.send("F 145500000\n"));
    QCOMPARE(client.readLines(1), QByteArray("RPRT 0\n"));
    QTRY_VERIFY(f.app->station().state().pendingTune.has_value());
    f.runPasses(1);
    f.clearSent();
    for (int hz = 145500001; hz <= 145500040; hz += 13) {
        QVERIFY(client.send("F " + QByteArray::number(hz) + "\n"));
        QCOMPARE(client.readLines(1), QByteArray("RPRT 0\n"));
        QTest::qWait(20);
        f.runPasses(1);
    }
    for (const std::string &command : f.sent())
        QVERIFY2(command == "Y" || command == "E" || command == "F", command.c_str());
}

QTEST_MAIN(TestClients)
#include "test_clients.moc"
