// The bank files and the range file: what is read, what is saved, and what goes wrong.
#include "CoreFixture.h"
#include "FileHelpers.h"
#include "core/TextFields.h"
#include "storage/BankFile.h"
#include "storage/CsvFile.h"
#include "storage/Lockouts.h"
#include "storage/RangeFile.h"

#include <QDateTime>
#include <QDir>
#include <QtTest>

#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

using namespace ze;

namespace {

// A station with the bank file "x.bnk" or the range file, both handled as the program does.
// Records: Mode|Frequency|Spare|ATT|LockOut|Description or From|To|Mode|Step|Description.
struct Files : zetest::CoreFixture
{
    explicit Files(bool bank)
        : CoreFixture(false)
        , bank(bank)
    {
        station->state().currentBankName = QStringLiteral("x");
    }
    QString file() const { return bank ? QStringLiteral("x.bnk") : QStringLiteral("range.rng"); }
    zetest::FakeList &list() { return bank ? panel.channels : panel.rangeList; }
    // Either load told as a range file load: found is "opened", no line is beyond the hundredth.
    RangeLoadResult load()
    {
        if (!bank)
            return LoadRangeFile(*station);
        const BankLoadResult r = LoadBankFile(*station, panel.channels);
        return {r.opened, r.linesRead, r.linesSkipped, 0, r.error};
    }
    SaveResult save() { return bank ? SaveBankFile(*station) : SaveRangeFile(*station); }
    // Record i: channel i of bank 1, or range i.
    void put(int i, const QString &record)
    {
        const QStringList f = record.split(u'|');
        auto n = [&f](int i) { return qint16(f.value(i).toInt()); };
        if (bank)
            station->state().banks(1, i) = {f[1], f.value(5), f[0], 0, n(2), n(3), n(4)};
        else
            station->state().ranges[i] = {f[0], f[1], f[2], f.value(4), f[3]};
    }
    const bool bank;
};

// Bank-channel Mode Frequency ATT LockOut Spare Description of each channel taken.
QString taken(const QVector<CsvChannel> &channels)
{
    QStringList out;
    for (const CsvChannel &c : channels) {
        const ChannelRecord &r = c.record;
        out << QString("%1-%2 %3 %4 %5%6 %7 %8")
                        .arg(c.bank)
                        .arg(c.channel)
                        .arg(r.Mode, r.Frequency)
                        .arg(r.ATT)
                        .arg(r.LockOut)
                        .arg(r.Spare)
                        .arg(r.Description);
    }
    return out.join(" | ");
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readAndSave_data();
    void readAndSave();
    void loadCountsAndTells_data();
    void loadCountsAndTells();
    void oddBankFiles();
    void oversizedFileRefused();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void csvImport_data();
    void csvImport();
    void csvRoundTrip_data();
    void csvRoundTrip();
    void csvExportForOtherTools();
    void staleTemporariesGoAtStartUp();
    void lockoutsKeptInTheirFile();
};

void TestFiles::readAndSave_data()
{
    QTest::addColumn<bool>("bank");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("listed"); // the list entries once read, text:data
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QString>("put"); // a record put at channel 1 of bank 1 or range 1 once read
    // Saved as it came unless saved says otherwise.
    auto row = [](const char *name, bool bank, const QByteArray &bytes, const char *listed,
                  const char *saved = nullptr, const char *put = "") {
        QTest::newRow(name) << bank << bytes << QString::fromUtf8(listed)
                            << (saved ? QByteArray(saved) : bytes) << QString::fromUtf8(put);
    };

    // A field is the text before its TAB; spaces after a TAB go; the description keeps its TABs.
    row("bank: fields, utf-8 BOM dropped", true,
        "\xEF\xBB\xBF 1 \t  5 \t  W  \t  145.5  \t 0 \t 1 \t 0 \t  \xC3\xBC\tb \t c\t  ",
        " 1- 5  A  145.5    ü\tb \t c\t:105",
        " 1 \t 5 \tW  \t145.5  \t 0 \t 1 \t 0 \t\xC3\xBC\tb \t c\t\r\n");
    row("bank: numbers read as far as they go and rounded; latin-1 kept", true,
        "4\t3.5x\tC\t1\tz9\t\t1.4kHz\td\xE9\n", " 4- 4  X  1  dé:404",
        " 4 \t 4 \tC\t1\t 0 \t 0 \t 1 \td\xE9\r\n");
    // Each line in its own encoding; a channel put in is UTF-8.
    row("bank: 16-bit limits, flags only for 1; encoding by line", true,
        " 1 \t 0 \tN\t1\t 0 \t 0 \t 0 \tZ\xC3\xBCrich\r\n"
        " 2 \t 7 \tL\t3.6\t 32767 \t-32768 \t 2 \tZ\xFCrich \xA9\r\n",
        " 1- 0    1  Zürich:100| 2- 7    3.6  Zürich ©:207",
        " 1 \t 0 \tN\t1\t 0 \t 0 \t 0 \tZ\xC3\xBCrich\r\n 1 \t 1 \tN\t\xC3\xA9\t 0 \t 0 \t 0 \t\r\n"
        " 2 \t 7 \tL\t3.6\t 32767 \t-32768 \t 2 \tZ\xFCrich \xA9\r\n",
        "N|é|0|0|0|");
    // Bank 3 is held and saved, but not listed; a frequency of blanks is no channel, one of other
    // white space is.
    row("bank: last line for a channel wins, saved in order", true,
        "3\t9\tN\t1\t0\t0\t0\tfirst\r\n1\t0\tA\t2\t0\t1\t1\to\r\n3\t9\tW\t3\t0\t0\t0\tsecond\r\n"
        "1\t7\tN\t \t0\t0\t0\tnone\r\n1\t8\tN\t\f\t0\t0\t0\tff\r\n",
        " 1- 0  XA  2  o:100| 1- 8    \f  ff:108",
        " 1 \t 0 \tA\t2\t 0 \t 1 \t 1 \to\r\n 1 \t 8 \tN\t\f\t 0 \t 0 \t 0 \tff\r\n"
        " 3 \t 9 \tW\t3\t 0 \t 0 \t 0 \tsecond\r\n");
    row("range: utf-8 cut off at the end is latin-1", false, "1\t2\tN\t0.1\tZ\xC3\xBC\xC3",
        "ZÃ¼Ã:0", "1\t2\tN\t0.1\tZ\xC3\xBC\xC3\r\n");
    // From keeps its blanks, as the first field of a line does. Listed and saved need From; listed
    // needs To as well.
    row("range: fields, utf-8", false,
        "5\t\tN\t1\t\r\n  144 \t  146  \t N \t 1 \t  Two\t m\xC3\xA9tre \t  \r\n   \t6\t\t\t",
        "Two\t métre \t:1", "5\t\tN\t1\t\r\n  144 \t146  \tN \t1 \tTwo\t m\xC3\xA9tre \t\r\n");
    // TABs and line breaks would move fields or split the line; in the description a TAB is safe.
    row("bank: TABs and line breaks", true, "", "",
        " 1 \t 1 \tN \t 145 5\t 0 \t 0 \t 0 \ttwo  lines\tand tab\r\n",
        "N\t| 145\t5|0|0|0|two\r\nlines\tand tab");
    // The reader drops one leading BOM: a From starting with U+FEFF that comes first gets one.
    row("range: NBSP and vertical tab are data; U+FEFF first", false,
        "  \t1\tN\t1\tgone\r\n\xEF\xBB\xBF"
        "1\t\v\tN\t1\tbom\r\n\xC2\xA0\t2\tN\t1\tnbsp\r\n",
        "bom:1|nbsp:2",
        "\xEF\xBB\xBF\xEF\xBB\xBF"
        "1\t\v\tN\t1\tbom\r\n\xC2\xA0\t2\tN\t1\tnbsp\r\n");
    row("range: TABs and line breaks", false, "", "", "1 0\t2  \tN\t0.1\ta\tb c\r\n",
        "1\t0|2\r\n|N|0.1|a\tb\nc");
}

void TestFiles::readAndSave()
{
    QFETCH(bool, bank);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, put);
    Files f(bank);
    f.writeFile(f.file(), bytes);
    f.panel.ticked = {true, true, false, true};
    QCOMPARE(f.load().linesRead, int(splitLines(bytes).size()));
    QStringList listed;
    for (int i = 0; i < f.list().texts.size(); ++i)
        listed << f.list().texts[i] + u':' + QString::number(f.list().data[i]);
    QTEST(listed.join(u'|'), "listed");
    if (!put.isEmpty())
        f.put(1, put);
    QVERIFY(f.save().ok);
    QTEST(f.readFile(f.file()), "saved");
}

