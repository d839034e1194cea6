// Serial link settings: line settings texts, port texts and handshaking codes, and their defaults.
#include "core/Clock.h"
#include "receiver/SerialPort.h"

#include <QtTest>

using namespace ze;

Q_DECLARE_METATYPE(QSerialPort::FlowControl)

namespace {

QString firstPort(int n)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineSettings_data();
    void lineSettings();
    void portTexts_data();
    void portTexts();
    void handshakingCodes_data();
    void handshakingCodes();
    void defaults();
};

void TestSerialPort::lineSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result"); // the settings as stored, or what a refusal names
    QTest::addColumn<double>("bits"); // per byte on the line; 0: refused

    auto row = [](const char *name, const QString &text, const char *result, double bits) {
        QTest::newRow(name) << text << result << bits;
    };
    row("offered 9600", "9600,n,8,2", "9600,n,8,2", 11);
    row("offered 4800", "4800,n,8,2", "4800,n,8,2", 11);
    row("upper-case parity", "9600,N,8,2", "9600,n,8,2", 11);
    row("even 7 1", "19200,e,7,1", "19200,e,7,1", 10);
    row("odd 5 1.5", "300,O,5,1.5", "300,o,5,1.5", 8.5);
    row("mark 8 1", "115200,m,8,1", "115200,m,8,1", 11);
    row("space 6 2", "1200,S,6,2", "1200,s,6,2", 10);
    row("blanks around parts", " 9600 , n , 8 , 2 ", "9600,n,8,2", 11);
    row("leading zero", "09600,n,8,2", "9600,n,8,2", 11);
    row("lowest speed", "50,n,8,1", "50,n,8,1", 10);
    row("highest speed", "4000000,n,8,1", "4000000,n,8,1", 10);

    row("empty", "", "empty", 0);
    row("blanks only", "   ", "empty", 0);
    row("three parts", "9600,n,8", "four parts", 0);
    row("five parts", "9600,n,8,2,1", "four parts", 0);
    row("trailing comma", "9600,n,8,2,", "four parts", 0);
    row("parity x", "9600,x,8,2", "Parity", 0);
    row("parity missing", "9600,,8,2", "Parity", 0);
    row("parity word", "9600,no,8,2", "Parity", 0);
    row("data 9", "9600,n,9,2", "Data bits", 0);
    row("data 4", "9600,n,4,2", "Data bits", 0);
    row("data 08", "9600,n,08,2", "Data bits", 0);
    row("stop 0", "9600,n,8,0", "Stop bits", 0);
    row("stop 2.0", "9600,n,8,2.0", "Stop bits", 0);
    row("speed letters", "abc,n,8,2", "Speed", 0);
    row("speed fraction", "9600.5,n,8,2", "Speed", 0);
    row("speed negative", "-9600,n,8,2", "Speed", 0);
    row("speed plus sign", "+9600,n,8,2", "Speed", 0);
    row("speed too low", "49,n,8,1", "Speed", 0);
    row("speed too high", "4000001,n,8,1", "Speed", 0);
    row("speed overflow", "99999999999999999999,n,8,2", "Speed", 0);
    row("speed blank inside", "96 00,n,8,2", "Speed", 0);
    row("line feed", "9600,n,8,2\n", "control", 0);
    row("tab", "9600,\tn,8,2", "control", 0);
}

void TestSerialPort::lineSettings()
{
    QFETCH(QString, text);
    QFETCH(QString, result);
    QFETCH(double, bits);

    QString error;
    const std::optional<LineSettings> parsed = parseLineSettings(text, &error);
    QCOMPARE(parsed.has_value(), bits > 0);
    if (parsed) {
        QCOMPARE(lineSettingsText(*parsed), result);
        QCOMPARE(parsed->bitsPerByte(), bits);
    } else {
        QVERIFY2(error.contains(result, Qt::CaseInsensitive), qPrintable(error));
        // Refusal without a place for the reason must not crash either.
        QVERIFY(!parseLineSettings(text).has_value());
    }

    // The link takes the settings, or keeps the ones it had.
    bool busy = false;
    ManualClock clock;
    SerialPort port(clock, busy);
    QVERIFY(port.setLineSettings(QStringLiteral("2400,e,7,1")));
    QCOMPARE(port.setLineSettings(text), bool(parsed));
    QCOMPARE(port.lineSettings(), parsed ? result : QStringLiteral("2400,e,7,1"));
}

