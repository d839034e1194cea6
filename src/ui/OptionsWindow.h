#pragma once

#include <QDialog>

class QComboBox;

namespace ze {

class MainWindow;
class Station;

// frmOptions, "Options": the serial port and its line settings.
class OptionsWindow : public QDialog
{
    Q_OBJECT
public:
    explicit OptionsWindow(MainWindow &main, QWidget *parent = nullptr);

private:
    void applyChoice();

    MainWindow &m_main;
    Station &m_station;
    QComboBox *m_combo1;
    QComboBox *m_combo2;
};

} // namespace ze
