#include "Targets.h"
#include "CoreFixture.h"
#include "UiFixture.h"
#include "core/TextFields.h"
#include "receiver/MemoryTransfer.h"
#include "receiver/PortSettings.h"
#include "receiver/Tuning.h"
#include "remote/RigProtocol.h"
#include "remote/RigServer.h"
#include "scan/StartUp.h"
#include "storage/BankFile.h"
#include "storage/CsvFile.h"
#include "storage/LogConversion.h"
#include "storage/RangeFile.h"
#include "ui/LogViewer.h"

#include <QApplication>
#include <QListWidget>

#include <tuple>

using namespace ze;

namespace {

using zefuzz::check;
const auto blank = [](const QString &text) { return trimSpaces(text).isEmpty(); };

// What a file keeps of a record.
auto kept(const ChannelRecord &r)
{
    return std::tie(r.Frequency, r.Description, r.Mode, r.Spare, r.ATT, r.LockOut);
}
auto kept(const RangeRecord &r)
{
    return std::tie(r.From, r.To, r.Mode, r.Step, r.Description);
}

// Load, save and load give the same records; saving those again gives the same bytes.
template<typename Table, typename Load, typename Save, typename Compare>
void fileRoundTrip(const QByteArray &data, Load load, Save save, Compare compare)
{
    static const zetest::Workspace space(false);
    const QString path = space.path(QStringLiteral("file"));
    Table first, second;
    space.writeFile(QStringLiteral("file"), data);
    load(path, first);
    check(save(path, first).ok);
    const QByteArray saved = space.readFile(QStringLiteral("file"));
    load(path, second);
    compare(first, second);
    check(save(path, second).ok && space.readFile(QStringLiteral("file")) == saved);
}

void bankFile(const QByteArray &data)
{
    const auto load = [](const QString &path, Banks &banks) { readBankFile(path, banks); };
    fileRoundTrip<Banks>(data, load, writeBankFile, [](const Banks &a, const Banks &b) {
        for (int i = 0; i < Banks::bankCount * Banks::channelCount; ++i) {
            const ChannelRecord &x = a(1 + i / 100, i % 100), &y = b(1 + i / 100, i % 100);
            check(blank(x.Frequency) ? blank(y.Frequency) : kept(x) == kept(y));
        }
    });
}

// Ranges close up when loaded: those with a From come back in their order.
void rangeFile(const QByteArray &data)
{
    fileRoundTrip<Ranges>(data, readRangeFile, writeRangeFile,
                          [](const Ranges &a, const Ranges &b) {
                              int n = 0;
                              for (int i = 0; i < Ranges::count; ++i)
                                  check(blank(a[i].From) || kept(a[i]) == kept(b[n++]));
                              check(n == Ranges::count || blank(b[n].From));
                          });
}

// Start-up takes the stored settings and shut-down stores them; the second time the same bytes.
void storedSettings(const QByteArray &data)
{
    // The hit store's writer thread runs an event loop.
    zefuzz::needApplication();
    zetest::CoreFixture core(false);
    const QString ini = QStringLiteral("settings.ini");
    // A port no device answers: start-up must open nothing real.
    core.writeFile(ini, data + "\n\n[Properties]\nCommPort=none\n");
    if (StoredSettings(core.path(ini)).read(QStringLiteral("CommPort")) != QLatin1String("none")
        || !core.startUp())
        return;
    ShutDown(*core.station);
    const QByteArray saved = core.readFile(ini);
    check(core.panel.errors.isEmpty() && core.startUp());
    ShutDown(*core.station);
    check(core.panel.errors.isEmpty() && core.readFile(ini) == saved);
}

// A channel read from the receiver's memory is kept whole by a bank file.
void memoryReply(const QByteArray &data)
{
    const int channel = data.isEmpty() ? 0 : quint8(data[0]) % Banks::channelCount;
    const auto record = parseChannelReply(QString::fromLatin1(data.mid(1)), channel);
    if (!record)
        return;
    static const zetest::Workspace space(false);
    Banks banks;
    banks(1, channel) = *record;
    check(writeBankFile(space.path(QStringLiteral("m.bnk")), banks).ok);
    readBankFile(space.path(QStringLiteral("m.bnk")), banks);
    check(kept(banks(1, channel)) == kept(*record) && record->Mode.size() <= 1
          && modeLetters.contains(record->Mode));
}

// Rows written read back the same; the channels taken from any file export and import the same.
void csvFile(const QByteArray &data)
{
    QList<QStringList> rows, again;
    readCsv(decodeCsv(data), [&rows](const CsvRow &row) { rows << row.fields; });
    QString written;
    for (const QStringList &row : rows)
        written += csvLine(row) + "\r\n";
    readCsv(written, [&again](const CsvRow &row) { again << row.fields; });
    check(rows == again);
    const CsvImport first = parseChannelCsv(data);
    Banks banks;
    for (const CsvChannel &c : first.channels)
        banks(c.bank, c.channel) = c.record;
    const CsvImport second = parseChannelCsv(channelCsv(banks, first.layout).bytes);
    check(second.refusedCount == 0 && second.channels.size() == first.channels.size());
    for (const CsvChannel &c : second.channels)
        check(kept(c.record) == kept(banks(c.bank, c.channel)));
}

// What a network client can set, as the station's side of the protocol sees it.
class RecordingRig final : public RigTarget
{
public:
    RigReading reading() const override { return {hz, mode, 5, true}; }
    // A frequency of the receiver's span in its 100 Hz steps; a mode it has.
    void setFrequency(qint64 asked) override
    {
        check(asked >= 100000 && asked <= 2036000000 && asked % 100 == 0);
        hz = asked;
    }
    void setMode(const QString &letter) override
    {
        check(letter.size() == 1 && modeLetters.contains(letter));
        mode = letter;
    }
    qint64 hz = 0;
    QString mode = QStringLiteral("N");
};

// A network client's lines: answers are plain text lines, sets only what the receiver takes.
void rigLines(const QByteArray &data)
{
    RecordingRig rig;
    for (const QByteArray &line : data.split('\n')) {
        bool quit = false;
        const QByteArray answer = answerRigLine(rig, line, quit);
        check(answer.isEmpty() || answer.endsWith('\n'));
        for (const char c : answer)
            check((c >= ' ' && c < 127) || c == '\n' || ispunct(static_cast<unsigned char>(c)));
    }
}

void levelReply(const QByteArray &data)
{
    const int level = levelFromReply(QString::fromLatin1(data));
    check(level == 0 || (level <= 15 && data.at(0) == 'A' + level));
}

// Port, line settings and handshaking, typed or stored: what is taken is taken again the same.
void lineTexts(const QByteArray &data)
{
    const QString text = QString::fromUtf8(data);
    const std::optional<LineSettings> line = parseLineSettings(text);
    const std::optional<QString> device = portDeviceName(text);
    const std::optional<qint16> code = toInt16(wholeNumber(text).value_or(-1));
    check(!line
          || lineSettingsText(*parseLineSettings(lineSettingsText(*line)))
                  == lineSettingsText(*line));
    check(!device || portDeviceName(*device) == device);
    check(!code || flowControlForCode(*code).has_value() == (*code >= 0 && *code <= 3));
}

// The keypad's text is the display's: shown (cut) and sent (15 digits) as the number it holds.
void keypadText(const QByteArray &data)
{
    const double value = leadingNumber(QString::fromUtf8(data));
    const QString shown = displayFrequency(QString::fromUtf8(data));
    const QString sent = FormatFrequency(value);
    check(shown.size() - shown.indexOf(u'.') == 5
          && qAbs(leadingNumber(shown) - value) <= 1e-4 + qAbs(value) * 1e-14);
    check(sent.size() - sent.indexOf(u'.') >= 5
          && qAbs(leadingNumber(sent) - value) <= qAbs(value) * 1e-14 + 1e-280);
}

// The viewer shows a UTF-8 line as UTF-8 after whole lines of anything.
void logLines(const QByteArray &data)
{
    // Made once and kept until the process ends: a window is slow to build.
    static zetest::UiFixture *ui = [] {
        zefuzz::needApplication();
        auto *fixture = new zetest::UiFixture(false);
        fixture->storeSetting(QStringLiteral("CommPort"), QStringLiteral("none"));
        fixture->startUp();
        fixture->app->window().openLogViewer();
        return fixture;
    }();
    ui->writeFile(QStringLiteral("logging.txt"), data + "Z\xc3\xbcrich\r\n");
    const QListWidget &list = *ui->widget<LogViewer>(QStringLiteral("frmViewLogfile"))->list();
    ui->widget<LogViewer>(QStringLiteral("frmViewLogfile"))->refresh();
    check((!data.isEmpty() && !data.endsWith('\n') && !data.endsWith('\r'))
          || list.item(list.count() - 1)->text() == QStringLiteral("Z\u00fcrich"));
    // The bank the log converts to loads whole and saves as it was made.
    const LogBank made = convertLog(data);
    Banks banks;
    ui->writeFile(QStringLiteral("log.bnk"), made.bankFile);
    const BankLoadResult loaded = readBankFile(ui->path(QStringLiteral("log.bnk")), banks);
    check(loaded.linesRead == made.channels && loaded.linesSkipped == 0
          && writeBankFile(ui->path(QStringLiteral("log.bnk")), banks).ok
          && ui->readFile(QStringLiteral("log.bnk")) == made.bankFile);
}

void run(const char *target, const QByteArray &data)
{
    static const std::pair<const char *, void (*)(const QByteArray &)> targets[]
            = {{"bank", bankFile},
               {"range", rangeFile},
               {"log", logLines},
               {"memreply", memoryReply},
               {"level", levelReply},
               {"settings", storedSettings},
               {"line", lineTexts},
               {"keypad", keypadText},
               {"csv", csvFile},
               {"rig", rigLines},
               {"command", zefuzz::commandLine},
               {"rigsocket", zefuzz::rigSocket}};
    for (const auto &[name, function] : targets)
        qstrcmp(name, target) == 0 ? function(data) : void();
}

} // namespace

#ifdef ZE_FUZZ_TARGET
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    run(ZE_FUZZ_TARGET, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
#else
// fuzz_smoke TARGET FOLDER runs the target over every file of the folder.
int main(int argc, char **argv)
{
    const QDir dir(QString::fromLocal8Bit(argc == 3 ? argv[2] : ""));
    for (const QString &file : dir.entryList(QDir::Files)) {
        QFile seed(dir.filePath(file));
        qInfo().noquote() << file;
        run(argv[1], seed.open(QIODevice::ReadOnly) ? seed.readAll() : QByteArray());
    }
    return dir.isEmpty() ? 1 : 0;
}
#endif
