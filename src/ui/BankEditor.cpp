#include "ui/BankEditor.h"

#include "core/Frequency.h"
#include "core/ReceiverCommand.h"
#include "core/Station.h"
#include "core/TextFields.h"
#include "receiver/MemoryTransfer.h"
#include "scan/StartUp.h"
#include "storage/BankFile.h"
#include "storage/BankName.h"
#include "storage/CsvFile.h"
#include "ui/Controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <optional>
#include <utility>

namespace ze {

namespace {

// The bank and channel a channel list entry carries as bank x 100 + channel.
std::optional<std::pair<int, int>> entryChannel(const QListWidgetItem *item)
{
    if (!item)
        return std::nullopt;
    const int value = item->data(Qt::UserRole).toInt();
    const int bank = value / 100;
    const int channel = value - 100 * bank;
    if (!Banks::validBank(bank) || !Banks::validChannel(channel))
        return std::nullopt;
    return std::make_pair(bank, channel);
}

bool sameChannel(const ChannelRecord &a, const ChannelRecord &b)
{
    return a.Frequency == b.Frequency && a.Description == b.Description && a.Mode == b.Mode
            && a.Spare == b.Spare && a.ATT == b.ATT && a.LockOut == b.LockOut;
}

QString counted(qsizetype n, const char *one, const char *many)
{
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

// What an import would do, for the operator to agree to: the channels, those they replace, and
// the rows refused with their lines.
QString importPreview(const QString &file, const CsvImport &read, int replaced)
{
    QString text
            = QStringLiteral("\"%1\" (%2): %3 to import")
                      .arg(file,
                           read.layout == CsvLayout::BankFields ? QStringLiteral("bank fields")
                                                                : QStringLiteral("channel list"),
                           counted(read.channels.size(), "channel", "channels"));
    if (replaced > 0)
        text += QStringLiteral(", replacing %1 in the banks")
                        .arg(counted(replaced, "channel", "channels"));
    text += QLatin1Char('.');
    if (read.refusedCount > 0) {
        text += QStringLiteral("\n\n%1 refused:").arg(counted(read.refusedCount, "row", "rows"));
        constexpr int shown = 20; // a message box must fit on the screen
        for (int i = 0; i < read.refused.size() && i < shown; ++i)
            text += QStringLiteral("\nline %1: %2")
                            .arg(read.refused[i].line)
                            .arg(read.refused[i].reason);
        if (read.refusedCount > shown)
            text += QStringLiteral("\n... and %1 more").arg(read.refusedCount - shown);
    }
    return text;
}

} // namespace

EditBank::EditBank(Station &station, QWidget *parent)
    : QWidget(parent, Qt::Tool)
    , m_station(station)
{
    setObjectName(QStringLiteral("EditBank"));
    setWindowTitle(QStringLiteral("Edit banks"));

    m_cmbBankenLijst = new QComboBox(this);
    m_cmbBankenLijst->setObjectName(QStringLiteral("cmbBankenLijst"));
    m_cmbBankenLijst->setAccessibleName(QStringLiteral("Bank file"));
    m_lstKanaalLijst = new QListWidget(this);
    m_lstKanaalLijst->setObjectName(QStringLiteral("lstKanaalLijst"));
    m_lstKanaalLijst->setAccessibleName(QStringLiteral("Channels"));
    m_lstKanaalLijst->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_lstKanaalLijst->setMinimumWidth(300);
    QPalette listPalette = m_lstKanaalLijst->palette();
    listPalette.setColor(QPalette::Base, QColor(224, 224, 224));
    m_lstKanaalLijst->setPalette(listPalette);
    m_channelItems = std::make_unique<ListWidgetItemList>(m_lstKanaalLijst);

    auto *fields = new QFrame(this);
    fields->setObjectName(QStringLiteral("fraEditChannel"));
    fields->setFrameShape(QFrame::Box);
    fields->setFrameShadow(QFrame::Sunken);
    auto *form = new QGridLayout(fields);
    const char *captions[7]
            = {"Channel", "Bank", "Description", "Frequency", "Mode", "Ch pass", "ATT"};
    for (int i = 0; i < 7; ++i)
        m_lblEditChannel[i]
                = newLabel(indexed("lblEditChannel", i), QLatin1String(captions[i]), fields);

    m_txtEditChannelChannel = newEdit(QStringLiteral("txtEditChannelChannel"), 2,
                                      QStringLiteral("Channel number"), fields);
    auto *bankFrame = new QFrame(fields);
    bankFrame->setObjectName(QStringLiteral("fraEditChannelBank"));
    auto *bankRow = new QHBoxLayout(bankFrame);
    bankRow->setContentsMargins(0, 0, 0, 0);
    m_bankGroup = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto *option = new QRadioButton(QString::number(i + 1), bankFrame);
        option->setObjectName(indexed("optEditChannelBank", i));
        option->setAccessibleName(QStringLiteral("Bank %1").arg(i + 1));
        m_bankGroup->addButton(option, i);
        bankRow->addWidget(option);
        m_optEditChannelBank[i] = option;
    }
    m_txtEditChannelDescription = newEdit(QStringLiteral("txtEditChannelDescription"),
                                          maxTextLength, QStringLiteral("Description"), fields);
    m_txtEditChannelFrequency = newEdit(QStringLiteral("txtEditChannelFrequency"), 9,
                                        QStringLiteral("Frequency"), fields);
    m_modeGroup = new QButtonGroup(this);
    QGridLayout *modes
            = modeOptions("optEditChannelMode", m_optEditChannelMode, m_modeGroup, fields);
    m_chkEditChannelATT = new QCheckBox(fields);
    m_chkEditChannelATT->setObjectName(QStringLiteral("chkEditChannelATT"));
    m_chkEditChannelATT->setAccessibleName(QStringLiteral("Attenuator"));
    m_chkEditChannelLockOut = new QCheckBox(fields);
    m_chkEditChannelLockOut->setObjectName(QStringLiteral("chkEditChannelLockOut"));
    m_chkEditChannelLockOut->setAccessibleName(QStringLiteral("Pass this channel when scanning"));
    m_lblEditChannel[0]->setBuddy(m_txtEditChannelChannel);
    m_lblEditChannel[2]->setBuddy(m_txtEditChannelDescription);
    m_lblEditChannel[3]->setBuddy(m_txtEditChannelFrequency);
    m_lblEditChannel[5]->setBuddy(m_chkEditChannelLockOut);
    m_lblEditChannel[6]->setBuddy(m_chkEditChannelATT);

