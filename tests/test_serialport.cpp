// Serial link settings: line settings texts, port texts and handshaking codes, and the link's
// behaviour while no device is open.
#include "core/Clock.h"
#include "receiver/SerialPort.h"

#include <QSignalSpy>
#include <QtTest>

using namespace ze;

Q_DECLARE_METATYPE(QSerialPort::Parity)
Q_DECLARE_METATYPE(QSerialPort::DataBits)
Q_DECLARE_METATYPE(QSerialPort::StopBits)
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
    void acceptedLineSettings_data();
    void acceptedLineSettings();
    void refusedLineSettings_data();
    void refusedLineSettings();
    void acceptedPortTexts_data();
    void acceptedPortTexts();
    void refusedPortTexts_data();
    void refusedPortTexts();
    void handshakingCodes_data();
    void handshakingCodes();
    void firstStartDefaults();
    void refusedSettingsKeepThePreviousOnes();
    void acceptedSettingsAreKept();
    void exchangeOnClosedPort();
    void busyRuleOnClosedPort();
    void resetOnClosedPort_data();
    void resetOnClosedPort();
};

void TestSerialPort::acceptedLineSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QSerialPort::Parity>("parity");
    QTest::addColumn<QSerialPort::DataBits>("data");
    QTest::addColumn<QSerialPort::StopBits>("stop");
    QTest::addColumn<double>("bits");
    QTest::addColumn<QString>("canonical");

    QTest::newRow("offered 9600") << "9600,n,8,2" << 9600 << QSerialPort::NoParity
                                  << QSerialPort::Data8 << QSerialPort::TwoStop << 11.0
                                  << "9600,n,8,2";
    QTest::newRow("offered 4800") << "4800,n,8,2" << 4800 << QSerialPort::NoParity
                                  << QSerialPort::Data8 << QSerialPort::TwoStop << 11.0
                                  << "4800,n,8,2";
    QTest::newRow("upper-case parity")
            << "9600,N,8,2" << 9600 << QSerialPort::NoParity << QSerialPort::Data8
            << QSerialPort::TwoStop << 11.0 << "9600,n,8,2";
    QTest::newRow("even 7 1") << "19200,e,7,1" << 19200 << QSerialPort::EvenParity
                              << QSerialPort::Data7 << QSerialPort::OneStop << 10.0
                              << "19200,e,7,1";
    QTest::newRow("odd 5 1.5") << "300,O,5,1.5" << 300 << QSerialPort::OddParity
                               << QSerialPort::Data5 << QSerialPort::OneAndHalfStop << 8.5
                               << "300,o,5,1.5";
    QTest::newRow("mark 8 1") << "115200,m,8,1" << 115200 << QSerialPort::MarkParity
                              << QSerialPort::Data8 << QSerialPort::OneStop << 11.0
                              << "115200,m,8,1";
    QTest::newRow("space 6 2") << "1200,S,6,2" << 1200 << QSerialPort::SpaceParity
                               << QSerialPort::Data6 << QSerialPort::TwoStop << 10.0
                               << "1200,s,6,2";
    QTest::newRow("blanks around parts")
            << " 9600 , n , 8 , 2 " << 9600 << QSerialPort::NoParity << QSerialPort::Data8
            << QSerialPort::TwoStop << 11.0 << "9600,n,8,2";
    QTest::newRow("leading zero") << "09600,n,8,2" << 9600 << QSerialPort::NoParity
                                  << QSerialPort::Data8 << QSerialPort::TwoStop << 11.0
                                  << "9600,n,8,2";
    QTest::newRow("lowest speed") << "50,n,8,1" << 50 << QSerialPort::NoParity << QSerialPort::Data8
                                  << QSerialPort::OneStop << 10.0 << "50,n,8,1";
    QTest::newRow("highest speed")
            << "4000000,n,8,1" << 4000000 << QSerialPort::NoParity << QSerialPort::Data8
            << QSerialPort::OneStop << 10.0 << "4000000,n,8,1";
}

void TestSerialPort::acceptedLineSettings()
{
    QFETCH(QString, text);
    QFETCH(int, baud);
    QFETCH(QSerialPort::Parity, parity);
    QFETCH(QSerialPort::DataBits, data);
    QFETCH(QSerialPort::StopBits, stop);
    QFETCH(double, bits);
    QFETCH(QString, canonical);

    QString error = QStringLiteral("untouched");
    const std::optional<LineSettings> s = parseLineSettings(text, &error);
    QVERIFY2(s.has_value(), qPrintable(error));
    QCOMPARE(s->baudRate, baud);
    QCOMPARE(s->parity, parity);
    QCOMPARE(s->dataBits, data);
    QCOMPARE(s->stopBits, stop);
    QCOMPARE(s->bitsPerByte(), bits);
    QCOMPARE(lineSettingsText(*s), canonical);
}

