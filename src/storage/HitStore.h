#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QThread>
#include <QVector>

#include <array>
#include <memory>
#include <optional>

class QLockFile;

namespace ze {

class HitWriter;

// One signal heard: when, where and how strong, and where its recording is.
struct Hit
{
    qint64 id = 0;
    QDateTime start; // UTC
    QDateTime end; // invalid while it lasts, or when it is not known (imported from the log)
    QString frequency; // the text as tuned
    qint64 hz = 0;
    QString mode; // letter, "" when none
    int bank = 0; // 1..4 on a channel, 0 in a search
    int channel = -1; // 0..99 on a channel
    QString range; // the range's description in a search
    QString description;
    int peak = 0; // 0..15
    bool search = false;
    QString recording; // relative path in the working folder, "" when none

    bool ended() const { return end.isValid(); }
    qint64 durationMs() const { return ended() ? start.msecsTo(end) : 0; }
};

// What the hits shown are picked by: text in the frequency, description or range; a period.
struct HitFilter
{
    QString text;
    QDateTime from; // UTC, inclusive; invalid: from the first
    QDateTime to; // UTC, exclusive; invalid: to the last
};

// The hits of one frequency, taken together.
struct FrequencySummary
{
    QString frequency;
    qint64 hz = 0;
    int hits = 0;
    qint64 airtimeMs = 0;
    qint64 longestMs = 0;
    QDateTime first; // UTC
    QDateTime last;
};

// Activity by local hour of day and day of week (Monday first), and the busiest frequencies.
struct HitStatistics
{
    std::array<std::array<int, 24>, 7> byDayAndHour {};
    QVector<FrequencySummary> busiest;
};

// The hits as a real database: SQLite through Qt SQL, "activity.sqlite" in the working folder,
// WAL journal, the schema's version in the file. Writes happen in a thread of their own, so a
// pass never waits on the disk; reads are made in the caller's thread, beside the writes.
//
// The store is a cache of what happened, never a reason to stop: a file another station in the
// same folder holds, one made by a newer program or one that cannot be opened leaves the hits in
// memory; a damaged one is moved aside (named with the time) and a new one started; a write that
// fails (locked, read-only, full) is told once. problem() says what, for the status bar.
class HitStore : public QObject
{
    Q_OBJECT
public:
    static constexpr QLatin1String fileName {"activity.sqlite"};
    static constexpr int schemaVersion = 1;

    explicit HitStore(const QString &workingDirectory, QObject *parent = nullptr);
    ~HitStore() override;
    HitStore(const HitStore &) = delete;
    HitStore &operator=(const HitStore &) = delete;

    // False when the hits are kept in memory only.
    bool persistent() const { return m_persistent; }
    // What went wrong, in words for the operator; "" when all is well.
    QString problem() const { return m_problem; }

    // A hit begins; its id comes back at once, the write follows in the writer's thread.
    qint64 begin(Hit hit);
    // It ended, with the peak its samples reached.
    void end(qint64 id, const QDateTime &end, int peak);
    void setRecording(qint64 id, const QString &path);
    // Many hits at once, in one transaction (a log taken in, hits brought over); their ids are
    // given here.
    void add(QVector<Hit> hits);
    // Lines of an activity log as hits without an end; lines already in the store are passed
    // over. Returns how many were taken.
    int importLog(const QByteArray &log);
    // The recording of the hit an activity log line tells of, "" when it has none.
    QString recordingOf(const Hit &logged) const;
    // Waits until every write asked for so far is done (or failed).
    void flush();

    // Newest first by their start: at most limit hits that come after `after` in that order
    // (none: from the newest).
    QVector<Hit> newest(const HitFilter &filter, const Hit *after, int limit) const;
    // The frequencies heard, the most often heard first.
    QVector<FrequencySummary> summary(const HitFilter &filter, int limit = 500) const;
    HitStatistics statistics(const QDateTime &from, const QDateTime &to, int busiest = 15) const;
    int count() const;

Q_SIGNALS:
    // The problem changed (a failed write, a damaged file moved aside).
    void problemChanged(const QString &problem);

private:
    void openFile(const QString &path);
    bool openAt(const QString &name, bool uri);
    void keepInMemory(const QString &why);
    void reportFailure(const QString &why);
    template<typename Job> void write(Job job);

    QString m_directory;
    std::unique_ptr<QLockFile> m_lock;
    QString m_readName; // the read connection's name
    QString m_database; // the file, or the in-memory database's URI
    bool m_uri = false;
    bool m_persistent = false;
    QString m_problem;
    bool m_failureTold = false;
    qint64 m_nextId = 1;
    QThread m_thread;
    HitWriter *m_writer = nullptr; // lives in m_thread
};

} // namespace ze

namespace ze {
// What a line of the activity log tells: when, where, how strong; nothing if it is no such line.
std::optional<Hit> hitFromLogLine(QString line);
} // namespace ze

Q_DECLARE_METATYPE(ze::Hit)
