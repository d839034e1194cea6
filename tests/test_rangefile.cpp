#include "CoreFixture.h"
#include "FileHelpers.h"
#include "storage/RangeFile.h"
#include "storage/TextFields.h"

#include <QDir>
#include <QtTest>

using namespace ze;
using zetest::CoreFixture;

namespace {

// From|To|Mode|Step|Description, both ways.
RangeRecord range(const QString &fields)
{
    const QStringList f = fields.split(u'|');
    RangeRecord r;
    r.From = f.value(0);
    r.To = f.value(1);
    r.Mode = f.value(2);
    r.Step = f.value(3);
    r.Description = f.value(4);
    return r;
}

QString fields(const RangeRecord &r)
{
    return QStringList({r.From, r.To, r.Mode, r.Step, r.Description}).join(u'|');
}

int usedSlots(const Ranges &ranges)
{
    int used = 0;
    for (int i = 0; i < Ranges::count; ++i)
        used += fields(ranges[i]) == QLatin1String("||||") ? 0 : 1;
    return used;
}

QByteArray numberedLines(int count)
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i)
        bytes += QStringLiteral("%1.0000\t%2.0000\tN\t0.0125\trange %1\r\n")
                         .arg(i)
                         .arg(i + 1)
                         .toLatin1();
    return bytes;
}

const QString rangeFile = QStringLiteral("range.rng");

} // namespace

class TestRangeFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readAndSave_data();
    void readAndSave();
    void savedLine_data();
    void savedLine();
    void indexesCloseUp();
    void loadCountsAndTells_data();
    void loadCountsAndTells();
    void junkNeverCrashes_data();
    void junkNeverCrashes();
    void failedSaveKeepsOldFile();
    void loadFillsBothLists();
};

void TestRangeFile::readAndSave_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("latin1");
    QTest::addColumn<QString>("first"); // the range at index 0
    QTest::addColumn<QByteArray>("saved");
    // Saved as it came unless saved says otherwise.
    auto row = [](const char *name, const QByteArray &bytes, bool latin1, const char *first,
                  const char *saved = nullptr) {
        QTest::newRow(name) << bytes << latin1 << QString::fromUtf8(first)
                            << (saved ? QByteArray(saved) : bytes);
    };

    row("ascii", "144.0000\t146.0000\tN\t0.0125\t2 m\r\n87.5\t108\tW\t0.1\tFM\r\n", false,
        "144.0000|146.0000|N|0.0125|2 m");
    row("utf-8", "118\t137\tA\t0.025\tLuftfahrt \xC3\x9C\xE2\x82\xAC\r\n", false,
        "118|137|A|0.025|Luftfahrt Ü€");
    row("latin-1", "3.5\t3.8\tL\t0.001\t80 m \xB0\xE9\r\n", true, "3.5|3.8|L|0.001|80 m °é");
    row("tabs in description", "1\t2\tN\t0.1\t a\tb\t \tc\t\r\n", false, "1|2|N|0.1|a\tb\t \tc\t",
        "1\t2\tN\t0.1\ta\tb\t \tc\t\r\n");
    // From keeps its blanks; the later fields lose the leading ones and keep the trailing ones.
    row("spaces", "  144 \t  146  \t N \t 0.0125 \t  Two metre  ", false,
        "  144 |146  |N |0.0125 |Two metre", "  144 \t146  \tN \t0.0125 \tTwo metre\r\n");
    row("From without To", "50.0000\t\tN\t0.1\thalf\r\n", false, "50.0000||N|0.1|half");
    row("empty fields", "\t\t\t\t", false, "||||", "");
    row("empty", "", false, "||||");
}

void TestRangeFile::readAndSave()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, latin1);
    CoreFixture f(false);
    f.writeFile(rangeFile, bytes);
    Ranges ranges;
    const RangeLoadResult result = readRangeFile(f.path(rangeFile), ranges);
    QVERIFY(result.found);
    QCOMPARE(result.linesSkipped, 0);
    QCOMPARE(result.linesRead, int(splitLines(bytes).size()));
    QCOMPARE(ranges.latin1, latin1);
    QTEST(fields(ranges[0]), "first");
    QVERIFY(writeRangeFile(f.path(rangeFile), ranges).ok);
    QTEST(f.readFile(rangeFile), "saved");
}

