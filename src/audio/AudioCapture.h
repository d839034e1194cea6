#pragma once

#include "SoundFile.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class QAudioSource;
class QIODevice;

namespace ze {

// One recording asked for: a hit began.
struct TakeRequest
{
    qint64 hitId = 0;
    QString path; // where the file ends up; written as path + ".part" until it is whole
    QString relative; // the same, from the working folder
    RecordingFormat format = RecordingFormat::Flac;
    SoundTags tags;
};

// What became of it.
struct TakeResult
{
    qint64 hitId = 0;
    QString path;
    QString relative;
    qint64 frames = 0;
    int rate = 0;
    bool kept = false; // false: nothing usable, the file is gone
    QString problem; // why, for the operator; "" when all went well
};

// The sound card's side of the recorder. It lives in a thread of its own, because an exchange
// can hold the main thread for seconds while the audio keeps coming: it reads the input, keeps
// the last moments in a ring (the pre-roll, so a transmission's start is not cut), and writes
// the recording of the hit on the air to its file. Its functions are called in its thread.
class AudioCapture : public QObject
{
    Q_OBJECT
public:
    explicit AudioCapture(QObject *parent = nullptr);
    ~AudioCapture() override;

    void start(const QAudioDevice &device, int preRollMs, int tailMs, int maxSeconds);
    // Closes the recording under way as a whole file and lets the input go.
    void stop();
    // A recording from the pre-roll on; one still in its tail is finished first.
    void begin(const TakeRequest &request);
    // The hit ended: the recording goes on for the tail, then it is finished.
    void end(qint64 hitId);

    // Frames read from the input since the start, from any thread (the bench counts them).
    qint64 framesCaptured() const { return m_captured.load(std::memory_order_relaxed); }

Q_SIGNALS:
    void running(int rate);
    void level(double peak); // 0..1, about ten times a second
    void finished(const ze::TakeResult &result);
    // The input stopped giving sound (unplugged, the sound server gone).
    void inputLost(const QString &why);

private:
    struct Take;
    // A start or a stop asked for while a source is being made or taken down.
    struct Asked
    {
        bool stop = false;
        QAudioDevice device;
        int preRollMs = 0;
        int tailMs = 0;
        int maxSeconds = 0;
    };

    void startNow(const QAudioDevice &device, int preRollMs, int tailMs, int maxSeconds);
    void runAsked();

    void readInput();
    void stateChanged();
    void take(const qint16 *samples, qint64 frames);
    void remember(const qint16 *samples, qint64 frames);
    void finish(const QString &problem = QString());
    void toMono(const QByteArray &bytes);
    void releaseSource();
    void watch();

    std::unique_ptr<QAudioSource> m_source;
    QIODevice *m_input = nullptr; // the source's
    QAudioFormat m_format;
    QByteArray m_partial; // bytes of a frame not yet whole
    std::vector<qint16> m_mono;
    std::vector<qint16> m_ring;
    size_t m_ringStart = 0;
    size_t m_ringCount = 0;
    qint64 m_tailFrames = 0;
    qint64 m_maxFrames = 0;
    std::unique_ptr<Take> m_take;
    double m_peak = 0;
    qint64 m_peakFrames = 0;
    std::atomic<qint64> m_captured {0};
    QTimer m_watchdog;
    QElapsedTimer m_lastSound; // since sound last came
    int m_changing = 0; // a start or stop under way
    std::optional<Asked> m_asked;
};

} // namespace ze

Q_DECLARE_METATYPE(ze::TakeResult)