    form->addWidget(m_lblEditChannel[0], 0, 0);
    form->addWidget(m_txtEditChannelChannel, 0, 1);
    form->addWidget(m_lblEditChannel[1], 1, 0);
    form->addWidget(bankFrame, 1, 1);
    form->addWidget(m_lblEditChannel[2], 2, 0);
    form->addWidget(m_txtEditChannelDescription, 2, 1);
    form->addWidget(m_lblEditChannel[3], 3, 0);
    form->addWidget(m_txtEditChannelFrequency, 3, 1);
    form->addWidget(m_lblEditChannel[4], 4, 0, Qt::AlignTop);
    form->addLayout(modes, 4, 1);
    form->addWidget(m_lblEditChannel[6], 5, 0);
    form->addWidget(m_chkEditChannelATT, 5, 1);
    form->addWidget(m_lblEditChannel[5], 6, 0);
    form->addWidget(m_chkEditChannelLockOut, 6, 1);
    m_cmdEditChannelOk = newButton(QStringLiteral("cmdEditChannelOk"), QStringLiteral("Ok"),
                                   QStringLiteral("Store channel"), fields);
    m_cmdEditChannelNew = newButton(QStringLiteral("cmdEditChannelNew"), QStringLiteral("New"),
                                    QStringLiteral("New channel"), fields);
    m_cmdEditChannelDelete
            = newButton(QStringLiteral("cmdEditChannelDelete"), QStringLiteral("Delete"),
                        QStringLiteral("Delete channel"), fields);
    auto *channelButtons = new QHBoxLayout;
    channelButtons->addWidget(m_cmdEditChannelOk);
    channelButtons->addWidget(m_cmdEditChannelNew);
    channelButtons->addWidget(m_cmdEditChannelDelete);
    form->addLayout(channelButtons, 7, 0, 1, 2);
    form->setRowStretch(8, 1);

    auto *left = new QVBoxLayout;
    left->addWidget(m_cmbBankenLijst);
    left->addWidget(m_lstKanaalLijst, 1);
    auto *top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addWidget(fields, 1);