void TestFiles::loadCountsAndTells_data()
{
    QTest::addColumn<bool>("bank");
    QTest::addColumn<QString>("kind"); // "file", "missing" or "directory"
    QTest::addColumn<QByteArray>("bad"); // ahead of the good lines
    QTest::addColumn<int>("good");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<QString>("notice"); // %1: the file name, %2: why it could not be read
    auto row = [](const char *name, bool bank, const char *kind, const QByteArray &bad, int good,
                  int skipped, const char *notice) {
        QTest::newRow(name) << bank << QString(kind) << bad << good << skipped << QString(notice);
    };
    const char *one = "1 line of \"%1\" was passed over";
    const char *five = "5 lines of \"%1\" were passed over";

    row("bank: empty file", true, "file", "", 0, 0, "");
    row("bank: missing file", true, "missing", "", 0, 0,
        "The bank file \"%1\" could not be read: %2");
    row("bank: seven fields", true, "file", " 1 \t 2 \tN\t1\t 0 \t 0 \t 0 \r\n", 2, 1, one);
    // Bank 1 to 4, channel 0 to 99 after rounding, numbers that fit 16 bits.
    row("bank: out of range", true, "file",
        " 5 \t 2 \tN\t1\t 0 \t 0 \t 0 \tx\r\n 1 \t 99.5 \tN\t1\t 0 \t 0 \t 0 \tx\r\n"
        " 1 \t 2 \tN\t1\t 0 \t 40000 \t 0 \tx\r\n\r\nshort\r\n",
        2, 5, five);
    row("range: missing file is no ranges", false, "missing", "", 0, 0, "");
    row("range: short line", false, "file", "1\t2\tN\tb\r\n", 2, 1, one);
    row("range: beyond the hundredth", false, "file", "1\t2\tN\tb\r\n\r\n", 103, 2, five);
    row("range: directory", false, "directory", "", 0, 0,
        "The range file \"%1\" could not be read: %2");
}

