#include "CoreFixture.h"
#include "FileHelpers.h"
#include "storage/BankFile.h"
#include "storage/TextFields.h"

#include <QDir>
#include <QtTest>

using namespace ze;
using zetest::CoreFixture;

namespace {

// Mode|Frequency|Spare|ATT|LockOut|Description, both ways.
ChannelRecord channel(const QString &fields)
{
    const QStringList f = fields.split(u'|');
    ChannelRecord r;
    r.Mode = f.value(0);
    r.Frequency = f.value(1);
    r.Spare = qint16(f.value(2).toInt());
    r.ATT = qint16(f.value(3).toInt());
    r.LockOut = qint16(f.value(4).toInt());
    r.Description = f.value(5);
    return r;
}

QString fields(const ChannelRecord &r)
{
    return QStringList({r.Mode, r.Frequency, QString::number(r.Spare), QString::number(r.ATT),
                        QString::number(r.LockOut), r.Description})
            .join(u'|');
}

int filledChannels(const Banks &banks)
{
    int count = 0;
    for (int bank = 1; bank <= Banks::bankCount; ++bank)
        for (int ch = 0; ch < Banks::channelCount; ++ch)
            count += fields(banks(bank, ch)) == QLatin1String("||0|0|0|") ? 0 : 1;
    return count;
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
}

const QByteArray exampleLine(" 2 \t 15 \tW\t98.5000\t 0 \t 0 \t 1 \tRadio\r\n");

} // namespace

class TestBankFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readAndSave_data();
    void readAndSave();
    void savedLine_data();
    void savedLine();
    void badLinesPassedOver_data();
    void badLinesPassedOver();
    void junkNeverCrashes_data();
    void junkNeverCrashes();
    void oversizedFileRefused();
    void unreadableOrEmptyLoadsNothing_data();
    void unreadableOrEmptyLoadsNothing();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void channelListEntry_data();
    void channelListEntry();
    void loadShowsProgressAndFillsList();
    void channelListFollowsTickedBanks();
};

void TestBankFile::readAndSave_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("latin1");
    QTest::addColumn<QString>("first"); // the first channel read
    QTest::addColumn<QByteArray>("saved");
    // Saved as it came unless saved says otherwise.
    auto row = [](const char *name, const QByteArray &bytes, bool latin1, const char *first,
                  const char *saved = nullptr) {
        QTest::newRow(name) << bytes << latin1 << QString::fromUtf8(first)
                            << (saved ? QByteArray(saved) : bytes);
    };

    row("ascii",
        " 1 \t 0 \tN\t145.5000\t 0 \t 0 \t 0 \tTower\r\n" + exampleLine
                + " 4 \t 99 \tC\t7.0100\t-3 \t 1 \t 0 \t\r\n",
        false, "N|145.5000|0|0|0|Tower");
    row("utf-8", " 1 \t 5 \tA\t120.0000\t 0 \t 1 \t 0 \tZ\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC\r\n",
        false, "A|120.0000|0|1|0|Zürich 東京");
    row("latin-1",
        " 3 \t 7 \tL\t3.6000\t 0 \t 0 \t 0 \tCaf\xE9 \xA9\r\n"
        " 3 \t 8 \tU\t3.7000\t 0 \t 0 \t 0 \t\xFC\r\n",
        true, "L|3.6000|0|0|0|Café ©");
    row("tabs in description", " 1 \t 1 \tN\t145.0000\t 0 \t 0 \t 0 \ta\tb \t c\t\r\n", false,
        "N|145.0000|0|0|0|a\tb \t c\t");
    row("16-bit limits", " 1 \t 3 \tN\t1.0000\t 32767 \t-32768 \t 2 \ty\r\n", false,
        "N|1.0000|32767|-32768|2|y");
    row("leading spaces lost, trailing kept",
        " 1 \t  5 \t  W  \t  145.5  \t 0 \t 1 \t 0 \t  Tower  ", false, "W  |145.5  |0|1|0|Tower",
        " 1 \t 5 \tW  \t145.5  \t 0 \t 1 \t 0 \tTower\r\n");
    row("numbers rounded half to even", " 2.4 \t 3.5 \tN\t1\t 2.5 \t 1.5 \t-0.5 \tx", false,
        "N|1|2|2|0|x", " 2 \t 4 \tN\t1\t 2 \t 2 \t 0 \tx\r\n");
    row("text where a number belongs is zero", "1\t0\tN\t1\tabc\t\tz9\td", false, "N|1|0|0|0|d",
        " 1 \t 0 \tN\t1\t 0 \t 0 \t 0 \td\r\n");
    row("number with letters after", "4\t99x\tC\t2036\t7kHz\t1\t2\tend\n", false,
        "C|2036|7|1|2|end", " 4 \t 99 \tC\t2036\t 7 \t 1 \t 2 \tend\r\n");
    // The last line for a channel wins; saved in bank and channel order.
    row("repeated channel",
        " 3 \t 9 \tN\t100.0000\t 0 \t 0 \t 0 \tfirst\r\n"
        " 1 \t 0 \tA\t200.0000\t 0 \t 0 \t 0 \tother\r\n"
        " 3 \t 9 \tW\t101.0000\t 0 \t 1 \t 0 \tsecond\r\n",
        false, "A|200.0000|0|0|0|other",
        " 1 \t 0 \tA\t200.0000\t 0 \t 0 \t 0 \tother\r\n"
        " 3 \t 9 \tW\t101.0000\t 0 \t 1 \t 0 \tsecond\r\n");
    row("empty", "", false, "");
}

