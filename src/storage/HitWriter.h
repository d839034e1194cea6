#pragma once

#include "storage/HitStore.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class QSqlDatabase;
class QSqlQuery;

namespace ze {

// The Qt SQL driver of the hit store.
inline QString hitDriver()
{
    return QStringLiteral("QSQLITE");
}

// Makes the tables, the rollup and its triggers where they are missing, and sets the schema's
// version; false when the database refused.
bool createHitTables(QSqlDatabase &db);
// The start of the local hour a moment lies in, as UTC milliseconds: the rollup's hour.
qint64 localHourMs(const QDateTime &utc);

// The hit store's writes, in the writer's thread, on a connection of its own.
class HitWriter : public QObject
{
public:
    // failed is called (in the writer's thread) with what a write that failed said.
    HitWriter(QString name, QString database, bool uri, std::function<void(QString)> failed);
    ~HitWriter() override;

    void open();
    void close();
    void insert(const QVector<Hit> &hits);
    void end(qint64 id, const QDateTime &end, int peak);
    void recording(qint64 id, const QString &path);

private:
    void fail(const QSqlQuery &q);

    QString m_name;
    QString m_database;
    bool m_uri;
    std::function<void(QString)> m_failed;
};

} // namespace ze