void TestFiles::loadCountsAndTells()
{
    QFETCH(bool, bank);
    QFETCH(QString, kind);
    QFETCH(QByteArray, bad);
    QFETCH(int, good);
    QFETCH(QString, notice);
    Files f(bank);
    for (int i = 0; i < good; ++i)
        bad += QStringLiteral(" 1 \t %1 \tN\t1\t 0 \t 0 \t 0 \tline\r\n").arg(i).toLatin1();
    if (kind == QLatin1String("file"))
        f.writeFile(f.file(), bad);
    else if (kind == QLatin1String("directory"))
        QVERIFY(QDir(f.dir()).mkdir(f.file()));
    // What the load replaces: a record, a list entry; the receiver's Z number stays.
    f.put(40, bank ? "U|14.2000|5|1|1|old" : "1|2|N|0.1|old");
    f.list().addItem(QStringLiteral("stale"), 140);
    f.panel.editorRangeListValue.addItem(QStringLiteral("stale"), 140);
    f.station->state().banks(1, 40).ZNumber = 17;

    const RangeLoadResult loaded = f.load();
    QCOMPARE(f.panel.notice, notice.arg(f.file(), loaded.error));
    QCOMPARE(loaded.error.isEmpty(), !notice.contains("%2"));
    QCOMPARE(loaded.linesRead, qMin(good, Ranges::count));
    QTEST(loaded.linesSkipped, "skipped");
    QCOMPARE(f.list().data.size(), loaded.linesRead);
    if (!bank) // the range editor's list is the same
        QCOMPARE(f.panel.editorRangeListValue.texts, f.panel.rangeList.texts);
    QCOMPARE(f.station->state().banks(1, 40).ZNumber, qint16(17));
    if (bank) { // a status text for every channel read, then none
        QCOMPARE(f.panel.channels.busyChanges, QVector<bool>({true, false}));
        QCOMPARE(f.panel.statusLog.size(), loaded.linesRead + 1);
        QCOMPARE(f.panel.statusLog[0], good ? "Reading bank from file  1 channel  0" : "");
    }
}

