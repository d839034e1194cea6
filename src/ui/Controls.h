#pragma once

#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace ze {

// Controls are found by their names, so every one is made with its name set.
QPushButton *newButton(const QString &name, const QString &caption, const QString &accessible,
                       QWidget *parent);
QLabel *newLabel(const QString &name, const QString &caption, QWidget *parent);
// "name(index)", the name of one control of an array.
QString indexed(const char *name, int index);
// Shows a secondary window in front.
void bringUp(QWidget *window);

} // namespace ze
