#include "core/Clock.h"
#include "core/Station.h"
#include "storage/BankFile.h"
#include "storage/TextFields.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace ze;

namespace {

// A list that remembers what was put into it.
class RecordingList final : public ItemList
{
public:
    void clearItems() override
    {
        texts.clear();
        data.clear();
        ++clears;
    }
    void addItem(const QString &text, int value) override
    {
        texts << text;
        data << value;
    }
    void setBusy(bool busy) override { busyChanges << busy; }

    QStringList texts;
    QList<int> data;
    QList<bool> busyChanges;
    int clears = 0;
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
    void showStatus(const QString &text) override
    {
        statusTexts << text;
        status = text;
    }
    QString statusText() const override { return status; }
    bool showsFrequency() const override { return true; }
    int squelchValue() const override { return 0; }
    int stepValue() const override { return 0; }
    bool writeToLogfile() const override { return false; }
    bool spectrumTicked() const override { return false; }
    QString delayText() const override { return {}; }
    bool bankTicked(int bank) const override { return ticked[bank - 1]; }
    QSize spectrumSize() const override { return {}; }
    void drawSpectrumLine(int, int, int, SpectrumPen) override { }
    void clearSpectrum() override { }
    void showPortState(const QString &) override { }
    void showNotice(const QString &text) override { notices << text; }
    void reportError(const QString &text) override { errors << text; }

    bool ticked[4] = {true, true, true, true};
    QString status;
    QStringList statusTexts;
    QStringList notices;
    QStringList errors;
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
    ItemList &mainChannelList() override { return mainChannels; }
    ItemList &editorChannelList() override { return editorChannels; }
    ItemList &mainRangeList() override { return mainRanges; }
    ItemList &editorRangeList() override { return editorRanges; }
    void clearDisplay() override { }
    void showMainWindow() override { }
    void reportStartupError(const QString &) override { }

    FakePanel panel;
    RecordingList mainChannels;
    RecordingList editorChannels;
    RecordingList mainRanges;
    RecordingList editorRanges;
};

// A station on a temporary working directory with a fake window attached.
struct StationFixture
{
    QTemporaryDir dir;
    ManualClock clock;
    FakeShell shell;
    Station station {StationPaths {dir.path(), dir.path() + QStringLiteral("/settings.ini")},
                     clock};

    StationFixture() { station.attach(&shell); }
    QString path(const QString &name) const { return dir.filePath(name); }
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

ChannelRecord channel(const QString &mode, const QString &frequency, const QString &description,
                      qint16 spare = 0, qint16 att = 0, qint16 lockOut = 0)
{
    ChannelRecord record;
    record.Mode = mode;
    record.Frequency = frequency;
    record.Description = description;
    record.Spare = spare;
    record.ATT = att;
    record.LockOut = lockOut;
    return record;
}

int filledChannels(const Banks &banks)
{
    int count = 0;
    for (int bank = 1; bank <= Banks::bankCount; ++bank) {
        for (int ch = 0; ch < Banks::channelCount; ++ch) {
            const ChannelRecord &record = banks(bank, ch);
            if (!record.Frequency.isEmpty() || !record.Mode.isEmpty()
                || !record.Description.isEmpty() || record.Spare || record.ATT || record.LockOut)
                ++count;
        }
    }
    return count;
}

// Makes file writes beyond a few bytes fail for as long as it lives; root ignores permissions
// but not this limit.
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

const QByteArray exampleLine(" 2 \t 15 \tW\t98.5000\t 0 \t 0 \t 1 \tRadio\r\n");

} // namespace

class TestBankFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exampleLineBytes();
    void roundTripBytes_data();
    void roundTripBytes();
    void readingRule_data();
    void readingRule();
    void laterLineWins();
    void clearKeepsZNumber();
    void emptyFile();
    void missingOrUnreadableFile_data();
    void missingOrUnreadableFile();
    void badLinesPassedOver_data();
    void badLinesPassedOver();
    void junkNeverCrashes_data();
    void junkNeverCrashes();
    void oversizedFileRefused();
    void onlySpacesFrequencyNotWritten();
    void textsThatWouldBreakTheLine();
    void nonLatin1TextInLatin1File();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void channelListEntry_data();
    void channelListEntry();