void TestFiles::oddBankFiles()
{
    // Listed: plain files and links to them, by any name the disk holds; each saves and loads.
    Files f(true);
    const std::string dir = QFile::encodeName(f.dir()).toStdString() + '/';
    const std::string files[] {"caf\xE9.bnk", std::string(251, 'n') + ".bnk", "plain.bnk"};
    for (const std::string &file : files)
        std::ofstream(dir + file) << " 1 \t 0 \tN\t1\t 0 \t 0 \t 0 \tx\r\n";
    QVERIFY(!::symlink("plain.bnk", (dir + "link.bnk").c_str())
            && !::symlink("/dev/null", (dir + "dev.bnk").c_str())
            && !::mkfifo((dir + "fifo.bnk").c_str(), 0600) && QDir(f.dir()).mkdir("dir.bnk"));
    QVERIFY(f.startUp());
    const QString names[] {"caf" + QString(QChar(0xDCE9)), QString(251, u'n')};
    QCOMPARE(f.panel.bankNames, QStringList({names[0], "link", names[1], "plain"}));
    for (int i = 0; i < 2; ++i) {
        f.station->state().currentBankName = names[i];
        f.put(1, "N|2|0|0|0|y");
        QVERIFY(f.save().ok && f.load().linesRead == 2);
        QVERIFY(removeDataFile(f.station->filePath(names[i] + ".bnk"), nullptr));
        QVERIFY(::access((dir + files[i]).c_str(), F_OK) != 0);
    }
}

void TestFiles::oversizedFileRefused()
{
    Files f(true);
    f.writeFile("big.bnk", QByteArray(101, 'x'));
    QByteArray bytes;
    QString error;
    QVERIFY(!readDataFile(f.path("big.bnk"), bytes, &error, 100) && bytes.isEmpty()
            && !error.isEmpty());
    QVERIFY(readDataFile(f.path("big.bnk"), bytes, &error, 101));
    QCOMPARE(bytes.size(), 101);
}

void TestFiles::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<bool>("bank");
    QTest::newRow("bank: file size limit") << true;
    QTest::newRow("range: name taken by a directory") << false;
}

void TestFiles::failedSaveKeepsOldFile()
{
    QFETCH(bool, bank);
    Files f(bank);
    if (bank)
        f.writeFile(f.file(), "old\r\n");
    else
        QVERIFY(QDir(f.dir()).mkdir(f.file()));
    for (int i = 0; i < 100; ++i)
        f.put(i, bank ? "N|430.0000|0|0|0|a long description" : "1|2|N|0.1|a long description");
    const uint files = QDir(f.dir()).count();

    SaveResult result;
    QVERIFY(zetest::withFileSizeLimit(64, [&] { result = f.save(); }));
    QVERIFY(!result.ok);
    QCOMPARE(f.panel.errors.size(), 1);
    QCOMPARE(f.panel.errors[0].section(u':', 0, 0),
             QStringLiteral("The %1 file \"%2\" could not be saved")
                     .arg(bank ? "bank" : "range", f.file()));
    if (bank)
        QCOMPARE(f.readFile(f.file()), QByteArray("old\r\n"));
    QCOMPARE(QDir(f.dir()).count(), files); // no temporary file left behind
}

