#include "storage/HitWriter.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace ze {

namespace {

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

} // namespace

bool createHitTables(QSqlDatabase &db)
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
            - (qint64 {local.time().minute()} * 60000 + qint64 {local.time().second()} * 1000
               + local.time().msec());
}

HitWriter::HitWriter(QString name, QString database, bool uri, std::function<void(QString)> failed)
    : m_name(std::move(name))
    , m_database(std::move(database))
    , m_uri(uri)
    , m_failed(std::move(failed))
{
}

HitWriter::~HitWriter()
{
    close();
}

void HitWriter::open()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(hitDriver(), m_name);
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

void HitWriter::close()
{
    if (!QSqlDatabase::contains(m_name))
        return;
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

void HitWriter::insert(const QVector<Hit> &hits)
{
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (hits.size() > 1)
        db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO hits (id, start_utc, end_utc, start_ms, duration_ms, "
                             "frequency, frequency_hz, mode, bank, channel, range, description, "
                             "peak_level, source, recording, local_hour, local_weekday, hour_ms) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
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

void HitWriter::end(qint64 id, const QDateTime &end, int peak)
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

void HitWriter::recording(qint64 id, const QString &path)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.prepare(QStringLiteral("UPDATE hits SET recording = ? WHERE id = ?"));
    q.addBindValue(orNull(path));
    q.addBindValue(id);
    if (!q.exec())
        fail(q);
}

void HitWriter::fail(const QSqlQuery &q)
{
    m_failed(q.lastError().text());
}

} // namespace ze