    // Operations on a station.
    void loadShowsProgressAndFillsList();
    void fillChannelListFollowsTickedBanks();
    void loadMissingFileTellsOperator();
    void loadCountsPassedOverLines_data();
    void loadCountsPassedOverLines();
    void saveBankFileWritesCurrentBank();
    void saveBankFileFailureReported();
};

void TestBankFile::exampleLineBytes()
{
    QTemporaryDir dir;
    Banks banks;
    banks(2, 15) = channel("W", "98.5000", "Radio", 0, 0, 1);
    QCOMPARE(bankFileLine(2, 15, banks(2, 15)) + QLatin1String("\r\n"),
             QString::fromLatin1(exampleLine));
    const QString path = dir.filePath("example.bnk");
    QVERIFY(writeBankFile(path, banks).ok);
    QCOMPARE(readBytes(path), exampleLine);
}

void TestBankFile::roundTripBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("latin1");

    QTest::newRow("ascii") << QByteArray(" 1 \t 0 \tN\t145.5000\t 0 \t 0 \t 0 \tTower\r\n"
                                         " 2 \t 15 \tW\t98.5000\t 0 \t 0 \t 1 \tRadio\r\n"
                                         " 4 \t 99 \tC\t7.0100\t-3 \t 1 \t 0 \t\r\n")
                           << false;
    QTest::newRow("utf-8") << QByteArray(" 1 \t 5 \tA\t120.0000\t 0 \t 1 \t 0 \tZ\xC3\xBCrich "
                                         "\xE6\x9D\xB1\xE4\xBA\xAC\r\n")
                           << false;
    QTest::newRow("latin-1") << QByteArray(" 3 \t 7 \tL\t3.6000\t 0 \t 0 \t 0 \tCaf\xE9 \xA9\r\n"
                                           " 3 \t 8 \tU\t3.7000\t 0 \t 0 \t 0 \t\xFC\r\n")
                             << true;
    QTest::newRow("tabs in description")
            << QByteArray(" 1 \t 1 \tN\t145.0000\t 0 \t 0 \t 0 \ta\tb \t c\t\r\n") << false;
    QTest::newRow("trailing spaces of mode and frequency")
            << QByteArray(" 1 \t 2 \tW  \t145.0000 \t 0 \t 0 \t 0 \tx\r\n") << false;
    QTest::newRow("large numbers")
            << QByteArray(" 1 \t 3 \tN\t1.0000\t 32767 \t-32768 \t 2 \ty\r\n") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestBankFile::roundTripBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, latin1);
    QTemporaryDir dir;
    const QString in = dir.filePath("in.bnk");
    const QString out = dir.filePath("out.bnk");
    QVERIFY(writeBytes(in, bytes));

    Banks banks;
    const BankLoadResult result = readBankFile(in, banks);
    QVERIFY(result.opened);
    QCOMPARE(result.linesSkipped, 0);
    QCOMPARE(result.linesRead, int(bytes.count("\r\n")));
    QCOMPARE(banks.latin1, latin1);
    QVERIFY(writeBankFile(out, banks).ok);
    QCOMPARE(readBytes(out), bytes);
}