    m_cmdReadBanks = newButton(QStringLiteral("cmdReadBanks"), QStringLiteral("Read from memory"),
                               QStringLiteral("Read from the receiver's memory"), this);
    m_cmdStoreBanks
            = newButton(QStringLiteral("cmdStoreBanks"), QStringLiteral("Store into memory"),
                        QStringLiteral("Store into the receiver's memory"), this);
    m_cmdDeleteBank = newButton(QStringLiteral("cmdDeleteBank"), QStringLiteral("Delete bank"),
                                QStringLiteral("Delete bank file"), this);
    m_cmdNewBank = newButton(QStringLiteral("cmdNewBank"), QStringLiteral("New bank"),
                             QStringLiteral("New bank file"), this);
    m_cmdImportCsv = newButton(QStringLiteral("cmdImportCsv"), QStringLiteral("Import CSV..."),
                               QStringLiteral("Import channels from a CSV file"), this);
    m_cmdExportCsv = newButton(QStringLiteral("cmdExportCsv"), QStringLiteral("Export CSV..."),
                               QStringLiteral("Export the channels to a CSV file"), this);
    m_cmdEditBankClose = newButton(QStringLiteral("cmdEditBankClose"), QStringLiteral("Close"),
                                   QStringLiteral("Close bank editor"), this);
    auto *bottom = new QHBoxLayout;
    for (QPushButton *button : {m_cmdReadBanks, m_cmdStoreBanks, m_cmdDeleteBank, m_cmdNewBank,
                                m_cmdImportCsv, m_cmdExportCsv, m_cmdEditBankClose})
        bottom->addWidget(button);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);

    connect(m_cmbBankenLijst, &QComboBox::activated, this, &EditBank::bankPicked);
    // A line reached with the keys fills the fields as a click does; a click on the line already
    // chosen fills them again.
    connect(m_lstKanaalLijst, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            Initialize(m_lstKanaalLijst);
    });
    connect(m_lstKanaalLijst, &QListWidget::itemClicked, this,
            [this] { Initialize(m_lstKanaalLijst); });
    connect(m_cmdEditChannelOk, &QPushButton::clicked, this, &EditBank::storeClicked);
    connect(m_cmdEditChannelNew, &QPushButton::clicked, this, &EditBank::clearFields);
    connect(m_cmdEditChannelDelete, &QPushButton::clicked, this, &EditBank::deleteChannel);
    connect(m_cmdReadBanks, &QPushButton::clicked, this, &EditBank::readBanks);
    connect(m_cmdStoreBanks, &QPushButton::clicked, this, &EditBank::storeBanks);
    connect(m_cmdNewBank, &QPushButton::clicked, this, &EditBank::newBank);
    connect(m_cmdDeleteBank, &QPushButton::clicked, this, &EditBank::deleteBank);
    connect(m_cmdEditBankClose, &QPushButton::clicked, this, &EditBank::closeEditor);
    connect(m_cmdImportCsv, &QPushButton::clicked, this, &EditBank::importCsv);
    connect(m_cmdExportCsv, &QPushButton::clicked, this, &EditBank::exportCsv);
}

void EditBank::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        keepInFront(this);
}

bool EditBank::selectBankText(const QString &text)
{
    const int index = m_cmbBankenLijst->findText(text, Qt::MatchExactly);
    if (index < 0)
        return false;
    const QSignalBlocker blocker(m_cmbBankenLijst);
    m_cmbBankenLijst->setCurrentIndex(index);
    return true;
}

void EditBank::Initialiseren()
{
    show();
    raise();
    activateWindow();
    const QString text = m_station.shell().mainBankText();
    selectBankText(text);
    m_station.state().currentBankName = text;
    LoadBankFile(m_station, channelItems());
}

void EditBank::Initialize(QListWidget *list)
{
    show();
    const auto picked = entryChannel(list->currentItem());
    if (!picked)
        return;
    const auto [bank, channel] = *picked;
    const ChannelRecord &record = m_station.state().banks(bank, channel);
    m_optEditChannelBank[bank - 1]->setChecked(true);
    m_txtEditChannelChannel->setText(QString::number(channel));
    m_txtEditChannelDescription->setText(record.Description);
    m_txtEditChannelFrequency->setText(record.Frequency);
    m_chkEditChannelATT->setChecked(record.ATT != 0);
    m_chkEditChannelLockOut->setChecked(record.LockOut != 0);
    const int mode = modeOptionIndex(record.Mode);
    if (mode >= 0)
        m_optEditChannelMode[mode]->setChecked(true);
}

void EditBank::bankPicked(int index)
{
    (void)index;
    PickBankFile(m_station, m_cmbBankenLijst->currentText(), channelItems());
}

