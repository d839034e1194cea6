#include "storage/HitStore.h"

#include "core/Frequency.h"
#include "core/TextFields.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <functional>

namespace ze {

namespace {

constexpr QLatin1String driver("QSQLITE");

QString iso(const QDateTime &when)
{
    return when.isValid() ? when.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QVariant orNull(const QString &text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// A text for a NOT NULL column: the empty text is no NULL there.
QVariant text(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

bool create(QSqlDatabase &db)
{
    QSqlQuery q(db);
    const QStringList statements {
            QStringLiteral(
                    "CREATE TABLE IF NOT EXISTS hits (id INTEGER PRIMARY KEY, start_utc TEXT NOT "
                    "NULL, end_utc TEXT, start_ms INTEGER NOT NULL, duration_ms INTEGER, frequency "
                    "TEXT NOT NULL, frequency_hz INTEGER NOT NULL, mode TEXT NOT NULL, bank "
                    "INTEGER, channel INTEGER, range TEXT, description TEXT NOT NULL, peak_level "
                    "INTEGER NOT NULL, source TEXT NOT NULL, recording TEXT, local_hour INTEGER "
                    "NOT "
                    "NULL, local_weekday INTEGER NOT NULL, hour_ms INTEGER NOT NULL)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS hits_start ON hits(start_ms)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS hits_frequency ON hits(frequency_hz)"),
            // The hits of each local hour and frequency, kept up by the writes themselves, so
            // that the summary and the statistics need not read a million hits.
            QStringLiteral(
                    "CREATE TABLE IF NOT EXISTS hit_hours (hour_ms INTEGER NOT NULL, frequency_hz "
                    "INTEGER NOT NULL, frequency TEXT NOT NULL, local_weekday INTEGER NOT NULL, "
                    "local_hour INTEGER NOT NULL, hits INTEGER NOT NULL, airtime_ms INTEGER NOT "
                    "NULL, longest_ms INTEGER NOT NULL, first_ms INTEGER NOT NULL, last_ms INTEGER "
                    "NOT NULL, PRIMARY KEY (hour_ms, frequency_hz)) WITHOUT ROWID"),
            QStringLiteral(
                    "CREATE TRIGGER IF NOT EXISTS hits_counted AFTER INSERT ON hits BEGIN INSERT "
                    "INTO hit_hours VALUES (NEW.hour_ms, NEW.frequency_hz, NEW.frequency, "
                    "NEW.local_weekday, NEW.local_hour, 1, IFNULL(NEW.duration_ms, 0), "
                    "IFNULL(NEW.duration_ms, 0), NEW.start_ms, NEW.start_ms) ON CONFLICT(hour_ms, "
                    "frequency_hz) DO UPDATE SET hits = hits + 1, airtime_ms = airtime_ms + "
                    "excluded.airtime_ms, longest_ms = max(longest_ms, excluded.longest_ms), "
                    "first_ms = min(first_ms, excluded.first_ms), last_ms = max(last_ms, "
                    "excluded.last_ms); END"),
            QStringLiteral(
                    "CREATE TRIGGER IF NOT EXISTS hits_timed AFTER UPDATE OF duration_ms ON hits "
                    "WHEN NEW.duration_ms IS NOT NULL AND OLD.duration_ms IS NULL BEGIN UPDATE "
                    "hit_hours SET airtime_ms = airtime_ms + NEW.duration_ms, longest_ms = "
                    "max(longest_ms, NEW.duration_ms) WHERE hour_ms = NEW.hour_ms AND "
                    "frequency_hz = NEW.frequency_hz; END"),
            QStringLiteral("PRAGMA user_version = %1").arg(HitStore::schemaVersion)};
    for (const QString &statement : statements) {
        if (!q.exec(statement))
            return false;
    }
    return true;
}

// The start of the local hour a moment lies in, as UTC milliseconds.
qint64 localHourMs(const QDateTime &utc)
{
    const QDateTime local = utc.toLocalTime();
    return utc.toMSecsSinceEpoch()
            - (qint64 {local.time().minute()} * 60000 + local.time().second() * 1000
               + local.time().msec());
}

// Whether the rollup of whole local hours answers a filter exactly: no text, bounds on the hour.
bool hourly(const HitFilter &filter)
{
    const auto onTheHour = [](const QDateTime &when) {
        return !when.isValid() || localHourMs(when) == when.toMSecsSinceEpoch();
    };
    return filter.text.trimmed().isEmpty() && onTheHour(filter.from) && onTheHour(filter.to);
}

Hit hitFrom(const QSqlQuery &q)
{
    Hit hit;
    hit.id = q.value(0).toLongLong();
    hit.start = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
    hit.end = QDateTime::fromString(q.value(2).toString(), Qt::ISODateWithMs);
    hit.frequency = q.value(3).toString();
    hit.hz = q.value(4).toLongLong();
    hit.mode = q.value(5).toString();
    hit.bank = q.value(6).isNull() ? 0 : q.value(6).toInt();
    hit.channel = q.value(7).isNull() ? -1 : q.value(7).toInt();
    hit.range = q.value(8).toString();
    hit.description = q.value(9).toString();
    hit.peak = q.value(10).toInt();
    hit.search = q.value(11).toString() == QLatin1String("search");
    hit.recording = q.value(12).toString();
    return hit;
}

// The WHERE of a filter, its values bound in order by bind().
struct Where
{
    QString clause;
    QVariantList values;

    explicit Where(const HitFilter &filter)
    {
        QStringList parts;
        if (filter.from.isValid()) {
            parts << QStringLiteral("start_ms >= ?");
            values << filter.from.toMSecsSinceEpoch();
        }
        if (filter.to.isValid()) {
            parts << QStringLiteral("start_ms < ?");
            values << filter.to.toMSecsSinceEpoch();
        }
        const QString text = filter.text.trimmed();
        if (!text.isEmpty()) {
            parts << QStringLiteral("(frequency LIKE ? ESCAPE '!' OR description LIKE ? ESCAPE '!' "
                                    "OR IFNULL(range, '') LIKE ? ESCAPE '!')");
            QString escaped = text;
            escaped.replace(QLatin1Char('!'), QLatin1String("!!"))
                    .replace(QLatin1Char('%'), QLatin1String("!%"))
                    .replace(QLatin1Char('_'), QLatin1String("!_"));
            for (int i = 0; i < 3; ++i)
                values << QLatin1Char('%') + escaped + QLatin1Char('%');
        }
        clause = parts.join(QStringLiteral(" AND "));
    }
    QString and_(const QString &more) const
    {
        return clause.isEmpty()
                ? more
                : (more.isEmpty() ? clause : clause + QStringLiteral(" AND ") + more);
    }
    void bind(QSqlQuery &q) const
    {
        for (const QVariant &value : values)
            q.addBindValue(value);
    }
};

const QString hitColumns = QStringLiteral(
        "id, start_utc, end_utc, frequency, frequency_hz, mode, bank, channel, range, "
        "description, peak_level, source, recording");

} // namespace

// The writes in a thread of their own, on a connection of their own.
class HitWriter : public QObject
{
public:
    HitWriter(QString name, QString database, bool uri, std::function<void(QString)> failed)
        : m_name(std::move(name))
        , m_database(std::move(database))
        , m_uri(uri)
        , m_failed(std::move(failed))
    {
    }
    ~HitWriter() override { close(); }

    void open()
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_name);
        db.setDatabaseName(m_database);
        if (m_uri)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        if (!db.open())
            return m_failed(db.lastError().text());
        QSqlQuery q(db);
        // Another program reading the file may hold it a moment; the writes wait here, not the
        // station.
        q.exec(QStringLiteral("PRAGMA busy_timeout = 2000"));
        q.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    }
    void close()
    {
        if (!QSqlDatabase::contains(m_name))
            return;
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }

    void insert(const QVector<Hit> &hits)
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (hits.size() > 1)
            db.transaction();
        QSqlQuery q(db);
        q.prepare(QStringLiteral(
                "INSERT INTO hits (id, start_utc, end_utc, start_ms, duration_ms, frequency, "
                "frequency_hz, mode, bank, channel, range, description, peak_level, source, "
                "recording, local_hour, local_weekday, hour_ms) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
                "?, "
                "?, ?, ?, ?, ?, ?, ?, ?)"));
        for (const Hit &hit : hits) {
            const QDateTime local = hit.start.toLocalTime();
            for (const QVariant &value :
                 {QVariant(hit.id), QVariant(iso(hit.start)), orNull(iso(hit.end)),
                  QVariant(hit.start.toMSecsSinceEpoch()),
                  hit.ended() ? QVariant(hit.durationMs()) : QVariant(), text(hit.frequency),
                  QVariant(hit.hz), text(hit.mode), hit.bank > 0 ? QVariant(hit.bank) : QVariant(),
                  hit.channel >= 0 ? QVariant(hit.channel) : QVariant(), orNull(hit.range),
                  text(hit.description), QVariant(hit.peak),
                  QVariant(hit.search ? QStringLiteral("search") : QStringLiteral("scan")),
                  orNull(hit.recording), QVariant(local.time().hour()),
                  QVariant(local.date().dayOfWeek() - 1), QVariant(localHourMs(hit.start))})
                q.addBindValue(value);
            if (!q.exec())
                return fail(q);
        }
        if (hits.size() > 1 && !db.commit())
            m_failed(db.lastError().text());
    }
    void end(qint64 id, const QDateTime &end, int peak)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        q.prepare(QStringLiteral("UPDATE hits SET end_utc = ?, duration_ms = ? - start_ms, "
                                 "peak_level = ? WHERE id = ?"));
        q.addBindValue(iso(end));
        q.addBindValue(end.toMSecsSinceEpoch());
        q.addBindValue(peak);
        q.addBindValue(id);
        if (!q.exec())
            fail(q);
    }
    void recording(qint64 id, const QString &path)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        q.prepare(QStringLiteral("UPDATE hits SET recording = ? WHERE id = ?"));
        q.addBindValue(orNull(path));
        q.addBindValue(id);
        if (!q.exec())
            fail(q);
    }

