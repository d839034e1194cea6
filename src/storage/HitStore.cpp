#include "storage/HitStore.h"

#include "core/Frequency.h"
#include "core/TextFields.h"
#include "storage/HitWriter.h"

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

constexpr char hitColumns[]
        = "id, start_utc, end_utc, frequency, frequency_hz, mode, bank, channel, range, "
          "description, peak_level, source, recording";

} // namespace

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
    m_thread.setObjectName(QStringLiteral("hit store"));
    m_thread.start();
    QMetaObject::invokeMethod(
            m_writer, [w = m_writer] { w->open(); }, Qt::BlockingQueuedConnection);
}

HitStore::~HitStore()
{
    flush();
    QMetaObject::invokeMethod(
            m_writer,
            [w = m_writer] {
                // Gone in its own thread, before the thread's loop stops taking deferred deletes.
                w->close();
                delete w;
            },
            Qt::BlockingQueuedConnection);
    m_writer = nullptr;
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
    QSqlDatabase db = QSqlDatabase::addDatabase(hitDriver(), m_readName);
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
    if (!createHitTables(db))
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
        createHitTables(db);
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

std::optional<Hit> hitFromLogLine(QString line)
{
    QString &rest = line;
    bool tab = false;
    const QDateTime when
            = QDateTime::fromString(takeField(rest, &tab), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QString frequency = tab ? trimSpaces(takeField(rest, &tab)) : QString();
    const std::optional<double> level = tab ? wholeNumber(takeField(rest, &tab)) : std::nullopt;
    const QString mode = tab ? trimSpaces(takeField(rest, &tab)) : QString();
    if (!tab || !when.isValid() || frequency.isEmpty() || !level)
        return std::nullopt;
    Hit hit;
    hit.start = when.toUTC();
    hit.frequency = frequency;
    hit.hz = hzFromFrequencyText(frequency);
    hit.mode = mode;
    hit.peak = qBound(0, int(*level), 15);
    hit.description = rest;
    // The search writes no description, the bank scan the channel's.
    hit.search = rest.isEmpty();
    return hit;
}

QString HitStore::recordingOf(const Hit &logged) const
{
    // The log has the second the hit began; the store the millisecond.
    QSqlQuery q(QSqlDatabase::database(m_readName, false));
    q.prepare(QStringLiteral("SELECT recording FROM hits WHERE frequency_hz = ? AND start_ms >= ? "
                             "AND start_ms < ? AND recording IS NOT NULL "
                             "ORDER BY start_ms LIMIT 1"));
    const qint64 at = logged.start.toMSecsSinceEpoch();
    q.addBindValue(logged.hz);
    q.addBindValue(at - 1000);
    q.addBindValue(at + 2000);
    return q.exec() && q.next() ? q.value(0).toString() : QString();
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
        const std::optional<Hit> read = hitFromLogLine(decodeLine(line));
        if (!read)
            continue;
        const Hit &hit = *read;
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
    QString sql = QStringLiteral("SELECT %1 FROM hits").arg(QLatin1String(hitColumns));
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