bool EditBank::StoreChannel()
{
    const double number = leadingNumber(m_txtEditChannelChannel->text());
    if (number < 0 || number > 99) {
        m_station.dialogs().reportError(QStringLiteral("Channel out of range (0-99)"));
        return false;
    }
    const int channel = toInt16(number).value_or(0);
    const int bankOption = m_bankGroup->checkedId();
    const int bank = bankOption >= 0 ? bankOption + 1 : 1;
    ChannelRecord &record = m_station.state().banks(bank, channel);
    const int mode = m_modeGroup->checkedId();
    const QString frequency = m_txtEditChannelFrequency->text().trimmed();
    // An empty frequency empties the slot; any other must be one the receiver tunes.
    const QString problem = frequency.isEmpty()
            ? QString()
            : tuningProblem(frequency, mode >= 0 ? modeLetters.mid(mode, 1) : record.Mode);
    if (!problem.isEmpty()) {
        m_station.dialogs().reportError(QStringLiteral("The channel was not stored: ") + problem
                                        + QLatin1Char('.'));
        return false;
    }
    if (record.isEmpty()) // a new channel, whatever the slot held before
        record.latin1 = false;
    record.Description = recordText(m_txtEditChannelDescription->text());
    record.Frequency = frequency;
    record.ATT = m_chkEditChannelATT->isChecked() ? 1 : 0;
    record.LockOut = m_chkEditChannelLockOut->isChecked() ? 1 : 0;
    if (mode >= 0)
        record.Mode = modeLetters.mid(mode, 1);
    SaveBankFile(m_station);
    return true;
}

void EditBank::storeClicked()
{
    const QListWidgetItem *selected = m_lstKanaalLijst->currentItem();
    const int row = selected && selected->isSelected() ? m_lstKanaalLijst->currentRow() : -1;
    // A refused number or frequency keeps the typed fields, so that only it needs mending.
    if (!StoreChannel())
        return;
    FillChannelList(m_station, channelItems());
    // By position: the line now there fills the fields; beyond the end nothing is selected.
    if (row >= 0 && row < m_lstKanaalLijst->count())
        m_lstKanaalLijst->setCurrentRow(row);
}

void EditBank::clearFields()
{
    m_txtEditChannelChannel->clear();
    m_txtEditChannelDescription->clear();
    m_txtEditChannelFrequency->clear();
    m_chkEditChannelATT->setChecked(false);
    m_chkEditChannelLockOut->setChecked(false);
    clearExclusiveGroup(m_modeGroup);
}

void EditBank::deleteChannel()
{
    const QListWidgetItem *item = m_lstKanaalLijst->currentItem();
    const auto picked = item && item->isSelected() ? entryChannel(item) : std::nullopt;
    if (!picked)
        return;
    const auto [bank, channel] = *picked;
    m_station.state().banks(bank, channel).Frequency.clear();
    SaveBankFile(m_station);
    FillChannelList(m_station, channelItems());
}

void EditBank::readBanks()
{
    // A receiver that answers nothing would otherwise empty the table without a word.
    ReadMemoryBanks(m_station, [this] {
        return m_station.dialogs().askYesNo(
                QStringLiteral("Read from memory"),
                QStringLiteral("No channel could be read from the receiver's memory. Empty the "
                               "channel table all the same?"),
                false);
    });
}

void EditBank::storeBanks()
{
    WriteMemoryBanks(m_station);
}

void EditBank::newBank()
{
    const QString name = askNewBankName(m_station.dialogs(), m_station.workingDirectory().path());
    if (name.isEmpty())
        return;
    m_station.state().currentBankName = name;
    // The box names the bank that edits and imports go to from now on.
    if (m_cmbBankenLijst->findText(name, Qt::MatchExactly) < 0)
        m_cmbBankenLijst->addItem(name);
    selectBankText(name);
}

void EditBank::deleteBank()
{
    if (!m_station.dialogs().askYesNo(QStringLiteral("Deleteing bank"),
                                      QStringLiteral("Do you want to delete this bank"), false))
        return;
    const QString name = m_cmbBankenLijst->currentText();
    // No bank listed: there is no file to delete, and ".bnk" alone is none of the banks.
    if (!name.isEmpty()) {
        const QString file = name + QStringLiteral(".bnk");
        QString error;
        // A file already gone is passed over; one that stays is told.
        if (removeDataFile(m_station.filePath(file), &error))
            m_station.state().unreadBankFiles.remove(name);
        else
            m_station.dialogs().reportError(QStringLiteral("The bank file \"%1\" could not be "
                                                           "deleted: %2")
                                                    .arg(file, error));
    }
    hide();
    StartUp(m_station);
}