void TestBankFile::readingRule_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("bank");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<int>("spare");
    QTest::addColumn<int>("att");
    QTest::addColumn<int>("lockOut");
    QTest::addColumn<QString>("description");

    QTest::newRow("canonical") << exampleLine << 2 << 15 << "W"
                               << "98.5000" << 0 << 0 << 1 << "Radio";
    QTest::newRow("leading spaces lost, trailing kept")
            << QByteArray(" 1 \t   5 \t  W  \t  145.5  \t 0 \t 1 \t 0 \t   Tower  ") << 1 << 5
            << "W  "
            << "145.5  " << 0 << 1 << 0 << "Tower";
    QTest::newRow("tabs inside description")
            << QByteArray("1\t2\tN\t1\t0\t0\t0\t a\tb \t c ") << 1 << 2 << "N"
            << "1" << 0 << 0 << 0 << "a\tb \t c";
    QTest::newRow("numbers rounded half to even")
            << QByteArray(" 2.4 \t 3.5 \tN\t1\t 2.5 \t 1.5 \t-0.5 \tx") << 2 << 4 << "N"
            << "1" << 2 << 2 << 0 << "x";
    QTest::newRow("text where a number belongs is zero")
            << QByteArray("1\t0\tN\t1\tabc\t\tz9\td") << 1 << 0 << "N"
            << "1" << 0 << 0 << 0 << "d";
    QTest::newRow("number with letters after")
            << QByteArray("4\t99x\tC\t2036\t7kHz\t1\t2\tend") << 4 << 99 << "C"
            << "2036" << 7 << 1 << 2 << "end";
    QTest::newRow("lone LF line end") << QByteArray("3\t0\tA\t9\t0\t0\t0\tq\n") << 3 << 0 << "A"
                                      << "9" << 0 << 0 << 0 << "q";
}

void TestBankFile::readingRule()
{
    QFETCH(QByteArray, line);
    QFETCH(int, bank);
    QFETCH(int, channel);
    QTemporaryDir dir;
    const QString path = dir.filePath("rule.bnk");
    QVERIFY(writeBytes(path, line));

    Banks banks;
    const BankLoadResult result = readBankFile(path, banks);
    QCOMPARE(result.linesRead, 1);
    QCOMPARE(result.linesSkipped, 0);
    QCOMPARE(filledChannels(banks), 1);
    const ChannelRecord &record = banks(bank, channel);
    QTEST(record.Mode, "mode");
    QTEST(record.Frequency, "frequency");
    QTEST(int(record.Spare), "spare");
    QTEST(int(record.ATT), "att");
    QTEST(int(record.LockOut), "lockOut");
    QTEST(record.Description, "description");
}

void TestBankFile::laterLineWins()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("repeat.bnk");
    QVERIFY(writeBytes(path,
                       " 3 \t 9 \tN\t100.0000\t 0 \t 0 \t 0 \tfirst\r\n"
                       " 1 \t 0 \tA\t200.0000\t 0 \t 0 \t 0 \tother\r\n"
                       " 3 \t 9 \tW\t101.0000\t 0 \t 1 \t 0 \tsecond\r\n"));
    Banks banks;
    QList<QPair<int, int>> progress;
    const BankLoadResult result = readBankFile(path, banks, [&](int b, int c) {
        progress.append({b, c});
    });
    QCOMPARE(result.linesRead, 3);
    QCOMPARE(progress, (QList<QPair<int, int>> {{3, 9}, {1, 0}, {3, 9}}));
    QCOMPARE(banks(3, 9).Description, QString("second"));
    QCOMPARE(banks(3, 9).Frequency, QString("101.0000"));
    QCOMPARE(banks(3, 9).ATT, qint16(1));
    QCOMPARE(filledChannels(banks), 2);

    // Saved in bank and channel order whatever the order of the lines was.
    QVERIFY(writeBankFile(path, banks).ok);
    QCOMPARE(readBytes(path),
             QByteArray(" 1 \t 0 \tA\t200.0000\t 0 \t 0 \t 0 \tother\r\n"
                        " 3 \t 9 \tW\t101.0000\t 0 \t 1 \t 0 \tsecond\r\n"));
}

