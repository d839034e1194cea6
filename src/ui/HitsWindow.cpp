#include "ui/HitsWindow.h"

#include "audio/Recorder.h"
#include "core/Station.h"
#include "scan/HitRecorder.h"
#include "storage/BankFile.h"
#include "storage/CsvFile.h"
#include "storage/DataFile.h"
#include "storage/Lockouts.h"
#include "storage/LogFile.h"
#include "ui/Controls.h"
#include "ui/HitModels.h"
#include "ui/RecordingPlayer.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace ze {

namespace {

QTableView *newTable(const QString &name, const QString &accessible, QAbstractItemModel *model,
                     QWidget *parent)
{
    auto *table = new QTableView(parent);
    table->setObjectName(name);
    table->setAccessibleName(accessible);
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->hide();
    // One line a row: no row needs measuring of its own, which keeps a long list quick.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

} // namespace

HitsWindow::HitsWindow(Station &station, HitRecorder &recorder, Recorder *audio, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_station(station)
    , m_recorder(recorder)
    , m_hits(new HitTableModel(recorder.store(), this))
    , m_summaryModel(new HitSummaryModel(recorder.store(), this))
    , m_player(new RecordingPlayer(QStringLiteral("Hit"), this))
    , m_filterDelay(new QTimer(this))
{
    setObjectName(QStringLiteral("frmHits"));
    setWindowTitle(QStringLiteral("Hits"));

    m_text = newEdit(QStringLiteral("txtHitFilter"), 200,
                     QStringLiteral("Show hits whose frequency, description or range holds"), this);
    m_text->setPlaceholderText(QStringLiteral("Frequency, description or range"));
    m_text->setClearButtonEnabled(true);
    m_period = new QCheckBox(QStringLiteral("From"), this);
    m_period->setObjectName(QStringLiteral("chkHitPeriod"));
    m_period->setAccessibleName(QStringLiteral("Only hits of a period"));
    m_from = new QDateTimeEdit(QDateTime::currentDateTime().addDays(-1), this);
    m_from->setObjectName(QStringLiteral("dteHitFrom"));
    m_from->setAccessibleName(QStringLiteral("Period from"));
    m_to = new QDateTimeEdit(QDateTime::currentDateTime().addDays(1), this);
    m_to->setObjectName(QStringLiteral("dteHitTo"));
    m_to->setAccessibleName(QStringLiteral("Period to"));
    for (QDateTimeEdit *edit : {m_from, m_to}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
        edit->setCalendarPopup(true);
        edit->setEnabled(false);
    }
    auto *filters = new QHBoxLayout;
    QLabel *show = newLabel(QStringLiteral("lblHitFilter"), QStringLiteral("&Show"), this);
    show->setBuddy(m_text);
    filters->addWidget(show);
    filters->addWidget(m_text, 1);
    filters->addWidget(m_period);
    filters->addWidget(m_from);
    filters->addWidget(newLabel(QStringLiteral("lblHitTo"), QStringLiteral("to"), this));
    filters->addWidget(m_to);

    m_table = newTable(QStringLiteral("tblHits"), QStringLiteral("Hits, newest first"), m_hits,
                       this);
    // Widths from the texts they hold, not from measuring every row.
    const QFontMetrics metrics = fontMetrics();
    const auto width = [&metrics](const char *sample) {
        return metrics.horizontalAdvance(QLatin1String(sample)) + 16;
    };
    m_table->setColumnWidth(HitTableModel::Start, width("2026-12-31 23:59:59"));
    m_table->setColumnWidth(HitTableModel::Duration, width("on the air "));
    m_table->setColumnWidth(HitTableModel::Frequency, width("2036.00000"));
    m_table->setColumnWidth(HitTableModel::Mode, width("Mode "));
    m_table->setColumnWidth(HitTableModel::Where, width("Bank-Ch or range"));
    m_table->setColumnWidth(HitTableModel::Peak, width("Peak "));
    m_table->setColumnWidth(HitTableModel::Description, width("A description of some length"));
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_summary = newTable(QStringLiteral("tblHitSummary"), QStringLiteral("Hits per frequency"),
                         m_summaryModel, this);
    m_summary->setColumnWidth(HitSummaryModel::Frequency, width("2036.00000"));
    m_summary->setColumnWidth(HitSummaryModel::Hits, width("1000000"));
    m_summary->setColumnWidth(HitSummaryModel::Airtime, width("1000:00:00 h"));
    m_summary->setColumnWidth(HitSummaryModel::Longest, width("100:00:00 h"));
    m_summary->setColumnWidth(HitSummaryModel::First, width("2026-12-31 23:59:59"));
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_table);
    splitter->addWidget(m_summary);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);

