#pragma once

#include <QString>

#include <array>

class QButtonGroup;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace ze {

// Controls are found by their names, so every one is made with its name set.
QPushButton *newButton(const QString &name, const QString &caption, const QString &accessible,
                       QWidget *parent);
QLabel *newLabel(const QString &name, const QString &caption, QWidget *parent);
// A maxLength of 0 leaves the edit's own limit.
QLineEdit *newEdit(const QString &name, int maxLength, const QString &accessible, QWidget *parent);
// "name(index)", the name of one control of an array.
QString indexed(const char *name, int index);
// Shows a secondary window in front.
void bringUp(QWidget *window);
// An editor's answer to losing the activation: when the main window took it, the editor stays
// in front of it without taking the focus back.
void keepInFront(QWidget *window);

// Six mode options in two rows of three, as one exclusive group whose ids are the indexes.
QGridLayout *modeOptions(const char *name, std::array<QRadioButton *, 6> &options,
                         QButtonGroup *group, QWidget *parent);
// Position of a mode text in "NWALUC" less one: an empty text is found at the first position, a
// text that is not there gives -1.
int modeOptionIndex(const QString &mode);
// Deselects every option of an exclusive group.
void clearExclusiveGroup(QButtonGroup *group);

} // namespace ze