void TestBankFile::clearKeepsZNumber()
{
    Banks banks;
    banks(2, 40) = channel("U", "14.2000", "ham", 5, 1, 1);
    banks(2, 40).ZNumber = 17;
    clearBanks(banks);
    QCOMPARE(filledChannels(banks), 0);
    QCOMPARE(banks(2, 40).ZNumber, qint16(17));

    // A load clears first and keeps ZNumber too.
    QTemporaryDir dir;
    const QString path = dir.filePath("z.bnk");
    QVERIFY(writeBytes(path, exampleLine));
    banks(2, 40).Frequency = QStringLiteral("1.0");
    readBankFile(path, banks);
    QVERIFY(banks(2, 40).Frequency.isEmpty());
    QCOMPARE(banks(2, 40).ZNumber, qint16(17));
}

void TestBankFile::emptyFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("empty.bnk");
    QVERIFY(writeBytes(path, QByteArray()));
    Banks banks;
    banks(1, 1) = channel("N", "1.0000", "old");
    const BankLoadResult result = readBankFile(path, banks);
    QVERIFY(result.opened);
    QCOMPARE(result.linesRead, 0);
    QCOMPARE(result.linesSkipped, 0);
    QCOMPARE(filledChannels(banks), 0);
}

void TestBankFile::missingOrUnreadableFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("directory") << "directory";
}

void TestBankFile::missingOrUnreadableFile()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath("x.bnk");
    if (kind == QLatin1String("directory"))
        QVERIFY(QDir(dir.path()).mkdir("x.bnk"));
    Banks banks;
    banks(4, 4) = channel("N", "1.0000", "old");
    const BankLoadResult result = readBankFile(path, banks);
    QVERIFY(!result.opened);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(filledChannels(banks), 0);
}

