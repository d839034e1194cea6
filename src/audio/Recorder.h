#pragma once

#include "AudioCapture.h"
#include "RecordingSettings.h"

#include <QAudioDevice>
#include <QHash>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <memory>

class QMediaDevices;

namespace ze {

class HitRecorder;
class HitStore;
class Station;
struct Hit;

// Records the receiver's audio of every hit from the sound card: it listens to the hits and
// tells the capture thread when a recording begins and ends; the files go to
// "recordings/YYYY-MM-DD/HHMMSS_<frequency>_<mode>.flac" in the working folder, and the hit
// store learns where. Without a sound server or an input the station goes on as always.
class Recorder : public QObject
{
    Q_OBJECT
public:
    Recorder(Station &station, HitRecorder &hits, QObject *parent = nullptr);
    ~Recorder() override;
    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;

    const RecordingSettings &settings() const { return m_settings; }
    void apply(const RecordingSettings &settings);
    // The inputs there are now, the default first; none without a sound server.
    QList<QAudioDevice> inputs();
    // The meter runs while it is watched (the options window), recording on or off.
    void setMonitoring(bool on, const QString &device = QString());
    // True while the input gives sound.
    bool capturing() const { return m_rate > 0; }
    int rate() const { return m_rate; }
    qint64 framesCaptured() const { return m_capture->framesCaptured(); }
    QString folder() const;
    // Finished recordings left cut by a station that was killed are made whole or removed, and
    // those older than the days to keep go. Done at the start and every hour.
    void tidy() const;

Q_SIGNALS:
    void level(double peak);
    void recordingSaved(qint64 hitId, const QString &relativePath);
    void inputsChanged();
    void captureChanged();

private:
    void reconsider();
    // True when the input recorded from is no longer there; it is then let go.
    bool inputGone();
    void begun(const Hit &hit);
    void ended(const Hit &hit);
    void finished(const TakeResult &result);
    void lost(const QString &why);
    void tell(const QString &problem);
    QString freePath(const Hit &hit) const;
    QMediaDevices &devices();

    Station &m_station;
    HitStore *m_hits;
    RecordingSettings m_settings;
    bool m_monitoring = false;
    QString m_monitorDevice; // the input the meter watches while recording is off
    int m_rate = 0;
    QByteArray m_runningDevice; // the id captured from now
    std::unique_ptr<QMediaDevices> m_devices; // made when first needed: it reaches the server
    QHash<qint64, qint64> m_durations; // hits that ended, while their recording is finished
    QThread m_thread;
    AudioCapture *m_capture; // lives in m_thread
    QTimer m_retry;
    QTimer m_check;
    QTimer m_tidy;
};

} // namespace ze
