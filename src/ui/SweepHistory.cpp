#include "ui/SweepHistory.h"

#include <algorithm>

namespace ze {

qint64 SweepColumns::hzOf(int column) const
{
    if (column < 0 || column >= count())
        return 0;
    return isSearch() ? fromHz + column * stepHz : channelHz.at(column);
}

QString SweepColumns::describe(int column) const
{
    const QString mhz = QString::number(double(hzOf(column)) / 1e6, 'f', 4);
    if (isSearch())
        return mhz + QStringLiteral(" MHz");
    const int key = channels.value(column);
    return QStringLiteral("Bank %1 channel %2, %3 MHz").arg(key / 100).arg(key % 100).arg(mhz);
}

bool SweepColumns::operator==(const SweepColumns &other) const
{
    return fromHz == other.fromHz && stepHz == other.stepHz && steps == other.steps
            && mode == other.mode && range == other.range && channels == other.channels
            && channelHz == other.channelHz;
}

void SweepHistory::reset(const SweepColumns &columns)
{
    m_columns = columns;
    m_bins = std::clamp(columns.count(), 0, maxBins);
    m_rows = 0;
    m_head = -1;
    m_lastColumn = -1;
    m_cells.clear();
    m_cells.squeeze();
    m_times.clear();
    m_times.squeeze();
    m_peak.fill(none, m_bins);
    m_sum.fill(0, m_bins);
    m_readings.fill(0, m_bins);
}

int SweepHistory::binOf(int column) const
{
    const int count = m_columns.count();
    if (column < 0 || column >= count)
        return -1;
    return int(qint64(column) * m_bins / count);
}

int SweepHistory::firstColumnOf(int bin) const
{
    if (m_bins == 0)
        return 0;
    // The smallest column whose bin is this one.
    return int((qint64(std::clamp(bin, 0, m_bins)) * m_columns.count() + m_bins - 1) / m_bins);
}

int SweepHistory::slotOf(int age) const
{
    return (m_head - age + m_rows) % m_rows;
}

const quint8 *SweepHistory::row(int age) const
{
    if (age < 0 || age >= m_rows)
        return nullptr;
    return m_cells.constData() + qsizetype(slotOf(age)) * m_bins;
}

qint64 SweepHistory::rowTime(int age) const
{
    return age >= 0 && age < m_rows ? m_times.at(slotOf(age)) : 0;
}

SweepHistory::Change SweepHistory::measure(int column, int level, qint64 msSinceEpoch)
{
    Change change;
    change.bin = binOf(column);
    if (change.bin < 0)
        return change;
    if (m_rows == 0 || column <= m_lastColumn) {
        change.newRow = true;
        if (m_rows < capacity) {
            // Grows a row at a time up to the cap, then the oldest row is taken over.
            m_cells.resize(qsizetype(m_rows + 1) * m_bins);
            m_times.resize(m_rows + 1);
            m_head = m_rows++;
        } else {
            m_head = (m_head + 1) % capacity;
        }
        std::fill_n(m_cells.data() + qsizetype(m_head) * m_bins, m_bins, none);
        m_times[m_head] = msSinceEpoch;
    }
    m_lastColumn = column;
    const auto value = static_cast<quint8>(std::clamp(level, 0, 15));
    quint8 &cell = m_cells[qsizetype(m_head) * m_bins + change.bin];
    cell = cell == none ? value : std::max(cell, value);
    quint8 &peak = m_peak[change.bin];
    peak = peak == none ? value : std::max(peak, value);
    m_sum[change.bin] += float(value);
    ++m_readings[change.bin];
    return change;
}

double SweepHistory::mean(int bin) const
{
    const quint32 n = m_readings.value(bin);
    return n ? double(m_sum.at(bin)) / n : -1.0;
}

qint64 SweepHistory::bytes() const
{
    return qint64(sizeof(*this)) + m_cells.capacity() + m_times.capacity() * qint64(sizeof(qint64))
            + m_peak.capacity() + m_sum.capacity() * qint64(sizeof(float))
            + m_readings.capacity() * qint64(sizeof(quint32))
            + (m_columns.channels.capacity() + m_columns.channelHz.capacity() * 2)
            * qint64(sizeof(int));
}

} // namespace ze
