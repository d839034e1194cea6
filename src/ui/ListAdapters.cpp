#include "ui/ListAdapters.h"

#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>

namespace ze {

void ComboItemList::clearItems()
{
    const QSignalBlocker blocker(m_combo);
    m_combo->clear();
}

void ComboItemList::addItem(const QString &text, int data)
{
    const QSignalBlocker blocker(m_combo);
    m_combo->addItem(text, data);
    // A combo box picks its first entry by itself; the lists here start with nothing chosen.
    if (!m_combo->isEditable() && m_combo->count() == 1)
        m_combo->setCurrentIndex(-1);
}

void ComboItemList::setBusy(bool busy)
{
    if (busy)
        m_combo->setCursor(Qt::WaitCursor);
    else
        m_combo->unsetCursor();
}

void ListWidgetItemList::clearItems()
{
    const QSignalBlocker blocker(m_list);
    m_list->clear();
}

void ListWidgetItemList::addItem(const QString &text, int data)
{
    const QSignalBlocker blocker(m_list);
    auto *item = new QListWidgetItem(text, m_list);
    item->setData(Qt::UserRole, data);
}

void ListWidgetItemList::setBusy(bool busy)
{
    if (busy)
        m_list->setCursor(Qt::WaitCursor);
    else
        m_list->unsetCursor();
}

} // namespace ze
