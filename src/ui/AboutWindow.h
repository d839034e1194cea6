#pragma once

#include <QDialog>

namespace ze {

// frmAbout, "ZE-3000r": title, version, description; OK destroys it.
class AboutWindow : public QDialog
{
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *parent = nullptr);
};

} // namespace ze
