#include "core/Clock.h"
#include "core/Station.h"
#include "storage/RangeFile.h"
#include "storage/TextFields.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace ze;

namespace {

// A list that writes what is done to it into a log shared with the other list, so that the
// order across both lists shows.
class RecordingList final : public ItemList
{
public:
    RecordingList(QString name, QStringList &log)
        : m_name(std::move(name))
        , m_log(log)
    {
    }
    void clearItems() override
    {
        texts.clear();
        data.clear();
        m_log << m_name + QStringLiteral(" clear");
    }
    void addItem(const QString &text, int value) override
    {
        texts << text;
        data << value;
        m_log << QStringLiteral("%1 %2").arg(m_name).arg(value);
    }

    QStringList texts;
    QList<int> data;

private:
    QString m_name;
    QStringList &m_log;
};

class FakePanel final : public FrontPanel
{
public:
    QString frequencyText() const override { return {}; }
    void setFrequencyText(const QString &) override { }
    QString channelText() const override { return {}; }
    void setChannelText(const QString &) override { }
    void showBank(int) override { }
    bool modeLit(int) const override { return false; }
    void setModeLit(int, bool) override { }
    bool attenuatorLit() const override { return false; }
    void setAttenuatorLit(bool) override { }
    void setPassLit(bool) override { }
    bool signalBarLit(int) const override { return false; }
    void setSignalBarLit(int, bool) override { }
    void showStatus(const QString &text) override { status = text; }
    QString statusText() const override { return status; }
    bool showsFrequency() const override { return true; }
    int squelchValue() const override { return 0; }
    int stepValue() const override { return 0; }
    bool writeToLogfile() const override { return false; }
    bool spectrumTicked() const override { return false; }
    QString delayText() const override { return {}; }
    bool bankTicked(int) const override { return true; }
    QSize spectrumSize() const override { return {}; }
    void drawSpectrumLine(int, int, int, SpectrumPen) override { }
    void clearSpectrum() override { }
    void showPortState(const QString &) override { }
    void showNotice(const QString &text) override { notices << text; }
    void reportError(const QString &text) override { errors << text; }

    QString status;
    QStringList notices;
    QStringList errors;
};

class NullList final : public ItemList
{
public:
    void clearItems() override { }
    void addItem(const QString &, int) override { }
};

class FakeShell final : public StationShell
{
public:
    FrontPanel &frontPanel() override { return panel; }
    void fillStepList(const QVector<QPair<QString, int>> &) override { }
    void setStepIndex(int) override { }
    int stepIndex() const override { return -1; }
    void setDelayText(const QString &) override { }
    void fillDelayList(const QStringList &) override { }
    void setDisplayOption(int) override { }
    int displayOption() const override { return 0; }
    void setSquelch(int) override { }
    int squelch() const override { return 0; }
    void setBankNames(const QStringList &) override { }
    void selectFirstBank() override { }
    ItemList &mainChannelList() override { return channels; }
    ItemList &editorChannelList() override { return channels; }
    ItemList &mainRangeList() override { return mainRanges; }
    ItemList &editorRangeList() override { return editorRanges; }
    void clearDisplay() override { }
    void showMainWindow() override { }
    void reportStartupError(const QString &) override { }

    FakePanel panel;
    NullList channels;
    QStringList log;
    RecordingList mainRanges {QStringLiteral("main"), log};
    RecordingList editorRanges {QStringLiteral("editor"), log};
};

struct StationFixture
{
    QTemporaryDir dir;
    ManualClock clock;
    FakeShell shell;
    Station station {StationPaths {dir.path(), dir.path() + QStringLiteral("/settings.ini")},
                     clock};

    StationFixture() { station.attach(&shell); }
    QString rangeFile() const { return dir.filePath(QStringLiteral("range.rng")); }
};

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

RangeRecord range(const QString &from, const QString &to, const QString &mode,
                  const QString &description, const QString &step)
{
    RangeRecord record;
    record.From = from;
    record.To = to;
    record.Mode = mode;
    record.Description = description;
    record.Step = step;
    return record;
}

bool sameRange(const RangeRecord &a, const RangeRecord &b)
{
    return a.From == b.From && a.To == b.To && a.Mode == b.Mode && a.Description == b.Description
            && a.Step == b.Step;
}

int usedSlots(const Ranges &ranges)
{
    int used = 0;
    for (int i = 0; i < Ranges::count; ++i) {
        if (!sameRange(ranges[i], RangeRecord()))
            ++used;
    }
    return used;
}

QByteArray numberedLines(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += QStringLiteral("%1.0000\t%2.0000\tN\t0.0125\trange %1\r\n")
                         .arg(i + 1)
                         .arg(i + 2)
                         .toLatin1();
    return bytes;
}

class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_saved {};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

} // namespace

class TestRangeFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineHasStepBeforeDescription();
    void roundTripBytes_data();
    void roundTripBytes();
    void readingRule_data();
    void readingRule();
    void indexesCloseUp();
    void emptyFromNotSaved();
    void linesPassedOver_data();
    void linesPassedOver();
    void beyondHundredIgnored();
    void junkNeverCrashes_data();
    void junkNeverCrashes();
    void missingFileIsNoRanges();
    void unreadableFile();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();

    // Operations on a station.
    void fillRangeListsOrderAndFilter();
    void loadRangeFileFillsLists();
    void loadRangeFileNotices_data();
    void loadRangeFileNotices();
    void saveRangeFileFailureReported();
};

void TestRangeFile::lineHasStepBeforeDescription()
{
    QCOMPARE(rangeFileLine(range("144.0000", "146.0000", "N", "2 m band", "0.0125")),
             QString("144.0000\t146.0000\tN\t0.0125\t2 m band"));
    // TABs and line breaks in the first four fields would move the fields; they go out as blanks.
    QCOMPARE(rangeFileLine(range("1\t0", "2\r\n", "N", "a\tb\nc", "0.1")),
             QString("1 0\t2  \tN\t0.1\ta\tb c"));
}

void TestRangeFile::roundTripBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("latin1");

    QTest::newRow("ascii") << QByteArray("144.0000\t146.0000\tN\t0.0125\t2 m\r\n"
                                         "87.5000\t108.0000\tW\t0.1\tFM\r\n")
                           << false;
    QTest::newRow("utf-8") << QByteArray("118\t137\tA\t0.025\tLuftfahrt \xC3\x9C\xE2\x82\xAC\r\n")
                           << false;
    QTest::newRow("latin-1") << QByteArray("3.5\t3.8\tL\t0.001\tAmateur 80 m \xB0\xE9\r\n") << true;
    QTest::newRow("tabs in description") << QByteArray("1\t2\tN\t0.1\ta\tb\t \tc\t\r\n") << false;
    QTest::newRow("leading spaces of From, trailing of others")
            << QByteArray("  1 \t2 \tN \t0.1 \tx\r\n") << false;
    QTest::newRow("From without To") << QByteArray("50.0000\t\tN\t0.1\thalf\r\n") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestRangeFile::roundTripBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, latin1);
    QTemporaryDir dir;
    const QString path = dir.filePath("range.rng");
    QVERIFY(writeBytes(path, bytes));
    Ranges ranges;
    const RangeLoadResult result = readRangeFile(path, ranges);
    QVERIFY(result.found);
    QCOMPARE(result.linesSkipped, 0);
    QCOMPARE(result.linesRead, int(bytes.count("\r\n")));
    QCOMPARE(ranges.latin1, latin1);
    QVERIFY(writeRangeFile(path, ranges).ok);
    QCOMPARE(readBytes(path), bytes);
}

void TestRangeFile::readingRule_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("description");

    QTest::newRow("plain") << QByteArray("144\t146\tN\t0.0125\tTwo metre") << "144"
                           << "146"
                           << "N"
                           << "0.0125"
                           << "Two metre";
    QTest::newRow("spaces") << QByteArray("  144 \t  146  \t N \t 0.0125 \t  Two metre  ")
                            << "  144 "
                            << "146  "
                            << "N "
                            << "0.0125 "
                            << "Two metre";
    QTest::newRow("tabs in description") << QByteArray("1\t2\tU\t0.5\t a\tb\t ") << "1"
                                         << "2"
                                         << "U"
                                         << "0.5"
                                         << "a\tb\t";
    QTest::newRow("empty fields") << QByteArray("\t\t\t\t") << ""
                                  << ""
                                  << ""
                                  << ""
                                  << "";
}

