#include "CoreFixture.h"
#include "FileHelpers.h"
#include "ToneCheck.h"
#include "UiFixture.h"
#include "audio/Playback.h"
#include "audio/Recorder.h"
#include "audio/SoundFile.h"
#include "scan/HitRecorder.h"
#include "ui/MainWindow.h"
#include "ui/OptionsWindow.h"
#include "ui/RecordingPlayer.h"

#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include <sndfile.h>

#include <csignal>

using namespace ze;

namespace {

// A station at 00:16:40 on a clock that keeps up with the sound, which comes in real time.
struct Recording : zetest::CoreFixture
{
    Recording()
    {
        clock.setSecondsSinceMidnight(1000);
        clock.setLocalNow(QDateTime(QDate(2026, 1, 2), QTime(0, 16, 40)));
    }
    bool start(const RecordingSettings &settings)
    {
        if (!startUp())
            return false;
        recorder = std::make_unique<Recorder>(*station, engine->hitRecorder());
        // The sound server's input that hears what plays on it, by its name.
        RecordingSettings chosen = settings;
        chosen.device = QStringLiteral("ze_input");
        recorder->apply(chosen);
        // The sound server takes a moment to send the first sound.
        return QTest::qWaitFor([this] { return recorder->framesCaptured() > 0; }, 10000);
    }
    // Passes for ms of real time, the station's clock advanced by the time they took.
    void runFor(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        qint64 last = 0;
        while (timer.elapsed() < ms) {
            loop->pass();
            QCoreApplication::processEvents();
            const qint64 now = timer.elapsed();
            clock.advance(double(now - last) / 1000.0);
            last = now;
        }
    }
    QVector<Hit> hits()
    {
        engine->hitStore().flush();
        QVector<Hit> all = engine->hitStore().newest({}, nullptr, 100);
        std::reverse(all.begin(), all.end());
        return all;
    }
    std::unique_ptr<Recorder> recorder;
};

std::vector<float> samplesOf(const QString &path, int *rate)
{
    SoundFileReader reader;
    std::vector<float> samples;
    if (!reader.open(path))
        return samples;
    *rate = reader.rate();
    std::vector<qint16> block(4096);
    for (qint64 got; (got = reader.read(block.data(), qint64(block.size()))) > 0;)
        for (qint64 i = 0; i < got; ++i)
            samples.push_back(float(block[size_t(i)]) / 32768.0f);
    return samples;
}

// The stretch where the tone sounds, from its first loud sample to its last.
std::vector<float> toneOf(const std::vector<float> &samples)
{
    const auto loud = [](float s) { return std::abs(s) > 0.05f; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    return first < last ? std::vector<float>(first, last) : std::vector<float>();
}

} // namespace

class TestRecording : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void eachHitItsFileWithItsSound_data();
    void eachHitItsFileWithItsSound();
    void aFullDiskLeavesNoCutFile();
    void anInputThatGoesKeepsItsFileAndComesBack();
    void aKilledRecordingIsMadeWholeAtTheNextStart_data();
    void aKilledRecordingIsMadeWholeAtTheNextStart();
    void oldRecordingsGo();
    void aRecordingPlaysPausesAndSeeks();
    void noSoundServer();
};

void TestRecording::init()
{
    const bool noSound = qEnvironmentVariableIsSet("ZE_NO_SOUND");
    if (noSound != (QTest::currentTestFunction() == QLatin1String("noSoundServer")))
        QSKIP("runs in the other process of this suite");
    const QByteArray name = QTest::currentTestFunction();
    // scripts/test starts a private sound server whose default input hears what plays on it:
    // the simulated receiver plays there and the station records from there.
    bool required = false;
    std::string why;
    if ((name.startsWith("each") || name.startsWith("aFull") || name.startsWith("anInput")
         || name.startsWith("aRecording"))
        && !zetest::soundServerForTests(&required, &why)) {
        if (required)
            QFAIL(why.c_str());
        QSKIP(why.c_str());
    }
}

