// The bank files and the range file: what is read, what is saved, and what goes wrong.
#include "CoreFixture.h"
#include "FileHelpers.h"
#include "storage/BankFile.h"
#include "storage/RangeFile.h"
#include "storage/TextFields.h"

#include <QDir>
#include <QtTest>

using namespace ze;

namespace {

// Mode|Frequency|Spare|ATT|LockOut|Description, both ways.
ChannelRecord channel(const QString &fields)
{
    const QStringList f = fields.split(u'|');
    auto n = [&f](int i) { return qint16(f.value(i).toInt()); };
    return {f.value(1), f.value(5), f.value(0), 0, n(2), n(3), n(4)};
}

QString fields(const ChannelRecord &r)
{
    return QStringList({r.Mode, r.Frequency, QString::number(r.Spare), QString::number(r.ATT),
                        QString::number(r.LockOut), r.Description})
            .join(u'|');
}

// From|To|Mode|Step|Description, both ways.
RangeRecord range(const QString &fields)
{
    const QStringList f = fields.split(u'|');
    return {f.value(0), f.value(1), f.value(2), f.value(4), f.value(3)};
}

QString fields(const RangeRecord &r)
{
    return QStringList({r.From, r.To, r.Mode, r.Step, r.Description}).join(u'|');
}

// A station with the bank file "x.bnk" or the range file, both handled as the program does.
struct Files : zetest::CoreFixture
{
    explicit Files(bool bank)
        : CoreFixture(false)
        , bank(bank)
    {
        station->state().currentBankName = QStringLiteral("x");
    }
    QString file() const
    {
        return bank ? station->state().currentBankName + ".bnk" : QStringLiteral("range.rng");
    }
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
        if (bank)
            station->state().banks(1, i) = channel(record);
        else
            station->state().ranges[i] = range(record);
    }
    // Every record that is not blank, in bank and channel or index order.
    QStringList held() const
    {
        QStringList out;
        const ProgramState &s = station->state();
        for (int i = 0; i < (bank ? Banks::bankCount * Banks::channelCount : Ranges::count); ++i) {
            const QString r = bank ? fields(s.banks(1 + i / 100, i % 100)) : fields(s.ranges[i]);
            if (r != QLatin1String(bank ? "||0|0|0|" : "||||"))
                out << r;
        }
        return out;
    }
    const bool bank;
};

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readAndSave_data();
    void readAndSave();
    void loadCountsAndTells_data();
    void loadCountsAndTells();
    void junkNeverCrashes_data();
    void junkNeverCrashes();
    void oversizedFileRefused();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void bankLoadShowsProgressAndListsTickedBanks();
    void rangeListsHoldRangesWithBothEnds();
};

