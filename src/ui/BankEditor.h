#pragma once

#include "ui/ListAdapters.h"

#include <QWidget>

#include <array>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace ze {

class Station;

// EditBank, "Edit banks": the bank files and their channels. Exists from start-up on, hidden,
// because start-up fills its bank and channel lists. A tool window of the main window: it stays in
// front of it while open, and the main window stays usable.
class EditBank : public QWidget
{
    Q_OBJECT
public:
    explicit EditBank(Station &station, QWidget *parent = nullptr);

    // Shows the editor on the bank file chosen in the main window.
    void Initialiseren();
    // Fills the edit fields from the selected entry of the list.
    void Initialize(QListWidget *list);

    QComboBox *bankList() const { return m_cmbBankenLijst; }
    QListWidget *channelList() const { return m_lstKanaalLijst; }
    ItemList &channelItems() { return *m_channelItems; }
    // Sets the bank list's text as the operator would pick it, without the reaction; a text that
    // is not an entry leaves the list as it was.
    bool selectBankText(const QString &text);

protected:
    void changeEvent(QEvent *event) override;

private:
    // The edit fields into the channel they name, then saved; false when the channel number was
    // refused.
    bool StoreChannel();
    void bankPicked(int index);
    void storeClicked();
    void clearFields();
    void deleteChannel();
    void readBanks();
    void storeBanks();
    void newBank();
    void deleteBank();
    void closeEditor();
    // Channels from a CSV file into their bank slots, after a preview the operator agrees to.
    void importCsv();
    void exportCsv();

    Station &m_station;
    QComboBox *m_cmbBankenLijst;
    QListWidget *m_lstKanaalLijst;
    std::array<QLabel *, 7> m_lblEditChannel {};
    QLineEdit *m_txtEditChannelChannel;
    std::array<QRadioButton *, 4> m_optEditChannelBank {};
    QLineEdit *m_txtEditChannelDescription;
    QLineEdit *m_txtEditChannelFrequency;
    std::array<QRadioButton *, 6> m_optEditChannelMode {};
    QButtonGroup *m_bankGroup;
    QButtonGroup *m_modeGroup;
    QCheckBox *m_chkEditChannelATT;
    QCheckBox *m_chkEditChannelLockOut;
    QPushButton *m_cmdEditChannelOk;
    QPushButton *m_cmdEditChannelNew;
    QPushButton *m_cmdEditChannelDelete;
    QPushButton *m_cmdReadBanks;
    QPushButton *m_cmdStoreBanks;
    QPushButton *m_cmdDeleteBank;
    QPushButton *m_cmdNewBank;
    QPushButton *m_cmdImportCsv;
    QPushButton *m_cmdExportCsv;
    QPushButton *m_cmdEditBankClose;
    std::unique_ptr<ListWidgetItemList> m_channelItems;
};

} // namespace ze