void TestRecording::eachHitItsFileWithItsSound_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("flac") << int(RecordingFormat::Flac) << "flac";
    QTest::newRow("wav") << int(RecordingFormat::Wav) << "wav";
    QTest::newRow("opus") << int(RecordingFormat::Opus) << "opus";
}

void TestRecording::eachHitItsFileWithItsSound()
{
    QFETCH(int, format);
    QFETCH(QString, suffix);
    Recording f;
    std::string error;
    QVERIFY2(f.sim.setAudio(true, &error), error.c_str());
    RecordingSettings settings;
    settings.enabled = true;
    settings.format = RecordingFormat(format);
    QVERIFY(f.start(settings));
    f.panel.ticked = {true, false, false, false};
    f.putChannel(1, 1, QStringLiteral("145.1000"), 0, QStringLiteral("Tower"));
    f.putChannel(1, 2, QStringLiteral("145.2000"));
    f.panel.delay = QStringLiteral("1");
    QSignalSpy saved(f.recorder.get(), &Recorder::recordingSaved);
    f.pressScan();
    f.runFor(300);
    // Two transmissions, one on each channel, of different lengths and pitches.
    const struct
    {
        double mhz;
        int ms;
    } heard[] = {{145.1, 1200}, {145.2, 700}};
    for (const auto &h : heard) {
        f.sim.setSignalLevelAt(h.mhz, 12);
        f.runFor(h.ms);
        f.sim.setSignalLevelAt(h.mhz, 0);
        // The hold's delay, then on to the next channel.
        f.runFor(2300);
    }
    QTRY_COMPARE_WITH_TIMEOUT(saved.size(), 2, 5000);
    const QVector<Hit> hits = f.hits();
    QCOMPARE(hits.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const Hit &hit = hits[i];
        QCOMPARE(saved[i][0].toLongLong(), hit.id);
        // recordings/2026-01-02/001641_145.1000_N.flac and the like.
        const QString local = hit.start.toLocalTime().toString(QStringLiteral("yyyy-MM-dd/HHmmss"));
        QCOMPARE(hit.recording,
                 QStringLiteral("recordings/%1_%2_N.%3").arg(local, hit.frequency, suffix));
        int rate = 0;
        const std::vector<float> samples = samplesOf(f.path(hit.recording), &rate);
        QCOMPARE(rate, 16000);
        // The hit, the pre-roll and the tail; the line's and the sound server's delays within
        // 0.3 s.
        const double seconds = double(samples.size()) / rate;
        const double expected = hit.durationMs() / 1000.0 + 1.0;
        QVERIFY2(qAbs(seconds - expected) <= 0.3,
                 qPrintable(QStringLiteral("%1 s recorded for %2 s").arg(seconds).arg(expected)));
        const std::vector<float> tone = toneOf(samples);
        const double wanted = zesim::toneHertz(heard[i].mhz);
        QVERIFY2(double(tone.size()) / rate > heard[i].ms / 1000.0 - 0.3,
                 qPrintable(QString::number(tone.size())));
        QVERIFY2(qAbs(zetest::dominantHertz(tone, rate) - wanted) < 20,
                 qPrintable(QString::number(zetest::dominantHertz(tone, rate))));
        // Lossy Opus reshapes the wave; the lossless formats keep every block in its place.
        if (settings.format != RecordingFormat::Opus)
            QCOMPARE(zetest::continuityBreaks(tone, rate, wanted, 0.05), 0);
        SoundFileReader reader;
        QVERIFY(reader.open(f.path(hit.recording)));
        QCOMPARE(reader.tag(SF_STR_TITLE), hit.frequency + QStringLiteral(" N"));
        QCOMPARE(reader.tag(SF_STR_ALBUM), QStringLiteral("Bank 1 channel 0%1").arg(i + 1));
        QCOMPARE(reader.tag(SF_STR_COMMENT), hit.description);
    }
    QVERIFY(QDir(f.path(QStringLiteral("recordings")))
                    .entryList({QStringLiteral("*.part")}, QDir::Files)
                    .isEmpty());
}

