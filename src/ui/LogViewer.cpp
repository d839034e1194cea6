#include "ui/LogViewer.h"

#include "core/Station.h"
#include "core/TextFields.h"
#include "scan/StartUp.h"
#include "storage/HitStore.h"
#include "storage/LogConversion.h"
#include "storage/LogFile.h"
#include "ui/Controls.h"
#include "ui/RecordingPlayer.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace ze {

namespace {

constexpr QLatin1String cutNote("Only the end of the log is shown: it is too long.");

} // namespace

LogViewer::LogViewer(Station &station, HitStore *hits, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_station(station)
    , m_hits(hits)
    , m_player(new RecordingPlayer(QStringLiteral("Log"), this))
{
    setObjectName(QStringLiteral("frmViewLogfile"));
    setWindowTitle(QStringLiteral("View logfile"));

    m_note = newLabel(QStringLiteral("lblNote"), QString(), this);
    m_note->setWordWrap(true);
    m_note->hide();
    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setAccessibleName(QStringLiteral("Activity log"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(8.25);
    m_list1->setFont(font);
    m_list1->setMinimumSize(480, 240);
    // One line an entry: no entry needs measuring of its own, which keeps a long log quick.
    m_list1->setUniformItemSizes(true);

    m_cmdClearLogfile
            = newButton(QStringLiteral("cmdClearLogfile"), QStringLiteral("Clear logfile"),
                        QStringLiteral("Clear logfile"), this);
    m_cmdRefresh = newButton(QStringLiteral("cmdRefresh"), QStringLiteral("Refresh"),
                             QStringLiteral("Refresh log"), this);
    m_cmdConvertToBank
            = newButton(QStringLiteral("cmdConvertToBank"), QStringLiteral("Convert to bank"),
                        QStringLiteral("Convert log to bank"), this);
    m_cmdClose = newButton(QStringLiteral("cmdClose"), QStringLiteral("Close"),
                           QStringLiteral("Close log viewer"), this);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {m_cmdClearLogfile, m_cmdRefresh, m_cmdConvertToBank, m_cmdClose})
        buttons->addWidget(button);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_note);
    layout->addWidget(m_list1, 1);
    layout->addWidget(m_player);
    layout->addLayout(buttons);
    m_player->setVisible(hits != nullptr);

    connect(m_cmdRefresh, &QPushButton::clicked, this, &LogViewer::refresh);
    connect(m_cmdClearLogfile, &QPushButton::clicked, this, &LogViewer::clearLogfile);
    connect(m_cmdConvertToBank, &QPushButton::clicked, this, &LogViewer::convertToBank);
    connect(m_cmdClose, &QPushButton::clicked, this, &QWidget::hide);
    connect(m_list1, &QListWidget::currentRowChanged, this, &LogViewer::pickLine);
    connect(m_list1, &QListWidget::itemActivated, m_player, &RecordingPlayer::playOrPause);
}

void LogViewer::pickLine()
{
    const QListWidgetItem *item = m_list1->currentItem();
    const std::optional<Hit> logged = item ? hitFromLogLine(item->text()) : std::nullopt;
    if (m_hits)
        m_hits->flush();
    const QString recording = logged && m_hits ? m_hits->recordingOf(*logged) : QString();
    m_player->setFile(recording.isEmpty() ? QString()
                                          : m_station.workingDirectory().filePath(recording));
}

bool LogViewer::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        refresh();
    return QWidget::event(event);
}

void LogViewer::refresh()
{
    m_list1->clear();
    const LogFile log(m_station.workingDirectory().path());
    const LogFile::Read read = log.readEnd(shownBytes);
    QString note;
    if (read.notPlain)
        note = QStringLiteral("The log is not a plain file.");
    else if (!read.error.isEmpty())
        note = QStringLiteral("The log could not be read: %1").arg(read.error);
    else if (read.cut)
        note = cutNote;
    QStringList lines = splitLines(decodeText(read.bytes));
    // A log of empty lines must not make more entries than a real one.
    if (lines.size() > shownLines) {
        lines.remove(0, lines.size() - shownLines);
        note = cutNote;
    }
    m_list1->addItems(lines);
    // A first-time operator sees an empty window and would not know what fills it.
    if (lines.isEmpty() && note.isEmpty())
        note = QStringLiteral("The log is empty. Signals found while scanning or searching with "
                              "\"Write to logfile\" ticked are written to %1.")
                       .arg(QDir::toNativeSeparators(QFileInfo(log.path()).absoluteFilePath()));
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}

void LogViewer::convertToBank()
{
    // The port is closed while the operator answers; start-up lists the new bank and reopens it.
    m_station.link().ResetPort();
    ConvertLogToBank(m_station);
    StartUp(m_station);
}

void LogViewer::clearLogfile()
{
    const QString error = LogFile(m_station.workingDirectory().path()).clear();
    if (!error.isEmpty())
        m_station.dialogs().reportError(
                QStringLiteral("The logfile could not be cleared: %1").arg(error));
    hide();
}

} // namespace ze