void TestRangeFile::readingRule()
{
    QFETCH(QByteArray, line);
    QTemporaryDir dir;
    const QString path = dir.filePath("range.rng");
    QVERIFY(writeBytes(path, line + "\r\n"));
    Ranges ranges;
    const RangeLoadResult result = readRangeFile(path, ranges);
    QCOMPARE(result.linesRead, 1);
    QTEST(ranges[0].From, "from");
    QTEST(ranges[0].To, "to");
    QTEST(ranges[0].Mode, "mode");
    QTEST(ranges[0].Step, "step");
    QTEST(ranges[0].Description, "description");
}

void TestRangeFile::indexesCloseUp()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("range.rng");
    Ranges ranges;
    ranges[0] = range("1", "2", "N", "zero", "0.1");
    ranges[3] = range("3", "4", "W", "three", "0.2");
    ranges[7] = range("5", "6", "A", "seven", "0.3");
    QVERIFY(writeRangeFile(path, ranges).ok);

    Ranges back;
    QCOMPARE(readRangeFile(path, back).linesRead, 3);
    QVERIFY(sameRange(back[0], ranges[0]));
    QVERIFY(sameRange(back[1], ranges[3]));
    QVERIFY(sameRange(back[2], ranges[7]));
    QCOMPARE(usedSlots(back), 3);
}

void TestRangeFile::emptyFromNotSaved()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("range.rng");
    Ranges ranges;
    ranges[0] = range("   ", "146", "N", "no start", "0.1");
    ranges[1] = range("", "", "", "only a name", "");
    ranges[2] = range("50", "", "N", "no end", "0.1");
    QVERIFY(writeRangeFile(path, ranges).ok);
    QCOMPARE(readBytes(path), QByteArray("50\t\tN\t0.1\tno end\r\n"));
    Ranges back;
    readRangeFile(path, back);
    QCOMPARE(usedSlots(back), 1);
    QCOMPARE(back[0].Description, QString("no end"));
}

void TestRangeFile::linesPassedOver_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<QStringList>("descriptions");

    QTest::newRow("short line") << QByteArray(
            "1\t2\tN\t0.1\ta\r\n1\t2\tN\tb\r\n3\t4\tW\t0.1\tc\r\n")
                                << 1 << QStringList({"a", "c"});
    QTest::newRow("blank line") << QByteArray("1\t2\tN\t0.1\ta\r\n\r\n3\t4\tW\t0.1\tc\r\n") << 1
                                << QStringList({"a", "c"});
    QTest::newRow("no tabs at all")
            << QByteArray("just text\r\n1\t2\tN\t0.1\ta\r\n") << 1 << QStringList({"a"});
    QTest::newRow("only short lines") << QByteArray("a\tb\r\n\r\n\t\t\t\r\n") << 3 << QStringList();
}

void TestRangeFile::linesPassedOver()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, skipped);
    QFETCH(QStringList, descriptions);
    QTemporaryDir dir;
    const QString path = dir.filePath("range.rng");
    QVERIFY(writeBytes(path, bytes));
    Ranges ranges;
    const RangeLoadResult result = readRangeFile(path, ranges);
    QCOMPARE(result.linesSkipped, skipped);
    QCOMPARE(result.linesRead, int(descriptions.size()));
    QStringList got;
    for (int i = 0; i < descriptions.size(); ++i)
        got << ranges[i].Description;
    QCOMPARE(got, descriptions);
    QCOMPARE(usedSlots(ranges), int(descriptions.size()));
}

void TestRangeFile::beyondHundredIgnored()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("range.rng");
    QByteArray bytes = numberedLines(105);
    bytes.insert(bytes.indexOf("range 50\r\n") + 10, "short\r\n");
    QVERIFY(writeBytes(path, bytes));
    Ranges ranges;
    const RangeLoadResult result = readRangeFile(path, ranges);
    QCOMPARE(result.linesRead, 100);
    QCOMPARE(result.linesSkipped, 1);
    QCOMPARE(result.linesIgnored, 5);
    QCOMPARE(ranges[50].Description, QString("range 51"));
    QCOMPARE(ranges[99].Description, QString("range 100"));
}

