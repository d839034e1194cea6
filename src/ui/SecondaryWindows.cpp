#include "ui/SecondaryWindows.h"

#include "core/Station.h"
#include "receiver/Tuning.h"
#include "storage/BankFile.h"
#include "storage/RangeFile.h"
#include "storage/TextFields.h"
#include "ui/Controls.h"
#include "ui/MainWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace ze {

namespace {

const char *const modeOptionCaptions[6] = {"NFW", "WFM", "AM", "LSB", "USB", "CW"};
const char *const modeOptionNames[6] = {"NFM", "WFM", "AM", "LSB", "USB", "CW"};

QLineEdit *newEdit(const QString &name, int maxLength, const QString &accessible, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    edit->setAccessibleName(accessible);
    return edit;
}

// Six mode options in two rows of three, as one exclusive group whose ids are the indexes.
QGridLayout *modeOptions(const char *name, std::array<QRadioButton *, 6> &options,
                         QButtonGroup *group, QWidget *parent)
{
    auto *grid = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
        auto *option = new QRadioButton(QLatin1String(modeOptionCaptions[i]), parent);
        option->setObjectName(indexed(name, i));
        option->setAccessibleName(QStringLiteral("Mode %1").arg(modeOptionNames[i]));
        group->addButton(option, i);
        grid->addWidget(option, i / 3, i % 3);
        options[i] = option;
    }
    return grid;
}

// Position of a mode text in "NWALUC" less one: an empty text is found at the first position, a
// text that is not there gives -1.
int modeOptionIndex(const QString &mode)
{
    if (mode.isEmpty())
        return 0;
    return modeLetters.indexOf(mode);
}

} // namespace

void clearExclusiveGroup(QButtonGroup *group)
{
    const bool exclusive = group->exclusive();
    group->setExclusive(false);
    for (QAbstractButton *button : group->buttons())
        button->setChecked(false);
    group->setExclusive(exclusive);
}

// ---- EditBank ----

EditBank::EditBank(MainWindow &main, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_main(main)
    , m_station(main.station())
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
    m_txtEditChannelDescription = newEdit(QStringLiteral("txtEditChannelDescription"), 0,
                                          QStringLiteral("Description"), fields);
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
    m_cmdEditBankClose = newButton(QStringLiteral("cmdEditBankClose"), QStringLiteral("Close"),
                                   QStringLiteral("Close bank editor"), this);
    auto *bottom = new QHBoxLayout;
    for (QPushButton *button :
         {m_cmdReadBanks, m_cmdStoreBanks, m_cmdDeleteBank, m_cmdNewBank, m_cmdEditBankClose})
        bottom->addWidget(button);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);

    connect(m_cmbBankenLijst, &QComboBox::activated, this, &EditBank::bankPicked);
    connect(m_lstKanaalLijst, &QListWidget::itemClicked, this,
            [this] { Initialize(m_lstKanaalLijst); });
    connect(m_cmdEditChannelNew, &QPushButton::clicked, this, &EditBank::clearFields);
    connect(m_cmdEditBankClose, &QPushButton::clicked, this, &EditBank::closeEditor);
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
    const QString text = m_main.bankListText();
    selectBankText(text);
    m_station.state().currentBankName = text;
    LoadBankFile(m_station, channelItems());
}

