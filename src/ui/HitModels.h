#pragma once

#include "storage/HitStore.h"

#include <QAbstractTableModel>

namespace ze {

// The hits as the hits window lists them, newest first: a page from the store, more as the list
// is scrolled down, and the ones heard since, kept in memory as they come, so the list follows
// the scan without asking the store again.
class HitTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Start, Duration, Frequency, Mode, Where, Peak, Description, Recording, Columns };
    static constexpr int pageSize = 500;

    explicit HitTableModel(HitStore &store, QObject *parent = nullptr);

    // Shows the hits the filter picks, from the newest.
    void setFilter(const HitFilter &filter);
    const HitFilter &filter() const { return m_filter; }
    const Hit *hitAt(int row) const;

    // As the hits come and go.
    void hitBegun(const Hit &hit);
    void hitEnded(const Hit &hit);
    void hitChanged(const Hit &hit);
    void recordingSaved(qint64 id, const QString &path);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    bool picks(const Hit &hit) const;
    int rowOf(qint64 id) const;

    HitStore &m_store;
    HitFilter m_filter;
    QVector<Hit> m_hits;
    bool m_more = false;
    qint64 m_onAir = 0; // the hit that lasts now; an imported one has no end either
};

// The frequencies heard, with their hits, airtime, longest hit, first and last heard; the most
// often heard first, kept up to date as hits end.
class HitSummaryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Frequency, Hits, Airtime, Longest, First, Last, Columns };

    explicit HitSummaryModel(HitStore &store, QObject *parent = nullptr);

    void setFilter(const HitFilter &filter);
    void hitEnded(const Hit &hit);
    const FrequencySummary *summaryAt(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    HitStore &m_store;
    HitFilter m_filter;
    QVector<FrequencySummary> m_rows;
};

// Texts the hit list and its export share.
QString durationText(qint64 ms);
QString whereText(const Hit &hit);
QString modeName(const QString &letter);
// Whether a hit matches a filter as the store's query picks it.
bool filterPicks(const HitFilter &filter, const Hit &hit);

} // namespace ze