void TestBankFile::readAndSave()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, latin1);
    CoreFixture f(false);
    f.writeFile("in.bnk", bytes);

    Banks banks;
    const BankLoadResult result = readBankFile(f.path("in.bnk"), banks);
    QVERIFY(result.opened);
    QCOMPARE(result.linesSkipped, 0);
    QCOMPARE(result.linesRead, int(splitLines(bytes).size()));
    QCOMPARE(banks.latin1, latin1);
    QString first;
    for (int b = Banks::bankCount; b >= 1; --b)
        for (int c = Banks::channelCount - 1; c >= 0; --c)
            first = banks(b, c).isEmpty() ? first : fields(banks(b, c));
    QTEST(first, "first");
    QVERIFY(writeBankFile(f.path("out.bnk"), banks).ok);
    QTEST(f.readFile("out.bnk"), "saved");
}

void TestBankFile::savedLine_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<bool>("latin1");
    QTest::addColumn<QByteArray>("bytes");
    auto row = [](const char *name, const char *record, bool latin1, const QByteArray &bytes) {
        QTest::newRow(name) << QString::fromUtf8(record) << latin1 << bytes;
    };

    row("example", "W|98.5000|0|0|1|Radio", false, exampleLine);
    row("frequency of blanks is no channel", "N|   |0|0|0|blank", false, "");
    row("leading blank of frequency kept", "A| 7.0000|-3|1|0|kept", false,
        " 2 \t 15 \tA\t 7.0000\t-3 \t 1 \t 0 \tkept\r\n");
    // TABs and line breaks would move fields or split the line; in the description a TAB is safe.
    row("texts that would break the line", "N\t|145\t5|0|0|0|two\r\nlines\tand tab", false,
        " 2 \t 15 \tN \t145 5\t 0 \t 0 \t 0 \ttwo  lines\tand tab\r\n");
    // A file that is partly Latin-1 and partly UTF-8 could not be read back.
    row("beyond Latin-1 turns the file UTF-8", "N|1.0000|0|0|0|€", true,
        " 1 \t 0 \tN\t2.0000\t 0 \t 0 \t 0 \tCaf\xC3\xA9\r\n"
        " 2 \t 15 \tN\t1.0000\t 0 \t 0 \t 0 \t\xE2\x82\xAC\r\n");
}

void TestBankFile::savedLine()
{
    QFETCH(QString, record);
    QFETCH(bool, latin1);
    CoreFixture f(false);
    f.station->state().currentBankName = QStringLiteral("Radio");
    f.station->state().banks.latin1 = latin1;
    if (latin1) // a channel Latin-1 could hold on its own
        f.station->state().banks(1, 0) = channel(QString::fromUtf8("N|2.0000|0|0|0|Café"));
    f.station->state().banks(2, 15) = channel(record);
    QVERIFY(SaveBankFile(*f.station).ok);
    QTEST(f.readFile("Radio.bnk"), "bytes");
    QVERIFY(f.panel.errors.isEmpty());
}