private:
    void fail(const QSqlQuery &q) { m_failed(q.lastError().text()); }

    QString m_name;
    QString m_database;
    bool m_uri;
    std::function<void(QString)> m_failed;
};

HitStore::HitStore(const QString &workingDirectory, QObject *parent)
    : QObject(parent)
    , m_directory(workingDirectory)
    , m_readName(QStringLiteral("ze-hits-read-%1").arg(quintptr(this)))
{
    const QString path = QDir(workingDirectory).filePath(fileName);
    // One station writes a folder's store; another one in the same folder keeps its own hits.
    m_lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        openFile(path);
    else
        keepInMemory(QStringLiteral("Another station uses the hit store \"%1\" in this folder: "
                                    "this one keeps its hits in memory.")
                             .arg(fileName));

    m_writer = new HitWriter(QStringLiteral("ze-hits-write-%1").arg(quintptr(this)), m_database,
                             m_uri, [this](const QString &why) {
                                 QMetaObject::invokeMethod(
                                         this, [this, why] { reportFailure(why); },
                                         Qt::QueuedConnection);
                             });
    m_writer->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_writer, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("hit store"));
    m_thread.start();
    QMetaObject::invokeMethod(
            m_writer, [w = m_writer] { w->open(); }, Qt::BlockingQueuedConnection);
}

