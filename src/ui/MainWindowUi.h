#pragma once

#include <array>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QMainWindow;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QWidget;

namespace ze {

class DisplayPanel;
class Pacer;
class SpectrumArea;
class SpectrumView;
class Station;

// The main window's controls, made and laid out in one place so that the window's own code is
// about what they do. Every control gets the name it is found by.
class MainWindowUi
{
public:
    void setupUi(QMainWindow *window, Station &station);

    // Paces the repaints of the display, the plot and the waterfall together.
    Pacer *pacer = nullptr;
    DisplayPanel *display = nullptr;

    // Operator's controls.
    std::array<QRadioButton *, 2> optDisplay {};
    QComboBox *cmbDelay = nullptr;
    QSlider *hscrSquelch = nullptr;
    std::array<QPushButton *, 16> cmdDigits {};
    QPushButton *cmdChannelDown = nullptr;
    QPushButton *cmdChannelUp = nullptr;
    QCheckBox *chkSchrijfInLogFile = nullptr;
    QPushButton *cmdViewLogfile = nullptr;
    QComboBox *cmbBankenLijst = nullptr;
    QComboBox *lstKanaalLijst = nullptr;
    std::array<QCheckBox *, 4> chkScan {};
    QPushButton *cmdScanBanks = nullptr;
    QPushButton *cmdEditBanks = nullptr;
    QComboBox *cmbRangeLijst = nullptr;
    QCheckBox *chkSpectrum = nullptr;
    QPushButton *cmdSearchScan = nullptr;
    QPushButton *cmdSearchEdit = nullptr;
    SpectrumArea *spectrumArea = nullptr; // the plot, the waterfall and their controls
    SpectrumView *picSpectrum = nullptr;
    QComboBox *cmbFrequencyStepSize = nullptr;
    QPushButton *cmdFrequencyDown = nullptr;
    QPushButton *cmdFrequencyUp = nullptr;
    QAction *mnuSetting = nullptr;
    QMenu *mnuView = nullptr;
    QAction *actHits = nullptr;
    QAction *actStatistics = nullptr;
    QAction *actSpectrum = nullptr;
    QAction *mnuInfo = nullptr;

    // Status bar panels.
    QLabel *statusPanel = nullptr;
    QLabel *noticePanel = nullptr;
    QLabel *portPanel = nullptr;
    QLabel *networkPanel = nullptr;
    QLabel *ratePanel = nullptr;

private:
    // Each frame is made with the window as its parent; the layout then places it.
    QFrame *buildDisplayOptionFrame(QWidget *window);
    QFrame *buildDelayFrame(QWidget *window);
    QFrame *buildSquelchFrame(QWidget *window);
    QFrame *buildKeypadFrame(QWidget *window);
    QFrame *buildChannelStepFrame(QWidget *window);
    QFrame *buildLogFrame(QWidget *window);
    QFrame *buildBanksFrame(QWidget *window);
    QFrame *buildRangeFrame(QWidget *window, Station &station);
    QFrame *buildFrequencyStepFrame(QWidget *window);
    void buildStatusBar(QMainWindow *window);
    void buildMenus(QMainWindow *window);
};

} // namespace ze
