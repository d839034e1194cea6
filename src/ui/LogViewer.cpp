#include "ui/LogViewer.h"

#include "core/Station.h"
#include "storage/BankFile.h"
#include "storage/LogConversion.h"
#include "storage/TextFields.h"
#include "ui/Controls.h"
#include "ui/MainWindow.h"

#include <QDir>
#include <QEvent>
#include <QFile>
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

// The log's last bytes, from the start of a line; note tells what was left out or why nothing
// could be read.
QByteArray readLogEnd(const QString &path, QString &note)
{
    const QFileInfo info(path);
    // No log yet: an empty list.
    if (!info.exists())
        return {};
    // A FIFO would keep the window waiting, a device would never end.
    if (!info.isFile()) {
        note = QStringLiteral("The log is not a plain file.");
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        note = QStringLiteral("The log could not be read: %1").arg(file.errorString());
        return {};
    }
    const qint64 start = qMax(qint64 {0}, file.size() - LogViewer::shownBytes);
    if (start > 0 && !file.seek(start))
        return {};
    QByteArray bytes = readAtMost(file, LogViewer::shownBytes);
    if (start > 0) {
        bytes.remove(0, bytes.indexOf('\n') + 1); // the first line is cut
        note = cutNote;
    }
    return bytes;
}

} // namespace

LogViewer::LogViewer(MainWindow &main, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_main(main)
    , m_station(main.station())
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
    layout->addLayout(buttons);

    connect(m_cmdRefresh, &QPushButton::clicked, this, &LogViewer::refresh);
    connect(m_cmdClearLogfile, &QPushButton::clicked, this, &LogViewer::clearLogfile);
    connect(m_cmdConvertToBank, &QPushButton::clicked, this, &LogViewer::convertToBank);
    connect(m_cmdClose, &QPushButton::clicked, this, &QWidget::hide);
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
    QString note;
    const QString path = m_station.filePath(QStringLiteral("logging.txt"));
    QStringList lines = splitLines(decodeText(readLogEnd(path, note)));
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
                       .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}

void LogViewer::convertToBank()
{
    // The port is closed while the operator answers; start-up lists the new bank and reopens it.
    m_station.serialPort().ResetPort();
    ConvertLogToBank(m_station);
    m_station.StartUp();
}

void LogViewer::clearLogfile()
{
    const QString path = m_station.filePath(QStringLiteral("logging.txt"));
    QFile file(path);
    // Opening a FIFO waits for a reader; a device is no log to empty.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        m_main.reportError(
                QStringLiteral("The logfile could not be cleared: it is not a plain file."));
    else if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        m_main.reportError(
                QStringLiteral("The logfile could not be cleared: %1").arg(file.errorString()));
    file.close();
    hide();
}

} // namespace ze