void TestRangeFile::junkNeverCrashes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QRandomGenerator random(424242);
    QByteArray noise(256 * 1024, '\0');
    for (char &c : noise)
        c = static_cast<char>(random.bounded(256));
    QTest::newRow("random bytes") << noise;
    const QByteArray alphabet("\t\t\t\r\n 0123456789.NW\xE9\0", 21);
    QByteArray structured(64 * 1024, '\0');
    for (char &c : structured)
        c = alphabet[random.bounded(alphabet.size())];
    QTest::newRow("format characters") << structured;
    QTest::newRow("nul bytes") << QByteArray("1\0\t2\t\0\tN\t\0\r\n", 12);
    QTest::newRow("huge line") << QByteArray(4 * 1024 * 1024, 'x');
    QTest::newRow("huge line of tabs") << QByteArray(1024 * 1024, '\t');
}

void TestRangeFile::junkNeverCrashes()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath("range.rng");
    QVERIFY(writeBytes(path, bytes));
    Ranges ranges;
    const RangeLoadResult result = readRangeFile(path, ranges);
    QVERIFY(result.found);
    QCOMPARE(result.linesRead + result.linesSkipped + result.linesIgnored,
             int(splitLines(bytes).size()));
    QVERIFY(result.linesRead <= Ranges::count);

    // What was taken goes out and comes back unchanged (the ranges with a From, in order).
    const QString copy = dir.filePath("copy.rng");
    QVERIFY(writeRangeFile(copy, ranges).ok);
    Ranges again;
    QCOMPARE(readRangeFile(copy, again).linesSkipped, 0);
    int next = 0;
    for (int i = 0; i < Ranges::count; ++i) {
        if (ranges[i].From.trimmed().isEmpty())
            continue;
        QVERIFY2(sameRange(again[next], ranges[i]), qPrintable(QString::number(i)));
        ++next;
    }
}

void TestRangeFile::missingFileIsNoRanges()
{
    QTemporaryDir dir;
    Ranges ranges;
    ranges[5] = range("1", "2", "N", "old", "0.1");
    const RangeLoadResult result = readRangeFile(dir.filePath("range.rng"), ranges);
    QVERIFY(!result.found);
    QVERIFY(result.error.isEmpty());
    QCOMPARE(usedSlots(ranges), 0);
}

void TestRangeFile::unreadableFile()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("range.rng"));
    Ranges ranges;
    ranges[5] = range("1", "2", "N", "old", "0.1");
    const RangeLoadResult result = readRangeFile(dir.filePath("range.rng"), ranges);
    QVERIFY(!result.found);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(usedSlots(ranges), 0);
}

void TestRangeFile::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("file size limit") << "limit";
    QTest::newRow("working directory gone") << "nodir";
}

