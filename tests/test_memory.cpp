#include "CoreFixture.h"
#include "receiver/MemoryTransfer.h"
#include "storage/BankFile.h"

#include <QtTest>

using namespace ze;
using zetest::CoreFixture;

namespace {

// Every field of a record in one text: Frequency|Description|Mode|ZNumber|Spare|ATT|LockOut.
QString summary(const ChannelRecord &r)
{
    const QStringList numbers {QString::number(r.ZNumber), QString::number(r.Spare),
                               QString::number(r.ATT), QString::number(r.LockOut)};
    return QStringList({r.Frequency, r.Description, r.Mode, numbers.join(u'|')}).join(u'|');
}

} // namespace

class TestMemory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseChannelReply_data();
    void parseChannelReply();
    void readsTheReceiversMemory();
    void silentReceiver();
    void writeSendsNonEmptyChannels();
};

void TestMemory::parseChannelReply_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("parsed"); // summary of the record, "" when refused
    auto row = [](const char *name, const char *reply, int channel, const char *parsed) {
        QTest::newRow(name) << QString(reply) << channel << QString(parsed);
    };
    row("normal", "C07 0N Z07 Y00014550000 Q\r\n>", 7, "000145.50000||N|7|0|0|0");
    row("mode code W: no mode", "C07 0N Z07 Y00014550000 W\r\n>", 7, "000145.50000|||7|0|0|0");
    row("short token padded", "C42 0N Z42 Y14550000 S\r\n>", 42, "145500.00   ||A|42|0|0|0");
    row("ATT from 0W", "C00 0W Z00 Y00000010000 V\r\n>", 0, "000000.10000||C|0|0|1|0");
    row("characters 2 and 3 not the channel", "C08 0N Z08 Y00014550000 Q\r\n>", 7, "");
    row("empty reply", "", 0, "");
    row("late prompt heads the reply", ">C00 0N Z00 Y00014550000 Q\r\n>", 0, "");
    row("no space", "C07Z07Y00014550000Q\r\n>", 7, "");
    row("token longer than 11", "C07 0N Z07 Y000145500000 Q\r\n>", 7, "");
    row("lower-case mode code", "C07 0N Z07 Y00014550000 q\r\n>", 7, "");
}

void TestMemory::parseChannelReply()
{
    QFETCH(QString, reply);
    QFETCH(int, channel);
    QFETCH(QString, parsed);
    const std::optional<ChannelRecord> r = ze::parseChannelReply(reply, channel);
    QCOMPARE(r ? summary(*r) : QString(), parsed);
}

void TestMemory::readsTheReceiversMemory()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    zesim::Scenario scenario;
    scenario.pacing = false;
    scenario.memory[zesim::memoryKey(1, 0)] = {"145.5", 'N', false};
    scenario.memory[zesim::memoryKey(2, 17)] = {"0.1", 'A', true};
    scenario.memory[zesim::memoryKey(4, 99)] = {"2036", 0, false};
    f.sim.setScenario(scenario);
    Banks &banks = f.station->state().banks;
    banks(1, 0) = ChannelRecord {"1.0", "Old", "W", 0, 3, 1, 1};
    banks(3, 5) = ChannelRecord {"98.5", "Not in the receiver: emptied", "N", 0, 0, 0, 0};

    QCOMPARE(ReadMemoryBanks(*f.station), 3);
    std::vector<std::string> expected; // each bank chosen, then its channels asked for
    for (int i = 0; i < 404; ++i)
        expected.push_back(i % 101 ? " " + std::to_string(i % 101 - 1) + "Z"
                                   : std::to_string(i / 101 + 1) + "X");
    QCOMPARE(f.sent(), expected);
    QCOMPARE(summary(banks(1, 0)), QStringLiteral("000145.50000||N|0|0|0|0"));
    QCOMPARE(summary(banks(2, 17)), QStringLiteral("000000.10000||A|17|0|1|0"));
    QCOMPARE(summary(banks(4, 99)), QStringLiteral("002036.00000|||99|0|0|0"));
    QCOMPARE(f.panel.channels.data, (QVector<int> {100, 217, 499}));
    QCOMPARE(f.panel.editorChannels.data, f.panel.channels.data);
    QCOMPARE(f.panel.busyChanges, (QVector<bool> {true, false}));
    QCOMPARE(f.panel.status, QStringLiteral("Reading bank  4 channel  99"));
}

void TestMemory::silentReceiver()
{
    CoreFixture f(true, 1);
    QVERIFY(f.startUp());
    f.sim.setFault({zesim::FaultKind::NoReply, 0, 0});
    // Nothing read empties the table when the operator agrees, or when no one is asked.
    for (const auto &keepEmpty :
         {std::function<bool()>(), std::function<bool()>([] { return true; })}) {
        f.putChannel(1, 5, QStringLiteral("145.5"));
        FillChannelList(*f.station, f.panel.channels);
        QCOMPARE(ReadMemoryBanks(*f.station, keepEmpty), 0);
        QVERIFY(f.station->state().banks(1, 5).isEmpty() && f.panel.channels.data.isEmpty());
    }
    QCOMPARE(f.panel.status, QStringLiteral("Reading bank  4 channel  99"));
    QCOMPARE(f.panel.busyChanges.last(), false);
}

void TestMemory::writeSendsNonEmptyChannels()
{
    CoreFixture f;
    QVERIFY(f.startUp());
    Banks &banks = f.station->state().banks;
    banks(1, 5) = ChannelRecord {"145.5000", "Tower", "N", 0, 0, 0, 0};
    banks(2, 0) = ChannelRecord {" 0.1 ", "", " A ", 0, 0, 1, 0};
    banks(3, 7) = ChannelRecord {"   ", "Blank", "N", 0, 0, 0, 0};
    banks(4, 99) = ChannelRecord {"", "", "W", 0, 0, 1, 0};
    WriteMemoryBanks(*f.station);
    QCOMPARE(f.sim.receivedBytes(), std::string("1X\r5M145.5000NT\r2X\r0M0.1AR\r3X\r4X\r"));
    QCOMPARE(f.panel.status, QStringLiteral("Writing  4 channel  99"));
    QCOMPARE(f.panel.busyChanges, (QVector<bool> {true, false}));
    // Unlike a read, a write does not open a closed port.
    f.serialPort().close();
    WriteMemoryBanks(*f.station);
    QVERIFY(!f.serialPort().isOpen());
}

QTEST_GUILESS_MAIN(TestMemory)
#include "test_memory.moc"