void TestFiles::csvImport_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("channels");
    QTest::addColumn<QStringList>("refused"); // "line N: reason", or the file's error
    QTest::newRow("channel list: any case, unknown columns, BOM; missing cells defaulted")
            << QByteArray("\xEF\xBB\xBFlocation, Duplex ,NAME,frequency,MODE,Skip,Comment,ATT\n\n"
                          "0,,Tower,145.5,NFM,s,c,1\r\n,,,\r\n399,+,,1.2e3,usb,,Only comment\r"
                          "150,,\"Z\xC3\xBCrich, \"\"Nord\"\"\",98\r\n1,,,7.1,lsb\n2,,,14,CW\n"
                          "3,,,88,WFM\n4,,,120,AM\n5,,,145,FM")
            << "1-0 N 145.5000 11 0 Tower | 4-99 U 1200.0000 00 0 Only comment | 2-50 N 98.0000 "
               "00 0 Zürich, \"Nord\" | 1-1 L 7.1000 00 0  | 1-2 C 14.0000 00 0  | 1-3 W "
               "88.0000 00 0  | 1-4 A 120.0000 00 0  | 1-5 N 145.0000 00 0 "
            << QStringList();
    QTest::newRow("channel list: refused rows by the line they start on")
            << QByteArray("Location,Name,Frequency,Mode\n7,\"two\nlines\",145,AM\n400,x,145,FM\n"
                          "7,x,146,FM\n8,x,,FM\r\n9,x,abc,FM\r\n10,x,3000,FM\r11,x,145,DV\r\n"
                          ",x,145\r\n1.5,x,145\n12,\"open,145\n13,x,145\n")
            << "1-7 A 145.0000 00 0 two lines"
            << QStringList {"line 4: Location \"400\" is not a whole number from 0 to 399",
                            "line 5: bank 1 channel 7 was given on line 2 already",
                            "line 6: no Frequency",
                            "line 7: Frequency \"abc\" is not a number",
                            "line 8: Frequency \"3000\" is outside 0.1 to 2036 MHz",
                            "line 9: mode \"DV\" is not FM, NFM, WFM, AM, LSB, USB or CW",
                            "line 10: no Location",
                            "line 11: Location \"1.5\" is not a whole number from 0 to 399",
                            "line 12: a quoted field is not closed"};
    QTest::newRow("bank fields: texts as they stand")
            << QByteArray(
                       "Bank,Channel,Mode,Frequency,Spare,ATT,LockOut,Description\r\n"
                       "1,0,W  , 98.5 ,-3,1,2, spaced \r\n4,99,,7,,,,\r\n5,0,N,1\r\n1,100,N,1\r\n"
                       "1,1,N,  \r\n1,2,N,1,x\r\n1,3,N,1,0,40000\r\n")
            << "1-0 W    98.5  12 -3 spaced | 4-99  7 00 0 "
            << QStringList {"line 4: Bank \"5\" is not 1 to 4",
                            "line 5: Channel \"100\" is not 0 to 99", "line 6: no Frequency",
                            "line 7: Spare \"x\" is not a number from -32768 to 32767",
                            "line 8: ATT \"40000\" is not a number from -32768 to 32767"};
    // What a bank file's fields may hold: nothing that becomes another command on the line.
    QTest::newRow("bank fields: only what the receiver takes")
            << QByteArray("Bank,Channel,Mode,Frequency\r\n1,0,N,\"145.6000\r3X\r7M123.4500A\"\r\n"
                          "1,1,N,7M123.4500A\r\n1,2,x,145\r\n1,3,U,3000\r\n1,4,C,1.5\r\n")
            << "1-4 C 1.5 00 0 "
            << QStringList {"line 2: Frequency \"145.6000\r3X\r7M123.4500A\" is no good: a "
                            "frequency is a number of megahertz with a point, such as 145.5000",
                            "line 5: Frequency \"7M123.4500A\" is no good: a frequency is a "
                            "number of megahertz with a point, such as 145.5000",
                            "line 6: mode \"x\" is not N, W, A, L, U, C or empty",
                            "line 7: Frequency \"3000\" is no good: the receiver tunes from 0.1 "
                            "to 2036 MHz"};
    // As other tools and spreadsheets write them: comment lines, semicolons or TABs, Windows
    // text; a name as long as a file is cut, a line break in it is a blank.
    QTest::newRow("channel list: comments, semicolons, Windows text, long names")
            << QByteArray("# exported by a tool\r\nLocation;Name;Frequency;Mode\r\n# a note\r\n"
                          "0;Rad \x96 io;145,5;FM\r\n1;\"a\nb\";145.5;AM\r\n2;")
                    + QByteArray(300, 'n') + ";146;FM\r\n"
            << "1-0 N 145.5000 00 0 Rad \u2013 io | 1-1 A 145.5000 00 0 a b | 1-2 N 146.0000 00 0 "
                    + QString(255, u'n')
            << QStringList();
    QTest::newRow("channel list: TAB separated")
            << QByteArray("Location\tName\tFrequency\tMode\n0\tTower\t118.1\tAM\n")
            << "1-0 A "
               "118.1000 00 0 Tower"
            << QStringList();
    QTest::newRow("neither layout") << QByteArray("Name,Frequency\r\n1,2\r\n") << ""
                                    << QStringList {"The first line does not name the columns "
                                                    "Location and Frequency (a channel list) nor "
                                                    "Bank, Channel and Frequency (bank fields)."};
    QTest::newRow("empty") << QByteArray("\r\n") << "" << QStringList {"The file is empty."};
}