void TestSerialPort::portTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("device"); // null: refused

    auto row = [](const char *name, const QString &text, const QString &device) {
        QTest::newRow(name) << text << device;
    };
    row("1", "1", firstPort(1));
    row("blanks around", " 2 ", firstPort(2));
    row("leading zero", "03", firstPort(3));
    row("256", "256", firstPort(256));
    row("usb path", "/dev/ttyUSB0", "/dev/ttyUSB0");
    row("by-id path", "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0",
        "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    row("bare name", "ttyACM1", "ttyACM1");
    row("windows name", "COM3", "COM3");

    const QString refused;
    row("empty", "", refused);
    row("blanks", "   ", refused);
    row("0", "0", refused);
    row("-1", "-1", refused);
    row("+1", "+1", refused);
    row("257", "257", refused);
    row("huge", "99999999999", refused);
    row("fraction", "1.5", refused);
    row("blank inside name", "abc def", refused);
    row("line feed", "1\n", refused);
    row("control in path", QStringLiteral("/dev/tty") + QChar(1), refused);
    row("starts with dot", ".ttyS0", refused);
    row("relative path", "dev/ttyS0", refused);
}

void TestSerialPort::portTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, device);

    QString error;
    const std::optional<QString> name = portDeviceName(text, &error);
    QCOMPARE(name.has_value(), !device.isNull());
    QCOMPARE(name.value_or(QString()), device);
    QCOMPARE(error.isEmpty(), !device.isNull());

    // The link takes the port, or keeps the one it had and gives the same reason.
    bool busy = false;
    ManualClock clock;
    SerialPort port(clock, busy);
    QVERIFY(port.setPort(QStringLiteral("4")));
    QString setError;
    QCOMPARE(port.setPort(text, &setError), !device.isNull());
    QCOMPARE(setError, error);
    QCOMPARE(port.portText(), device.isNull() ? QStringLiteral("4") : text.trimmed());
    QCOMPARE(port.deviceName(), device.isNull() ? firstPort(4) : device);
}

void TestSerialPort::handshakingCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QSerialPort::FlowControl>("flow");

    QTest::newRow("0 none") << 0 << true << QSerialPort::NoFlowControl;
    QTest::newRow("1 xon/xoff") << 1 << true << QSerialPort::SoftwareControl;
    QTest::newRow("2 rts/cts") << 2 << true << QSerialPort::HardwareControl;
    QTest::newRow("3 falls back to rts/cts") << 3 << true << QSerialPort::HardwareControl;
    QTest::newRow("-1") << -1 << false << QSerialPort::NoFlowControl;
    QTest::newRow("4") << 4 << false << QSerialPort::NoFlowControl;
    QTest::newRow("99") << 99 << false << QSerialPort::NoFlowControl;
}

void TestSerialPort::handshakingCodes()
{
    QFETCH(int, code);
    QFETCH(bool, accepted);
    QFETCH(QSerialPort::FlowControl, flow);

    QString error;
    const std::optional<QSerialPort::FlowControl> result = flowControlForCode(code, &error);
    QCOMPARE(result.has_value(), accepted);
    if (accepted)
        QCOMPARE(*result, flow);
    else
        QVERIFY(error.contains(QString::number(code)));

    bool busy = false;
    ManualClock clock;
    SerialPort port(clock, busy);
    QVERIFY(port.setHandshaking(1));
    QCOMPARE(port.setHandshaking(code), accepted);
    QCOMPARE(port.handshaking(), accepted ? code : 1);
}

void TestSerialPort::defaults()
{
    bool busy = false;
    ManualClock clock;
    SerialPort port(clock, busy);
    QCOMPARE(port.portText(), QStringLiteral("1"));
    QCOMPARE(port.lineSettings(), QStringLiteral("9600,n,8,2"));
    QCOMPARE(port.handshaking(), 2);
    QCOMPARE(port.tickMs(), qint64(1000));
    QVERIFY(!port.isOpen());
    QVERIFY(port.lastError().isEmpty());
    QCOMPARE(port.stateText(), firstPort(1) + QStringLiteral(" closed"));
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "test_serialport.moc"
