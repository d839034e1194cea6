#include "ui/SpectrumArea.h"

#include "core/Frequency.h"
#include "core/Station.h"
#include "storage/Lockouts.h"
#include "ui/Controls.h"
#include "ui/SpectrumView.h"
#include "ui/WaterfallView.h"

#include <QBuffer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QFrame>
#include <QMenu>
#include <QVBoxLayout>

#include <cmath>

namespace ze {

namespace {

const QSize spectrumPixels(320, 100);
// A range of more steps is taken as this many: the history bins them anyway.
constexpr qint64 mostSteps = 100'000'000;

} // namespace

SpectrumArea::SpectrumArea(Station &station, Pacer &pacer, QWidget *parent)
    : QWidget(parent)
    , m_station(station)
    , m_plot(new SpectrumView(spectrumPixels, pacer, this))
    , m_waterfall(new WaterfallView(m_history, pacer, this))
    , m_peak(new QCheckBox(QStringLiteral("Peak hold"), this))
    , m_average(new QCheckBox(QStringLiteral("Average"), this))
{
    setObjectName(QStringLiteral("fraSpectrumArea"));
    m_channelColumn.fill(-1);
    m_plot->setObjectName(QStringLiteral("picSpectrum"));
    m_plot->setAccessibleName(QStringLiteral("Spectrum plot"));
    m_plot->setTraces(&m_history, false, false);
    auto *border = new QFrame(this);
    border->setObjectName(QStringLiteral("fraSpectrumBorder"));
    border->setFrameShape(QFrame::Panel);
    border->setFrameShadow(QFrame::Sunken);
    auto *borderLayout = new QVBoxLayout(border);
    const int edge = border->frameWidth();
    borderLayout->setContentsMargins(edge, edge, edge, edge);
    borderLayout->addWidget(m_plot);

    m_peak->setObjectName(QStringLiteral("chkPeakHold"));
    m_peak->setAccessibleName(QStringLiteral("Peak hold trace"));
    m_peak->setToolTip(QStringLiteral("The strongest level each step has read, in orange"));
    m_average->setObjectName(QStringLiteral("chkAverage"));
    m_average->setAccessibleName(QStringLiteral("Average trace"));
    m_average->setToolTip(QStringLiteral("The mean level each step has read, in blue"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(border, 1);
    layout->addWidget(m_waterfall, 3);

    connect(m_peak, &QCheckBox::toggled, this, &SpectrumArea::tracesChanged);
    connect(m_average, &QCheckBox::toggled, this, &SpectrumArea::tracesChanged);
    connect(m_waterfall, &WaterfallView::columnClicked, this, &SpectrumArea::tuneColumn);
    connect(m_waterfall, &WaterfallView::menuRequested, this, &SpectrumArea::showMenu);
    connect(&station.events(), &StationEvents::channelMeasured, this,
            &SpectrumArea::channelMeasured);
}

void SpectrumArea::tracesChanged()
{
    m_plot->setTraces(&m_history, m_peak->isChecked(), m_average->isChecked());
}

void SpectrumArea::plot(const SpectrumStep &step)
{
    if (step.step > 0 && step.to > step.from) {
        const ProgramState &state = m_station.state();
        SweepColumns columns;
        columns.fromHz = step.from * 100;
        columns.stepHz = step.step * 100;
        columns.steps = int(std::min((step.to - step.from) / step.step + 2, mostSteps));
        columns.range = state.currentRange;
        if (state.currentRange >= 0 && state.currentRange < Ranges::count)
            columns.mode = state.ranges[state.currentRange].Mode.trimmed();
        const double k = std::round(double(step.frequency - step.from) / double(step.step));
        measured(columns, k >= 0 && k < columns.steps ? int(k) : -1, step.level);
    }
    m_plot->plot(step);
}

void SpectrumArea::measured(const SweepColumns &columns, int column, int level)
{
    if (column < 0)
        return;
    if (columns != m_history.columns()) {
        m_history.reset(columns);
        m_waterfall->historyReset();
    }
    const qint64 now = m_station.clock().epochMs();
    const SweepHistory::Change change = m_history.measure(column, level, now);
    if (change.bin >= 0)
        m_waterfall->cellChanged(change.bin, change.newRow);
}

SweepColumns SpectrumArea::bankColumns() const
{
    SweepColumns columns;
    const ProgramState &state = m_station.state();
    for (int bank = 1; bank <= 4; ++bank) {
        if (!m_station.choices().bankTicked(bank))
            continue;
        for (int channel = 0; channel < 100; ++channel) {
            const ChannelRecord &r = state.banks(bank, channel);
            if (r.Frequency.isEmpty() || r.LockOut != 0)
                continue;
            columns.channels << bank * 100 + channel;
            columns.channelHz << hzFromFrequencyText(r.Frequency);
        }
    }
    return columns;
}

void SpectrumArea::channelMeasured(int bank, int channel, int level)
{
    const int key = bank * 100 + channel;
    if (!m_station.hasViews() || !m_station.choices().spectrumTicked() || key < 0
        || key >= int(m_channelColumn.size()))
        return;
    if (m_history.columns().isSearch() || m_channelColumn[key] < 0) {
        // Another set of channels: ticks, a bank file or the bank editor changed them.
        const SweepColumns columns = bankColumns();
        m_channelColumn.fill(-1);
        for (int i = 0; i < columns.channels.size(); ++i)
            m_channelColumn[columns.channels.at(i)] = i;
        if (columns.channels.isEmpty())
            return;
        measured(columns, m_channelColumn[key], level);
        return;
    }
    measured(m_history.columns(), m_channelColumn[key], level);
}

void SpectrumArea::clear()
{
    m_plot->clear();
    m_history.reset(SweepColumns());
    m_channelColumn.fill(-1);
    m_waterfall->historyReset();
}

void SpectrumArea::tuneColumn(int column)
{
    const SweepColumns &columns = m_history.columns();
    if (column < 0 || column >= columns.count())
        return;
    if (columns.isSearch()) {
        m_station.commands().tune(columns.hzOf(column), columns.mode);
    } else {
        const int key = columns.channels.at(column);
        m_station.commands().pickChannel(key / 100, key % 100);
    }
}

void SpectrumArea::lockOutColumn(int column)
{
    const SweepColumns &columns = m_history.columns();
    if (columns.isSearch() && column >= 0 && column < columns.count())
        addLockout(m_station, columns.hzOf(column));
}

void SpectrumArea::searchFromColumn(int column)
{
    const SweepColumns &columns = m_history.columns();
    // The search's next step is the one after the frequency it is given: this column's.
    if (columns.isSearch() && column >= 0 && column < columns.count())
        m_station.commands().searchFrom(columns.range, columns.hzOf(column) - columns.stepHz);
}

void SpectrumArea::showMenu(int column, const QPoint &globalPos)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuWaterfall"));
    const bool search = m_history.columns().isSearch() && column >= 0;
    QAction *lockOut = menu.addAction(QStringLiteral("Lock out this frequency"));
    QAction *searchHere = menu.addAction(QStringLiteral("Search from here"));
    lockOut->setEnabled(search);
    searchHere->setEnabled(search);
    menu.addSeparator();
    QAction *picture = menu.addAction(QStringLiteral("Save picture"));
    QAction *sweeps = menu.addAction(QStringLiteral("Save sweeps"));
    sweeps->setEnabled(m_history.rows() > 0);
    QAction *chosen = menu.exec(globalPos);
    if (chosen == lockOut)
        lockOutColumn(column);
    else if (chosen == searchHere)
        searchFromColumn(column);
    else if (chosen == picture)
        savePicture();
    else if (chosen == sweeps)
        saveSweeps();
}

QByteArray SpectrumArea::pictureBytes()
{
    m_plot->flush();
    m_waterfall->flush();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return grab().save(&buffer, "PNG") ? bytes : QByteArray();
}

QByteArray SpectrumArea::sweepsCsv() const
{
    QByteArray csv = "time,frequency,level\r\n";
    const SweepColumns &columns = m_history.columns();
    for (int age = m_history.rows() - 1; age >= 0; --age) {
        const QByteArray time = QDateTime::fromMSecsSinceEpoch(m_history.rowTime(age))
                                        .toString(Qt::ISODateWithMs)
                                        .toLatin1();
        const quint8 *cells = m_history.row(age);
        for (int bin = 0; bin < m_history.bins(); ++bin) {
            if (cells[bin] == SweepHistory::none)
                continue;
            const qint64 hz = columns.hzOf(m_history.firstColumnOf(bin));
            csv += time + ',' + QByteArray::number(double(hz) / 1e6, 'f', 4) + ','
                    + QByteArray::number(cells[bin]) + "\r\n";
        }
    }
    return csv;
}

void SpectrumArea::savePicture()
{
    saveAs(QStringLiteral("Save picture"), QStringLiteral("PNG picture (*.png)"),
           QStringLiteral("png"), pictureBytes());
}

void SpectrumArea::saveSweeps()
{
    saveAs(QStringLiteral("Save sweeps"), QStringLiteral("CSV file (*.csv)"), QStringLiteral("csv"),
           sweepsCsv());
}

void SpectrumArea::saveAs(const QString &title, const QString &filter, const QString &suffix,
                          const QByteArray &bytes)
{
    DialogService &dialogs = m_station.dialogs();
    QString path = dialogs.askFileName(title, {filter}, true);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + suffix;
    if (bytes.isEmpty()) {
        dialogs.reportError(QStringLiteral("\"%1\" was not saved: the picture could not be made.")
                                    .arg(QFileInfo(path).fileName()));
        return;
    }
    const SaveResult saved = saveFileAtomically(path, bytes);
    if (!saved.ok)
        dialogs.reportError(QStringLiteral("\"%1\" could not be saved: %2")
                                    .arg(QFileInfo(path).fileName(), saved.error));
}

void SpectrumArea::detach()
{
    if (detached())
        return;
    QWidget *home = parentWidget();
    auto *homeLayout = home ? qobject_cast<QBoxLayout *>(home->layout()) : nullptr;
    if (!homeLayout)
        return;
    if (!m_window) {
        m_window = new QWidget(window(), Qt::Window);
        m_window->setObjectName(QStringLiteral("frmSpectrum"));
        m_window->setWindowTitle(QStringLiteral("Spectrum"));
        m_window->installEventFilter(this);
        new QVBoxLayout(m_window);
    }
    m_home = home;
    m_homeIndex = homeLayout->indexOf(this);
    homeLayout->removeWidget(this);
    m_window->layout()->addWidget(this);
    m_window->resize(std::max(m_window->sizeHint().width(), 800),
                     std::max(m_window->sizeHint().height(), 500));
    bringUp(m_window);
    Q_EMIT detachedChanged(true);
}

void SpectrumArea::attach()
{
    if (!detached())
        return;
    QWidget *home = m_home;
    m_home = nullptr;
    m_window->layout()->removeWidget(this);
    if (auto *homeLayout = qobject_cast<QBoxLayout *>(home->layout()))
        homeLayout->insertWidget(m_homeIndex, this, 1);
    show();
    m_window->hide();
    Q_EMIT detachedChanged(false);
}

bool SpectrumArea::eventFilter(QObject *watched, QEvent *event)
{
    // Closing its own window brings the area back.
    if (watched == m_window && event->type() == QEvent::Close && detached())
        attach();
    return QWidget::eventFilter(watched, event);
}

} // namespace ze