void EditBank::Initialize(QListWidget *list)
{
    show();
    QListWidgetItem *item = list->currentItem();
    if (!item)
        return;
    const int value = item->data(Qt::UserRole).toInt();
    const int bank = value / 100;
    const int channel = value - 100 * bank;
    if (!Banks::validBank(bank) || !Banks::validChannel(channel))
        return;
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

void EditBank::clearFields()
{
    m_txtEditChannelChannel->clear();
    m_txtEditChannelDescription->clear();
    m_txtEditChannelFrequency->clear();
    m_chkEditChannelATT->setChecked(false);
    m_chkEditChannelLockOut->setChecked(false);
    clearExclusiveGroup(m_modeGroup);
}

void EditBank::closeEditor()
{
    hide();
    SaveBankFile(m_station);
    const QString text = m_cmbBankenLijst->currentText();
    m_main.pickBank(text);
    m_station.state().currentBankName = text;
    FillChannelList(m_station, m_main.mainChannelList());
}

// ---- EditRange ----

EditRange::EditRange(MainWindow &main, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_main(main)
    , m_station(main.station())
{
    setObjectName(QStringLiteral("EditRange"));
    setWindowTitle(QStringLiteral("Edit Range"));

    m_cmbRangeLijst = new QComboBox(this);
    m_cmbRangeLijst->setObjectName(QStringLiteral("cmbRangeLijst"));
    m_cmbRangeLijst->setAccessibleName(QStringLiteral("Range to edit"));
    m_rangeItems = std::make_unique<ComboItemList>(m_cmbRangeLijst);

    const char *captions[5] = {"to", "Step", "Description", "Frequency", "Mode"};
    for (int i = 0; i < 5; ++i)
        m_lblEditChannel[i]
                = newLabel(indexed("lblEditChannel", i), QLatin1String(captions[i]), this);
    m_txtEditRangeDescription = newEdit(QStringLiteral("txtEditRangeDescription"), 0,
                                        QStringLiteral("Range description"), this);
    m_txtEditRangeFrom = newEdit(QStringLiteral("txtEditRangeFrom"), 9,
                                 QStringLiteral("From frequency"), this);
    m_txtEditRangeTo
            = newEdit(QStringLiteral("txtEditRangeTo"), 9, QStringLiteral("To frequency"), this);
    m_txtEditRangeStep = newEdit(QStringLiteral("txtEditRangeStep"), 9,
                                 QStringLiteral("Step in megahertz"), this);
    m_lblEditChannel[2]->setBuddy(m_txtEditRangeDescription);
    m_lblEditChannel[3]->setBuddy(m_txtEditRangeFrom);
    m_lblEditChannel[0]->setBuddy(m_txtEditRangeTo);
    m_lblEditChannel[1]->setBuddy(m_txtEditRangeStep);
    m_modeGroup = new QButtonGroup(this);
    QGridLayout *modes = modeOptions("optEditRangeMode", m_optEditRangeMode, m_modeGroup, this);

    auto *form = new QGridLayout;
    form->addWidget(m_lblEditChannel[2], 0, 0);
    form->addWidget(m_txtEditRangeDescription, 0, 1, 1, 3);
    form->addWidget(m_lblEditChannel[3], 1, 0);
    form->addWidget(m_txtEditRangeFrom, 1, 1);
    form->addWidget(m_lblEditChannel[0], 1, 2);
    form->addWidget(m_txtEditRangeTo, 1, 3);
    form->addWidget(m_lblEditChannel[1], 2, 0);
    form->addWidget(m_txtEditRangeStep, 2, 1);
    form->addWidget(m_lblEditChannel[4], 3, 0, Qt::AlignTop);
    form->addLayout(modes, 3, 1, 1, 3);

    m_cmdEditChannelNew = newButton(QStringLiteral("cmdEditChannelNew"), QStringLiteral("New"),
                                    QStringLiteral("New range"), this);
    m_cmdEditChannelDelete
            = newButton(QStringLiteral("cmdEditChannelDelete"), QStringLiteral("Delete"),
                        QStringLiteral("Delete range"), this);
    m_cmdEditChannelOk = newButton(QStringLiteral("cmdEditChannelOk"), QStringLiteral("Ok"),
                                   QStringLiteral("Store range"), this);
    m_cmdEditBankClose = newButton(QStringLiteral("cmdEditBankClose"), QStringLiteral("Close"),
                                   QStringLiteral("Close range editor"), this);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button :
         {m_cmdEditChannelNew, m_cmdEditChannelDelete, m_cmdEditChannelOk, m_cmdEditBankClose})
        buttons->addWidget(button);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_cmbRangeLijst);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(m_cmbRangeLijst, &QComboBox::activated, this, &EditRange::rangePicked);
    connect(m_cmdEditBankClose, &QPushButton::clicked, this, &EditRange::closeEditor);
}

void EditRange::Initialiseren()
{
    show();
    raise();
    activateWindow();
    LoadRangeFile(m_station);
    RangeSchermLegen();
}

void EditRange::RangeSchermLegen()
{
    {
        const QSignalBlocker blocker(m_cmbRangeLijst);
        m_cmbRangeLijst->setCurrentIndex(-1);
    }
    m_txtEditRangeDescription->clear();
    m_txtEditRangeFrom->clear();
    m_txtEditRangeTo->clear();
    m_txtEditRangeStep->clear();
    clearExclusiveGroup(m_modeGroup);
}

void EditRange::rangePicked(int index)
{
    if (index < 0)
        return;
    const int range = m_cmbRangeLijst->itemData(index).toInt();
    if (range < 0 || range >= Ranges::count)
        return;
    ProgramState &state = m_station.state();
    state.currentRange = static_cast<qint16>(range);
    const RangeRecord &record = state.ranges[range];
    m_txtEditRangeDescription->setText(record.Description);
    m_txtEditRangeFrom->setText(record.From);
    m_txtEditRangeTo->setText(record.To);
    m_txtEditRangeStep->setText(record.Step);
    const int mode = modeOptionIndex(record.Mode);
    if (mode >= 0)
        m_optEditRangeMode[mode]->setChecked(true);
}

void EditRange::closeEditor()
{
    hide();
    SaveBankFile(m_station);
}

// ---- frmOptions ----