void EditBank::closeEditor()
{
    hide();
    SaveBankFile(m_station);
    const QString text = m_cmbBankenLijst->currentText();
    // A new bank saved since start-up is listed in the main window too, and picked there.
    StationShell &shell = m_station.shell();
    if (!shell.pickMainBank(text)
        && listBankNames(m_station.workingDirectory().path()).contains(text)) {
        shell.setBankNames(listBankNames(m_station.workingDirectory().path()));
        selectBankText(text);
        shell.pickMainBank(text);
    }
    m_station.state().currentBankName = text;
    FillChannelList(m_station, m_station.shell().mainChannelList());
}

void EditBank::importCsv()
{
    const QString title = QStringLiteral("Import CSV");
    const QString name = m_station.dialogs().askFileName(
            title, {QStringLiteral("CSV files (*.csv)"), QStringLiteral("All files (*)")}, false);
    if (name.isEmpty())
        return;
    const QString path = m_station.filePath(name);
    const QString file = QFileInfo(path).fileName();
    const CsvImport read = readChannelCsv(path);
    if (!read.error.isEmpty()) {
        m_station.dialogs().reportError(
                QStringLiteral("\"%1\" could not be imported: %2").arg(file, read.error));
        return;
    }
    ProgramState &state = m_station.state();
    int replaced = 0;
    for (const CsvChannel &c : read.channels) {
        const ChannelRecord &old = state.banks(c.bank, c.channel);
        replaced += !old.isEmpty() && !sameChannel(old, c.record);
    }
    const QString preview = importPreview(file, read, replaced);
    if (read.channels.isEmpty()) {
        m_station.dialogs().showMessage(title, preview, MessageKind::Information);
        return;
    }
    const QString target = state.currentBankName.isEmpty()
            ? QStringLiteral("a new bank file")
            : QStringLiteral("the bank file \"%1\"").arg(state.currentBankName);
    // Replacing channels is not the answer Return gives.
    if (!m_station.dialogs().askYesNo(
                title, preview + QStringLiteral("\n\nImport into %1?").arg(target), replaced == 0))
        return;
    // The channels need a file to be saved in: one is named as "New bank" names it.
    if (state.currentBankName.isEmpty()) {
        newBank();
        if (state.currentBankName.isEmpty())
            return;
    }
    for (const CsvChannel &c : read.channels) {
        ChannelRecord &slot = state.banks(c.bank, c.channel);
        const qint16 zNumber = slot.ZNumber; // the receiver's, which no file holds
        slot = c.record;
        slot.ZNumber = zNumber;
    }
    SaveBankFile(m_station);
    FillChannelList(m_station, channelItems());
}

void EditBank::exportCsv()
{
    int layout = 0;
    const QString name = m_station.dialogs().askFileName(
            QStringLiteral("Export CSV"),
            {QStringLiteral("Channel list (*.csv)"), QStringLiteral("Bank fields (*.csv)")}, true,
            &layout);
    if (name.isEmpty())
        return;
    const QString path = m_station.filePath(name);
    const CsvExport csv = channelCsv(m_station.state().banks,
                                     layout == 1 ? CsvLayout::BankFields : CsvLayout::ChannelList);
    const QString file = QFileInfo(path).fileName();
    const SaveResult saved = saveFileAtomically(path, csv.bytes);
    if (!saved.ok) {
        m_station.dialogs().reportError(
                QStringLiteral("\"%1\" could not be written: %2").arg(file, saved.error));
        return;
    }
    // What other programs would refuse is written so that they read it, and the operator told.
    QStringList told;
    if (csv.changed > 0)
        told << QStringLiteral("%1 written with a mode (FM for a channel without one) or a "
                               "frequency of at most six decimals, as other programs read them.")
                        .arg(counted(csv.changed, "row was", "rows were"));
    if (csv.leftOut > 0)
        told << QStringLiteral("%1 left out: the frequency is no number.")
                        .arg(counted(csv.leftOut, "channel was", "channels were"));
    if (!told.isEmpty())
        m_station.dialogs().showMessage(QStringLiteral("Export CSV"),
                                        QStringLiteral("\"%1\" written. ").arg(file)
                                                + told.join(QLatin1Char(' ')),
                                        MessageKind::Information);
}

} // namespace ze
