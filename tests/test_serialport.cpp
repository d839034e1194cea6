// The serial link's settings texts, typed or stored, and what "Test" finds on a port.
#include "Workspace.h"
#include "core/Clock.h"
#include "receiver/PortDiagnosis.h"
#include "receiver/SerialPort.h"

#include <QMetaEnum>
#include <QtTest>

using namespace ze;

class TestSerialPort : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settings_data();
    void settings();
    void defaults();
    void probe_data();
    void probe();
};

void TestSerialPort::settings_data()
{
    QTest::addColumn<char>("kind"); // l line settings, p port, h handshaking code
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result"); // what the link holds, or "refused: " and a word named
    auto row = [](const char *name, char kind, const QString &text, const QString &result) {
        QTest::newRow(name) << kind << text << result;
    };
    // Line settings, with the bits each byte takes on the line.
    row("blanks and upper-case parity", 'l', " 9600 , N , 8 , 2 ", "9600,n,8,2 11");
    row("even 7 1", 'l', "19200,e,7,1", "19200,e,7,1 10");
    row("odd 5 1.5", 'l', "300,O,5,1.5", "300,o,5,1.5 8.5");
    row("trailing comma", 'l', "9600,n,8,2,", "refused: four parts");
    row("parity word", 'l', "9600,no,8,2", "refused: Parity");
    row("data 08", 'l', "9600,n,08,2", "refused: Data bits");
    row("stop 2.0", 'l', "9600,n,8,2.0", "refused: Stop bits");
    row("speed with a sign", 'l', "+9600,n,8,2", "refused: Speed");
    row("speed too high", 'l', "4000001,n,8,1", "refused: Speed");
    row("line feed", 'l', "9600,n,8,2\n", "refused: control");
    // Port texts: a number n is the n-th built-in port, a device is used as it stands.
    row("port 03", 'p', "03", "03 /dev/ttyS2");
    row("device name", 'p', "ttyUSB0", "ttyUSB0 ttyUSB0");
    row("port 0", 'p', "0", "refused: out of range");
    row("port 257", 'p', "257", "refused: out of range");
    row("control in path", 'p', QStringLiteral("/dev/tty") + QChar(1), "refused: control");
    row("relative path", 'p', "dev/ttyS0", "refused: not a port number");
    // Handshaking codes: 3 falls back to RTS/CTS.
    row("code 0", 'h', "0", "0 NoFlowControl");
    row("code 1", 'h', "1", "1 SoftwareControl");
    row("code 3", 'h', "3", "3 HardwareControl");
    row("code 4", 'h', "4", "refused: 4");
}

void TestSerialPort::settings()
{
    QFETCH(char, kind);
    QFETCH(QString, text);
    QFETCH(QString, result);
    const bool accepted = !result.startsWith(QStringLiteral("refused: "));
    ManualClock clock;
    SerialPort port(clock);
    QVERIFY(port.setLineSettings(QStringLiteral("2400,e,7,1")) && port.setPort(QStringLiteral("4"))
            && port.setHandshaking(2));
    // What the link holds of that kind; a refused text leaves it as it was.
    auto held = [&]() -> QString {
        const double bits = parseLineSettings(port.lineSettings())->bitsPerByte();
        const auto flows = QMetaEnum::fromType<QSerialPort::FlowControl>();
        const char *flow = flows.valueToKey(*flowControlForCode(port.handshaking()));
        return kind == 'l'    ? QStringLiteral("%1 %2").arg(port.lineSettings()).arg(bits)
                : kind == 'p' ? port.portText() + u' ' + port.deviceName()
                              : QStringLiteral("%1 %2").arg(port.handshaking()).arg(flow);
    };
    const QString before = held();
    QString error;
    QCOMPARE(kind == 'l'           ? port.setLineSettings(text, &error)
                     : kind == 'p' ? port.setPort(text, &error)
                                   : port.setHandshaking(text.toInt(), &error),
             accepted);
    QCOMPARE(held(), accepted ? result : before);
    if (!accepted)
        QVERIFY2(error.contains(result.mid(9), Qt::CaseInsensitive), qPrintable(error));
}

void TestSerialPort::defaults()
{
    ManualClock clock;
    const SerialPort port(clock);
    QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(port.portText(), port.lineSettings(), port.stateText())
                     .arg(port.handshaking())
                     .arg(port.tickMs()),
             QStringLiteral("1 9600,n,8,2 /dev/ttyS0 closed 2 1000"));
}

void TestSerialPort::probe_data()
{
    QTest::addColumn<char>("situation"); // answering, silent, or held open by another
    QTest::addColumn<QString>("said");
    QTest::newRow("answer") << 'a' << "receiver answered \"G\\r\\n>\": signal level 6 of 15.";
    QTest::newRow("silence") << 's' << "No reply on";
    QTest::newRow("busy") << 'b' << "busy (in use by this program (process";
}

void TestSerialPort::probe()
{
    QFETCH(char, situation);
    QFETCH(QString, said);
    zetest::Workspace space(true);
    const QString link = space.path(QStringLiteral("receiver"));
    space.sim.setNoiseLevel(6);
    space.sim.setFault({situation == 's' ? zesim::FaultKind::NoReply : zesim::FaultKind::None});
    QSerialPort holder(link);
    QVERIFY(situation != 'b' || holder.open(QIODevice::ReadWrite));
    ManualClock clock;
    const QString words = probePort(link, QStringLiteral("9600,n,8,2"), clock, 100);
    QVERIFY2(words.contains(said), qPrintable(words));
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "test_serialport.moc"
