#include "ui/RangeEditor.h"

#include "core/Frequency.h"
#include "core/Station.h"
#include "storage/BankFile.h"
#include "storage/RangeFile.h"
#include "ui/Controls.h"
#include "ui/LockoutList.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace ze {

EditRange::EditRange(Station &station, QWidget *parent)
    : QWidget(parent, Qt::Tool)
    , m_station(station)
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
    m_txtEditRangeDescription = newEdit(QStringLiteral("txtEditRangeDescription"), maxTextLength,
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
    layout->addWidget(new LockoutList(station, this), 1);
    layout->addLayout(buttons);

    connect(m_cmbRangeLijst, &QComboBox::activated, this, &EditRange::rangePicked);
    connect(m_cmdEditChannelNew, &QPushButton::clicked, this, &EditRange::newRange);
    connect(m_cmdEditChannelOk, &QPushButton::clicked, this, &EditRange::storeClicked);
    connect(m_cmdEditChannelDelete, &QPushButton::clicked, this, &EditRange::deleteRange);
    connect(m_cmdEditBankClose, &QPushButton::clicked, this, &EditRange::closeEditor);
}

void EditRange::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        keepInFront(this);
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

bool EditRange::StoreRange()
{
    ProgramState &state = m_station.state();
    if (state.currentRange < 0 || state.currentRange >= Ranges::count)
        return true;
    const QString problem = rangeProblem(m_txtEditRangeFrom->text(), m_txtEditRangeTo->text(),
                                         m_txtEditRangeStep->text());
    if (!problem.isEmpty()) {
        m_station.dialogs().reportError(QStringLiteral("The range was not stored: ") + problem);
        return false;
    }
    RangeRecord &range = state.ranges[state.currentRange];
    range.Description = recordText(m_txtEditRangeDescription->text());
    range.From = m_txtEditRangeFrom->text();
    range.To = m_txtEditRangeTo->text();
    range.Step = m_txtEditRangeStep->text();
    const int mode = m_modeGroup->checkedId();
    if (mode >= 0)
        range.Mode = modeLetters.mid(mode, 1);
    SaveRangeFile(m_station);
    return true;
}

void EditRange::newRange()
{
    Ranges &ranges = m_station.state().ranges;
    int slot = 0;
    while (slot < Ranges::count && !ranges[slot].From.isEmpty())
        ++slot;
    // Told before the name is asked, so that no name is typed in vain.
    if (slot == Ranges::count) {
        m_station.dialogs().reportError(
                QStringLiteral("All %1 ranges are in use. Delete one before adding another.")
                        .arg(Ranges::count));
        return;
    }
    const QString name = m_station.dialogs().askText(
            QStringLiteral("Newrange"), QStringLiteral("Give a name for the range"), QString());
    if (name.isEmpty())
        return;
    ranges[slot].Description = name;
    ranges[slot].latin1 = false; // a new range
    RangeSchermLegen();
    rangeItems().addItem(name, slot);
    const int last = m_cmbRangeLijst->count() - 1;
    {
        const QSignalBlocker blocker(m_cmbRangeLijst);
        m_cmbRangeLijst->setCurrentIndex(last);
    }
    rangePicked(last);
}

void EditRange::storeClicked()
{
    const int position = m_cmbRangeLijst->currentIndex();
    if (!StoreRange())
        return;
    FillRangeLists(m_station);
    // By position: the range now there fills the fields; beyond the end nothing is selected.
    if (position >= 0 && position < m_cmbRangeLijst->count()) {
        {
            const QSignalBlocker blocker(m_cmbRangeLijst);
            m_cmbRangeLijst->setCurrentIndex(position);
        }
        rangePicked(position);
    }
}

void EditRange::deleteRange()
{
    const int index = m_cmbRangeLijst->currentIndex();
    if (index < 0)
        return;
    const int range = m_cmbRangeLijst->itemData(index).toInt();
    if (range < 0 || range >= Ranges::count)
        return;
    m_station.state().ranges[range].From.clear();
    SaveRangeFile(m_station);
    FillRangeLists(m_station);
    RangeSchermLegen();
}

void EditRange::closeEditor()
{
    hide();
    SaveBankFile(m_station);
}

} // namespace ze