void TestFiles::csvImport()
{
    QFETCH(QByteArray, bytes);
    const CsvImport read = parseChannelCsv(bytes);
    QTEST(taken(read.channels), "channels");
    QStringList refused;
    for (const CsvRefusal &r : read.refused)
        refused << QString("line %1: %2").arg(r.line).arg(r.reason);
    QTEST(read.error.isEmpty() ? refused : QStringList {read.error}, "refused");
    QCOMPARE(read.refusedCount, read.refused.size());
}

void TestFiles::csvRoundTrip_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<QByteArray>("csv");
    QTest::newRow("channel list")
            << int(CsvLayout::ChannelList)
            << QByteArray("Location,Name,Frequency,Mode,Skip,ATT,Comment\r\n0,\"Z\xC3\xBCrich, "
                          "\"\"Nord\"\" \xE6\x9D\xB1\xE4\xBA\xAC\",145.5000,FM,,0,\r\n105,two "
                          "lines,98.0000,WFM,S,1,\r\n399,spaced,7.1000,LSB,,0,\r\n");
    QTest::newRow("bank fields")
            << int(CsvLayout::BankFields)
            << QByteArray(
                       "Bank,Channel,Mode,Frequency,Spare,ATT,LockOut,Description\r\n1,0,N,"
                       "145.5000,0,0,0,\"Z\xC3\xBCrich, \"\"Nord\"\" \xE6\x9D\xB1\xE4\xBA\xAC\"\r\n"
                       "2,5,W,98.0000,-7,1,1,two lines\r\n4,99,L,7.1000,0,0,0,spaced\r\n");
}

void TestFiles::csvRoundTrip()
{
    QFETCH(int, layout);
    Files f(true);
    Banks &banks = f.station->state().banks;
    banks(1, 0) = {"145.5000", "Zürich, \"Nord\" 東京", "N"};
    banks(2, 5) = {"98.0000", "two lines", "W", 0, -7, 1, 1};
    banks(4, 99) = {"7.1000", "spaced", "L"};
    const CsvExport out = channelCsv(banks, CsvLayout(layout));
    QTEST(out.bytes, "csv");
    QCOMPARE(out.changed + out.leftOut, 0);
    f.writeFile("x.csv", out.bytes);
    const CsvImport read = readChannelCsv(f.path("x.csv"));
    Banks again;
    for (const CsvChannel &c : read.channels)
        again(c.bank, c.channel) = c.record;
    QVERIFY(read.error.isEmpty() && read.refusedCount == 0 && int(read.layout) == layout);
    QTEST(channelCsv(again, CsvLayout(layout)).bytes, "csv");
}