void TestRangeFile::savedLine_data()
{
    QTest::addColumn<QString>("range");
    QTest::addColumn<QByteArray>("bytes");
    auto row = [](const char *name, const char *range, const QByteArray &bytes) {
        QTest::newRow(name) << QString(range) << bytes;
    };

    row("step before description", "144|146|N|0.0125|2 m", "144\t146\tN\t0.0125\t2 m\r\n");
    row("From without To is saved", "50||N|0.1|no end", "50\t\tN\t0.1\tno end\r\n");
    row("empty From not saved", "|146|N|0.1|no start", "");
    row("From of blanks not saved", "   |146|N|0.1|no start", "");
    // They would move the fields or split the line; in the description a TAB is harmless.
    row("TABs and line breaks", "1\t0|2\r\n|N|0.1|a\tb\nc", "1 0\t2  \tN\t0.1\ta\tb c\r\n");
}

void TestRangeFile::savedLine()
{
    QFETCH(QString, range);
    QFETCH(QByteArray, bytes);
    CoreFixture f(false);
    f.station->state().ranges[5] = ::range(range);
    QVERIFY(SaveRangeFile(*f.station).ok);
    QCOMPARE(f.readFile(rangeFile), bytes);
    QVERIFY(f.panel.errors.isEmpty());
}

void TestRangeFile::indexesCloseUp()
{
    CoreFixture f(false);
    Ranges ranges;
    ranges[0] = range("1|2|N|0.1|zero");
    ranges[3] = range("3|4|W|0.2|three");
    ranges[7] = range("5|6|A|0.3|seven");
    QVERIFY(writeRangeFile(f.path(rangeFile), ranges).ok);

    Ranges back;
    QCOMPARE(readRangeFile(f.path(rangeFile), back).linesRead, 3);
    QCOMPARE(QStringList({fields(back[0]), fields(back[1]), fields(back[2])}),
             QStringList({"1|2|N|0.1|zero", "3|4|W|0.2|three", "5|6|A|0.3|seven"}));
    QCOMPARE(usedSlots(back), 3);
}

void TestRangeFile::loadCountsAndTells_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("read");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<int>("ignored");
    QTest::addColumn<QString>("notice");
    auto row = [](const char *name, const char *kind, const QByteArray &bytes, int read,
                  int skipped, int ignored, const char *notice) {
        QTest::newRow(name) << QString(kind) << bytes << read << skipped << ignored
                            << QString(notice);
    };

    const QByteArray shortLine("1\t2\tN\tb\r\n");
    const char *one = "1 line of \"range.rng\" was passed over";
    row("missing file is no ranges", "missing", "", 0, 0, 0, "");
    row("clean file", "file", numberedLines(3), 3, 0, 0, "");
    row("short line", "file", shortLine + numberedLines(2), 2, 1, 0, one);
    row("blank line", "file", "\r\n" + numberedLines(2), 2, 1, 0, one);
    row("beyond the hundredth", "file", shortLine + "\r\n" + numberedLines(103), 100, 2, 3,
        "5 lines of \"range.rng\" were passed over");
    row("unreadable", "directory", "", 0, 0, 0, "The range file \"range.rng\" could not be read: ");
}

void TestRangeFile::loadCountsAndTells()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(int, read);
    QFETCH(QString, notice);
    CoreFixture f(false);
    if (kind == QLatin1String("file"))
        f.writeFile(rangeFile, bytes);
    else if (kind == QLatin1String("directory"))
        QVERIFY(QDir(f.dir()).mkdir(rangeFile));
    Ranges &ranges = f.station->state().ranges;
    ranges[60] = range("1|2|N|0.1|old");

    const RangeLoadResult result = LoadRangeFile(*f.station);
    QCOMPARE(result.found, kind == QLatin1String("file"));
    QCOMPARE(result.error.isEmpty(), kind != QLatin1String("directory"));
    QCOMPARE(result.linesRead, read);
    QTEST(result.linesSkipped, "skipped");
    QTEST(result.linesIgnored, "ignored");
    QCOMPARE(usedSlots(ranges), read);
    // Passed-over lines take no index.
    if (read > 0) {
        QCOMPARE(ranges[0].Description, QString("range 1"));
        QCOMPARE(ranges[read - 1].Description, QStringLiteral("range %1").arg(read));
    }
    QVERIFY2(notice.isEmpty() ? f.panel.notice.isEmpty() : f.panel.notice.startsWith(notice),
             qPrintable(f.panel.notice));
    QVERIFY(f.panel.errors.isEmpty());
}

