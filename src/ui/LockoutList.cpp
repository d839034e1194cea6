#include "ui/LockoutList.h"

#include "core/Frequency.h"
#include "core/ReceiverCommand.h"
#include "core/Station.h"
#include "storage/Lockouts.h"
#include "ui/Controls.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace ze {

LockoutList::LockoutList(Station &station, QWidget *parent)
    : QGroupBox(QStringLiteral("Search lockouts"), parent)
    , m_station(station)
    , m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("fraLockouts"));
    m_list->setObjectName(QStringLiteral("lstLockouts"));
    m_list->setAccessibleName(QStringLiteral("Frequencies a search passes over"));
    m_list->setToolTip(QStringLiteral("A range search passes over these frequencies, each within "
                                      "half the range's step, without sampling them"));
    m_add = newButton(QStringLiteral("cmdLockoutAdd"), QStringLiteral("Add..."),
                      QStringLiteral("Add a search lockout"), this);
    m_remove = newButton(QStringLiteral("cmdLockoutRemove"), QStringLiteral("Remove"),
                         QStringLiteral("Remove the chosen search lockout"), this);
    m_clear = newButton(QStringLiteral("cmdLockoutClear"), QStringLiteral("Clear"),
                        QStringLiteral("Remove every search lockout"), this);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {m_add, m_remove, m_clear})
        buttons->addWidget(button);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(m_add, &QPushButton::clicked, this, &LockoutList::add);
    connect(m_remove, &QPushButton::clicked, this, &LockoutList::remove);
    connect(m_clear, &QPushButton::clicked, this, &LockoutList::clearAll);
    connect(&station.events(), &StationEvents::lockoutsChanged, this, &LockoutList::refresh);
    refresh();
}

void LockoutList::refresh()
{
    m_list->clear();
    for (const qint64 hz : m_station.state().lockouts) {
        auto *item = new QListWidgetItem(frequencyTextFromHz(hz) + QStringLiteral(" MHz"), m_list);
        item->setData(Qt::UserRole, hz);
    }
    m_remove->setEnabled(m_list->count() > 0);
    m_clear->setEnabled(m_list->count() > 0);
}

void LockoutList::add()
{
    const QString typed = m_station.dialogs().askText(
            QStringLiteral("Search lockout"),
            QStringLiteral("Frequency a search passes over, in MHz"), QString());
    if (typed.isEmpty())
        return;
    const QString problem = frequencyProblem(typed);
    if (!problem.isEmpty()) {
        m_station.dialogs().reportError(QStringLiteral("\"%1\" is no frequency to lock out: %2.")
                                                .arg(typed.trimmed(), problem));
        return;
    }
    addLockout(m_station, hzFromFrequencyText(typed));
}

void LockoutList::remove()
{
    if (const QListWidgetItem *item = m_list->currentItem())
        removeLockout(m_station, item->data(Qt::UserRole).toLongLong());
}

void LockoutList::clearAll()
{
    if (m_station.dialogs().askYesNo(QStringLiteral("Search lockouts"),
                                     QStringLiteral("Remove every search lockout?"), false))
        clearLockouts(m_station);
}

} // namespace ze