void TestBankFile::badLinesPassedOver_data()
{
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<int>("skipped");

    QTest::newRow("short line") << QByteArray("1\t2\tN\t145.0000\r\n") << 1;
    QTest::newRow("seven fields") << QByteArray(" 1 \t 2 \tN\t1\t 0 \t 0 \t 0 \r\n") << 1;
    QTest::newRow("blank line") << QByteArray("\r\n") << 1;
    QTest::newRow("bank 0") << QByteArray(" 0 \t 2 \tN\t1\t 0 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("bank 5") << QByteArray(" 5 \t 2 \tN\t1\t 0 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("channel -1") << QByteArray(" 1 \t-1 \tN\t1\t 0 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("channel 100") << QByteArray(" 1 \t 100 \tN\t1\t 0 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("channel 99.5 rounds to 100")
            << QByteArray(" 1 \t 99.5 \tN\t1\t 0 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("spare 70000") << QByteArray(" 1 \t 2 \tN\t1\t 70000 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("att 40000") << QByteArray(" 1 \t 2 \tN\t1\t 0 \t 40000 \t 0 \tx\r\n") << 1;
    QTest::newRow("lockout -40000") << QByteArray(" 1 \t 2 \tN\t1\t 0 \t 0 \t-40000 \tx\r\n") << 1;
    QTest::newRow("three bad") << QByteArray("\r\n 9 \t 1 \tN\t1\t 0 \t 0 \t 0 \tx\r\nshort\r\n")
                               << 3;
}

void TestBankFile::badLinesPassedOver()
{
    QFETCH(QByteArray, bad);
    QFETCH(int, skipped);
    CoreFixture f(false);
    f.writeFile("x.bnk",
                " 1 \t 0 \tN\t145.0000\t 0 \t 0 \t 0 \tbefore\r\n" + bad
                        + " 4 \t 99 \tW\t98.0000\t 0 \t 0 \t 0 \tafter\r\n");
    f.station->state().currentBankName = QStringLiteral("x");

    const BankLoadResult result = LoadBankFile(*f.station, f.panel.channels);
    QCOMPARE(result.linesSkipped, skipped);
    QCOMPARE(result.linesRead, 2);
    QCOMPARE(filledChannels(f.station->state().banks), 2);
    QCOMPARE(f.panel.channels.data, QVector<int>({100, 499}));
    QCOMPARE(f.panel.notice,
             skipped == 1 ? QStringLiteral("1 line of \"x.bnk\" was passed over")
                          : QStringLiteral("3 lines of \"x.bnk\" were passed over"));
}

void TestBankFile::junkNeverCrashes_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("random bytes") << zetest::randomBytes(256 * 1024, 20240611);
    // Mostly the characters that matter to the format.
    QTest::newRow("format characters") << zetest::randomBytes(
            256 * 1024, 20240612, QByteArray("\t\t\t\r\n 0123456789-.eE+xN\xE9\xC3\0", 24));
    QTest::newRow("nul bytes") << QByteArray(" 1 \t 0 \tN\0\t1\t 0 \t 0 \t 0 \ta\0b\r\n\0\0\0", 32);
    QTest::newRow("huge line without tabs") << QByteArray(4 * 1024 * 1024, 'x');
    QTest::newRow("huge line of tabs") << QByteArray(1024 * 1024, '\t');
    QTest::newRow("huge number") << " 1 \t " + QByteArray(200000, '9')
                    + " \tN\t1\t 0 \t 0 \t 0 \tx";
    QTest::newRow("many line ends") << QByteArray(200000, '\n');
}

void TestBankFile::junkNeverCrashes()
{
    QFETCH(QByteArray, bytes);
    CoreFixture f(false);
    f.writeFile("junk.bnk", bytes);
    Banks banks;
    const BankLoadResult result = readBankFile(f.path("junk.bnk"), banks);
    QVERIFY(result.opened);
    // Every line is either taken or counted.
    QCOMPARE(result.linesRead + result.linesSkipped, int(splitLines(bytes).size()));

    // Whatever was taken is saved whole: read back and saved again it gives the same bytes.
    QVERIFY(writeBankFile(f.path("copy.bnk"), banks).ok);
    Banks again;
    QCOMPARE(readBankFile(f.path("copy.bnk"), again).linesSkipped, 0);
    QVERIFY(writeBankFile(f.path("again.bnk"), again).ok);
    QCOMPARE(f.readFile("again.bnk"), f.readFile("copy.bnk"));
}

void TestBankFile::oversizedFileRefused()
{
    CoreFixture f(false);
    f.writeFile("big.bnk", QByteArray(101, 'x'));
    QByteArray bytes;
    QString error;
    QVERIFY(!readDataFile(f.path("big.bnk"), bytes, &error, 100));
    QVERIFY(bytes.isEmpty());
    QVERIFY(!error.isEmpty());
    QVERIFY(readDataFile(f.path("big.bnk"), bytes, &error, 101));
    QCOMPARE(bytes.size(), 101);
}

void TestBankFile::unreadableOrEmptyLoadsNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("empty file") << "empty";
    QTest::newRow("missing file") << "missing";
    QTest::newRow("directory") << "directory";
}

void TestBankFile::unreadableOrEmptyLoadsNothing()
{
    QFETCH(QString, kind);
    CoreFixture f(false);
    if (kind == QLatin1String("empty"))
        f.writeFile("x.bnk", QByteArray());
    else if (kind == QLatin1String("directory"))
        QVERIFY(QDir(f.dir()).mkdir("x.bnk"));
    ProgramState &state = f.station->state();
    state.currentBankName = QStringLiteral("x");
    state.banks(2, 40) = channel("U|14.2000|5|1|1|old");
    state.banks(2, 40).ZNumber = 17;
    f.panel.channels.addItem(QStringLiteral("stale"), 240);

    const BankLoadResult result = LoadBankFile(*f.station, f.panel.channels);
    QCOMPARE(result.opened, kind == QLatin1String("empty"));
    QCOMPARE(result.error.isEmpty(), result.opened);
    QCOMPARE(filledChannels(state.banks), 0);
    QCOMPARE(state.banks(2, 40).ZNumber, qint16(17)); // the receiver's numbering is not the file's
    QVERIFY(f.panel.channels.texts.isEmpty());
    QCOMPARE(f.panel.channels.busyChanges, QVector<bool>({true, false}));
    if (result.opened)
        QCOMPARE(f.panel.notice, QString());
    else
        QVERIFY2(f.panel.notice.startsWith("The bank file \"x.bnk\" could not be read: "),
                 qPrintable(f.panel.notice));
}

void TestBankFile::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("bankName");
    QTest::newRow("file size limit") << QString("limit") << QString("Radio");
    QTest::newRow("name taken by a directory") << QString("directory") << QString("Taken");
    QTest::newRow("directory missing") << QString("missing") << QString("gone/Radio");
}