void TestRecording::aFullDiskLeavesNoCutFile()
{
    Recording f;
    QVERIFY(f.sim.setAudio(true));
    RecordingSettings settings;
    settings.enabled = true;
    settings.format = RecordingFormat::Wav;
    QVERIFY(f.start(settings));
    f.panel.ticked = {true, false, false, false};
    f.putChannel(1, 1, QStringLiteral("145.1000"));
    f.sim.setSignalLevelAt(145.1, 12);
    QSignalSpy saved(f.recorder.get(), &Recorder::recordingSaved);
    QSignalSpy begun(&f.engine->hitRecorder(), &HitRecorder::hitBegun);
    f.engine->hitStore().flush();
    qint64 largest = 0;
    for (const QFileInfo &file : QDir(f.dir()).entryInfoList(QDir::Files))
        largest = std::max(largest, file.size());
    f.pressScan();
    // The hit store keeps its room; a recording has room for about a second and a half.
    QVERIFY(zetest::withFileSizeLimit(largest + 48000, [&] {
        f.runFor(3000);
        f.sim.setSignalLevelAt(145.1, 0);
        f.runFor(3500);
    }));
    QVERIFY(saved.isEmpty());
    QVERIFY2(f.panel.notice.startsWith(QLatin1String("Recording: a recording could not be "
                                                     "written")),
             qPrintable(f.panel.notice));
    const QStringList left
            = QDir(f.path(QStringLiteral("recordings/2026-01-02"))).entryList(QDir::Files);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
    // The hit is in the list all the same, and the scan went on.
    QCOMPARE(begun.size(), 1);
    QCOMPARE(f.hits().size(), 1);
    QCOMPARE(int(f.station->state().operatingMode), int(ModeScanning));
}

// The sound server's own tool, on the server the tests were given.
QString pactl(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("pactl"), arguments);
    tool.waitForFinished(5000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

void TestRecording::anInputThatGoesKeepsItsFileAndComesBack()
{
    Recording f;
    QVERIFY(f.sim.setAudio(true));
    RecordingSettings settings;
    settings.enabled = true;
    QVERIFY(f.start(settings));
    f.panel.ticked = {true, false, false, false};
    f.putChannel(1, 1, QStringLiteral("145.1000"));
    f.sim.setSignalLevelAt(145.1, 12);
    QSignalSpy saved(f.recorder.get(), &Recorder::recordingSaved);
    f.pressScan();
    f.runFor(1500);
    // The input is unplugged in the middle of the hit.
    const QString module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                  QStringLiteral("sink_name=ze_spare")});
    pactl({QStringLiteral("set-default-source"), QStringLiteral("ze_spare.monitor")});
    const QString input
            = pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("modules")})
                      .split(u'\n')
                      .filter(QStringLiteral("module-remap-source"))
                      .value(0)
                      .section(u'\t', 0, 0);
    QVERIFY(!input.isEmpty());
    pactl({QStringLiteral("unload-module"), input});
    // Whatever the test finds, the server is left as it was for the suites after it.
    const auto restore = qScopeGuard([module] {
        if (!pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sources")})
                     .contains(QLatin1String("ze_input")))
            pactl({QStringLiteral("load-module"), QStringLiteral("module-remap-source"),
                   QStringLiteral("source_name=ze_input"),
                   QStringLiteral("master=ze_null.monitor")});
        pactl({QStringLiteral("set-default-source"), QStringLiteral("ze_input")});
        pactl({QStringLiteral("unload-module"), module});
    });
    QVERIFY(QTest::qWaitFor(
            [&] {
                f.runFor(100);
                return saved.size() == 1;
            },
            5000));
    QVERIFY2(f.panel.notice.endsWith(QLatin1String("recording resumes when the input is back")),
             qPrintable(f.panel.notice));
    int rate = 0;
    const std::vector<float> kept = samplesOf(f.path(saved[0][1].toString()), &rate);
    QVERIFY2(double(kept.size()) / rate > 1.0, qPrintable(QString::number(kept.size())));
    // It comes back: the next hit is recorded again.
    pactl({QStringLiteral("load-module"), QStringLiteral("module-remap-source"),
           QStringLiteral("source_name=ze_input"), QStringLiteral("master=ze_null.monitor")});
    pactl({QStringLiteral("set-default-source"), QStringLiteral("ze_input")});
    QVERIFY(QTest::qWaitFor(
            [&] {
                f.runFor(100);
                return f.recorder->capturing() && f.panel.notice.isEmpty();
            },
            10000));
    f.sim.setSignalLevelAt(145.1, 0);
    f.runFor(3000);
    f.sim.setSignalLevelAt(145.1, 12);
    f.runFor(1000);
    f.sim.setSignalLevelAt(145.1, 0);
    f.runFor(3000);
    QTRY_COMPARE_WITH_TIMEOUT(saved.size(), 2, 5000);
}

