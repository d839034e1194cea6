#include "Recorder.h"

#include "core/Station.h"
#include "scan/HitRecorder.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMediaDevices>

#include <algorithm>

namespace ze {

namespace {

const char folderName[] = "recordings";
constexpr int retryMs = 3000;
constexpr int checkMs = 1000;
constexpr int tidyMs = 3600 * 1000;
// A part younger than this may belong to another station recording in the same folder.
constexpr int partAgeSeconds = 30;

QString safeName(const QString &text)
{
    QString name;
    for (const QChar c : text)
        name += (c.isLetterOrNumber() || c == u'.') ? c : QChar(u'-');
    return name.isEmpty() ? QStringLiteral("-") : name;
}

SoundTags tagsFor(const Hit &hit)
{
    SoundTags tags;
    tags.title = hit.mode.isEmpty() ? hit.frequency : hit.frequency + u' ' + hit.mode;
    tags.album = hit.search ? hit.range
                            : QStringLiteral("Bank %1 channel %2")
                                      .arg(hit.bank)
                                      .arg(hit.channel, 2, 10, QLatin1Char('0'));
    tags.comment = hit.description;
    tags.date = hit.start.toString(Qt::ISODateWithMs);
    return tags;
}

} // namespace

Recorder::Recorder(Station &station, HitRecorder &hits, QObject *parent)
    : QObject(parent)
    , m_station(station)
    , m_capture(new AudioCapture)
{
    qRegisterMetaType<ze::TakeResult>();
    m_capture->moveToThread(&m_thread);
    connect(m_capture, &AudioCapture::running, this, [this](int rate) {
        m_rate = rate;
        m_retry.stop();
        m_check.start();
        tell(QString());
        Q_EMIT captureChanged();
    });
    connect(m_capture, &AudioCapture::level, this, &Recorder::level);
    connect(m_capture, &AudioCapture::finished, this, &Recorder::finished);
    connect(m_capture, &AudioCapture::inputLost, this, &Recorder::lost);
    m_thread.setObjectName(QStringLiteral("audio capture"));
    m_thread.start();
    connect(&hits, &HitRecorder::hitBegun, this, &Recorder::begun);
    connect(&hits, &HitRecorder::hitEnded, this, &Recorder::ended);
    m_hits = &hits.store();

    m_retry.setInterval(retryMs);
    connect(&m_retry, &QTimer::timeout, this, &Recorder::reconsider);
    // The sound server does not always tell of an input it took away.
    m_check.setInterval(checkMs);
    connect(&m_check, &QTimer::timeout, this, &Recorder::inputGone);
    m_tidy.setInterval(tidyMs);
    connect(&m_tidy, &QTimer::timeout, this, &Recorder::tidy);
    m_tidy.start();
    tidy();
}

Recorder::~Recorder()
{
    // The recording under way is finished whole before the thread goes. This may run inside
    // the sound backend's own event handling, in the middle of a start: the capture goes once
    // that is done.
    QMetaObject::invokeMethod(
            m_capture,
            [c = m_capture] {
                c->stop();
                c->deleteLater();
            },
            Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QMediaDevices &Recorder::devices()
{
    if (!m_devices) {
        m_devices = std::make_unique<QMediaDevices>();
        connect(m_devices.get(), &QMediaDevices::audioInputsChanged, this, [this] {
            if (!inputGone()) {
                Q_EMIT inputsChanged();
                reconsider();
            }
        });
    }
    return *m_devices;
}

QList<QAudioDevice> Recorder::inputs()
{
    devices();
    QList<QAudioDevice> found = QMediaDevices::audioInputs();
    const QAudioDevice standard = QMediaDevices::defaultAudioInput();
    const qsizetype at = found.indexOf(standard);
    if (at > 0)
        found.move(at, 0);
    return found;
}

QString Recorder::folder() const
{
    return m_station.workingDirectory().filePath(QLatin1String(folderName));
}

bool Recorder::inputGone()
{
    if (m_runningDevice.isEmpty())
        return false;
    const QList<QAudioDevice> found = QMediaDevices::audioInputs();
    if (std::any_of(found.begin(), found.end(),
                    [this](const QAudioDevice &d) { return d.id() == m_runningDevice; }))
        return false;
    // What it gave so far is kept whole.
    QMetaObject::invokeMethod(m_capture, &AudioCapture::stop, Qt::QueuedConnection);
    lost(QStringLiteral("the audio input stopped"));
    Q_EMIT inputsChanged();
    return true;
}

void Recorder::apply(const RecordingSettings &settings)
{
    const bool tidyAgain = settings.keepDays != m_settings.keepDays;
    const bool restart = settings.device != m_settings.device
            || settings.preRollMs != m_settings.preRollMs || settings.tailMs != m_settings.tailMs
            || settings.maxSeconds != m_settings.maxSeconds;
    m_settings = settings;
    if (restart)
        m_runningDevice.clear();
    reconsider();
    if (tidyAgain)
        tidy();
}

void Recorder::setMonitoring(bool on, const QString &device)
{
    m_monitoring = on;
    // Watching another input than the one recorded from would cut a recording: only while
    // recording is off does the meter follow the input picked.
    if (!m_settings.enabled && device != m_monitorDevice)
        m_runningDevice.clear();
    m_monitorDevice = device;
    reconsider();
}

void Recorder::reconsider()
{
    if (!m_settings.enabled && !m_monitoring) {
        m_retry.stop();
        tell(QString());
        if (m_rate > 0 || !m_runningDevice.isEmpty()) {
            QMetaObject::invokeMethod(m_capture, &AudioCapture::stop, Qt::QueuedConnection);
            m_rate = 0;
            m_runningDevice.clear();
            m_check.stop();
            Q_EMIT captureChanged();
        }
        return;
    }
    QAudioDevice device;
    const QList<QAudioDevice> found = inputs();
    for (const QAudioDevice &d : found)
        if (QString::fromUtf8(d.id()) == (m_settings.enabled ? m_settings.device : m_monitorDevice))
            device = d;
    if (device.isNull() && !found.isEmpty())
        device = found.first();
    if (device.isNull()) {
        lost(QStringLiteral("no audio input found"));
        return;
    }
    if (device.id() == m_runningDevice && m_rate > 0)
        return;
    m_runningDevice = device.id();
    const int preRoll = m_settings.preRollMs;
    const int tail = m_settings.tailMs;
    const int most = m_settings.maxSeconds;
    QMetaObject::invokeMethod(
            m_capture,
            [c = m_capture, device, preRoll, tail, most] { c->start(device, preRoll, tail, most); },
            Qt::QueuedConnection);
}

void Recorder::lost(const QString &why)
{
    const bool was = m_rate > 0;
    m_rate = 0;
    m_runningDevice.clear();
    m_check.stop();
    if (m_settings.enabled)
        tell(why + QStringLiteral("; recording resumes when the input is back"));
    m_retry.start();
    if (was)
        Q_EMIT captureChanged();
}

void Recorder::tell(const QString &problem)
{
    m_station.notify(NoticeSource::Recording,
                     problem.isEmpty() ? QString() : QStringLiteral("Recording: ") + problem);
}

QString Recorder::freePath(const Hit &hit) const
{
    const QDateTime local = hit.start.toLocalTime();
    const QString day = local.date().toString(QStringLiteral("yyyy-MM-dd"));
    const QString stem = QStringLiteral("%1_%2_%3")
                                 .arg(local.time().toString(QStringLiteral("HHmmss")),
                                      safeName(hit.frequency), safeName(hit.mode));
    const QString suffix = QLatin1Char('.') + formatSuffix(m_settings.format);
    const QDir dir(folder() + QLatin1Char('/') + day);
    QString name = stem + suffix;
    for (int n = 2; dir.exists(name) || dir.exists(name + QStringLiteral(".part")); ++n)
        name = QStringLiteral("%1_%2%3").arg(stem).arg(n).arg(suffix);
    return QLatin1String(folderName) + QLatin1Char('/') + day + QLatin1Char('/') + name;
}

void Recorder::begun(const Hit &hit)
{
    if (!m_settings.enabled || m_rate <= 0)
        return;
    TakeRequest request;
    request.hitId = hit.id;
    request.relative = freePath(hit);
    request.path = m_station.workingDirectory().filePath(request.relative);
    request.format = m_settings.format;
    request.tags = tagsFor(hit);
    QMetaObject::invokeMethod(
            m_capture, [c = m_capture, request] { c->begin(request); }, Qt::QueuedConnection);
}

void Recorder::ended(const Hit &hit)
{
    m_durations.insert(hit.id, hit.durationMs());
    const qint64 id = hit.id;
    QMetaObject::invokeMethod(
            m_capture, [c = m_capture, id] { c->end(id); }, Qt::QueuedConnection);
}

void Recorder::finished(const TakeResult &result)
{
    const qint64 duration = m_durations.take(result.hitId);
    if (!result.problem.isEmpty())
        tell(result.problem);
    if (!result.kept)
        return;
    if (m_settings.shortestMs > 0 && duration < m_settings.shortestMs) {
        QFile::remove(result.path);
        return;
    }
    m_hits->setRecording(result.hitId, result.relative);
    Q_EMIT recordingSaved(result.hitId, result.relative);
}

void Recorder::tidy() const
{
    const QDate oldestKept = QDate::currentDate().addDays(-m_settings.keepDays);
    const QDateTime settled = QDateTime::currentDateTime().addSecs(-partAgeSeconds);
    QDir top(folder());
    const QStringList days = top.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &day : days) {
        const QDate date = QDate::fromString(day, QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid())
            continue;
        QDir dir(top.filePath(day));
        const bool old = m_settings.keepDays > 0 && date < oldestKept;
        const QFileInfoList files = dir.entryInfoList(QDir::Files);
        for (const QFileInfo &file : files) {
            const QString name = file.fileName();
            const bool ours = name.endsWith(QLatin1String(".flac"))
                    || name.endsWith(QLatin1String(".wav")) || name.endsWith(QLatin1String(".opus"))
                    || name.endsWith(QLatin1String(".part"));
            if (old && ours)
                QFile::remove(file.filePath());
            else if (name.endsWith(QLatin1String(".part")) && file.lastModified() < settled)
                salvageSoundFile(file.filePath(), file.filePath().chopped(5));
        }
        if (old)
            top.rmdir(day);
    }
}

} // namespace ze