void TestRangeFile::junkNeverCrashes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("random bytes") << zetest::randomBytes(256 * 1024, 424242);
    // Mostly the characters that matter to the format.
    QTest::newRow("format characters") << zetest::randomBytes(
            64 * 1024, 424243, QByteArray("\t\t\t\r\n 0123456789.NW\xE9\0", 21));
    QTest::newRow("nul bytes") << QByteArray("1\0\t2\t\0\tN\t\0\r\n", 12);
    QTest::newRow("huge line") << QByteArray(4 * 1024 * 1024, 'x');
    QTest::newRow("huge line of tabs") << QByteArray(1024 * 1024, '\t');
}

void TestRangeFile::junkNeverCrashes()
{
    QFETCH(QByteArray, bytes);
    CoreFixture f(false);
    f.writeFile(rangeFile, bytes);
    Ranges ranges;
    const RangeLoadResult result = readRangeFile(f.path(rangeFile), ranges);
    QVERIFY(result.found);
    QCOMPARE(result.linesRead + result.linesSkipped + result.linesIgnored,
             int(splitLines(bytes).size()));

    // Whatever was taken is saved whole: read back and saved again it gives the same bytes.
    QVERIFY(writeRangeFile(f.path("copy.rng"), ranges).ok);
    Ranges again;
    QCOMPARE(readRangeFile(f.path("copy.rng"), again).linesSkipped, 0);
    QVERIFY(writeRangeFile(f.path("again.rng"), again).ok);
    QCOMPARE(f.readFile("again.rng"), f.readFile("copy.rng"));
}

void TestRangeFile::failedSaveKeepsOldFile()
{
    CoreFixture f(false);
    const QByteArray old("1\t2\tN\t0.1\told\r\n");
    f.writeFile(rangeFile, old);
    for (int i = 0; i < Ranges::count; ++i)
        f.station->state().ranges[i] = range("1|2|N|0.1|a range with a long name");
    const QStringList files = QDir(f.dir()).entryList(QDir::Files);

    SaveResult result;
    QVERIFY(zetest::withFileSizeLimit(100, [&] { result = SaveRangeFile(*f.station); }));
    QVERIFY(!result.ok);
    QCOMPARE(f.panel.errors.size(), 1);
    QVERIFY2(f.panel.errors.first().startsWith("The range file \"range.rng\" could not be saved: "),
             qPrintable(f.panel.errors.first()));
    QCOMPARE(f.readFile(rangeFile), old);
    QCOMPARE(QDir(f.dir()).entryList(QDir::Files), files);
}

void TestRangeFile::loadFillsBothLists()
{
    CoreFixture f(false);
    const QByteArray kept("144\t146\tN\t0.0125\tSame\r\n"
                          "50\t\tN\t0.1\tNo end\r\n"
                          "430\t440\tN\t0.025\tSame\r\n"
                          "1\t2\tA\t0.1\t\r\n");
    f.writeFile(rangeFile, kept + "  \t60\tN\t0.1\tNo start\r\n");
    f.panel.rangeList.addItem(QStringLiteral("stale"), 77);
    f.panel.editorRangeListValue.addItem(QStringLiteral("stale"), 77);

    QCOMPARE(LoadRangeFile(*f.station).linesRead, 5);
    // Only ranges with both ends are listed; the same description twice is two entries.
    QCOMPARE(f.panel.rangeList.texts, QStringList({"Same", "Same", ""}));
    QCOMPARE(f.panel.rangeList.data, QVector<int>({0, 2, 3}));
    QCOMPARE(f.panel.editorRangeListValue.texts, f.panel.rangeList.texts);
    QCOMPARE(f.panel.editorRangeListValue.data, f.panel.rangeList.data);

    // Saved again, the range without a From is gone and the rest is as it was.
    QVERIFY(SaveRangeFile(*f.station).ok);
    QCOMPARE(f.readFile(rangeFile), kept);
}

QTEST_GUILESS_MAIN(TestRangeFile)
#include "test_rangefile.moc"
