#pragma once

#include <QWidget>

#include <array>

class QBarCategoryAxis;
class QChart;
class QChartView;
class QComboBox;
class QHorizontalBarSeries;
class QLabel;
class QScatterSeries;
class QValueAxis;

namespace ze {

class HitStore;
class LegendBar;

// frmStatistics, "Statistics": when the air is busy, as a heat map of hits by hour of day and day
// of week, and where, as the busiest frequencies by hits and by airtime, over a chosen period.
class StatisticsWindow : public QWidget
{
    Q_OBJECT
public:
    StatisticsWindow(HitStore &store, QWidget *parent = nullptr);

    // Reads the store anew and draws.
    void refresh();
    QChart *activityChart() const;
    QChart *busiestChart() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildCharts();
    void drawActivity(const std::array<std::array<int, 24>, 7> &counts);
    void placeCells();

    HitStore &m_store;
    QComboBox *m_period;
    QChartView *m_activity;
    QChartView *m_busiest;
    LegendBar *m_legend;
    QLabel *m_total;
    QScatterSeries *m_cells = nullptr;
    QHorizontalBarSeries *m_bars = nullptr;
    QBarCategoryAxis *m_frequencies = nullptr;
    QValueAxis *m_values = nullptr;
};

} // namespace ze