void TestBankFile::failedSaveKeepsOldFile()
{
    QFETCH(QString, how);
    QFETCH(QString, bankName);
    CoreFixture f(false);
    f.writeFile("Radio.bnk", exampleLine);
    if (how == QLatin1String("directory"))
        QVERIFY(QDir(f.dir()).mkdir(bankName + ".bnk"));
    ProgramState &state = f.station->state();
    state.currentBankName = bankName;
    for (int c = 0; c < Banks::channelCount; ++c)
        state.banks(3, c) = channel("N|430.0000|0|0|0|a longer description");
    const QStringList files = filesIn(f.dir());

    SaveResult result;
    if (how == QLatin1String("limit"))
        QVERIFY(zetest::withFileSizeLimit(64, [&] { result = SaveBankFile(*f.station); }));
    else
        result = SaveBankFile(*f.station);
    QVERIFY(!result.ok);
    QCOMPARE(f.panel.errors.size(), 1);
    QVERIFY2(f.panel.errors.first().startsWith(
                     QStringLiteral("The bank file \"%1.bnk\" could not be saved: ").arg(bankName)),
             qPrintable(f.panel.errors.first()));
    QCOMPARE(f.readFile("Radio.bnk"), exampleLine);
    QCOMPARE(filesIn(f.dir()), files); // no temporary file left behind
}