void TestFiles::readAndSave_data()
{
    QTest::addColumn<bool>("bank");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("first"); // the first record held
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QString>("put"); // a record put at channel 1 of bank 1 or range 1 once read
    // Saved as it came unless saved says otherwise.
    auto row = [](const char *name, bool bank, const QByteArray &bytes, const char *first,
                  const char *saved = nullptr, const char *put = "") {
        QTest::newRow(name) << bank << bytes << QString::fromUtf8(first)
                            << (saved ? QByteArray(saved) : bytes) << QString::fromUtf8(put);
    };

    row("bank: latin-1", true, " 3 \t 7 \tL\t3.6000\t 0 \t 0 \t 0 \tCaf\xE9 \xA9\r\n",
        "L|3.6000|0|0|0|Café ©");
    row("bank: utf-8 BOM dropped", true, "\xEF\xBB\xBF 1 \t 0 \tN\t1\t 0 \t 0 \t 0 \t\xC3\xBC\r\n",
        "N|1|0|0|0|ü", " 1 \t 0 \tN\t1\t 0 \t 0 \t 0 \t\xC3\xBC\r\n");
    // A field is the text before its TAB; spaces after a TAB go; the description keeps its TABs.
    row("bank: fields", true, " 1 \t  5 \t  W  \t  145.5  \t 0 \t 1 \t 0 \t  a\tb \t c\t  ",
        "W  |145.5  |0|1|0|a\tb \t c\t", " 1 \t 5 \tW  \t145.5  \t 0 \t 1 \t 0 \ta\tb \t c\t\r\n");
    row("bank: 16-bit limits", true, " 1 \t 3 \tN\t1\t 32767 \t-32768 \t 2 \t\r\n",
        "N|1|32767|-32768|2|");
    row("bank: numbers rounded half to even", true, " 2.4 \t 3.5 \tN\t1\t 2.5 \t 1.5 \t-0.5 \tx",
        "N|1|2|2|0|x", " 2 \t 4 \tN\t1\t 2 \t 2 \t 0 \tx\r\n");
    row("bank: numbers read as far as they go", true, "4\t99x\tC\t1\tz9\t\t7kHz\td\n",
        "C|1|0|0|7|d", " 4 \t 99 \tC\t1\t 0 \t 0 \t 7 \td\r\n");
    row("bank: last line for a channel wins, saved in order", true,
        " 3 \t 9 \tN\t1\t 0 \t 0 \t 0 \tfirst\r\n 1 \t 0 \tA\t2\t 0 \t 0 \t 0 \tother\r\n"
        " 3 \t 9 \tW\t3\t 0 \t 1 \t 0 \tsecond\r\n",
        "A|2|0|0|0|other",
        " 1 \t 0 \tA\t2\t 0 \t 0 \t 0 \tother\r\n 3 \t 9 \tW\t3\t 0 \t 1 \t 0 \tsecond\r\n");
    row("range: utf-8", false, "118\t137\tA\t0.025\tLuft \xC3\x9C\r\n", "118|137|A|0.025|Luft Ü");
    // Only complete UTF-8 is taken as such.
    row("range: utf-8 cut off at the end is Latin-1", false, "1\t2\tN\t0.1\tZ\xC3\xBC\xC3",
        "1|2|N|0.1|ZÃ¼Ã", "1\t2\tN\t0.1\tZ\xC3\xBC\xC3\r\n");
    // From keeps its blanks, as the first field of a line does.
    row("range: fields", false, "  144 \t  146  \t N \t 0.0125 \t  Two\t metre \t  ",
        "  144 |146  |N |0.0125 |Two\t metre \t", "  144 \t146  \tN \t0.0125 \tTwo\t metre \t\r\n");
    row("range: From without To", false, "50.0000\t\tN\t0.1\thalf\r\n", "50.0000||N|0.1|half");
    row("range: From of blanks is read, not saved", false, "   \t\t\t\t", "   ||||", "");
    // TABs and line breaks would move fields or split the line; in the description a TAB is safe.
    row("bank: TABs and line breaks", true, "", "",
        " 1 \t 1 \tN \t 145 5\t 0 \t 0 \t 0 \ttwo  lines\tand tab\r\n",
        "N\t| 145\t5|0|0|0|two\r\nlines\tand tab");
    row("range: TABs and line breaks", false, "", "", "1 0\t2  \tN\t0.1\ta\tb c\r\n",
        "1\t0|2\r\n|N|0.1|a\tb\nc");
    row("bank: frequency of blanks is no channel", true, "", "", "", "N|   |0|0|0|blank");
    // A file that is partly Latin-1 and partly UTF-8 could not be read back.
    row("bank: beyond Latin-1 turns the file UTF-8", true,
        " 1 \t 0 \tN\t2\t 0 \t 0 \t 0 \tCaf\xE9\r\n", "N|2|0|0|0|Café",
        " 1 \t 0 \tN\t2\t 0 \t 0 \t 0 \tCaf\xC3\xA9\r\n"
        " 1 \t 1 \tN\t1\t 0 \t 0 \t 0 \t\xE2\x82\xAC\r\n",
        "N|1|0|0|0|€");
    // Slot 0 is empty: read back, range 1 is range 0.
    row("range: indexes close up", false, "", "", "3\t4\tW\t0.2\tthree\r\n", "3|4|W|0.2|three");
}

