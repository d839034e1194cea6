#pragma once

#include "ui/ListAdapters.h"

#include <QWidget>

#include <array>
#include <memory>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ze {

class Station;

// EditRange, "Edit Range": the search ranges. Exists from start-up on, hidden, because loading
// the range file fills its list. A tool window of the main window, as the bank editor.
class EditRange : public QWidget
{
    Q_OBJECT
public:
    explicit EditRange(Station &station, QWidget *parent = nullptr);

    // Shows the editor, reloads the ranges and clears the fields.
    void Initialiseren();
    // No entry selected, every field empty, no mode chosen.
    void RangeSchermLegen();

    QComboBox *rangeList() const { return m_cmbRangeLijst; }
    ItemList &rangeItems() { return *m_rangeItems; }

protected:
    void changeEvent(QEvent *event) override;

private:
    // The fields into Ranges(currentRange), then saved; false when they do not make a range
    // that can be searched (the operator is told, the fields stay for mending).
    bool StoreRange();
    void rangePicked(int index);
    void newRange();
    void storeClicked();
    void deleteRange();
    void closeEditor();

    Station &m_station;
    QComboBox *m_cmbRangeLijst;
    std::array<QLabel *, 5> m_lblEditChannel {};
    QLineEdit *m_txtEditRangeDescription;
    QLineEdit *m_txtEditRangeFrom;
    QLineEdit *m_txtEditRangeTo;
    QLineEdit *m_txtEditRangeStep;
    std::array<QRadioButton *, 6> m_optEditRangeMode {};
    QButtonGroup *m_modeGroup;
    QPushButton *m_cmdEditChannelNew;
    QPushButton *m_cmdEditChannelDelete;
    QPushButton *m_cmdEditChannelOk;
    QPushButton *m_cmdEditBankClose;
    std::unique_ptr<ComboItemList> m_rangeItems;
};

} // namespace ze