void TestFiles::csvExportForOtherTools()
{
    Banks banks;
    // Typed without a mode, with a decimal comma, with seven decimals, with no number at all.
    banks(1, 0) = {"145.5500", "No mode", ""};
    banks(1, 1) = {"145,5500", "Comma", "N"};
    banks(1, 2) = {"145.1234567", "Seven", "U"};
    banks(1, 3) = {"abc", "None", "N"};
    const CsvExport out = channelCsv(banks, CsvLayout::ChannelList);
    QCOMPARE(out.bytes,
             QByteArray("Location,Name,Frequency,Mode,Skip,ATT,Comment\r\n0,No mode,145.5500,FM,,0,"
                        "\r\n1,Comma,145.5500,FM,,0,\r\n2,Seven,145.123457,USB,,0,\r\n"));
    QCOMPARE(out.changed, 3);
    QCOMPARE(out.leftOut, 1);
    // What it wrote reads back whole.
    QCOMPARE(parseChannelCsv(out.bytes).channels.size(), 3);
}

// What a save killed before its rename leaves behind goes at the next start; nothing else does.
void TestFiles::staleTemporariesGoAtStartUp()
{
    zetest::CoreFixture f(false);
    const QStringList stale {"alpha.bnk.AbCdEf", "range.rng.XyZabc", "alpha.bnk.bak.qwerty",
                             ".ze-a1B2c3"};
    const QStringList kept {"notes.txt.AbCdEf", "alpha.bnk.AbCd", "alpha.bnk.Ab3def",
                            "young.bnk.AbCdEf"};
    for (const QString &name : stale + kept)
        f.writeFile(name, "half a file");
    QVERIFY(QDir(f.dir()).mkdir(QStringLiteral("dir.bnk.Abcdef")));
    // Only old ones: a fresh one may be another station's save under way in the same folder.
    const QDateTime old = QDateTime::currentDateTime().addSecs(-120);
    for (const QString &name : stale + kept.mid(0, 3)) {
        QFile file(f.path(name));
        QVERIFY(file.open(QIODevice::ReadWrite)
                && file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    QVERIFY(f.startUp());
    QStringList left
            = QDir(f.dir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    left.removeAll(QStringLiteral("settings.ini"));
    left.removeAll(QStringLiteral("receiver"));
    left.removeIf([](const QString &name) { return name.startsWith(QLatin1String("activity.")); });
    QStringList expected = kept + QStringList {"dir.bnk.Abcdef"};
    expected.sort();
    left.sort();
    QCOMPARE(left, expected);
}

void TestFiles::lockoutsKeptInTheirFile()
{
    zetest::CoreFixture f(false);
    f.writeFile(QString(lockoutsFileName),
                "145.5\r\nnot a frequency\r\n3000\r\n118.1000\r\n145.5000\n");
    QVERIFY(f.startUp());
    QCOMPARE(f.station->state().lockouts, (QVector<qint64> {118100000, 145500000}));
    QVERIFY(addLockout(*f.station, 100500000) && removeLockout(*f.station, 118100000));
    QCOMPARE(f.readFile(QString(lockoutsFileName)), QByteArray("100.5000\r\n145.5000\r\n"));
    // A file that cannot be read is not saved over.
    QVERIFY(QFile::remove(f.path(QString(lockoutsFileName)))
            && QDir(f.dir()).mkdir(QString(lockoutsFileName)));
    QVERIFY(f.startUp());
    QVERIFY(!addLockout(*f.station, 100500000));
    QVERIFY(QFileInfo(f.path(QString(lockoutsFileName))).isDir());
    QCOMPARE(f.panel.errors.size(), 1);
}

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