void TestRecording::aKilledRecordingIsMadeWholeAtTheNextStart_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("flac") << int(RecordingFormat::Flac);
    QTest::newRow("wav") << int(RecordingFormat::Wav);
}

void TestRecording::aKilledRecordingIsMadeWholeAtTheNextStart()
{
    QFETCH(int, format);
    zetest::CoreFixture f(false);
    const QString day = f.path(QStringLiteral("recordings/2026-01-02"));
    QVERIFY(QDir().mkpath(day));
    const QString earlier = day + QStringLiteral("/001000_145.1000_N.flac");
    {
        SoundFileWriter whole;
        const std::vector<qint16> second(16000, 1000);
        QVERIFY(whole.open(earlier, RecordingFormat::Flac, 16000, {}, nullptr));
        QVERIFY(whole.write(second.data(), 16000) && whole.close());
    }
    const QString cut = day + QStringLiteral("/001640_145.5000_N.flac");
    QProcess writer;
    writer.start(QStringLiteral(ZE_RECORDING_WRITER),
                 {cut + QStringLiteral(".part"), QString::number(format)});
    QVERIFY(writer.waitForReadyRead(5000));
    ::kill(pid_t(writer.processId()), SIGKILL);
    writer.waitForFinished();
    // A part is left alone while it may still be written, so it is made old.
    QFile part(cut + QStringLiteral(".part"));
    QVERIFY(part.open(QIODevice::ReadWrite));
    QVERIFY(part.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                             QFileDevice::FileModificationTime));
    part.close();

    Recorder recorder(*f.station, f.engine->hitRecorder());
    QVERIFY(!QFile::exists(cut + QStringLiteral(".part")));
    SoundFileReader reader;
    QVERIFY(reader.open(cut));
    std::vector<qint16> all(size_t(16000 * 60));
    const qint64 frames = reader.read(all.data(), qint64(all.size()));
    // Playable up to near the kill: at least the second it said it had written.
    QVERIFY2(frames >= 16000, qPrintable(QString::number(frames)));
    QCOMPARE(reader.tag(SF_STR_TITLE), QStringLiteral("145.5000 N"));
    QVERIFY(reader.open(earlier));
    QCOMPARE(reader.frames(), qint64 {16000});
}

void TestRecording::oldRecordingsGo()
{
    zetest::CoreFixture f(false);
    const QDate today = QDate::currentDate();
    const QStringList days {today.addDays(-10).toString(Qt::ISODate),
                            today.addDays(-2).toString(Qt::ISODate), QStringLiteral("notes")};
    for (const QString &day : days) {
        QVERIFY(QDir().mkpath(f.path(QStringLiteral("recordings/") + day)));
        f.writeFile(QStringLiteral("recordings/%1/120000_145.5000_N.flac").arg(day), "x");
        f.writeFile(QStringLiteral("recordings/%1/mine.txt").arg(day), "kept");
    }
    Recorder recorder(*f.station, f.engine->hitRecorder());
    // Off by default: everything stays.
    QVERIFY(QFile::exists(
            f.path(QStringLiteral("recordings/%1/120000_145.5000_N.flac").arg(days[0]))));
    RecordingSettings settings;
    settings.keepDays = 7;
    recorder.apply(settings);
    const auto left = [&](const QString &day) {
        return QDir(f.path(QStringLiteral("recordings/") + day)).entryList(QDir::Files);
    };
    // The operator's own files stay, and the folder with them.
    QCOMPARE(left(days[0]), QStringList {QStringLiteral("mine.txt")});
    QCOMPARE(left(days[1]).size(), 2);
    QCOMPARE(left(days[2]).size(), 2);
}