void TestSerialPort::refusedLineSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("errorMentions");

    QTest::newRow("empty") << ""
                           << "empty";
    QTest::newRow("blanks only") << "   "
                                 << "empty";
    QTest::newRow("speed only") << "9600"
                                << "four parts";
    QTest::newRow("three parts") << "9600,n,8"
                                 << "four parts";
    QTest::newRow("five parts") << "9600,n,8,2,1"
                                << "four parts";
    QTest::newRow("trailing comma") << "9600,n,8,2,"
                                    << "four parts";
    QTest::newRow("semicolons") << "9600;n;8;2"
                                << "four parts";
    QTest::newRow("parity x") << "9600,x,8,2"
                              << "Parity";
    QTest::newRow("parity missing") << "9600,,8,2"
                                    << "Parity";
    QTest::newRow("parity word") << "9600,no,8,2"
                                 << "Parity";
    QTest::newRow("data 9") << "9600,n,9,2"
                            << "Data bits";
    QTest::newRow("data 4") << "9600,n,4,2"
                            << "Data bits";
    QTest::newRow("data 08") << "9600,n,08,2"
                             << "Data bits";
    QTest::newRow("stop 3") << "9600,n,8,3"
                            << "Stop bits";
    QTest::newRow("stop 0") << "9600,n,8,0"
                            << "Stop bits";
    QTest::newRow("stop 2.0") << "9600,n,8,2.0"
                              << "Stop bits";
    QTest::newRow("speed letters") << "abc,n,8,2"
                                   << "Speed";
    QTest::newRow("speed fraction") << "9600.5,n,8,2"
                                    << "Speed";
    QTest::newRow("speed negative") << "-9600,n,8,2"
                                    << "Speed";
    QTest::newRow("speed plus sign") << "+9600,n,8,2"
                                     << "Speed";
    QTest::newRow("speed exponent") << "1e4,n,8,2"
                                    << "Speed";
    QTest::newRow("speed zero") << "0,n,8,2"
                                << "Speed";
    QTest::newRow("speed too low") << "49,n,8,1"
                                   << "Speed";
    QTest::newRow("speed too high") << "4000001,n,8,1"
                                    << "Speed";
    QTest::newRow("speed overflow") << "99999999999999999999,n,8,2"
                                    << "Speed";
    QTest::newRow("speed blank inside") << "96 00,n,8,2"
                                        << "Speed";
    QTest::newRow("line feed") << "9600,n,8,2\n"
                               << "control";
    QTest::newRow("tab") << "9600,\tn,8,2"
                         << "control";
}

void TestSerialPort::refusedLineSettings()
{
    QFETCH(QString, text);
    QFETCH(QString, errorMentions);

    QString error;
    QVERIFY(!parseLineSettings(text, &error).has_value());
    QVERIFY2(error.contains(errorMentions, Qt::CaseInsensitive), qPrintable(error));
    // Refusal without a place for the reason must not crash either.
    QVERIFY(!parseLineSettings(text).has_value());
}

void TestSerialPort::acceptedPortTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("device");

    QTest::newRow("1") << "1" << firstPort(1);
    QTest::newRow("4") << "4" << firstPort(4);
    QTest::newRow("blanks around") << " 2 " << firstPort(2);
    QTest::newRow("leading zero") << "03" << firstPort(3);
    QTest::newRow("256") << "256" << firstPort(256);
    QTest::newRow("usb path") << "/dev/ttyUSB0"
                              << "/dev/ttyUSB0";
    QTest::newRow("by-id path") << "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A601-if00-port0"
                                << "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A601-if00-port0";
    QTest::newRow("pseudo-terminal") << "/dev/pts/3"
                                     << "/dev/pts/3";
    QTest::newRow("bare name") << "ttyUSB0"
                               << "ttyUSB0";
    QTest::newRow("bare acm") << "ttyACM1"
                              << "ttyACM1";
    QTest::newRow("windows name") << "COM3"
                                  << "COM3";
}

void TestSerialPort::acceptedPortTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, device);

    QString error;
    const std::optional<QString> name = portDeviceName(text, &error);
    QVERIFY2(name.has_value(), qPrintable(error));
    QCOMPARE(*name, device);
}

void TestSerialPort::refusedPortTexts_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("0") << "0";
    QTest::newRow("00") << "00";
    QTest::newRow("-1") << "-1";
    QTest::newRow("+1") << "+1";
    QTest::newRow("257") << "257";
    QTest::newRow("huge") << "99999999999";
    QTest::newRow("fraction") << "1.5";
    QTest::newRow("blank inside name") << "abc def";
    QTest::newRow("line feed") << "1\n";
    QTest::newRow("tab inside") << "tty\tS0";
    QTest::newRow("control in path") << QStringLiteral("/dev/tty") + QChar(1);
    QTest::newRow("starts with dot") << ".ttyS0";
    QTest::newRow("relative path") << "dev/ttyS0";
}

