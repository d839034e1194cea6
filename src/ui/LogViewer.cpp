#include "ui/LogViewer.h"

#include "core/Station.h"
#include "storage/TextFields.h"
#include "ui/Controls.h"
#include "ui/MainWindow.h"

#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace ze {

LogViewer::LogViewer(MainWindow &main, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_main(main)
    , m_station(main.station())
{
    setObjectName(QStringLiteral("frmViewLogfile"));
    setWindowTitle(QStringLiteral("View logfile"));

    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setAccessibleName(QStringLiteral("Activity log"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(8.25);
    m_list1->setFont(font);
    m_list1->setMinimumSize(480, 240);

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
    layout->addWidget(m_list1, 1);
    layout->addLayout(buttons);

    connect(m_cmdRefresh, &QPushButton::clicked, this, &LogViewer::refresh);
    connect(m_cmdClearLogfile, &QPushButton::clicked, this, &LogViewer::clearLogfile);
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
    QFile file(m_station.filePath(QStringLiteral("logging.txt")));
    // No log yet: an empty list.
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QStringList lines = splitLines(decodeText(file.readAll()));
    file.close();
    m_list1->addItems(lines);
}

void LogViewer::clearLogfile()
{
    QFile file(m_station.filePath(QStringLiteral("logging.txt")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        m_main.reportError(
                QStringLiteral("The logfile could not be cleared: %1").arg(file.errorString()));
    file.close();
    hide();
}

} // namespace ze