void TestBankFile::badLinesPassedOver_data()
{
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<int>("skipped");

    QTest::newRow("short line") << QByteArray("1\t2\tN\t145.0000\r\n") << 1;
    QTest::newRow("six tabs") << QByteArray(" 1 \t 2 \tN\t1\t 0 \t 0 \t 0 \r\n") << 1;
    QTest::newRow("blank line") << QByteArray("\r\n") << 1;
    QTest::newRow("spaces only") << QByteArray("    \r\n") << 1;
    QTest::newRow("bank 5") << QByteArray(" 5 \t 2 \tN\t1\t 0 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("bank 0") << QByteArray(" 0 \t 2 \tN\t1\t 0 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("bank text") << QByteArray("B1\t 2 \tN\t1\t 0 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("channel 100") << QByteArray(" 1 \t 100 \tN\t1\t 0 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("channel -1") << QByteArray(" 1 \t-1 \tN\t1\t 0 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("channel 99.5 rounds to 100")
            << QByteArray(" 1 \t 99.5 \tN\t1\t 0 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("spare 70000") << QByteArray(" 1 \t 2 \tN\t1\t 70000 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("att 40000") << QByteArray(" 1 \t 2 \tN\t1\t 0 \t 40000 \t 0 \tx\r\n") << 1;
    QTest::newRow("lockout -40000") << QByteArray(" 1 \t 2 \tN\t1\t 0 \t 0 \t-40000 \tx\r\n") << 1;
    QTest::newRow("bank overflowing double")
            << QByteArray("1e999\t 2 \tN\t1\t 0 \t 0 \t 0 \tx\r\n") << 1;
    QTest::newRow("three bad") << QByteArray("\r\n 9 \t 1 \tN\t1\t 0 \t 0 \t 0 \tx\r\nshort\r\n")
                               << 3;
}

void TestBankFile::badLinesPassedOver()
{
    QFETCH(QByteArray, bad);
    QFETCH(int, skipped);
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.bnk");
    QVERIFY(writeBytes(path,
                       " 1 \t 0 \tN\t145.0000\t 0 \t 0 \t 0 \tbefore\r\n" + bad
                               + " 4 \t 99 \tW\t98.0000\t 0 \t 0 \t 0 \tafter\r\n"));
    Banks banks;
    const BankLoadResult result = readBankFile(path, banks);
    QVERIFY(result.opened);
    QCOMPARE(result.linesSkipped, skipped);
    QCOMPARE(result.linesRead, 2);
    QCOMPARE(filledChannels(banks), 2);
    QCOMPARE(banks(1, 0).Description, QString("before"));
    QCOMPARE(banks(4, 99).Description, QString("after"));
}

void TestBankFile::junkNeverCrashes_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QRandomGenerator random(20240611);
    QByteArray noise(256 * 1024, '\0');
    for (char &c : noise)
        c = static_cast<char>(random.bounded(256));
    QTest::newRow("random bytes") << noise;

    // Random bytes drawn mostly from the characters that matter to the format.
    const QByteArray alphabet("\t\t\t\r\n 0123456789-.eE+xN\xE9\xC3\0", 24);
    QByteArray structured(256 * 1024, '\0');
    for (char &c : structured)
        c = alphabet[random.bounded(alphabet.size())];
    QTest::newRow("format characters") << structured;

    QTest::newRow("nul bytes") << QByteArray(" 1 \t 0 \tN\0\t1\t 0 \t 0 \t 0 \ta\0b\r\n\0\0\0", 32);
    QTest::newRow("huge line without tabs") << QByteArray(4 * 1024 * 1024, 'x');
    QTest::newRow("huge line of tabs") << QByteArray(1024 * 1024, '\t');
    QTest::newRow("huge number") << " 1 \t " + QByteArray(200000, '9')
                    + " \tN\t1\t 0 \t 0 \t 0 \tx";
    QTest::newRow("many line ends") << QByteArray(200000, '\n');
    QTest::newRow("many good lines")
            << QByteArray(" 1 \t 0 \tN\t145.0000\t 0 \t 0 \t 0 \trepeated\r\n").repeated(20000);
}

void TestBankFile::junkNeverCrashes()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath("junk.bnk");
    QVERIFY(writeBytes(path, bytes));
    Banks banks;
    const BankLoadResult result = readBankFile(path, banks);
    QVERIFY(result.opened);
    // Every line is either taken or counted.
    QCOMPARE(result.linesRead + result.linesSkipped, int(splitLines(bytes).size()));
    // Whatever was taken goes out and comes back the same.
    const QString copy = dir.filePath("copy.bnk");
    QVERIFY(writeBankFile(copy, banks).ok);
    Banks again;
    const BankLoadResult reread = readBankFile(copy, again);
    QCOMPARE(reread.linesSkipped, 0);
    for (int b = 1; b <= Banks::bankCount; ++b) {
        for (int c = 0; c < Banks::channelCount; ++c) {
            const ChannelRecord &first = banks(b, c);
            if (first.isEmpty())
                continue;
            const ChannelRecord &second = again(b, c);
            QCOMPARE(second.Mode, first.Mode);
            QCOMPARE(second.Frequency, first.Frequency);
            QCOMPARE(second.Description, first.Description);
            QCOMPARE(second.Spare, first.Spare);
            QCOMPARE(second.ATT, first.ATT);
            QCOMPARE(second.LockOut, first.LockOut);
        }
    }
}

void TestBankFile::oversizedFileRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.bnk");
    QVERIFY(writeBytes(path, QByteArray(101, 'x')));
    QByteArray bytes;
    QString error;
    QVERIFY(!readDataFile(path, bytes, &error, 100));
    QVERIFY(bytes.isEmpty());
    QVERIFY(!error.isEmpty());
    QVERIFY(readDataFile(path, bytes, &error, 101));
    QCOMPARE(bytes.size(), 101);
}

void TestBankFile::onlySpacesFrequencyNotWritten()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("spaces.bnk");
    Banks banks;
    banks(1, 3) = channel("N", "   ", "blank frequency");
    banks(1, 4) = channel("N", "", "no frequency");
    banks(2, 0) = channel("A", " 7.0000", "kept");
    QVERIFY(writeBankFile(path, banks).ok);
    QCOMPARE(readBytes(path), QByteArray(" 2 \t 0 \tA\t 7.0000\t 0 \t 0 \t 0 \tkept\r\n"));

    // Its leading blank is lost on the way back, as every reader of the format loses it.
    readBankFile(path, banks);
    QCOMPARE(banks(2, 0).Frequency, QString("7.0000"));
    QCOMPARE(filledChannels(banks), 1);
}

