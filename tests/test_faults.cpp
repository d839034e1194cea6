// Line and device faults in every operating mode, through the real windows: no crash, hang or
// spin, the state shown, the mode going on once the device is back, the operator's files intact.
#include "UiFixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QtTest>

#include <ctime>

using namespace ze;

namespace {

// Name, the button that starts the mode (memory: in the bank editor), the status panel after the
// fault, and what the receiver gets once the mode goes on.
const char *const modes[] = {"idle|||^$",
                             "direct|cmdFrequencyUp|Direct mode|Y\r",
                             "manual|cmdChannelUp|Manual mode|Y\r",
                             "bank scan|cmdScanBanks|Scanning mode|145.5000NT\r",
                             "range search|cmdSearchScan|Scanning range|1\\d\\d\\.\\d+A\r",
                             "memory read|cmdReadBanks|Reading bank  4 channel  99|\r 99Z\r",
                             "memory write|cmdStoreBanks|Writing  4 channel  99|\r90M145"};
const char *const faultNames[] = {"no reply", "late reply", "garbage",     "1-byte chunks",
                                  "flood",    "hang-up",    "path removed"};
enum { Idle, Read = 5, Write };
enum { Flood = 4, HangUp, PathRemoved }; // the first five in the order of the sim's faults

qint64 threadCpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

QByteArray filesSnapshot(const zetest::Workspace &w)
{
    QByteArray all; // the link to the receiver left out
    for (const QString &name : QDir(w.dir()).entryList(QDir::Files | QDir::NoSymLinks, QDir::Name))
        all += name.toUtf8() + '/' + w.readFile(name);
    return all;
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void faults_data();
    void faults();
    void silentReceiverIsToldAndAskedNowAndThen();
    void nothingToSendWaitsForTheOperator();
};

void TestFaults::faults_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("fault");
    for (int mode = Idle; mode <= Write; ++mode)
        for (int fault = 0; fault <= PathRemoved; ++fault)
            QTest::addRow("%s, %s", qPrintable(QString(modes[mode]).section(u'|', 0, 0)),
                          faultNames[fault])
                    << mode << fault;
}

void TestFaults::faults()
{
    QFETCH(int, mode);
    QFETCH(int, fault);
    zetest::UiFixture f;
    f.writeFile(QStringLiteral("alpha.bnk"),
                " 1 \t 1 \tN\t145.5000\t 0 \t 0 \t 0 \tOne\r\n"
                " 4 \t 90 \tN\t145.5000\t 0 \t 0 \t 0 \tLast\r\n");
    f.writeFile(QStringLiteral("range.rng"), "118\t137\tA\t0.025\tAir band\r\n");
    QVERIFY(f.startUp());
    ControlLoop &loop = f.app->loop();
    SerialPort &port = f.app->serialPort();
    const qint16 &operatingMode = f.app->station().state().operatingMode;
    loop.setReconnectIntervalMs(50);
    loop.setProbeIntervalMs(50);
    f.widget<QComboBox>(QStringLiteral("cmbDelay"))->setCurrentIndex(0); // garbage: short holds
    f.widget<QComboBox>(QStringLiteral("cmbRangeLijst"))->setCurrentIndex(0);
    const QStringList row = QString::fromLatin1(modes[mode]).split(u'|');
    const bool memory = mode >= Read;
    if (mode != Idle)
        f.click(memory ? QStringLiteral("cmdEditBanks") : row.at(1));
    f.runPasses(3);
    const int standing = operatingMode;
    const QByteArray files = filesSnapshot(f);

    // A short limit keeps a read's 404 exchanges quick; waits and floods take the line's time.
    const qint64 tick = mode == Read ? 1 : 20;
    port.setTickMs(tick);
    f.sim.setPacing(mode != Read || fault == Flood);
    const int params[] = {0, int(6 * tick), 40, 1, 0};
    if (fault == HangUp)
        f.sim.hangUp();
    else if (fault == PathRemoved)
        f.sim.removeLink();
    else
        f.sim.setFault({zesim::FaultKind(fault + 1), params[fault], int(tick / 4)});
    QElapsedTimer sinceEvents;
    qint64 longestGap = 0; // the longest time the windows went without their events
    QTimer probe;
    probe.callOnTimeout([&] { longestGap = std::max(longestGap, sinceEvents.restart()); });
    sinceEvents.start();
    probe.start(20);
    if (memory) { // a transfer runs timers: the line mends in its course, to save time
        QTimer::singleShot(250, [&] { f.sim.clearFault(); });
        f.click(row.at(1));
    }
    QElapsedTimer wall; // from the fault, or from the end of the transfer it met
    wall.start();
    const qint64 cpuStart = threadCpuMs();
    QTimer::singleShot(200, &loop, &ControlLoop::stop);
    loop.run();
    const qint64 cpu = threadCpuMs() - cpuStart;
    // Without a link there is nothing to do; on a faulty line the loop waits part of the time.
    QVERIFY2(cpu * (fault == HangUp ? 5 : 2) < wall.elapsed(), qPrintable(QString::number(cpu)));
    // A pass makes at most four exchanges; a transfer lets the windows paint after each one.
    QVERIFY2(longestGap <= 8 * tick + 300, qPrintable(QString::number(longestGap)));
    const QString portPanel = f.text(QStringLiteral("StatusBar1Port"));
    QVERIFY2(portPanel.contains(QLatin1String(fault == HangUp ? ": device not found" // tried again
                                                              : " 9600,n,8,2")),
             qPrintable(portPanel));
    QCOMPARE(f.app->window().statusText(), row.at(2));

    port.setTickMs(20);
    f.sim.clearFault();
    f.sim.setPacing(false);
    QVERIFY(fault != HangUp || f.sim.comeBack());
    QVERIFY(fault != PathRemoved
            || f.sim.setLinkPath(f.path(QStringLiteral("receiver")).toStdString()));
    f.clearSent();
    auto wentOn = [&, goesOn = QRegularExpression(row.at(3))] {
        return port.isOpen()
                && goesOn.match(QString::fromStdString(f.sim.receivedBytes())).hasMatch();
    };
    QTimer watcher;
    watcher.callOnTimeout([&] {
        if (memory && !wentOn())
            f.click(row.at(1)); // the operator tries again
        if (wentOn() || wall.elapsed() > 5000)
            loop.stop();
    });
    wall.restart();
    watcher.start(10);
    loop.run();
    QVERIFY2(wentOn(), qPrintable(f.text(QStringLiteral("StatusBar1Port"))));
    QCOMPARE(int(operatingMode), standing);
    QVERIFY(filesSnapshot(f) == files);
}

