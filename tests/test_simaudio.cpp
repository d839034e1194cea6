// The simulated receiver's audio output, recorded back from the sound server.

#include "ToneCheck.h"
#include "Workspace.h"
#include <QSerialPort>

#include <QtTest>

using namespace zesim;

namespace {

constexpr int rate = 16000;
constexpr int block = rate / 100; // 10 ms

// The receiver with a serial line to tune it.
struct Tuner : zetest::Workspace
{
    Tuner()
        : Workspace(true)
        , port(path(QStringLiteral("receiver")))
    {
        port.open(QIODevice::ReadWrite);
    }
    void tune(const QByteArray &frequency)
    {
        const size_t before = sim.waitForCommands(0, 0);
        port.write(frequency + '\r');
        QVERIFY(port.waitForBytesWritten(2000));
        QCOMPARE(sim.waitForCommands(before + 1, 5000), before + 1);
    }
    // Until what the server still holds from before is played out.
    bool playedOn(double seconds)
    {
        const auto until
                = sim.audioFramesWritten() + static_cast<unsigned long long>(seconds * rate);
        return QTest::qWaitFor([&] { return sim.audioFramesWritten() >= until; }, 5000);
    }
    QSerialPort port;
};

} // namespace

class SimAudioTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pitches();
    void withoutSoundServer();
    void toneOfTheSignalTuned();
};

void SimAudioTest::pitches()
{
    QSet<double> heard;
    for (int i = 0; i < 24; ++i) {
        const double hz = toneHertz(145.5 + i * 0.0125);
        QVERIFY2(hz >= 300 && hz <= 3000, qPrintable(QString::number(hz)));
        heard << hz;
    }
    QCOMPARE(heard.size(), 24);
    QCOMPARE(toneHertz(145.5004), toneHertz(145.5)); // within the 0.5 kHz heard
}

void SimAudioTest::withoutSoundServer()
{
    const QByteArray saved = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/pulse.sock");
    Tuner rx;
    std::string error;
    const bool on = rx.sim.setAudio(true, &error);
    saved.isNull() ? qunsetenv("PULSE_SERVER") : qputenv("PULSE_SERVER", saved);
    QVERIFY(!on);
    QVERIFY(!error.empty());
    QVERIFY(!rx.sim.audioPlaying());
    rx.tune("145.5000");
    QCOMPARE(rx.sim.tunedFrequency(), std::string("145.5000"));
}

void SimAudioTest::toneOfTheSignalTuned()
{
    bool required = false;
    std::string why;
    if (!zetest::soundServerForTests(&required, &why)) {
        if (required)
            QFAIL(why.c_str());
        QSKIP(why.c_str());
    }
    Tuner rx;
    rx.sim.setSignalLevelAt(145.5, 15);
    rx.sim.setSignalLevelAt(145.5125, 15);
    rx.tune("145.5000");
    QVERIFY2(rx.sim.setAudio(true, &why), why.c_str());
    const double hz = toneHertz(145.5);
    QTRY_COMPARE(rx.sim.toneNow(), hz);
    QVERIFY(rx.playedOn(0.1));
    const std::vector<float> clean = zetest::recordDefaultSource(rate, 1.0, &why);
    QVERIFY2(!clean.empty(), why.c_str());
    const double heard = zetest::dominantHertz(clean, rate);
    QVERIFY2(std::fabs(heard - hz) < 20, qPrintable(QString::number(heard)));
    QCOMPARE(zetest::continuityBreaks(clean, rate, hz, 0.1), 0);
    QVERIFY2(std::fabs(zetest::peakOf(clean) - 0.5f) < 0.05f,
             qPrintable(QString::number(zetest::peakOf(clean))));

    // The checker sees a 10 ms gap, a block played twice and one left out.
    const auto middle = clean.begin() + rate / 2;
    std::vector<float> gap(clean.begin(), middle);
    gap.insert(gap.end(), block, 0.0f);
    gap.insert(gap.end(), middle, clean.end());
    std::vector<float> repeated(clean.begin(), middle);
    repeated.insert(repeated.end(), middle - block, clean.end());
    std::vector<float> dropped(clean.begin(), middle);
    dropped.insert(dropped.end(), middle + block, clean.end());
    for (const auto *spliced : {&gap, &repeated, &dropped})
        QVERIFY(zetest::continuityBreaks(*spliced, rate, hz, 0.1) > 0);

    // The next channel up has a pitch of its own; tuned off every signal, silence.
    rx.tune("145.5125");
    QTRY_COMPARE(rx.sim.toneNow(), toneHertz(145.5125));
    QVERIFY(rx.playedOn(0.1));
    const std::vector<float> next = zetest::recordDefaultSource(rate, 0.3, &why);
    QVERIFY(std::fabs(zetest::dominantHertz(next, rate) - toneHertz(145.5125)) < 20);
    rx.tune("146.0000");
    QTRY_COMPARE(rx.sim.toneNow(), 0.0);
    QVERIFY(rx.playedOn(0.1));
    const std::vector<float> quiet = zetest::recordDefaultSource(rate, 0.3, &why);
    QCOMPARE(quiet.size(), size_t(rate * 3 / 10));
    QVERIFY2(zetest::peakOf(quiet) < 0.001f, qPrintable(QString::number(zetest::peakOf(quiet))));
    rx.sim.stop();
    QVERIFY(!rx.sim.audioPlaying());
}

QTEST_GUILESS_MAIN(SimAudioTest)
#include "test_simaudio.moc"