    m_tune = newButton(QStringLiteral("cmdHitTune"), QStringLiteral("&Tune"),
                       QStringLiteral("Tune the hit's frequency"), this);
    m_lockOut = newButton(QStringLiteral("cmdHitLockOut"), QStringLiteral("&Lock out"),
                          QStringLiteral("Lock the hit's channel or frequency out"), this);
    m_toBank = newButton(QStringLiteral("cmdHitToBank"), QStringLiteral("&Add to bank..."),
                         QStringLiteral("Add the hit's frequency to a bank"), this);
    auto *exportButton = newButton(QStringLiteral("cmdHitExport"), QStringLiteral("&Export CSV..."),
                                   QStringLiteral("Export the hits shown as CSV"), this);
    auto *importButton = newButton(QStringLiteral("cmdHitImportLog"), QStringLiteral("&Import log"),
                                   QStringLiteral("Take the activity log in as hits"), this);
    auto *close = newButton(QStringLiteral("cmdHitClose"), QStringLiteral("Close"),
                            QStringLiteral("Close the hits window"), this);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {m_tune, m_lockOut, m_toBank})
        buttons->addWidget(button);
    buttons->addStretch(1);
    for (QPushButton *button : {exportButton, importButton, close})
        buttons->addWidget(button);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_player);
    layout->addLayout(buttons);
    resize(900, 600);

    // Typing filters after a pause, not at every key.
    m_filterDelay->setSingleShot(true);
    m_filterDelay->setInterval(300);
    connect(m_filterDelay, &QTimer::timeout, this, &HitsWindow::applyFilter);
    connect(m_text, &QLineEdit::textChanged, m_filterDelay, qOverload<>(&QTimer::start));
    connect(m_period, &QCheckBox::toggled, this, [this](bool on) {
        m_from->setEnabled(on);
        m_to->setEnabled(on);
        applyFilter();
    });
    for (QDateTimeEdit *edit : {m_from, m_to})
        connect(edit, &QDateTimeEdit::dateTimeChanged, m_filterDelay, qOverload<>(&QTimer::start));
    connect(&recorder, &HitRecorder::hitBegun, m_hits, &HitTableModel::hitBegun);
    connect(&recorder, &HitRecorder::hitEnded, m_hits, &HitTableModel::hitEnded);
    connect(&recorder, &HitRecorder::hitEnded, m_summaryModel, &HitSummaryModel::hitEnded);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &HitsWindow::enableActions);
    connect(m_table, &QTableView::customContextMenuRequested, this, &HitsWindow::showMenu);
    connect(m_table, &QTableView::doubleClicked, this, &HitsWindow::tune);
    connect(m_tune, &QPushButton::clicked, this, &HitsWindow::tune);
    connect(m_lockOut, &QPushButton::clicked, this, &HitsWindow::lockOut);
    connect(m_toBank, &QPushButton::clicked, this, &HitsWindow::addToBank);
    connect(exportButton, &QPushButton::clicked, this, &HitsWindow::exportShown);
    connect(importButton, &QPushButton::clicked, this, &HitsWindow::importLog);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    if (audio)
        connect(audio, &Recorder::recordingSaved, this, [this](qint64 id, const QString &path) {
            m_hits->recordingSaved(id, path);
            enableActions();
        });
    enableActions();
}

void HitsWindow::applyFilter()
{
    HitFilter filter;
    filter.text = m_text->text();
    if (m_period->isChecked()) {
        filter.from = m_from->dateTime().toUTC();
        filter.to = m_to->dateTime().toUTC();
    }
    m_recorder.store().flush();
    m_hits->setFilter(filter);
    m_summaryModel->setFilter(filter);
    enableActions();
}

const Hit *HitsWindow::currentHit() const
{
    return m_hits->hitAt(m_table->currentIndex().row());
}

void HitsWindow::enableActions()
{
    const bool picked = currentHit() != nullptr;
    for (QPushButton *button : {m_tune, m_lockOut, m_toBank})
        button->setEnabled(picked);
    const Hit *hit = currentHit();
    m_player->setFile(hit && !hit->recording.isEmpty()
                              ? m_station.workingDirectory().filePath(hit->recording)
                              : QString());
}

void HitsWindow::showMenu(const QPoint &at)
{
    if (!currentHit())
        return;
    QMenu menu(this);
    menu.addAction(QStringLiteral("Tune"), this, &HitsWindow::tune);
    menu.addAction(QStringLiteral("Lock out"), this, &HitsWindow::lockOut);
    menu.addAction(QStringLiteral("Add to bank..."), this, &HitsWindow::addToBank);
    if (!m_player->file().isEmpty())
        menu.addAction(QStringLiteral("Play"), m_player, &RecordingPlayer::playOrPause);
    menu.exec(m_table->viewport()->mapToGlobal(at));
}

void HitsWindow::tune()
{
    if (const Hit *hit = currentHit())
        m_station.commands().tune(hit->hz, hit->mode);
}

