#pragma once

#include "core/Display.h"
#include "core/StationShell.h"
#include "core/Views.h"
#include "ui/Dialogs.h"
#include "ui/ListAdapters.h"
#include "ui/MainWindowUi.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QPointer>

#include <memory>

namespace ze {

class AboutWindow;
class ControlLoop;
class EditBank;
class EditRange;
class HitsWindow;
class LogViewer;
class OptionsWindow;
class Recorder;
class RigServer;
class Station;
class StationEngine;
class StatisticsWindow;

// frmTerminal: the front panel of the receiver, the keypad, and the controls that start bank
// scanning and range searching. Its handlers act through the station's operator commands; the
// control loop does the work on its next pass.
class MainWindow : public QMainWindow,
                   public OperatorChoices,
                   public StatusPanel,
                   public StationShell
{
    Q_OBJECT
public:
    // Attaches itself, its display, spectrum and dialogs to the engine's station.
    MainWindow(StationEngine &engine, RigServer &rigServer, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The loop that closing the window stops.
    void setControlLoop(ControlLoop *loop) { m_loop = loop; }
    // The options, the hits and the log offer recordings through it.
    void setRecorder(Recorder *recorder) { m_recorder = recorder; }
    WidgetDialogs &dialogs() { return m_dialogs; }
    Display &display() const;

    // OperatorChoices
    bool showsFrequency() const override;
    int squelchValue() const override;
    int stepValue() const override;
    bool writeToLogfile() const override;
    bool spectrumTicked() const override;
    QString delayText() const override;
    bool bankTicked(int bank) const override;

    // StatusPanel
    void showStatus(const QString &text) override;
    QString statusText() const override;
    void showPortState(const QString &text) override;
    void showNetworkState(const QString &text) override;
    void showNotice(NoticeSource source, const QString &text) override;
    void showRate(const QString &text) override;
    void showProgress(const QString &text) override;

    // StationShell
    void fillStepList(const QVector<QPair<QString, int>> &entries) override;
    void setStepIndex(int index) override;
    int stepIndex() const override;
    void setDelayText(const QString &text) override;
    void fillDelayList(const QStringList &entries) override;
    void setDisplayOption(int index) override;
    int displayOption() const override;
    void setSquelch(int value) override;
    int squelch() const override;
    void setBankNames(const QStringList &names) override;
    void selectFirstBank() override;
    QString mainBankText() const override;
    bool pickMainBank(const QString &text) override;
    ItemList &mainChannelList() override { return *m_channelItems; }
    ItemList &editorChannelList() override;
    ItemList &mainRangeList() override { return *m_rangeItems; }
    ItemList &editorRangeList() override;
    void clearDisplay() override;
    void showMainWindow() override;
    void reportStartupError(const QString &text) override;

    // For the other windows and the tests.
    Station &station() { return m_station; }
    EditBank &bankEditor() { return *m_bankEditor; }
    EditRange &rangeEditor() { return *m_rangeEditor; }
    void openOptions();
    void openLogViewer();
    void openAbout();
    HitsWindow &openHits();
    StatisticsWindow &openStatistics();

    // For demonstrations: "scan" presses the bank "Scan" button; "search" picks the first range
    // when none is picked and presses the range "Scan" button. Anything else does nothing.
    void startDemo(const QString &demo);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void connectHandlers();
    void connectKeys();

    // Handlers.
    void scanRange();
    void editRanges();
    void channelPicked(int index);
    void bankPicked(int index);
    void rangePicked(int index);
    void returnPressed();

    // The hint for a start without bank and range files, up while the working directory has
    // neither.
    bool hasDataFiles() const;
    void showFirstStartHint(bool up);

    StationEngine &m_engine;
    Station &m_station;
    RigServer &m_rigServer;
    Recorder *m_recorder = nullptr;
    ControlLoop *m_loop = nullptr;
    WidgetDialogs m_dialogs;

    MainWindowUi m_ui;
    Notices m_notices;
    QElapsedTimer m_progressPainted;

    std::unique_ptr<ComboItemList> m_channelItems;
    std::unique_ptr<ComboItemList> m_rangeItems;

    // Bank and range editors exist from the start: start-up fills their lists.
    EditBank *m_bankEditor = nullptr;
    EditRange *m_rangeEditor = nullptr;
    QPointer<OptionsWindow> m_options;
    QPointer<LogViewer> m_logViewer;
    QPointer<AboutWindow> m_about;
    QPointer<HitsWindow> m_hits;
    QPointer<StatisticsWindow> m_statistics;
    // Watches the working directory while the first-start hint is up.
    QPointer<QFileSystemWatcher> m_dataFilesWatch;
};

} // namespace ze