void TestFiles::readAndSave()
{
    QFETCH(bool, bank);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, put);
    Files f(bank);
    f.writeFile(f.file(), bytes);
    const RangeLoadResult loaded = f.load();
    QCOMPARE(loaded.linesSkipped, 0);
    QCOMPARE(loaded.linesRead, int(splitLines(bytes).size()));
    QTEST(f.held().value(0), "first");
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
    QTest::addColumn<QString>("notice"); // %1: the file name
    auto row = [](const char *name, bool bank, const char *kind, const QByteArray &bad, int good,
                  int skipped, const char *notice) {
        QTest::newRow(name) << bank << QString(kind) << bad << good << skipped << QString(notice);
    };
    auto bad = [&row](const char *name, bool bank, const QByteArray &line) {
        row(name, bank, "file", line, 2, 1, "1 line of \"%1\" was passed over");
    };

    const char *unreadable = "The bank file \"%1\" could not be read: ";
    row("bank: empty file", true, "file", "", 0, 0, "");
    row("bank: missing file", true, "missing", "", 0, 0, unreadable);
    row("bank: directory", true, "directory", "", 0, 0, unreadable);
    bad("bank: seven fields", true, " 1 \t 2 \tN\t1\t 0 \t 0 \t 0 \r\n");
    bad("bank: bank 5", true, " 5 \t 2 \tN\t1\t 0 \t 0 \t 0 \tx\r\n");
    bad("bank: channel 99.5 rounds to 100", true, " 1 \t 99.5 \tN\t1\t 0 \t 0 \t 0 \tx\r\n");
    bad("bank: att 40000", true, " 1 \t 2 \tN\t1\t 0 \t 40000 \t 0 \tx\r\n");
    row("bank: three bad", true, "file", "\r\n 9 \t 1 \tN\t1\t 0 \t 0 \t 0 \tx\r\nshort\r\n", 2, 3,
        "3 lines of \"%1\" were passed over");
    row("range: missing file is no ranges", false, "missing", "", 0, 0, "");
    row("range: clean file", false, "file", "", 3, 0, "");
    bad("range: short line", false, "1\t2\tN\tb\r\n");
    bad("range: blank line", false, "\r\n");
    row("range: beyond the hundredth", false, "file", "1\t2\tN\tb\r\n\r\n", 103, 2,
        "5 lines of \"%1\" were passed over");
    row("range: directory", false, "directory", "", 0, 0,
        "The range file \"%1\" could not be read: ");
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
    f.put(40, bank ? "U|14.2000|5|1|1|old" : "1|2|N|0.1|old");
    f.station->state().banks(1, 40).ZNumber = 17;
    f.list().addItem(QStringLiteral("stale"), 140);

    const RangeLoadResult loaded = f.load();
    const int read = kind == QLatin1String("file") ? qMin(good, Ranges::count) : 0;
    QCOMPARE(loaded.found, kind == QLatin1String("file"));
    QCOMPARE(loaded.error.isEmpty(), !notice.contains("could not be read"));
    QCOMPARE(loaded.linesRead, read);
    QTEST(loaded.linesSkipped, "skipped");
    QCOMPARE(loaded.linesIgnored, qMax(0, good - Ranges::count));
    QCOMPARE(f.held().size(), read);
    QCOMPARE(f.station->state().banks(1, 40).ZNumber, qint16(17)); // the receiver's, not the file's
    // Passed-over lines take no place: the good lines are listed from channel 1-0 or range 0 on.
    QCOMPARE(f.list().data.size(), read);
    if (read > 0)
        QCOMPARE(f.list().data.last(), (bank ? 100 : 0) + read - 1);
    if (bank)
        QCOMPARE(f.panel.channels.busyChanges, QVector<bool>({true, false}));
    QVERIFY2(notice.isEmpty() ? f.panel.notice.isEmpty()
                              : f.panel.notice.startsWith(notice.arg(f.file())),
             qPrintable(f.panel.notice));
    QVERIFY(f.panel.errors.isEmpty());
}

void TestFiles::junkNeverCrashes_data()
{
    QTest::addColumn<bool>("bank");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray format = QByteArrayLiteral("\t\t\t\r\n 0123456789-.eE+xNW\xE9\xC3\0");
    for (const bool bank : {true, false}) {
        auto row = [bank](const char *name, const QByteArray &bytes) {
            QTest::addRow("%s: %s", bank ? "bank" : "range", name) << bank << bytes;
        };
        row("random bytes", zetest::randomBytes(64 * 1024, 20240611));
        // Mostly the characters that matter to the formats.
        row("format characters", zetest::randomBytes(64 * 1024, 20240612, format));
        row("huge line without tabs", QByteArray(1024 * 1024, 'x'));
        row("huge number", " 1 \t " + QByteArray(200000, '9') + " \tN\t1\t 0 \t 0 \t 0 \tx");
    }
}

void TestFiles::junkNeverCrashes()
{
    QFETCH(bool, bank);
    QFETCH(QByteArray, bytes);
    Files f(bank);
    f.writeFile(f.file(), bytes);
    const RangeLoadResult loaded = f.load();
    QVERIFY(loaded.found);
    // Every line is taken, passed over or beyond the hundredth range.
    QCOMPARE(loaded.linesRead + loaded.linesSkipped + loaded.linesIgnored,
             int(splitLines(bytes).size()));

    // Whatever was taken is saved whole: read back and saved again it gives the same bytes.
    QVERIFY(f.save().ok);
    const QByteArray saved = f.readFile(f.file());
    QCOMPARE(f.load().linesSkipped, 0);
    QVERIFY(f.save().ok);
    QCOMPARE(f.readFile(f.file()), saved);
}

void TestFiles::oversizedFileRefused()
{
    Files f(true);
    f.writeFile("big.bnk", QByteArray(101, 'x'));
    QByteArray bytes;
    QString error;
    QVERIFY(!readDataFile(f.path("big.bnk"), bytes, &error, 100));
    QVERIFY(bytes.isEmpty());
    QVERIFY(!error.isEmpty());
    QVERIFY(readDataFile(f.path("big.bnk"), bytes, &error, 101));
    QCOMPARE(bytes.size(), 101);
}