void TestBankFile::textsThatWouldBreakTheLine()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("breaks.bnk");
    Banks banks;
    banks(1, 0) = channel("N\t", "145\t5", "two\r\nlines\tand tab", 3, 1, 0);
    QVERIFY(writeBankFile(path, banks).ok);
    QCOMPARE(readBytes(path),
             QByteArray(" 1 \t 0 \tN \t145 5\t 3 \t 1 \t 0 \ttwo  lines\tand tab\r\n"));
    Banks back;
    const BankLoadResult result = readBankFile(path, back);
    QCOMPARE(result.linesRead, 1);
    QCOMPARE(back(1, 0).Spare, qint16(3));
    QCOMPARE(back(1, 0).ATT, qint16(1));
    QCOMPARE(back(1, 0).Description, QString("two  lines\tand tab"));
}

void TestBankFile::nonLatin1TextInLatin1File()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mixed.bnk");
    QVERIFY(writeBytes(path, " 1 \t 0 \tN\t1.0000\t 0 \t 0 \t 0 \tCaf\xE9\r\n"));
    Banks banks;
    readBankFile(path, banks);
    QVERIFY(banks.latin1);
    banks(1, 1) = channel("N", "2.0000", QString::fromUtf8("\xE2\x82\xAC"));
    QVERIFY(writeBankFile(path, banks).ok);
    // The whole file goes out as UTF-8, so it reads back whole.
    Banks back;
    readBankFile(path, back);
    QVERIFY(!back.latin1);
    QCOMPARE(back(1, 0).Description, QString::fromUtf8("Café"));
    QCOMPARE(back(1, 1).Description, QString::fromUtf8("€"));
}

void TestBankFile::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("file size limit") << "limit";
    QTest::newRow("path is a directory") << "directory";
    QTest::newRow("working directory gone") << "nodir";
    QTest::newRow("read-only directory") << "readonly";
}

