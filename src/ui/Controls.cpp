#include "ui/Controls.h"

#include <QLabel>
#include <QPushButton>

namespace ze {

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
    return label;
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

} // namespace ze