void TestBankFile::channelListEntry_data()
{
    QTest::addColumn<int>("bank");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("entry");
    auto row = [](const char *name, int bank, int channel, const char *record, const char *entry) {
        QTest::newRow(name) << bank << channel << QString(record) << QString(entry);
    };

    row("both flags", 1, 5, "N|145.5000|0|1|1|Tower", " 1- 5  XA  145.5000  Tower");
    row("lockout only", 2, 0, "N|98.5000|0|0|1|", " 2- 0  X  98.5000  ");
    row("att only", 3, 42, "N|7.0000|0|1|0|x", " 3- 42  A  7.0000  x");
    row("lockout 2 shows no X", 4, 99, "N|1.0000|0|0|2|d", " 4- 99    1.0000  d");
    row("att -1 shows no A", 4, 1, "N|1.0000|0|-1|0|d", " 4- 1    1.0000  d");
    row("frequency as stored", 1, 0, "N|145.5  |0|0|0|a\tb", " 1- 0    145.5    a\tb");
}

void TestBankFile::channelListEntry()
{
    QFETCH(int, bank);
    QFETCH(int, channel);
    QFETCH(QString, record);
    QTEST(ze::channelListEntry(bank, channel, ::channel(record)), "entry");
}

void TestBankFile::loadShowsProgressAndFillsList()
{
    CoreFixture f(false);
    f.writeFile("Air.bnk",
                " 1 \t 5 \tA\t118.1000\t 0 \t 1 \t 1 \tTower\r\n"
                " 2 \t 15 \tW\t98.5000\t 0 \t 0 \t 2 \tRadio\r\n"
                " 1 \t 7 \tN\t   \t 0 \t 0 \t 0 \tno frequency\r\n");
    ProgramState &state = f.station->state();
    state.currentBankName = QStringLiteral("Air");
    state.banks(4, 0) = channel("N|1.0000|0|0|0|replaced");
    f.panel.statusLog.clear();

    const BankLoadResult result = LoadBankFile(*f.station, f.panel.editorChannels);
    QCOMPARE(result.linesRead, 3);
    QCOMPARE(f.panel.statusLog,
             QStringList({"Reading bank from file  1 channel  5",
                          "Reading bank from file  2 channel  15",
                          "Reading bank from file  1 channel  7", ""}));
    QCOMPARE(f.panel.editorChannels.texts,
             QStringList({" 1- 5  XA  118.1000  Tower", " 2- 15    98.5000  Radio"}));
    QCOMPARE(f.panel.editorChannels.data, QVector<int>({105, 215}));
    QCOMPARE(state.banks(2, 15).LockOut, qint16(2)); // shown without X, kept as it was
    QVERIFY(state.banks(4, 0).Frequency.isEmpty());
    QVERIFY(f.panel.notice.isEmpty());
    QVERIFY(f.panel.errors.isEmpty());
}

void TestBankFile::channelListFollowsTickedBanks()
{
    CoreFixture f(false);
    Banks &banks = f.station->state().banks;
    banks(1, 0) = channel("N|1.0000|0|0|0|one");
    banks(2, 50) = channel("N|2.0000|0|0|0|two");
    banks(3, 99) = channel("N|3.0000|0|0|0|three");
    banks(4, 1) = channel("N|4.0000|0|0|0|four");
    f.panel.channels.addItem(QStringLiteral("stale"), 1);

    f.panel.ticked = {true, false, true, false};
    FillChannelList(*f.station, f.panel.channels);
    QCOMPARE(f.panel.channels.data, QVector<int>({100, 399}));

    f.panel.ticked = {false, false, false, false};
    FillChannelList(*f.station, f.panel.channels);
    QVERIFY(f.panel.channels.texts.isEmpty());
    QCOMPARE(filledChannels(banks), 4); // still loaded, only not listed
}

QTEST_GUILESS_MAIN(TestBankFile)
#include "test_bankfile.moc"