void TestBankFile::failedSaveKeepsOldFile()
{
    QFETCH(QString, how);
    QTemporaryDir dir;
    QString path = dir.filePath("old.bnk");
    const QByteArray old = exampleLine;
    QVERIFY(writeBytes(path, old));

    Banks banks;
    for (int c = 0; c < Banks::channelCount; ++c)
        banks(3, c) = channel("N", "430.0000", QStringLiteral("a longer description %1").arg(c));

    SaveResult result;
    if (how == QLatin1String("limit")) {
        bool limited = false;
        {
            // Nothing may be logged while the limit holds: the log may be a file too.
            const FileSizeLimit limit(64);
            limited = limit.ok();
            result = writeBankFile(path, banks);
        }
        QVERIFY(limited);
    } else if (how == QLatin1String("directory")) {
        path = dir.filePath("dir.bnk");
        QVERIFY(QDir(dir.path()).mkdir("dir.bnk"));
        result = writeBankFile(path, banks);
        QVERIFY(QFileInfo(path).isDir());
    } else if (how == QLatin1String("nodir")) {
        result = writeBankFile(dir.filePath("gone/old.bnk"), banks);
        QVERIFY(!QFileInfo::exists(dir.filePath("gone")));
    } else {
        if (geteuid() == 0)
            QSKIP("root writes into read-only directories");
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        result = writeBankFile(path, banks);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(readBytes(dir.filePath("old.bnk")), old);
    // No temporary file is left behind.
    QStringList left = QDir(dir.path()).entryList(QDir::Files);
    QCOMPARE(left, QStringList {"old.bnk"});
}

void TestBankFile::channelListEntry_data()
{
    QTest::addColumn<int>("bank");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("lockOut");
    QTest::addColumn<int>("att");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("entry");

    QTest::newRow("both flags") << 1 << 5 << 1 << 1 << "145.5000"
                                << "Tower"
                                << " 1- 5  XA  145.5000  Tower";
    QTest::newRow("no flags") << 1 << 5 << 0 << 0 << "145.5000"
                              << "Tower"
                              << " 1- 5    145.5000  Tower";
    QTest::newRow("lockout only") << 2 << 0 << 1 << 0 << "98.5000"
                                  << ""
                                  << " 2- 0  X  98.5000  ";
    QTest::newRow("att only") << 3 << 42 << 0 << 1 << "7.0000"
                              << "x"
                              << " 3- 42  A  7.0000  x";
    QTest::newRow("lockout 2 shows no X") << 4 << 99 << 2 << 0 << "1.0000"
                                          << "d"
                                          << " 4- 99    1.0000  d";
    QTest::newRow("att -1 shows no A") << 4 << 1 << 0 << -1 << "1.0000"
                                       << "d"
                                       << " 4- 1    1.0000  d";
    QTest::newRow("frequency as stored") << 1 << 0 << 0 << 0 << "145.5  "
                                         << "a\tb"
                                         << " 1- 0    145.5    a\tb";
}

void TestBankFile::channelListEntry()
{
    QFETCH(int, bank);
    QFETCH(int, channel);
    QFETCH(int, lockOut);
    QFETCH(int, att);
    QFETCH(QString, frequency);
    QFETCH(QString, description);
    const ChannelRecord record = ::channel("N", frequency, description, 0, static_cast<qint16>(att),
                                           static_cast<qint16>(lockOut));
    QTEST(ze::channelListEntry(bank, channel, record), "entry");
}

void TestBankFile::loadShowsProgressAndFillsList()
{
    StationFixture f;
    QVERIFY(f.dir.isValid());
    QVERIFY(writeBytes(f.path("Air.bnk"),
                       " 1 \t 5 \tA\t118.1000\t 0 \t 1 \t 1 \tTower\r\n"
                       " 2 \t 15 \tW\t98.5000\t 0 \t 0 \t 2 \tRadio\r\n"
                       " 1 \t 7 \tN\t   \t 0 \t 0 \t 0 \tno frequency\r\n"));
    f.station.state().currentBankName = QStringLiteral("Air");
    f.station.state().banks(4, 0) = channel("N", "1.0000", "replaced");
    RecordingList list;
    list.addItem(QStringLiteral("stale"), 1);

    const BankLoadResult result = LoadBankFile(f.station, list);
    QCOMPARE(result.linesRead, 3);
    QCOMPARE(f.shell.panel.statusTexts,
             QStringList({"Reading bank from file  1 channel  5",
                          "Reading bank from file  2 channel  15",
                          "Reading bank from file  1 channel  7", ""}));
    QCOMPARE(list.busyChanges, QList<bool>({true, false}));
    QCOMPARE(list.texts, QStringList({" 1- 5  XA  118.1000  Tower", " 2- 15    98.5000  Radio"}));
    QCOMPARE(list.data, QList<int>({105, 215}));
    // LockOut 2 shows no X but stays 2.
    QCOMPARE(f.station.state().banks(2, 15).LockOut, qint16(2));
    QVERIFY(f.station.state().banks(4, 0).Frequency.isEmpty());
    QCOMPARE(f.shell.panel.notices, QStringList {QString()});
    QVERIFY(f.shell.panel.errors.isEmpty());
}

void TestBankFile::fillChannelListFollowsTickedBanks()
{
    StationFixture f;
    Banks &banks = f.station.state().banks;
    banks(1, 0) = channel("N", "1.0000", "one");
    banks(2, 50) = channel("N", "2.0000", "two");
    banks(3, 99) = channel("N", "3.0000", "three");
    banks(4, 1) = channel("N", "4.0000", "four");
    RecordingList list;

    f.shell.panel.ticked[1] = false;
    f.shell.panel.ticked[3] = false;
    FillChannelList(f.station, list);
    QCOMPARE(list.data, QList<int>({100, 399}));

    for (bool &ticked : f.shell.panel.ticked)
        ticked = false;
    FillChannelList(f.station, list);
    QVERIFY(list.texts.isEmpty());
    QCOMPARE(list.clears, 2);
    // The banks stay loaded although nothing is listed.
    QCOMPARE(filledChannels(banks), 4);
}

void TestBankFile::loadMissingFileTellsOperator()
{
    StationFixture f;
    f.station.state().currentBankName = QStringLiteral("nothere");
    f.station.state().banks(1, 1) = channel("N", "1.0000", "old");
    RecordingList list;
    const BankLoadResult result = LoadBankFile(f.station, list);
    QVERIFY(!result.opened);
    QCOMPARE(filledChannels(f.station.state().banks), 0);
    QVERIFY(list.texts.isEmpty());
    QCOMPARE(list.busyChanges, QList<bool>({true, false}));
    QCOMPARE(f.shell.panel.notices.size(), 1);
    QVERIFY2(f.shell.panel.notices.first().startsWith(
                     "The bank file \"nothere.bnk\" could not be read"),
             qPrintable(f.shell.panel.notices.first()));
    QCOMPARE(f.shell.panel.statusTexts, QStringList {QString()});
}

void TestBankFile::loadCountsPassedOverLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("notice");

    const QByteArray good(" 1 \t 0 \tN\t145.0000\t 0 \t 0 \t 0 \tgood\r\n");
    QTest::newRow("three") << "short\r\n" + good + "\r\n 5 \t 0 \tN\t1\t 0 \t 0 \t 0 \tx\r\n"
                           << "3 lines of \"x.bnk\" were passed over";
    QTest::newRow("one") << good + " 1 \t 100 \tN\t1\t 0 \t 0 \t 0 \tx\r\n"
                         << "1 line of \"x.bnk\" was passed over";
    QTest::newRow("none") << good << "";
}