void TestRangeFile::failedSaveKeepsOldFile()
{
    QFETCH(QString, how);
    QTemporaryDir dir;
    const QString path = dir.filePath("range.rng");
    const QByteArray old("1\t2\tN\t0.1\told\r\n");
    QVERIFY(writeBytes(path, old));
    Ranges ranges;
    for (int i = 0; i < Ranges::count; ++i)
        ranges[i] = range(QString::number(i + 1), QString::number(i + 2), "N", "new range", "0.1");

    SaveResult result;
    if (how == QLatin1String("limit")) {
        bool limited = false;
        {
            const FileSizeLimit limit(32);
            limited = limit.ok();
            result = writeRangeFile(path, ranges);
        }
        QVERIFY(limited);
    } else {
        result = writeRangeFile(dir.filePath("gone/range.rng"), ranges);
    }
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(readBytes(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {"range.rng"});
}

void TestRangeFile::fillRangeListsOrderAndFilter()
{
    StationFixture f;
    Ranges &ranges = f.station.state().ranges;
    ranges[2] = range("144", "146", "N", "Same", "0.0125");
    ranges[4] = range("430", "440", "N", "Same", "0.025");
    ranges[6] = range("50", " ", "N", "No end", "0.1");
    ranges[8] = range(" ", "60", "N", "No start", "0.1");
    ranges[99] = range("1", "2", "A", "", "0.1");
    f.shell.editorRanges.addItem("stale", 77);
    f.shell.log.clear();

    FillRangeLists(f.station);
    QCOMPARE(f.shell.log,
             QStringList({"editor clear", "main clear", "editor 2", "main 2", "editor 4", "main 4",
                          "editor 99", "main 99"}));
    QCOMPARE(f.shell.mainRanges.texts, QStringList({"Same", "Same", ""}));
    QCOMPARE(f.shell.editorRanges.texts, f.shell.mainRanges.texts);
    QCOMPARE(f.shell.mainRanges.data, QList<int>({2, 4, 99}));
}

void TestRangeFile::loadRangeFileFillsLists()
{
    StationFixture f;
    QVERIFY(writeBytes(f.rangeFile(),
                       "144\t146\tN\t0.0125\tTwo\r\n"
                       "50\t\tN\t0.1\tNo end\r\n"
                       "430\t440\tN\t0.025\tSeventy\r\n"));
    f.station.state().currentRange = 42;
    f.station.state().ranges[60] = range("1", "2", "N", "old", "0.1");
    const RangeLoadResult result = LoadRangeFile(f.station);
    QCOMPARE(result.linesRead, 3);
    QCOMPARE(f.shell.mainRanges.texts, QStringList({"Two", "Seventy"}));
    QCOMPARE(f.shell.mainRanges.data, QList<int>({0, 2}));
    QCOMPARE(f.shell.editorRanges.data, QList<int>({0, 2}));
    QCOMPARE(f.station.state().ranges[1].Description, QString("No end"));
    QVERIFY(f.station.state().ranges[60].From.isEmpty());
    QCOMPARE(f.station.state().currentRange, qint16(42));

    // Saving what was loaded gives the same file back.
    QVERIFY(SaveRangeFile(f.station).ok);
    QCOMPARE(readBytes(f.rangeFile()),
             QByteArray("144\t146\tN\t0.0125\tTwo\r\n"
                        "50\t\tN\t0.1\tNo end\r\n"
                        "430\t440\tN\t0.025\tSeventy\r\n"));
}

void TestRangeFile::loadRangeFileNotices_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("notice");

    QTest::newRow("missing file says nothing") << "missing" << QByteArray() << "";
    QTest::newRow("clean file says nothing") << "file" << numberedLines(3) << "";
    QTest::newRow("one short line") << "file" << QByteArray("x\r\n") + numberedLines(2)
                                    << "1 line of \"range.rng\" was passed over";
    QTest::newRow("short and surplus lines")
            << "file" << QByteArray("x\r\n\r\n") + numberedLines(103)
            << "5 lines of \"range.rng\" were passed over";
    QTest::newRow("unreadable") << "directory" << QByteArray()
                                << "The range file \"range.rng\" could not be read";
}

void TestRangeFile::loadRangeFileNotices()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, notice);
    StationFixture f;
    if (kind == QLatin1String("file"))
        QVERIFY(writeBytes(f.rangeFile(), bytes));
    else if (kind == QLatin1String("directory"))
        QVERIFY(QDir(f.dir.path()).mkdir("range.rng"));
    LoadRangeFile(f.station);
    if (notice.isEmpty()) {
        QVERIFY(f.shell.panel.notices.isEmpty());
    } else {
        QCOMPARE(f.shell.panel.notices.size(), 1);
        QVERIFY2(f.shell.panel.notices.first().startsWith(notice),
                 qPrintable(f.shell.panel.notices.first()));
    }
    QVERIFY(f.shell.panel.errors.isEmpty());
}

void TestRangeFile::saveRangeFileFailureReported()
{
    StationFixture f;
    const QByteArray old("1\t2\tN\t0.1\told\r\n");
    QVERIFY(writeBytes(f.rangeFile(), old));
    for (int i = 0; i < Ranges::count; ++i)
        f.station.state().ranges[i] = range("1", "2", "N", "a range with a long name", "0.1");
    SaveResult result;
    bool limited = false;
    {
        const FileSizeLimit limit(100);
        limited = limit.ok();
        result = SaveRangeFile(f.station);
    }
    QVERIFY(limited);
    QVERIFY(!result.ok);
    QCOMPARE(f.shell.panel.errors.size(), 1);
    QVERIFY2(f.shell.panel.errors.first().startsWith(
                     "The range file \"range.rng\" could not be saved"),
             qPrintable(f.shell.panel.errors.first()));
    QCOMPARE(readBytes(f.rangeFile()), old);
}

QTEST_GUILESS_MAIN(TestRangeFile)
#include "test_rangefile.moc"