void TestFiles::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<bool>("bank");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("name"); // of the bank file saved
    QTest::newRow("bank: file size limit") << true << QString("limit") << QString("x");
    QTest::newRow("bank: name taken by a directory") << true << QString("dir") << QString("Taken");
    QTest::newRow("range: file size limit") << false << QString("limit") << QString("x");
}

void TestFiles::failedSaveKeepsOldFile()
{
    QFETCH(bool, bank);
    QFETCH(QString, how);
    Files f(bank);
    const QString oldFile = f.file();
    f.writeFile(oldFile, "old\r\n");
    for (int i = 0; i < 100; ++i)
        f.put(i, bank ? "N|430.0000|0|0|0|a long description" : "1|2|N|0.1|a long description");
    QFETCH(QString, name);
    f.station->state().currentBankName = name;
    if (how == QLatin1String("dir"))
        QVERIFY(QDir(f.dir()).mkdir(f.file()));
    const auto filter = QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot;
    const QStringList files = QDir(f.dir()).entryList(filter);

    SaveResult result;
    if (how == QLatin1String("limit"))
        QVERIFY(zetest::withFileSizeLimit(64, [&] { result = f.save(); }));
    else
        result = f.save();
    QVERIFY(!result.ok);
    QCOMPARE(f.panel.errors.size(), 1);
    QVERIFY2(f.panel.errors.first().startsWith(
                     QStringLiteral("The %1 file \"%2\" could not be saved: ")
                             .arg(bank ? "bank" : "range", f.file())),
             qPrintable(f.panel.errors.first()));
    QCOMPARE(f.readFile(oldFile), QByteArray("old\r\n"));
    QCOMPARE(QDir(f.dir()).entryList(filter), files); // no temporary file left behind
}

void TestFiles::bankLoadShowsProgressAndListsTickedBanks()
{
    Files f(true);
    // X only for lockout 1 and A only for ATT 1; the frequency as it is stored.
    f.writeFile("x.bnk",
                " 1 \t 5 \tA\t118.1000\t 0 \t 1 \t 1 \tTower\r\n"
                " 2 \t 15 \tW\t98.5000\t 0 \t-1 \t 1 \tRadio\r\n"
                " 4 \t 99 \tN\t7.0  \t 0 \t 1 \t 2 \ta\tb\r\n"
                " 3 \t 7 \tN\t9.0000\t 0 \t 0 \t 0 \tnot ticked\r\n"
                " 1 \t 7 \tN\t   \t 0 \t 0 \t 0 \tno frequency\r\n");
    ProgramState &state = f.station->state();
    state.banks(3, 0) = channel("N|1.0000|0|0|0|replaced");
    f.panel.ticked = {true, true, false, true};
    f.panel.statusLog.clear();

    QCOMPARE(LoadBankFile(*f.station, f.panel.editorChannels).linesRead, 5);
    QCOMPARE(f.panel.statusLog,
             QStringList({"Reading bank from file  1 channel  5",
                          "Reading bank from file  2 channel  15",
                          "Reading bank from file  4 channel  99",
                          "Reading bank from file  3 channel  7",
                          "Reading bank from file  1 channel  7", ""}));
    QCOMPARE(f.panel.editorChannels.texts,
             QStringList({" 1- 5  XA  118.1000  Tower", " 2- 15  X  98.5000  Radio",
                          " 4- 99  A  7.0    a\tb"}));
    QCOMPARE(f.panel.editorChannels.data, QVector<int>({105, 215, 499}));
    QCOMPARE(state.banks(4, 99).LockOut, qint16(2)); // shown without X, kept as it was
    QVERIFY(f.panel.notice.isEmpty());

    f.panel.ticked = {false, false, false, false};
    FillChannelList(*f.station, f.panel.editorChannels);
    QVERIFY(f.panel.editorChannels.texts.isEmpty());
    QCOMPARE(f.held().size(), 5); // the old channel replaced; all still loaded, only not listed
}

void TestFiles::rangeListsHoldRangesWithBothEnds()
{
    Files f(false);
    f.writeFile(f.file(),
                "144\t146\tN\t0.0125\tSame\r\n50\t\tN\t0.1\tNo end\r\n430\t440\tN\t0.025\tSame\r\n"
                "1\t2\tA\t0.1\t\r\n  \t60\tN\t0.1\tNo start\r\n");
    f.panel.editorRangeListValue.addItem(QStringLiteral("stale"), 77);

    QCOMPARE(f.load().linesRead, 5);
    // The same description twice is two entries.
    QCOMPARE(f.panel.rangeList.texts, QStringList({"Same", "Same", ""}));
    QCOMPARE(f.panel.rangeList.data, QVector<int>({0, 2, 3}));
    QCOMPARE(f.panel.editorRangeListValue.texts, f.panel.rangeList.texts);
    QCOMPARE(f.panel.editorRangeListValue.data, f.panel.rangeList.data);
}

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