void TestRecording::aRecordingPlaysPausesAndSeeks()
{
    // Three seconds of 1037 Hz: what plays on the sound server is heard back from its input.
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tone.flac"));
    {
        std::vector<qint16> tone(48000);
        for (size_t i = 0; i < tone.size(); ++i)
            tone[i] = qint16(12000 * std::sin(2 * M_PI * 1037 * double(i) / 16000));
        SoundFileWriter file;
        QVERIFY(file.open(path, RecordingFormat::Flac, 16000, {}, nullptr));
        QVERIFY(file.write(tone.data(), qint64(tone.size())) && file.close());
    }
    RecordingPlayer player(QStringLiteral("Hit"));
    QVERIFY(!player.playButton()->isEnabled());
    player.setFile(path);
    QVERIFY(player.playButton()->isEnabled());
    QSignalSpy started(&player.playback(), &Playback::started);
    QSignalSpy ended(&player.playback(), &Playback::ended);
    player.playButton()->click();
    QTRY_COMPARE(started.size(), 1);
    QCOMPARE(started[0][0].toLongLong(), qint64 {3000});
    std::string error;
    const std::vector<float> heard = zetest::recordDefaultSource(16000, 0.8, &error);
    QVERIFY2(!heard.empty(), error.c_str());
    QVERIFY2(qAbs(zetest::dominantHertz(heard, 16000) - 1037) < 20,
             qPrintable(QString::number(zetest::dominantHertz(heard, 16000))));
    player.playButton()->click();
    QTRY_VERIFY(!player.playback().playing());
    QCOMPARE(player.playButton()->text(), QStringLiteral("&Play"));
    const qint64 paused = player.playback().positionMs();
    QTest::qWait(300);
    QCOMPARE(player.playback().positionMs(), paused);
    // On from two and a half seconds: it ends about half a second later.
    QSignalSpy moved(&player.playback(), &Playback::positionChanged);
    player.playback().seek(2500);
    player.playButton()->click();
    QTRY_VERIFY(moved.size() >= 2);
    QVERIFY2(moved.last()[0].toLongLong() >= 2500 && moved.last()[0].toLongLong() < 3000,
             qPrintable(moved.last()[0].toString()));
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 3000);
    // Played to its end, the next play starts it again.
    QCOMPARE(player.playButton()->text(), QStringLiteral("&Play"));
    player.playButton()->click();
    QTRY_COMPARE(started.size(), 2);
}

void TestRecording::noSoundServer()
{
    {
        zetest::UiFixture f;
        f.storeSetting(QStringLiteral("Record"), QStringLiteral("1"));
        QVERIFY(f.startUp());
        f.app->window().openOptions();
        QCOMPARE(f.widget<QLabel>(QStringLiteral("lblAudioState"))->text(),
                 QStringLiteral("no audio input found"));
        auto *record = f.widget<QCheckBox>(QStringLiteral("chkRecord"));
        QVERIFY(!record->isChecked() && !record->isEnabled());
        QVERIFY(!f.app->recorder().capturing());
    }
    // Recording asked for all the same: the station scans as always and says why nothing is
    // recorded.
    Recording f;
    RecordingSettings settings;
    settings.enabled = true;
    QVERIFY(!f.start(settings));
    QCOMPARE(f.panel.notice,
             QStringLiteral("Recording: no audio input found; recording resumes "
                            "when the input is back"));
    f.panel.ticked = {true, false, false, false};
    f.putChannel(1, 1, QStringLiteral("145.1000"));
    f.sim.setSignalLevelAt(145.1, 12);
    f.pressScan();
    f.runFor(300);
    QCOMPARE(int(f.station->state().operatingMode), int(ModeScanning));
    QCOMPARE(f.hits().size(), 1);
    QVERIFY(f.hits().first().recording.isEmpty());
}

QTEST_MAIN(TestRecording)
#include "test_recording.moc"
