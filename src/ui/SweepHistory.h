#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

namespace ze {

// What the columns of a waterfall stand for: the steps of a range search, or the channels of a
// bank scan.
struct SweepColumns
{
    // A search: column k is the frequency fromHz + k × stepHz, k from 0 to steps - 1 (the one
    // past To included), tuned in mode in the range of that index.
    qint64 fromHz = 0;
    qint64 stepHz = 0;
    int steps = 0;
    QString mode;
    int range = -1;
    // A bank scan: one column per channel (bank × 100 + channel) with its frequency in Hz.
    QVector<int> channels;
    QVector<qint64> channelHz;

    bool isSearch() const { return channels.isEmpty(); }
    int count() const { return isSearch() ? steps : int(channels.size()); }
    qint64 hzOf(int column) const;
    // The frequency in MHz to the step, or the channel and its frequency.
    QString describe(int column) const;
    bool operator==(const SweepColumns &other) const;
    bool operator!=(const SweepColumns &other) const { return !(*this == other); }
};

// The sweeps of a search (or the rounds of a bank scan), newest first: a ring of rows of levels
// one byte a cell, at most maxBins cells a row (more columns share a cell, the strongest
// showing) and at most capacity rows, so it takes the same memory however long it runs.
class SweepHistory
{
public:
    static constexpr int maxBins = 2048;
    static constexpr int capacity = 1000;
    static constexpr quint8 none = 255; // not measured

    struct Change
    {
        int bin = -1; // -1: the measurement fell outside the columns
        bool newRow = false;
    };

    // Empty, for these columns.
    void reset(const SweepColumns &columns);
    const SweepColumns &columns() const { return m_columns; }
    int bins() const { return m_bins; }
    int binOf(int column) const;
    int firstColumnOf(int bin) const;

    int rows() const { return m_rows; }
    // Row age 0 is the newest; its cells are bins() levels 0..15 or none.
    const quint8 *row(int age) const;
    qint64 rowTime(int age) const; // ms since the epoch of its first measurement

    // A measurement at a column; one at or before the last column measured begins a new row.
    Change measure(int column, int level, qint64 msSinceEpoch);

    // The strongest level each cell has read since the reset, and the mean of its readings.
    int peak(int bin) const { return m_peak.value(bin, none); }
    double mean(int bin) const;

    qint64 bytes() const;

private:
    int slotOf(int age) const;

    SweepColumns m_columns;
    int m_bins = 0;
    int m_rows = 0; // held, at most capacity
    int m_head = -1; // slot of the newest row
    int m_lastColumn = -1;
    QVector<quint8> m_cells;
    QVector<qint64> m_times;
    QVector<quint8> m_peak;
    QVector<float> m_sum;
    QVector<quint32> m_readings;
};

} // namespace ze