HitStore::~HitStore()
{
    flush();
    QMetaObject::invokeMethod(
            m_writer, [w = m_writer] { w->close(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    if (QSqlDatabase::contains(m_readName)) {
        QSqlDatabase::database(m_readName, false).close();
        QSqlDatabase::removeDatabase(m_readName);
    }
}

bool HitStore::openAt(const QString &name, bool uri)
{
    if (QSqlDatabase::contains(m_readName))
        QSqlDatabase::removeDatabase(m_readName);
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_readName);
    db.setDatabaseName(name);
    if (uri)
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
    if (!db.open())
        return false;
    m_database = name;
    m_uri = uri;
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA busy_timeout = 1000"));
    return true;
}

void HitStore::openFile(const QString &path)
{
    // A file that is no database, or a damaged one, says so at its first look.
    auto look = [this](int &version) {
        QSqlQuery q(QSqlDatabase::database(m_readName, false));
        if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
            return false;
        version = q.value(0).toInt();
        return q.exec(QStringLiteral("PRAGMA journal_mode = WAL"))
                && q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    };
    int version = 0;
    if (!openAt(path, false) || !look(version)) {
        QSqlDatabase::database(m_readName, false).close();
        const QString aside = QStringLiteral("activity.damaged-%1.sqlite")
                                      .arg(QDateTime::currentDateTime().toString(
                                              QStringLiteral("yyyyMMdd-HHmmss")));
        const QDir dir(m_directory);
        bool moved = QFile::rename(path, dir.filePath(aside));
        for (const char *side : {"-wal", "-shm"})
            QFile::remove(path + QLatin1String(side));
        if (!moved || !openAt(path, false) || !look(version))
            return keepInMemory(QStringLiteral("The hit store \"%1\" cannot be used; the hits "
                                               "are kept in memory.")
                                        .arg(fileName));
        m_problem = QStringLiteral("The hit store \"%1\" was damaged: it was kept as \"%2\" and "
                                   "a new one started.")
                            .arg(fileName, aside);
    }
    if (version > schemaVersion)
        return keepInMemory(QStringLiteral("The hit store \"%1\" was made by a newer version of "
                                           "the program; this one keeps its hits in memory.")
                                    .arg(fileName));
    QSqlDatabase db = QSqlDatabase::database(m_readName, false);
    if (!create(db))
        return keepInMemory(QStringLiteral("The hit store \"%1\" cannot be written (%2); the "
                                           "hits are kept in memory.")
                                    .arg(fileName, db.lastError().text()));
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("SELECT max(id) FROM hits")) && q.next())
        m_nextId = q.value(0).toLongLong() + 1;
    m_persistent = true;
}

