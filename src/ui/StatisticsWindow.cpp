#include "ui/StatisticsWindow.h"

#include "storage/HitStore.h"
#include "ui/ColourMap.h"
#include "ui/Controls.h"
#include "ui/HitModels.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace ze {

namespace {

const char *const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

QChartView *newChartView(const QString &name, const QString &accessible, QWidget *parent)
{
    auto *view = new QChartView(new QChart, parent);
    view->setObjectName(name);
    view->setAccessibleName(accessible);
    view->setRenderHint(QPainter::Antialiasing);
    view->chart()->legend()->setAlignment(Qt::AlignBottom);
    return view;
}

} // namespace

StatisticsWindow::StatisticsWindow(HitStore &store, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_store(store)
{
    setObjectName(QStringLiteral("frmStatistics"));
    setWindowTitle(QStringLiteral("Statistics"));
    m_period = new QComboBox(this);
    m_period->setObjectName(QStringLiteral("cmbStatPeriod"));
    m_period->setAccessibleName(QStringLiteral("Period of the statistics"));
    m_period->addItem(QStringLiteral("Last 24 hours"), 1);
    m_period->addItem(QStringLiteral("Last 7 days"), 7);
    m_period->addItem(QStringLiteral("Last 30 days"), 30);
    m_period->addItem(QStringLiteral("Last year"), 365);
    m_period->addItem(QStringLiteral("Everything"), 0);
    m_period->setCurrentIndex(1);
    QLabel *periodLabel
            = newLabel(QStringLiteral("lblStatPeriod"), QStringLiteral("&Period"), this);
    periodLabel->setBuddy(m_period);
    m_total = newLabel(QStringLiteral("lblStatTotal"), QString(), this);
    m_total->setAccessibleDescription(QStringLiteral("Hits in the period"));
    auto *top = new QHBoxLayout;
    top->addWidget(periodLabel);
    top->addWidget(m_period);
    top->addStretch(1);
    top->addWidget(m_total);

    m_activity = newChartView(QStringLiteral("chtActivity"),
                              QStringLiteral("Hits by hour of day and day of week"), this);
    m_legend = new LegendBar(QStringLiteral("0 hits"), QString(), this);
    m_legend->setObjectName(QStringLiteral("legActivity"));
    m_busiest = newChartView(QStringLiteral("chtBusiest"),
                             QStringLiteral("Busiest frequencies by hits and airtime"), this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_activity, 3);
    layout->addWidget(m_legend);
    layout->addWidget(m_busiest, 4);
    resize(900, 800);

    buildCharts();
    connect(m_period, &QComboBox::currentIndexChanged, this, &StatisticsWindow::refresh);
    connect(m_activity->chart(), &QChart::plotAreaChanged, this, &StatisticsWindow::placeCells);
}

QChart *StatisticsWindow::activityChart() const
{
    return m_activity->chart();
}

QChart *StatisticsWindow::busiestChart() const
{
    return m_busiest->chart();
}

void StatisticsWindow::showEvent(QShowEvent *event)
{
    refresh();
    QWidget::showEvent(event);
}

void StatisticsWindow::buildCharts()
{
    QChart *activity = m_activity->chart();
    activity->setTitle(QStringLiteral("Hits by hour of day (local time) and day of week"));
    activity->legend()->hide();
    m_cells = new QScatterSeries;
    m_cells->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    m_cells->setBorderColor(Qt::transparent);
    for (int day = 0; day < 7; ++day) {
        for (int hour = 0; hour < 24; ++hour)
            m_cells->append(hour, 6 - day); // Monday at the top
    }
    activity->addSeries(m_cells);
    auto *hours = new QValueAxis;
    hours->setRange(-0.5, 23.5);
    hours->setTickType(QValueAxis::TicksDynamic);
    hours->setTickAnchor(0);
    hours->setTickInterval(3);
    hours->setLabelFormat(QStringLiteral("%d h"));
    hours->setGridLineVisible(false);
    auto *weekdays = new QCategoryAxis;
    weekdays->setRange(-0.5, 6.5);
    weekdays->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    // Labels go in the order of their values: Sunday at the bottom first.
    for (int value = 0; value < 7; ++value)
        weekdays->append(QLatin1String(days[6 - value]), value);
    weekdays->setGridLineVisible(false);
    activity->addAxis(hours, Qt::AlignBottom);
    activity->addAxis(weekdays, Qt::AlignLeft);
    m_cells->attachAxis(hours);
    m_cells->attachAxis(weekdays);

    QChart *busiest = m_busiest->chart();
    busiest->setTitle(QStringLiteral("Busiest frequencies"));
    m_bars = new QHorizontalBarSeries;
    busiest->addSeries(m_bars);
    m_frequencies = new QBarCategoryAxis;
    m_frequencies->setTruncateLabels(false);
    busiest->addAxis(m_frequencies, Qt::AlignLeft);
    m_bars->attachAxis(m_frequencies);
    m_values = new QValueAxis;
    m_values->setLabelFormat(QStringLiteral("%.0f"));
    busiest->addAxis(m_values, Qt::AlignBottom);
    m_bars->attachAxis(m_values);
}

void StatisticsWindow::refresh()
{
    const int daysBack = m_period->currentData().toInt();
    const QDateTime to = QDateTime::currentDateTimeUtc().addSecs(60);
    const QDateTime from = daysBack > 0 ? to.addDays(-daysBack) : QDateTime();
    m_store.flush();
    const HitStatistics stats = m_store.statistics(from, daysBack > 0 ? to : QDateTime());
    drawActivity(stats.byDayAndHour);

    m_bars->clear();
    auto *hits = new QBarSet(QStringLiteral("Hits"));
    auto *airtime = new QBarSet(QStringLiteral("Airtime (minutes)"));
    QStringList frequencies;
    // The busiest at the top.
    for (auto it = stats.busiest.rbegin(); it != stats.busiest.rend(); ++it) {
        frequencies << it->frequency;
        *hits << it->hits;
        *airtime << double(it->airtimeMs) / 60000.0;
    }
    hits->setColor(mapColour(0.3));
    airtime->setColor(mapColour(0.8));
    m_bars->append({hits, airtime});
    m_frequencies->clear();
    m_frequencies->append(frequencies);
    double most = 1;
    for (const FrequencySummary &s : stats.busiest)
        most = std::max({most, double(s.hits), double(s.airtimeMs) / 60000.0});
    m_values->setRange(0, most);
    m_values->applyNiceNumbers();
}

void StatisticsWindow::drawActivity(const std::array<std::array<int, 24>, 7> &counts)
{
    int most = 0;
    int total = 0;
    for (const auto &day : counts) {
        for (const int n : day) {
            most = std::max(most, n);
            total += n;
        }
    }
    for (int day = 0; day < 7; ++day) {
        for (int hour = 0; hour < 24; ++hour) {
            const int n = counts[std::size_t(day)][std::size_t(hour)];
            // Each cell its own colour: the number of hits on the map's scale.
            m_cells->setPointConfiguration(day * 24 + hour,
                                           {{QXYSeries::PointConfiguration::Color,
                                             mapColour(most > 0 ? double(n) / most : 0.0)}});
        }
    }
    m_legend->setEnds(QStringLiteral("0 hits"),
                      most == 1 ? QStringLiteral("1 hit") : QStringLiteral("%1 hits").arg(most));
    m_total->setText(total == 1 ? QStringLiteral("1 hit") : QStringLiteral("%1 hits").arg(total));
    placeCells();
}

void StatisticsWindow::placeCells()
{
    // The cells fill their hour and day, with a hair between them.
    const QRectF area = m_activity->chart()->plotArea();
    m_cells->setMarkerSize(std::max(2.0, std::min(area.width() / 24.0, area.height() / 7.0) - 1.0));
}

} // namespace ze