void TestFaults::silentReceiverIsToldAndAskedNowAndThen()
{
    zetest::UiFixture f;
    f.writeFile(QStringLiteral("alpha.bnk"), " 1 \t 1 \tN\t145.5000\t 0 \t 0 \t 0 \tOne\r\n");
    QVERIFY(f.startUp());
    ControlLoop &loop = f.app->loop();
    f.app->serialPort().setTickMs(50);
    loop.setProbeIntervalMs(200);
    f.click(QStringLiteral("cmdScanBanks"));
    f.sim.setFault({zesim::FaultKind::NoReply, 0, 0});
    const auto runUntil = [&](auto done) {
        QTimer watch;
        QElapsedTimer wall;
        wall.start();
        watch.callOnTimeout([&] {
            if (done() || wall.elapsed() > 5000)
                loop.stop();
        });
        watch.start(10);
        loop.run();
        return done();
    };
    const auto told = [&] {
        return f.text(QStringLiteral("StatusBar1Port")).contains(QLatin1String("no reply"));
    };
    // One pass whose every exchange ran out of time tells it.
    QVERIFY(runUntil(told));
    // Then the receiver is asked now and then, and nothing else is sent.
    f.clearSent();
    QTimer::singleShot(1000, &loop, &ControlLoop::stop);
    loop.run();
    const auto sent = f.sent();
    QVERIFY2(!sent.empty() && sent.size() <= 6, qPrintable(QString::number(sent.size())));
    QVERIFY(std::all_of(sent.begin(), sent.end(), [](const std::string &c) { return c == "Y"; }));
    QCOMPARE(int(f.app->station().state().operatingMode), int(ModeScanning));
    // Its first reply: the scan goes on where it stood, and the panel says so.
    f.sim.clearFault();
    f.clearSent();
    QVERIFY(runUntil([&] {
        const auto now = f.sent();
        return std::find(now.begin(), now.end(), "145.5000NT") != now.end();
    }));
    QVERIFY(!told());
}

void TestFaults::nothingToSendWaitsForTheOperator()
{
    zetest::UiFixture f;
    QVERIFY(f.startUp());
    // No bank ticked: the scan goes round the banks without a command to send.
    for (int bank = 1; bank <= 4; ++bank)
        f.widget<QAbstractButton>(QStringLiteral("chkScan(%1)").arg(bank))->setChecked(false);
    f.click(QStringLiteral("cmdScanBanks"));
    QElapsedTimer wall;
    wall.start();
    const qint64 cpuStart = threadCpuMs();
    QTimer::singleShot(300, &f.app->loop(), &ControlLoop::stop);
    f.app->loop().run();
    const qint64 cpu = threadCpuMs() - cpuStart;
    QVERIFY2(cpu * 5 < wall.elapsed(), qPrintable(QString::number(cpu)));
    QVERIFY(f.sent().empty());
    QCOMPARE(int(f.app->station().state().operatingMode), int(ModeScanning));
}

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