void HitStore::keepInMemory(const QString &why)
{
    m_problem = why;
    m_persistent = false;
    const QString uri
            = QStringLiteral("file:ze-hits-%1?mode=memory&cache=shared").arg(quintptr(this));
    if (openAt(uri, true)) {
        QSqlDatabase db = QSqlDatabase::database(m_readName, false);
        create(db);
    }
}

void HitStore::reportFailure(const QString &why)
{
    // Told once: a full disk fails every write after the first.
    if (m_failureTold)
        return;
    m_failureTold = true;
    m_problem = QStringLiteral("The hit store \"%1\" could not be written: %2. Scanning and the "
                               "log go on.")
                        .arg(fileName, why);
    Q_EMIT problemChanged(m_problem);
}

template<typename Job> void HitStore::write(Job job)
{
    QMetaObject::invokeMethod(
            m_writer, [w = m_writer, job = std::move(job)] { job(*w); }, Qt::QueuedConnection);
}

qint64 HitStore::begin(Hit hit)
{
    hit.id = m_nextId++;
    write([hit](HitWriter &w) { w.insert({hit}); });
    return hit.id;
}

void HitStore::end(qint64 id, const QDateTime &end, int peak)
{
    write([id, end, peak](HitWriter &w) { w.end(id, end, peak); });
}

void HitStore::setRecording(qint64 id, const QString &path)
{
    write([id, path](HitWriter &w) { w.recording(id, path); });
}

void HitStore::add(QVector<Hit> hits)
{
    if (hits.isEmpty())
        return;
    for (Hit &hit : hits)
        hit.id = m_nextId++;
    write([hits = std::move(hits)](HitWriter &w) { w.insert(hits); });
}

void HitStore::flush()
{
    QMetaObject::invokeMethod(
            m_writer, [] {}, Qt::BlockingQueuedConnection);
}