OptionsWindow::OptionsWindow(MainWindow &main, QWidget *parent)
    : QDialog(parent)
    , m_main(main)
    , m_station(main.station())
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));

    auto *frame = new QGroupBox(QStringLiteral("Setting"), this);
    frame->setObjectName(QStringLiteral("fraSample1"));
    auto *form = new QGridLayout(frame);
    QLabel *portLabel = newLabel(QStringLiteral("Label1"), QStringLiteral("Comport"), frame);
    m_combo1 = new QComboBox(frame);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setEditable(true);
    m_combo1->setInsertPolicy(QComboBox::NoInsert);
    m_combo1->setAccessibleName(QStringLiteral("Serial port"));
    QLabel *lineLabel = newLabel(QStringLiteral("Label2"), QStringLiteral("Baudrate"), frame);
    m_combo2 = new QComboBox(frame);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    m_combo2->setEditable(true);
    m_combo2->setInsertPolicy(QComboBox::NoInsert);
    m_combo2->setAccessibleName(QStringLiteral("Line settings"));
    for (QComboBox *combo : {m_combo1, m_combo2})
        combo->setMinimumContentsLength(12);
    portLabel->setBuddy(m_combo1);
    lineLabel->setBuddy(m_combo2);
    form->addWidget(portLabel, 0, 0);
    form->addWidget(m_combo1, 0, 1);
    form->addWidget(lineLabel, 1, 0);
    form->addWidget(m_combo2, 1, 1);
    form->setColumnStretch(1, 1);

    auto *ok = newButton(QStringLiteral("cmdOK"), QStringLiteral("OK"),
                         QStringLiteral("OK, store and apply"), this);
    auto *cancel = newButton(QStringLiteral("cmdCancel"), QStringLiteral("Cancel"),
                             QStringLiteral("Cancel"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    m_combo1->addItems(
            {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
    m_combo2->addItems({QStringLiteral("9600,n,8,2"), QStringLiteral("4800,n,8,2")});
    m_combo1->setEditText(m_station.serialPort().portText());
    m_combo2->setEditText(m_station.serialPort().lineSettings());

    // Escape rejects the dialog, which only hides it: "Cancel".
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, &OptionsWindow::applyChoice);

    adjustSize();
    if (QScreen *screen = this->screen()) {
        const QRect area = screen->geometry();
        move((area.width() - width()) / 2, (area.height() - height()) / 2);
    }
}

void OptionsWindow::applyChoice()
{
    const QString port = m_combo1->currentText();
    const QString line = m_combo2->currentText();
    // A value the port refuses is neither stored nor applied: stored, it would stop the next
    // start-up. The window stays open so the operator can mend it.
    QStringList refused;
    QString error;
    if (!portDeviceName(port, &error))
        refused << error;
    if (!parseLineSettings(line, &error))
        refused << error;
    if (!refused.isEmpty()) {
        m_main.reportError(refused.join(QLatin1Char('\n')));
        return;
    }

    StoredSettings &settings = m_station.settings();
    bool stored = settings.write(QStringLiteral("CommPort"), port);
    stored = settings.write(QStringLiteral("Settings"), line) && stored;
    stored = settings.write(QStringLiteral("Handshaking"), QStringLiteral("2")) && stored;
    stored = settings.sync() && stored;

    SerialPort &serial = m_station.serialPort();
    serial.close();
    serial.setPort(port);
    serial.setLineSettings(line);
    serial.setHandshaking(2);
    serial.OpenPort();
    m_station.showPortState();
    hide();

    if (!stored)
        m_main.reportError(QStringLiteral("The port settings could not be stored in \"%1\".")
                                   .arg(settings.fileName()));
}

// ---- frmViewLogfile ----

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

// ---- frmAbout ----

AboutWindow::AboutWindow(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("ZE-3000r"));
    setAttribute(Qt::WA_DeleteOnClose);

    QFont titleFont;
    titleFont.setPointSizeF(9.75);
    titleFont.setBold(true);
    auto *title = newLabel(QStringLiteral("lblTitle"),
                           QStringLiteral("Tunewright ZE-3000R Communications Receiver"), this);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    QFont versionFont;
    versionFont.setPointSizeF(8.25);
    auto *version = newLabel(QStringLiteral("lblVersion"),
                             QStringLiteral("Version 0.2 (march 20 1999)"), this);
    version->setFont(versionFont);
    version->setAlignment(Qt::AlignCenter);
    auto *description = newLabel(
            QStringLiteral("lblDescription"),
            QStringLiteral("This is the first non-commercial software special made for the "
                           "ZE-3000R."),
            this);
    description->setWordWrap(true);
    auto *address = newLabel(QStringLiteral("Label1"),
                             QStringLiteral("https://ze3000r.example.org/"), this);
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // Etched separator: a white line and a grey one, a pixel apart.
    auto *separator = new QVBoxLayout;
    separator->setSpacing(0);
    const QColor lineColours[2] = {QColor(Qt::white), QColor(128, 128, 128)};
    for (int i = 0; i < 2; ++i) {
        auto *line = new QFrame(this);
        line->setObjectName(indexed("Line1", i));
        line->setFixedHeight(1);
        line->setAutoFillBackground(true);
        QPalette palette = line->palette();
        palette.setColor(QPalette::Window, lineColours[i]);
        line->setPalette(palette);
        separator->addWidget(line);
    }

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setAccessibleName(QStringLiteral("OK, close"));
    ok->setDefault(true);
    // Return and Escape both press OK: accept and reject both close and destroy the window.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addWidget(description);
    layout->addWidget(address);
    layout->addLayout(separator);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

} // namespace ze
