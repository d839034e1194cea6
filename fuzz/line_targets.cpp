// Fuzz targets for what reaches the receiver's line and the network server's sockets.
#include "FakePanel.h"
#include "RawClient.h"
#include "Targets.h"
#include "UiFixture.h"
#include "core/ReceiverLink.h"
#include "core/Station.h"
#include "receiver/MemoryTransfer.h"
#include "receiver/Tuning.h"
#include "remote/RigProtocol.h"
#include "remote/RigServer.h"
#include "scan/ControlLoop.h"
#include "scan/RangeSearch.h"
#include "storage/BankFile.h"
#include "storage/CsvFile.h"
#include "storage/RangeFile.h"

#include <QApplication>
#include <QTemporaryDir>

namespace zefuzz {

namespace {

using namespace ze;

// A receiver link that keeps what would have gone on the line and answers every command with
// the plain reply.
class RecordingLink final : public ReceiverLink
{
public:
    QString exchange(const ReceiverCommand &command) override
    {
        const QByteArray &line = command.bytes();
        // Every byte a command may carry, and the whole of it the grammar.
        check(isReceiverCommand(line));
        for (const char c : line)
            check(c == ' ' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'));
        ++sent;
        return QStringLiteral("\r\n>");
    }
    bool lastExchangeTimedOut() const override { return false; }
    void probe() override { }
    void OpenPort() override { }
    void ResetPort() override { }
    void close() override { }
    bool isOpen() const override { return true; }
    QString lastError() const override { return {}; }
    QString stateText() const override { return {}; }
    bool setPort(const QString &, QString *) override { return true; }
    bool setLineSettings(const QString &, QString *) override { return true; }
    bool setHandshaking(int, QString *) override { return true; }

    int sent = 0;
};

// The station on the recording link, with every view a fake.
struct LineRig
{
    LineRig()
        : station({dir.path(), dir.filePath(QStringLiteral("settings.ini"))}, clock)
    {
        station.setLink(&link);
        station.attach(panel.views());
    }
    ~LineRig() { station.setLink(nullptr); }
    QString path(const QString &name) const { return dir.filePath(name); }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

    // Every channel tuned, then all of them stored into the receiver's memory.
    void tuneAndStoreChannels()
    {
        ProgramState &state = station.state();
        for (int bank = 1; bank <= Banks::bankCount; ++bank) {
            for (int channel = 0; channel < Banks::channelCount; ++channel) {
                if (state.banks(bank, channel).isEmpty())
                    continue;
                state.currentBank = static_cast<qint16>(bank);
                state.currentChannel = static_cast<qint16>(channel);
                TuneChannel(station);
            }
        }
        WriteMemoryBanks(station);
    }

    QTemporaryDir dir;
    ManualClock clock;
    zetest::FakePanel panel;
    RecordingLink link;
    Station station;
};

// What a network client sets, carried out as the server would.
class StationRig final : public RigTarget
{
public:
    explicit StationRig(Station &station)
        : m_station(station)
    {
    }
    RigReading reading() const override { return {0, QStringLiteral("N"), 0, true}; }
    void setFrequency(qint64 hz) override { m_station.commands().tune(hz); }
    void setMode(const QString &letter) override { m_station.commands().chooseMode(letter); }

private:
    Station &m_station;
};

} // namespace

// Whatever a bank file, a range file, a CSV file, a memory reply, the keypad or a network client
// holds, nothing but commands of the grammar reaches the line. The first byte picks the reader.
void commandLine(const QByteArray &data)
{
    if (data.isEmpty())
        return;
    LineRig rig;
    const QByteArray rest = data.mid(1);
    ProgramState &state = rig.station.state();
    switch (static_cast<unsigned char>(data[0]) % 6) {
    case 0:
        rig.write(QStringLiteral("b.bnk"), rest);
        readBankFile(rig.path(QStringLiteral("b.bnk")), state.banks);
        rig.tuneAndStoreChannels();
        break;
    case 1:
        rig.write(QStringLiteral("range.rng"), rest);
        readRangeFile(rig.path(QStringLiteral("range.rng")), state.ranges);
        for (int range = 0; range < Ranges::count; ++range) {
            if (state.ranges[range].isEmpty())
                continue;
            state.currentRange = static_cast<qint16>(range);
            state.operatingMode = ModeSearching;
            for (int step = 0; step < 3; ++step)
                SearchStep(rig.station);
        }
        break;
    case 2:
        for (const CsvChannel &c : parseChannelCsv(rest).channels)
            state.banks(c.bank, c.channel) = c.record;
        rig.tuneAndStoreChannels();
        break;
    case 3:
        if (const auto record = parseChannelReply(QString::fromLatin1(rest.mid(1)), 0)) {
            state.banks(1, 0) = *record;
            rig.tuneAndStoreChannels();
        }
        break;
    case 4:
        rig.panel.frequency = QString::fromLatin1(rest);
        state.operatingMode = ModeDirect;
        rig.station.commands().pressKey(KeyEnter);
        break;
    default: {
        StationRig target(rig.station);
        for (const QByteArray &line : rest.split('\n')) {
            bool quit = false;
            answerRigLine(target, line, quit);
            if (const auto &pending = state.pendingTune)
                rig.station.Exchange(pending->command);
        }
        break;
    }
    }
}

void needApplication()
{
    static int argc = 0;
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, nullptr); // kept as qApp
    }
}

// What a network client sends, in pieces, with or without closing its side: the server answers
// in whole lines and still serves a fresh client afterwards. The first byte sets the pieces'
// size and whether the client half-closes.
void rigSocket(const QByteArray &data)
{
    static zetest::UiFixture *ui = [] {
        needApplication();
        auto *fixture = new zetest::UiFixture(false);
        fixture->storeSetting(QStringLiteral("CommPort"), QStringLiteral("none"));
        fixture->startUp();
        fixture->app->rigServer().apply({true, 0, false});
        return fixture;
    }();
    if (data.isEmpty())
        return;
    const int port = ui->app->rigServer().port();
    const int piece = 1 + static_cast<unsigned char>(data[0]) % 64;
    const bool halfClose = data[0] & 0x40;
    const QByteArray rest = data.mid(1);
    {
        zetest::RawClient client(port);
        check(client.connected());
        for (qsizetype at = 0; at < rest.size() && client.send(rest.mid(at, piece)); at += piece)
            QCoreApplication::processEvents();
        if (halfClose)
            client.finishSending();
        else
            client.send("\n\\quit\n");
        QByteArray answers;
        client.waitForClose(2000, &answers);
        check(client.closedByServer());
        for (const char c : answers)
            check((c >= ' ' && c < 127) || c == '\n');
        check(answers.isEmpty() || answers.endsWith('\n'));
    }
    QCoreApplication::processEvents();
    zetest::RawClient fresh(port);
    check(fresh.send("\\get_vfo\n") && fresh.readLines(1) == "VFOA\n");
}

} // namespace zefuzz
