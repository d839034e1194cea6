#include "PlaybackEngine.h"

#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

namespace ze {

namespace {

// A recording's frames as the bytes the sink pulls.
class SoundStream : public QIODevice
{
public:
    explicit SoundStream(SoundFileReader &reader)
        : m_reader(reader)
    {
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 frames = maxSize / qint64 {sizeof(qint16)};
        return m_reader.read(reinterpret_cast<qint16 *>(data), frames) * qint64 {sizeof(qint16)};
    }
    qint64 writeData(const char * /*data*/, qint64 /*size*/) override { return -1; }

private:
    SoundFileReader &m_reader;
};

} // namespace

PlaybackEngine::PlaybackEngine()
    : m_tick(this) // moves to the playback thread with the engine
{
    m_tick.setInterval(100);
}

PlaybackEngine::~PlaybackEngine() = default;

void PlaybackEngine::open(const QString &path)
{
    close();
    QString error;
    if (!m_reader.open(path, &error)) {
        Q_EMIT failed(
                QStringLiteral("The recording \"%1\" could not be opened: %2").arg(path, error));
        return;
    }
    QAudioFormat format;
    format.setSampleRate(m_reader.rate());
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull()) {
        Q_EMIT failed(QStringLiteral("There is no audio output to play the recording on."));
        close();
        return;
    }
    m_sink = std::make_unique<QAudioSink>(output, format);
    m_stream = std::make_unique<SoundStream>(m_reader);
    m_stream->open(QIODevice::ReadOnly);
    connect(m_sink.get(), &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::IdleState) // the end of the file
            close();
    });
    connect(&m_tick, &QTimer::timeout, this, [this] {
        if (m_sink)
            Q_EMIT position(m_startMs + m_sink->processedUSecs() / 1000);
    });
    m_startMs = 0;
    m_sink->start(m_stream.get());
    m_tick.start();
    Q_EMIT opened(m_reader.frames() * 1000 / m_reader.rate());
    Q_EMIT playing(true);
}
void PlaybackEngine::pause()
{
    if (m_sink && m_sink->state() == QAudio::ActiveState) {
        m_sink->suspend();
        Q_EMIT playing(false);
    }
}
void PlaybackEngine::resume()
{
    if (m_sink && m_sink->state() == QAudio::SuspendedState) {
        m_sink->resume();
        Q_EMIT playing(true);
    }
}
void PlaybackEngine::seek(qint64 ms)
{
    if (!m_sink || !m_reader.seek(ms * m_reader.rate() / 1000))
        return;
    // What the sink holds already still plays; the count starts again from here.
    const bool wasSuspended = m_sink->state() == QAudio::SuspendedState;
    m_sink->reset();
    m_startMs = ms;
    m_sink->start(m_stream.get());
    if (wasSuspended)
        m_sink->suspend();
    Q_EMIT position(ms);
}
void PlaybackEngine::close()
{
    m_tick.stop();
    m_tick.disconnect(this);
    const bool was = m_sink != nullptr;
    if (m_sink) {
        m_sink->disconnect(this);
        m_sink->stop();
    }
    m_sink.reset();
    m_stream.reset();
    m_reader.close();
    if (was) {
        Q_EMIT playing(false);
        Q_EMIT closed();
    }
}

} // namespace ze
