#include "AudioCapture.h"

#include <QAudioSource>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace ze {

namespace {

constexpr int wantedRate = 16000;

QAudioFormat formatFor(const QAudioDevice &device)
{
    QAudioFormat format;
    format.setSampleRate(wantedRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (device.isFormatSupported(format))
        return format;
    // The device's own rate and channels, mixed down to mono here.
    format = device.preferredFormat();
    if (format.sampleFormat() == QAudioFormat::Unknown)
        format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

qint16 sampleAt(const char *at, QAudioFormat::SampleFormat format)
{
    switch (format) {
    case QAudioFormat::UInt8:
        return qint16((int(quint8(*at)) - 128) << 8);
    case QAudioFormat::Int32: {
        qint32 v;
        std::memcpy(&v, at, sizeof v);
        return qint16(v >> 16);
    }
    case QAudioFormat::Float: {
        float v;
        std::memcpy(&v, at, sizeof v);
        return qint16(std::lround(std::clamp(v, -1.0F, 1.0F) * 32767.0F));
    }
    default: {
        qint16 v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    }
}

} // namespace

struct AudioCapture::Take
{
    TakeRequest request;
    SoundFileWriter file;
    qint64 tailLeft = -1; // frames still to come after the hit ended; -1 while it lasts
    bool failed = false;
};

AudioCapture::AudioCapture(QObject *parent)
    : QObject(parent)
    , m_watchdog(this)
{
    m_watchdog.setInterval(500);
    connect(&m_watchdog, &QTimer::timeout, this, &AudioCapture::watch);
}

AudioCapture::~AudioCapture()
{
    stop();
}

void AudioCapture::start(const QAudioDevice &device, int preRollMs, int tailMs, int maxSeconds)
{
    // Qt's sound backend handles this thread's events while it makes or takes down a source, so
    // a start or stop that comes meanwhile would find one half made or half gone: it waits for
    // the change under way, and the last one asked for is done then.
    if (m_changing > 0) {
        m_asked = Asked {false, device, preRollMs, tailMs, maxSeconds};
        return;
    }
    ++m_changing;
    startNow(device, preRollMs, tailMs, maxSeconds);
    --m_changing;
    runAsked();
}

void AudioCapture::startNow(const QAudioDevice &device, int preRollMs, int tailMs, int maxSeconds)
{
    finish();
    releaseSource();
    if (device.isNull()) {
        Q_EMIT inputLost(QStringLiteral("no audio input found"));
        return;
    }
    m_format = formatFor(device);
    const int rate = m_format.sampleRate();
    m_ring.assign(size_t(qint64 {rate} * preRollMs / 1000), 0);
    m_ringStart = m_ringCount = 0;
    m_tailFrames = qint64 {rate} * tailMs / 1000;
    m_maxFrames = qint64 {rate} * maxSeconds;
    m_source = std::make_unique<QAudioSource>(device, m_format);
    // A fifth of a second in the sound server's hands: with less, the source drops sound when
    // the thread is late (5 % of it at 50 ms, measured), and this thread never waits on the line.
    m_source->setBufferSize(m_format.bytesForDuration(200000));
    connect(m_source.get(), &QAudioSource::stateChanged, this, &AudioCapture::stateChanged);
    m_input = m_source->start();
    if (!m_input || m_source->error() != QAudio::NoError) {
        releaseSource();
        Q_EMIT inputLost(QStringLiteral("the audio input \"%1\" could not be opened")
                                 .arg(device.description()));
        return;
    }
    connect(m_input, &QIODevice::readyRead, this, &AudioCapture::readInput);
    m_lastSound.invalidate();
    m_watchdog.start();
    Q_EMIT running(rate);
}

void AudioCapture::stop()
{
    if (m_changing > 0) {
        m_asked = Asked {};
        m_asked->stop = true;
        return;
    }
    ++m_changing;
    finish();
    releaseSource();
    --m_changing;
    runAsked();
}

void AudioCapture::runAsked()
{
    if (!m_asked)
        return;
    const Asked asked = *std::exchange(m_asked, std::nullopt);
    if (asked.stop)
        stop();
    else
        start(asked.device, asked.preRollMs, asked.tailMs, asked.maxSeconds);
}

// A source the sound server took away may say nothing of it: no sound for so long is the same.
void AudioCapture::watch()
{
    constexpr qint64 silentMs = 2000;
    if (m_changing > 0 || !m_source || !m_lastSound.isValid() || m_lastSound.elapsed() < silentMs)
        return;
    finish();
    releaseSource();
    Q_EMIT inputLost(QStringLiteral("the audio input stopped"));
}

void AudioCapture::releaseSource()
{
    m_watchdog.stop();
    // Out of the members first: taking a source down handles events of this thread.
    const std::unique_ptr<QAudioSource> source = std::move(m_source);
    QIODevice *const input = std::exchange(m_input, nullptr);
    m_partial.clear();
    if (source) {
        source->disconnect(this);
        if (input)
            input->disconnect(this);
        source->stop();
    }
}

void AudioCapture::stateChanged()
{
    if (m_changing > 0 || !m_source || m_source->state() != QAudio::StoppedState
        || m_source->error() == QAudio::NoError)
        return;
    // What was heard so far stays a whole file.
    finish();
    releaseSource();
    Q_EMIT inputLost(QStringLiteral("the audio input stopped"));
}

void AudioCapture::readInput()
{
    if (!m_input)
        return;
    m_partial += m_input->readAll();
    m_lastSound.start();
    const int frameBytes = m_format.bytesPerFrame();
    if (frameBytes <= 0)
        return;
    const qsizetype whole = m_partial.size() / frameBytes * frameBytes;
    if (whole == 0)
        return;
    toMono(QByteArray::fromRawData(m_partial.constData(), whole));
    m_partial.remove(0, whole);
    const auto frames = qint64(m_mono.size());
    m_captured.fetch_add(frames, std::memory_order_relaxed);
    take(m_mono.data(), frames);
    remember(m_mono.data(), frames);

    for (const qint16 s : m_mono)
        m_peak = std::max(m_peak, std::abs(double(s)) / 32768.0);
    m_peakFrames += frames;
    if (m_peakFrames >= m_format.sampleRate() / 10) {
        Q_EMIT level(m_peak);
        m_peak = 0;
        m_peakFrames = 0;
    }
}

void AudioCapture::toMono(const QByteArray &bytes)
{
    const int channels = std::max(1, m_format.channelCount());
    const int sampleBytes = m_format.bytesPerSample();
    const QAudioFormat::SampleFormat kind = m_format.sampleFormat();
    const qsizetype frames = bytes.size() / m_format.bytesPerFrame();
    m_mono.resize(size_t(frames));
    const char *at = bytes.constData();
    for (qsizetype i = 0; i < frames; ++i) {
        int sum = 0;
        for (int c = 0; c < channels; ++c, at += sampleBytes)
            sum += sampleAt(at, kind);
        m_mono[size_t(i)] = qint16(sum / channels);
    }
}

void AudioCapture::remember(const qint16 *samples, qint64 frames)
{
    const size_t capacity = m_ring.size();
    if (capacity == 0)
        return;
    // Only the newest `capacity` frames can stay.
    if (size_t(frames) > capacity) {
        samples += size_t(frames) - capacity;
        frames = qint64(capacity);
    }
    for (qint64 i = 0; i < frames; ++i) {
        m_ring[(m_ringStart + m_ringCount) % capacity] = samples[i];
        if (m_ringCount < capacity)
            ++m_ringCount;
        else
            m_ringStart = (m_ringStart + 1) % capacity;
    }
}

void AudioCapture::begin(const TakeRequest &request)
{
    finish();
    if (!m_source)
        return;
    m_take = std::make_unique<Take>();
    m_take->request = request;
    QString error;
    QDir().mkpath(QFileInfo(request.path).absolutePath());
    if (!m_take->file.open(request.path + QStringLiteral(".part"), request.format,
                           m_format.sampleRate(), request.tags, &error)) {
        finish(QStringLiteral("a recording could not be made in \"%1\": %2")
                       .arg(QFileInfo(request.path).absolutePath(), error));
        return;
    }
    // The pre-roll first, oldest frame first.
    const size_t capacity = m_ring.size();
    const size_t firstPart = std::min(m_ringCount, capacity - m_ringStart);
    take(m_ring.data() + m_ringStart, qint64(firstPart));
    take(m_ring.data(), qint64(m_ringCount - firstPart));
}

void AudioCapture::take(const qint16 *samples, qint64 frames)
{
    if (!m_take || frames <= 0)
        return;
    Take &t = *m_take;
    qint64 n = std::min(frames, m_maxFrames - t.file.frames());
    if (t.tailLeft >= 0)
        n = std::min(n, t.tailLeft);
    if (!t.file.write(samples, n)) {
        finish(QStringLiteral("a recording could not be written in \"%1\" (is the disk full?)")
                       .arg(QFileInfo(t.request.path).absolutePath()));
        return;
    }
    if (t.tailLeft >= 0)
        t.tailLeft -= n;
    if (t.tailLeft == 0 || t.file.frames() >= m_maxFrames)
        finish();
}

void AudioCapture::end(qint64 hitId)
{
    if (!m_take || m_take->request.hitId != hitId)
        return;
    m_take->tailLeft = m_tailFrames;
    if (m_tailFrames == 0)
        finish();
}

void AudioCapture::finish(const QString &problem)
{
    if (!m_take)
        return;
    const std::unique_ptr<Take> t = std::move(m_take);
    TakeResult result;
    result.hitId = t->request.hitId;
    result.path = t->request.path;
    result.relative = t->request.relative;
    result.frames = t->file.frames();
    result.rate = m_format.sampleRate();
    result.problem = problem;
    const QString part = t->request.path + QStringLiteral(".part");
    QString error;
    const bool opened = t->file.isOpen();
    if (opened && !t->file.close(&error) && result.problem.isEmpty())
        result.problem = QStringLiteral("a recording could not be finished in \"%1\": %2")
                                 .arg(QFileInfo(t->request.path).absolutePath(), error);
    // A file that is not whole goes: a cut one would fail to play.
    result.kept = opened && result.problem.isEmpty() && result.frames > 0
            && QFile::rename(part, t->request.path);
    if (!result.kept)
        QFile::remove(part);
    if (opened && result.problem.isEmpty() && result.frames > 0 && !result.kept)
        result.problem
                = QStringLiteral("a recording could not be named \"%1\"").arg(t->request.path);
    Q_EMIT finished(result);
}

} // namespace ze