int HitStore::importLog(const QByteArray &log)
{
    // What an earlier import or the station wrote counts as there.
    flush();
    QVector<Hit> hits;
    QSet<QPair<qint64, qint64>> taken;
    QSqlQuery seen(QSqlDatabase::database(m_readName, false));
    seen.prepare(
            QStringLiteral("SELECT 1 FROM hits WHERE start_ms = ? AND frequency_hz = ? LIMIT 1"));
    for (const QByteArray &line : fileLines(log)) {
        QString rest = decodeLine(line);
        bool tab = false;
        const QDateTime when = QDateTime::fromString(takeField(rest, &tab),
                                                     QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QString frequency = tab ? trimSpaces(takeField(rest, &tab)) : QString();
        const std::optional<double> level = tab ? wholeNumber(takeField(rest, &tab)) : std::nullopt;
        const QString mode = tab ? trimSpaces(takeField(rest, &tab)) : QString();
        if (!tab || !when.isValid() || frequency.isEmpty() || !level)
            continue;
        Hit hit;
        hit.start = when.toUTC();
        hit.frequency = frequency;
        hit.hz = hzFromFrequencyText(frequency);
        hit.mode = mode;
        hit.peak = qBound(0, int(*level), 15);
        hit.description = rest;
        // The search writes no description, the bank scan the channel's.
        hit.search = rest.isEmpty();
        seen.addBindValue(hit.start.toMSecsSinceEpoch());
        seen.addBindValue(hit.hz);
        const QPair<qint64, qint64> key(hit.start.toMSecsSinceEpoch(), hit.hz);
        if ((seen.exec() && seen.next()) || taken.contains(key))
            continue;
        taken.insert(key);
        hits << hit;
    }
    const int count = int(hits.size());
    add(std::move(hits));
    return count;
}

QVector<Hit> HitStore::newest(const HitFilter &filter, const Hit *after, int limit) const
{
    const Where where(filter);
    QSqlQuery q(QSqlDatabase::database(m_readName, false));
    QString sql = QStringLiteral("SELECT %1 FROM hits").arg(hitColumns);
    const QString clause = where.and_(
            after ? QStringLiteral("(start_ms < ? OR (start_ms = ? AND id < ?))") : QString());
    if (!clause.isEmpty())
        sql += QStringLiteral(" WHERE ") + clause;
    q.prepare(sql + QStringLiteral(" ORDER BY start_ms DESC, id DESC LIMIT ?"));
    where.bind(q);
    if (after) {
        q.addBindValue(after->start.toMSecsSinceEpoch());
        q.addBindValue(after->start.toMSecsSinceEpoch());
        q.addBindValue(after->id);
    }
    q.addBindValue(limit);
    QVector<Hit> hits;
    if (q.exec()) {
        while (q.next())
            hits << hitFrom(q);
    }
    return hits;
}

QVector<FrequencySummary> HitStore::summary(const HitFilter &filter, int limit) const
{
    QSqlQuery q(QSqlDatabase::database(m_readName, false));
    if (hourly(filter)) {
        QStringList where;
        if (filter.from.isValid())
            where << QStringLiteral("hour_ms >= %1").arg(filter.from.toMSecsSinceEpoch());
        if (filter.to.isValid())
            where << QStringLiteral("hour_ms < %1").arg(filter.to.toMSecsSinceEpoch());
        q.prepare(QStringLiteral("SELECT frequency_hz, min(frequency), sum(hits), sum(airtime_ms), "
                                 "max(longest_ms), min(first_ms), max(last_ms) FROM hit_hours %1 "
                                 "GROUP BY frequency_hz ORDER BY sum(hits) DESC, frequency_hz "
                                 "LIMIT ?")
                          .arg(where.isEmpty() ? QString()
                                               : QStringLiteral("WHERE ")
                                               + where.join(QStringLiteral(" AND "))));
    } else {
        const Where where(filter);
        q.prepare(QStringLiteral("SELECT frequency_hz, min(frequency), count(*), "
                                 "IFNULL(sum(duration_ms), 0), IFNULL(max(duration_ms), 0), "
                                 "min(start_ms), max(start_ms) FROM hits %1 GROUP BY frequency_hz "
                                 "ORDER BY count(*) DESC, frequency_hz LIMIT ?")
                          .arg(where.clause.isEmpty() ? QString()
                                                      : QStringLiteral("WHERE ") + where.clause));
        where.bind(q);
    }
    q.addBindValue(limit);
    QVector<FrequencySummary> out;
    if (q.exec()) {
        while (q.next())
            out.append({q.value(1).toString(), q.value(0).toLongLong(), q.value(2).toInt(),
                        q.value(3).toLongLong(), q.value(4).toLongLong(),
                        QDateTime::fromMSecsSinceEpoch(q.value(5).toLongLong(), Qt::UTC),
                        QDateTime::fromMSecsSinceEpoch(q.value(6).toLongLong(), Qt::UTC)});
    }
    return out;
}

HitStatistics HitStore::statistics(const QDateTime &from, const QDateTime &to, int busiest) const
{
    HitStatistics stats;
    // Whole local hours: the statistics are read from the hourly rollup.
    HitFilter filter;
    if (from.isValid())
        filter.from = QDateTime::fromMSecsSinceEpoch(localHourMs(from), Qt::UTC);
    if (to.isValid())
        filter.to = QDateTime::fromMSecsSinceEpoch(localHourMs(to), Qt::UTC).addSecs(3600);
    QStringList where;
    if (filter.from.isValid())
        where << QStringLiteral("hour_ms >= %1").arg(filter.from.toMSecsSinceEpoch());
    if (filter.to.isValid())
        where << QStringLiteral("hour_ms < %1").arg(filter.to.toMSecsSinceEpoch());
    QSqlQuery q(QSqlDatabase::database(m_readName, false));
    if (q.exec(QStringLiteral("SELECT local_weekday, local_hour, sum(hits) FROM hit_hours %1 "
                              "GROUP BY local_weekday, local_hour")
                       .arg(where.isEmpty() ? QString()
                                            : QStringLiteral("WHERE ")
                                            + where.join(QStringLiteral(" AND "))))) {
        while (q.next()) {
            const int day = q.value(0).toInt();
            const int hour = q.value(1).toInt();
            if (day >= 0 && day < 7 && hour >= 0 && hour < 24)
                stats.byDayAndHour[std::size_t(day)][std::size_t(hour)] += q.value(2).toInt();
        }
    }
    stats.busiest = summary(filter, busiest);
    return stats;
}

int HitStore::count() const
{
    QSqlQuery q(QSqlDatabase::database(m_readName, false));
    return q.exec(QStringLiteral("SELECT count(*) FROM hits")) && q.next() ? q.value(0).toInt() : 0;
}

} // namespace ze