void TestBankFile::loadCountsPassedOverLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, notice);
    StationFixture f;
    QVERIFY(writeBytes(f.path("x.bnk"), bytes));
    f.station.state().currentBankName = QStringLiteral("x");
    LoadBankFile(f.station, f.shell.mainChannels);
    QCOMPARE(f.shell.panel.notices, QStringList {notice});
    QCOMPARE(f.shell.mainChannels.data, QList<int>({100}));
}

void TestBankFile::saveBankFileWritesCurrentBank()
{
    StationFixture f;
    f.station.state().currentBankName = QStringLiteral("Radio");
    f.station.state().banks(2, 15) = channel("W", "98.5000", "Radio", 0, 0, 1);
    const QString before = f.shell.panel.status;
    QVERIFY(SaveBankFile(f.station).ok);
    QCOMPARE(readBytes(f.path("Radio.bnk")), exampleLine);
    QCOMPARE(f.shell.panel.status, before);
    QVERIFY(f.shell.panel.errors.isEmpty());
}

void TestBankFile::saveBankFileFailureReported()
{
    StationFixture f;
    QVERIFY(writeBytes(f.path("Radio.bnk"), exampleLine));
    f.station.state().currentBankName = QStringLiteral("Radio");
    for (int c = 0; c < Banks::channelCount; ++c)
        f.station.state().banks(1, c) = channel("N", "145.0000", "channel");
    SaveResult result;
    bool limited = false;
    {
        const FileSizeLimit limit(100);
        limited = limit.ok();
        result = SaveBankFile(f.station);
    }
    QVERIFY(limited);
    QVERIFY(!result.ok);
    QCOMPARE(f.shell.panel.errors.size(), 1);
    QVERIFY2(f.shell.panel.errors.first().startsWith(
                     "The bank file \"Radio.bnk\" could not be saved"),
             qPrintable(f.shell.panel.errors.first()));
    QCOMPARE(readBytes(f.path("Radio.bnk")), exampleLine);
}

QTEST_GUILESS_MAIN(TestBankFile)
#include "test_bankfile.moc"
