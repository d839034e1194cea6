// The serial link's settings texts as the options window and the stored settings give them: line
// settings, port texts and handshaking codes. A refused text leaves the link as it was.
#include "core/Clock.h"
#include "receiver/SerialPort.h"

#include <QtTest>

using namespace ze;

class TestSerialPort : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settings_data();
    void settings();
    void defaults();
};

void TestSerialPort::settings_data()
{
    QTest::addColumn<char>("kind"); // l line settings, p port, h handshaking code
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result"); // what the link then holds, or what the refusal names
    QTest::addColumn<bool>("accepted");
    auto row = [](const char *name, char kind, const QString &text, const char *result,
                  bool accepted) { QTest::newRow(name) << kind << text << result << accepted; };
    // Line settings, with the bits each byte takes on the line.
    row("offered 9600", 'l', "9600,n,8,2", "9600,n,8,2 11", true);
    row("upper-case parity", 'l', "9600,N,8,2", "9600,n,8,2 11", true);
    row("even 7 1", 'l', "19200,e,7,1", "19200,e,7,1 10", true);
    row("odd 5 1.5", 'l', "300,O,5,1.5", "300,o,5,1.5 8.5", true);
    row("blanks around parts", 'l', " 9600 , n , 8 , 2 ", "9600,n,8,2 11", true);
    row("empty", 'l', "", "empty", false);
    row("three parts", 'l', "9600,n,8", "four parts", false);
    row("trailing comma", 'l', "9600,n,8,2,", "four parts", false);
    row("parity word", 'l', "9600,no,8,2", "Parity", false);
    row("data 9", 'l', "9600,n,9,2", "Data bits", false);
    row("data 08", 'l', "9600,n,08,2", "Data bits", false);
    row("stop 2.0", 'l', "9600,n,8,2.0", "Stop bits", false);
    row("speed fraction", 'l', "9600.5,n,8,2", "Speed", false);
    row("speed too high", 'l', "4000001,n,8,1", "Speed", false);
    row("speed overflow", 'l', "99999999999999999999,n,8,2", "Speed", false);
    row("line feed", 'l', "9600,n,8,2\n", "control", false);
    // Port texts: a number n is the n-th built-in port, a device is used as it stands.
    row("port 1", 'p', "1", "/dev/ttyS0", true);
    row("port 03", 'p', "03", "/dev/ttyS2", true);
    row("usb path", 'p', "/dev/ttyUSB0", "/dev/ttyUSB0", true);
    row("by-id path", 'p', "/dev/serial/by-id/usb-FTDI-if00", "/dev/serial/by-id/usb-FTDI-if00",
        true);
    row("port 0", 'p', "0", "", false);
    row("port 257", 'p', "257", "", false);
    row("blank inside name", 'p', "abc def", "", false);
    row("control in path", 'p', QStringLiteral("/dev/tty") + QChar(1), "", false);
    row("relative path", 'p', "dev/ttyS0", "", false);
    // Handshaking codes: 3 falls back to RTS/CTS.
    row("code 0 none", 'h', "0", "0", true);
    row("code 1 xon/xoff", 'h', "1", "1", true);
    row("code 3", 'h', "3", "3", true);
    row("code -1", 'h', "-1", "-1", false);
    row("code 4", 'h', "4", "4", false);
}

void TestSerialPort::settings()
{
    QFETCH(char, kind);
    QFETCH(QString, text);
    QFETCH(QString, result);
    QFETCH(bool, accepted);
    bool busy = false;
    ManualClock clock;
    SerialPort port(clock, busy);
    QVERIFY(port.setLineSettings(QStringLiteral("2400,e,7,1")) && port.setPort(QStringLiteral("4"))
            && port.setHandshaking(2));
    QString error;
    if (kind == 'l') {
        const std::optional<LineSettings> parsed = parseLineSettings(text, &error);
        QCOMPARE(port.setLineSettings(text), accepted);
        QCOMPARE(port.lineSettings(), accepted ? result.section(u' ', 0, 0) : "2400,e,7,1");
        if (parsed)
            QCOMPARE(QStringLiteral("%1 %2")
                             .arg(lineSettingsText(*parsed))
                             .arg(parsed->bitsPerByte()),
                     result);
    } else if (kind == 'p') {
        QCOMPARE(port.setPort(text, &error), accepted);
        QCOMPARE(port.deviceName(), accepted ? result : QStringLiteral("/dev/ttyS3"));
        QCOMPARE(port.portText(), accepted ? text : QStringLiteral("4"));
    } else {
        QCOMPARE(port.setHandshaking(text.toInt(), &error), accepted);
        QCOMPARE(port.handshaking(), accepted ? text.toInt() : 2);
        const QSerialPort::FlowControl flows[]
                = {QSerialPort::NoFlowControl, QSerialPort::SoftwareControl,
                   QSerialPort::HardwareControl, QSerialPort::HardwareControl};
        if (accepted)
            QCOMPARE(flowControlForCode(text.toInt()).value_or(QSerialPort::FlowControl(-1)),
                     flows[text.toInt()]);
    }
    // A refusal says what was wrong; the table names a word it must contain.
    QCOMPARE(error.isEmpty(), accepted);
    if (!accepted && kind == 'l')
        QVERIFY2(error.contains(result, Qt::CaseInsensitive), qPrintable(error));
    if (!accepted && kind == 'h')
        QVERIFY2(error.contains(text), qPrintable(error));
}

void TestSerialPort::defaults()
{
    bool busy = false;
    ManualClock clock;
    SerialPort port(clock, busy);
    QCOMPARE(QStringLiteral("%1 %2 %3")
                     .arg(port.portText(), port.lineSettings())
                     .arg(port.handshaking()),
             QStringLiteral("1 9600,n,8,2 2"));
    QCOMPARE(port.tickMs(), qint64(1000));
    QVERIFY(!port.isOpen());
    QCOMPARE(port.stateText(), QStringLiteral("/dev/ttyS0 closed"));
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "test_serialport.moc"
