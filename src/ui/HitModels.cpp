#include "ui/HitModels.h"

#include <QLocale>

namespace ze {

namespace {

QString localTime(const QDateTime &utc)
{
    return utc.isValid() ? utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                         : QString();
}

} // namespace

QString durationText(qint64 ms)
{
    if (ms < 60000)
        return QStringLiteral("%1 s").arg(double(ms) / 1000.0, 0, 'f', 1);
    const qint64 seconds = ms / 1000;
    if (seconds < 3600)
        return QStringLiteral("%1:%2 min")
                .arg(seconds / 60)
                .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3 h")
            .arg(seconds / 3600)
            .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString whereText(const Hit &hit)
{
    if (hit.search)
        return hit.range;
    if (hit.bank > 0)
        return QStringLiteral("%1-%2").arg(hit.bank).arg(hit.channel);
    return QString();
}

QString modeName(const QString &letter)
{
    static const char *const names[] = {"NFM", "WFM", "AM", "LSB", "USB", "CW"};
    const qsizetype index = QStringLiteral("NWALUC").indexOf(letter);
    return letter.size() == 1 && index >= 0 ? QLatin1String(names[index]) : letter;
}

bool filterPicks(const HitFilter &filter, const Hit &hit)
{
    if (filter.from.isValid() && hit.start < filter.from)
        return false;
    if (filter.to.isValid() && hit.start >= filter.to)
        return false;
    const QString text = filter.text.trimmed();
    return text.isEmpty() || hit.frequency.contains(text, Qt::CaseInsensitive)
            || hit.description.contains(text, Qt::CaseInsensitive)
            || hit.range.contains(text, Qt::CaseInsensitive);
}

// ---- The hits ----

HitTableModel::HitTableModel(HitStore &store, QObject *parent)
    : QAbstractTableModel(parent)
    , m_store(store)
{
    setFilter({});
}

void HitTableModel::setFilter(const HitFilter &filter)
{
    beginResetModel();
    m_filter = filter;
    m_hits = m_store.newest(filter, nullptr, pageSize);
    m_more = m_hits.size() == pageSize;
    endResetModel();
}

const Hit *HitTableModel::hitAt(int row) const
{
    return row >= 0 && row < m_hits.size() ? &m_hits[row] : nullptr;
}

bool HitTableModel::picks(const Hit &hit) const
{
    return filterPicks(m_filter, hit);
}

int HitTableModel::rowOf(qint64 id) const
{
    // The hits that change are the newest: look from the top.
    for (int row = 0; row < m_hits.size(); ++row) {
        if (m_hits[row].id == id)
            return row;
    }
    return -1;
}

void HitTableModel::hitBegun(const Hit &hit)
{
    m_onAir = hit.id;
    if (!picks(hit) || rowOf(hit.id) >= 0)
        return;
    beginInsertRows(QModelIndex(), 0, 0);
    m_hits.prepend(hit);
    endInsertRows();
}

void HitTableModel::hitEnded(const Hit &hit)
{
    if (m_onAir == hit.id)
        m_onAir = 0;
    hitChanged(hit);
}

void HitTableModel::hitChanged(const Hit &hit)
{
    const int row = rowOf(hit.id);
    if (row < 0)
        return;
    // A recording cut at its longest is kept before its hit ends.
    const QString recording = m_hits[row].recording;
    m_hits[row] = hit;
    if (hit.recording.isEmpty())
        m_hits[row].recording = recording;
    Q_EMIT dataChanged(index(row, 0), index(row, Columns - 1));
}

void HitTableModel::recordingSaved(qint64 id, const QString &path)
{
    const int row = rowOf(id);
    if (row < 0)
        return;
    m_hits[row].recording = path;
    Q_EMIT dataChanged(index(row, Recording), index(row, Recording));
}

int HitTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_hits.size());
}

int HitTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant HitTableModel::data(const QModelIndex &index, int role) const
{
    const Hit *hit = hitAt(index.row());
    if (!hit || role != Qt::DisplayRole) {
        if (hit && role == Qt::TextAlignmentRole
            && (index.column() == Duration || index.column() == Peak
                || index.column() == Frequency))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    switch (index.column()) {
    case Start:
        return localTime(hit->start);
    case Duration:
        if (hit->ended())
            return durationText(hit->durationMs());
        return hit->id == m_onAir ? QStringLiteral("on the air") : QString();
    case Frequency:
        return hit->frequency;
    case Mode:
        return modeName(hit->mode);
    case Where:
        return whereText(*hit);
    case Peak:
        return hit->peak;
    case Description:
        return hit->description;
    case Recording:
        return hit->recording.isEmpty() ? QString() : QStringLiteral("yes");
    default:
        return {};
    }
}

QVariant HitTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const names[]
            = {"Start", "Duration",    "Frequency", "Mode", "Bank-Ch or range",
               "Peak",  "Description", "Recording"};
    return section >= 0 && section < Columns ? QLatin1String(names[section]) : QLatin1String("");
}

bool HitTableModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_more;
}

void HitTableModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || m_hits.isEmpty())
        return;
    const QVector<Hit> more = m_store.newest(m_filter, &m_hits.last(), pageSize);
    m_more = more.size() == pageSize;
    if (more.isEmpty())
        return;
    beginInsertRows(QModelIndex(), int(m_hits.size()), int(m_hits.size() + more.size() - 1));
    m_hits += more;
    endInsertRows();
}

// ---- The summary ----

HitSummaryModel::HitSummaryModel(HitStore &store, QObject *parent)
    : QAbstractTableModel(parent)
    , m_store(store)
{
    setFilter({});
}

void HitSummaryModel::setFilter(const HitFilter &filter)
{
    beginResetModel();
    m_filter = filter;
    m_rows = m_store.summary(filter);
    endResetModel();
}

void HitSummaryModel::hitEnded(const Hit &hit)
{
    if (!filterPicks(m_filter, hit))
        return;
    const auto at = std::find_if(m_rows.begin(), m_rows.end(),
                                 [&hit](const FrequencySummary &s) { return s.hz == hit.hz; });
    if (at == m_rows.end()) {
        beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size()));
        m_rows.append({hit.frequency, hit.hz, 1, hit.durationMs(), hit.durationMs(), hit.start,
                       hit.start});
        endInsertRows();
        return;
    }
    ++at->hits;
    at->airtimeMs += hit.durationMs();
    at->longestMs = std::max(at->longestMs, hit.durationMs());
    at->last = std::max(at->last, hit.start);
    at->first = std::min(at->first, hit.start);
    const int row = int(at - m_rows.begin());
    Q_EMIT dataChanged(index(row, 0), index(row, Columns - 1));
}

const FrequencySummary *HitSummaryModel::summaryAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? &m_rows[row] : nullptr;
}

int HitSummaryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int HitSummaryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant HitSummaryModel::data(const QModelIndex &index, int role) const
{
    const FrequencySummary *row = summaryAt(index.row());
    if (!row || role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Frequency:
        return row->frequency;
    case Hits:
        return row->hits;
    case Airtime:
        return durationText(row->airtimeMs);
    case Longest:
        return durationText(row->longestMs);
    case First:
        return localTime(row->first);
    case Last:
        return localTime(row->last);
    default:
        return {};
    }
}

QVariant HitSummaryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const names[]
            = {"Frequency", "Hits", "Total airtime", "Longest", "First heard", "Last heard"};
    return section >= 0 && section < Columns ? QLatin1String(names[section]) : QLatin1String("");
}

} // namespace ze
