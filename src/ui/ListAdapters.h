#pragma once

#include "core/Views.h"

class QComboBox;
class QListWidget;

namespace ze {

// A drop-down list as a list the program fills. Filling never selects an entry by itself.
class ComboItemList final : public ItemList
{
public:
    explicit ComboItemList(QComboBox *combo)
        : m_combo(combo)
    {
    }
    void clearItems() override;
    void addItem(const QString &text, int data) override;
    void setBusy(bool busy) override;

private:
    QComboBox *m_combo;
};

class ListWidgetItemList final : public ItemList
{
public:
    explicit ListWidgetItemList(QListWidget *list)
        : m_list(list)
    {
    }
    void clearItems() override;
    void addItem(const QString &text, int data) override;
    void setBusy(bool busy) override;

private:
    QListWidget *m_list;
};

} // namespace ze