void HitsWindow::lockOut()
{
    const Hit *hit = currentHit();
    if (!hit)
        return;
    DialogService &dialogs = m_station.dialogs();
    if (hit->search || hit->bank == 0) {
        if (addLockout(m_station, hit->hz))
            dialogs.showMessage(QStringLiteral("Lock out"),
                                QStringLiteral("A range search passes over %1 MHz from now on.")
                                        .arg(hit->frequency),
                                MessageKind::Information);
        return;
    }
    // The loaded bank file may not be the one the channel was heard in.
    ChannelRecord &record = m_station.state().banks(hit->bank, hit->channel);
    if (record.Frequency.trimmed() != hit->frequency) {
        dialogs.reportError(QStringLiteral("Bank %1 channel %2 of the bank file loaded is not the "
                                           "channel this hit was heard on (%3); nothing was "
                                           "locked out.")
                                    .arg(hit->bank)
                                    .arg(hit->channel)
                                    .arg(hit->frequency));
        return;
    }
    record.LockOut = 1;
    if (SaveBankFile(m_station).ok) {
        FillChannelList(m_station, m_station.shell().mainChannelList());
        FillChannelList(m_station, m_station.shell().editorChannelList());
    }
}

void HitsWindow::addToBank()
{
    const Hit *hit = currentHit();
    if (!hit)
        return;
    const QStringList banks {QStringLiteral("Bank 1"), QStringLiteral("Bank 2"),
                             QStringLiteral("Bank 3"), QStringLiteral("Bank 4")};
    const int chosen = m_station.dialogs().askChoice(
            QStringLiteral("Add to bank"),
            QStringLiteral("%1 MHz into the first free channel of").arg(hit->frequency), banks,
            std::max(0, hit->bank - 1));
    if (chosen < 0)
        return;
    const int bank = chosen + 1;
    Banks &table = m_station.state().banks;
    int channel = 0;
    while (channel < Banks::channelCount && !table(bank, channel).isEmpty())
        ++channel;
    if (channel == Banks::channelCount) {
        m_station.dialogs().reportError(QStringLiteral("Bank %1 has no free channel.").arg(bank));
        return;
    }
    ChannelRecord &record = table(bank, channel);
    const qint16 zNumber = record.ZNumber; // the receiver's, which no file holds
    record = ChannelRecord();
    record.ZNumber = zNumber;
    record.Frequency = hit->frequency;
    record.Mode = hit->mode;
    record.Description = recordText(hit->description.isEmpty() ? hit->range : hit->description);
    if (SaveBankFile(m_station).ok) {
        FillChannelList(m_station, m_station.shell().mainChannelList());
        FillChannelList(m_station, m_station.shell().editorChannelList());
    }
}

void HitsWindow::exportShown()
{
    const QString name = m_station.dialogs().askFileName(
            QStringLiteral("Export hits"), {QStringLiteral("CSV files (*.csv)")}, true);
    if (name.isEmpty())
        return;
    m_recorder.store().flush();
    const QVector<Hit> hits = m_recorder.store().newest(m_hits->filter(), nullptr, 10000000);
    QString text = csvLine({"Start (UTC)", "End (UTC)", "Duration (s)", "Frequency", "Mode", "Bank",
                            "Channel", "Range", "Description", "Peak", "Source", "Recording"})
            + QStringLiteral("\r\n");
    for (const Hit &hit : hits)
        text += csvLine({hit.start.toString(Qt::ISODateWithMs), hit.end.toString(Qt::ISODateWithMs),
                         hit.ended() ? QString::number(double(hit.durationMs()) / 1000.0, 'f', 3)
                                     : QString(),
                         hit.frequency, hit.mode,
                         hit.bank > 0 ? QString::number(hit.bank) : QString(),
                         hit.channel >= 0 ? QString::number(hit.channel) : QString(), hit.range,
                         hit.description, QString::number(hit.peak),
                         hit.search ? QStringLiteral("search") : QStringLiteral("scan"),
                         hit.recording})
                + QStringLiteral("\r\n");
    const QString path = m_station.filePath(name);
    const SaveResult saved = saveFileAtomically(path, text.toUtf8());
    if (!saved.ok)
        m_station.dialogs().reportError(QStringLiteral("\"%1\" could not be written: %2")
                                                .arg(QFileInfo(path).fileName(), saved.error));
}

void HitsWindow::importLog()
{
    const LogFile::Read log
            = LogFile(m_station.workingDirectory().path()).readStart(maxDataFileBytes);
    if (!log.exists || log.notPlain || !log.error.isEmpty()) {
        m_station.dialogs().reportError(
                QStringLiteral("The log \"%1\" could not be read%2.")
                        .arg(LogFile::fileName,
                             log.error.isEmpty() ? QString() : QStringLiteral(": ") + log.error));
        return;
    }
    const int taken = m_recorder.store().importLog(log.bytes);
    applyFilter();
    m_station.dialogs().showMessage(
            QStringLiteral("Import log"),
            QStringLiteral("%1 of the log taken as hits (lines already there are passed over).")
                    .arg(taken == 1 ? QStringLiteral("1 line")
                                    : QStringLiteral("%1 lines").arg(taken)),
            MessageKind::Information);
}

} // namespace ze