void TestSerialPort::refusedPortTexts()
{
    QFETCH(QString, text);

    QString error;
    QVERIFY(!portDeviceName(text, &error).has_value());
    QVERIFY(!error.isEmpty());

    bool busy = false;
    ManualClock clock;
    SerialPort port(clock, busy);
    QString setError;
    QVERIFY(!port.setPort(text, &setError));
    QCOMPARE(setError, error);
    QCOMPARE(port.portText(), QStringLiteral("1"));
    QCOMPARE(port.deviceName(), firstPort(1));
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
    if (accepted) {
        QCOMPARE(*result, flow);
    } else {
        QVERIFY(error.contains(QString::number(code)));
    }

    bool busy = false;
    ManualClock clock;
    SerialPort port(clock, busy);
    QCOMPARE(port.setHandshaking(code), accepted);
    QCOMPARE(port.handshaking(), accepted ? code : 2);
}

void TestSerialPort::firstStartDefaults()
{
    bool busy = false;
    ManualClock clock;
    SerialPort port(clock, busy);
    QCOMPARE(port.portText(), QStringLiteral("1"));
    QCOMPARE(port.deviceName(), firstPort(1));
    QCOMPARE(port.lineSettings(), QStringLiteral("9600,n,8,2"));
    QCOMPARE(port.handshaking(), 2);
    QVERIFY(!port.isOpen());
    QVERIFY(port.lastError().isEmpty());
    QCOMPARE(port.tickMs(), qint64(1000));
    QCOMPARE(port.stateText(), firstPort(1) + QStringLiteral(" closed"));
}

void TestSerialPort::refusedSettingsKeepThePreviousOnes()
{
    bool busy = false;
    ManualClock clock;
    SerialPort port(clock, busy);
    QVERIFY(port.setLineSettings(QStringLiteral("4800,n,8,2")));
    QVERIFY(port.setPort(QStringLiteral("/dev/ttyUSB0")));

    QString error;
    QVERIFY(!port.setLineSettings(QStringLiteral("9600,n,9,2"), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(port.lineSettings(), QStringLiteral("4800,n,8,2"));
    QVERIFY(!port.setPort(QStringLiteral("1.5"), &error));
    QCOMPARE(port.deviceName(), QStringLiteral("/dev/ttyUSB0"));
    QVERIFY(!port.setHandshaking(7, &error));
    QCOMPARE(port.handshaking(), 2);
}

void TestSerialPort::acceptedSettingsAreKept()
{
    bool busy = false;
    ManualClock clock;
    SerialPort port(clock, busy);
    QVERIFY(port.setLineSettings(QStringLiteral(" 19200 , E ,7, 1 ")));
    QCOMPARE(port.lineSettings(), QStringLiteral("19200,e,7,1"));
    QVERIFY(port.setPort(QStringLiteral(" 3 ")));
    QCOMPARE(port.portText(), QStringLiteral("3"));
    QCOMPARE(port.deviceName(), firstPort(3));
    QVERIFY(port.setHandshaking(0));
    QCOMPARE(port.handshaking(), 0);
}

void TestSerialPort::exchangeOnClosedPort()
{
    bool busy = false;
    ManualClock clock;
    SerialPort port(clock, busy);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(port.Exchange(QStringLiteral("Y")), QString());
    // Returns at once instead of waiting out the one-to-two-second limit.
    QVERIFY(timer.elapsed() < 500);
    QVERIFY(!busy);
}

void TestSerialPort::busyRuleOnClosedPort()
{
    bool busy = true;
    ManualClock clock;
    SerialPort port(clock, busy);
    QCOMPARE(port.Exchange(QStringLiteral("Y")), QString());
    QVERIFY(busy); // not the exchange's to clear
}

void TestSerialPort::resetOnClosedPort_data()
{
    QTest::addColumn<bool>("dtr");
    QTest::newRow("dtr on") << true;
    QTest::newRow("dtr off") << false;
}

void TestSerialPort::resetOnClosedPort()
{
    QFETCH(bool, dtr);
    bool busy = false;
    ManualClock clock;
    SerialPort port(clock, busy);
    port.setDtrEnable(dtr);
    QSignalSpy changed(&port, &SerialPort::stateChanged);
    port.ResetPort();
    QVERIFY(!port.isOpen());
    QCOMPARE(port.dtrEnable(), dtr);
    QCOMPARE(changed.count(), 0);
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "test_serialport.moc"
