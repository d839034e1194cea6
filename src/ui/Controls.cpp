#include "ui/Controls.h"

#include "core/Frequency.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace ze {

namespace {

const char *const modeOptionCaptions[6] = {"NFW", "WFM", "AM", "LSB", "USB", "CW"};
const char *const modeOptionNames[6] = {"NFM", "WFM", "AM", "LSB", "USB", "CW"};

} // namespace

QPushButton *newButton(const QString &name, const QString &caption, const QString &accessible,
                       QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(accessible);
    // Return goes to the button with the focus, or the window's own default; not to the last
    // button clicked.
    button->setAutoDefault(false);
    return button;
}

QLabel *newLabel(const QString &name, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    // Labels show descriptions, file names and stored settings: never let them become markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLineEdit *newEdit(const QString &name, int maxLength, const QString &accessible, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    edit->setAccessibleName(accessible);
    return edit;
}

QString indexed(const char *name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

void bringUp(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void keepInFront(QWidget *window)
{
    // Only over the main window: another editor or a dialog the operator turned to stays on top.
    QWidget *owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    if (window->isVisible() && owner && QApplication::activeWindow() == owner)
        window->raise();
}

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

int modeOptionIndex(const QString &mode)
{
    if (mode.isEmpty())
        return 0;
    return int(modeLetters.indexOf(mode));
}

void clearExclusiveGroup(QButtonGroup *group)
{
    const bool exclusive = group->exclusive();
    group->setExclusive(false);
    for (QAbstractButton *button : group->buttons())
        button->setChecked(false);
    group->setExclusive(exclusive);
}

} // namespace ze
