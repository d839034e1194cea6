#pragma once

#include "core/FrontPanel.h"
#include "core/StationShell.h"
#include "ui/ListAdapters.h"
#include "ui/MainWindowUi.h"

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include <functional>
#include <memory>

namespace ze {

class AboutWindow;
class ControlLoop;
class EditBank;
class EditRange;
class LogViewer;
class OptionsWindow;
class Station;

// frmTerminal: the front panel of the receiver, the keypad, and the controls that start bank
// scanning and range searching. Its handlers change the station's state; the control loop does
// the work on its next pass.
class MainWindow : public QMainWindow, public FrontPanel, public StationShell
{
    Q_OBJECT
public:
    // Attaches itself to the station as its shell.
    explicit MainWindow(Station &station, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The loop that closing the window stops.
    void setControlLoop(ControlLoop *loop) { m_loop = loop; }

    // Message boxes go to the sink instead when one is set, so tests are not stopped by them.
    using MessageSink = std::function<void(const QString &title, const QString &text)>;
    void setMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }
    // Questions and input boxes are answered by the source instead when one is set: "Yes" or
    // anything else for a question, the text (or "" to cancel) for an input box.
    using AnswerSource = std::function<QString(const QString &title, const QString &text)>;
    void setAnswerSource(AnswerSource source) { m_answerSource = std::move(source); }
    // A message box with OK, or the sink.
    void showMessage(const QString &title, const QString &text, QMessageBox::Icon icon);
    // A file to read (or, with save, to write) picked in the program's own file dialog, starting
    // in the working directory; *filter gets the index of the name filter chosen. "" when
    // cancelled. The answer source, when set, is asked with the filters as text and answers the
    // name, optionally followed by a TAB and the filter's index.
    QString askFileName(const QString &title, const QStringList &filters, bool save,
                        int *filter = nullptr);

    // FrontPanel
    Display &display() override;
    void showStatus(const QString &text) override;
    QString statusText() const override;
    bool showsFrequency() const override;
    int squelchValue() const override;
    int stepValue() const override;
    bool writeToLogfile() const override;
    bool spectrumTicked() const override;
    QString delayText() const override;
    bool bankTicked(int bank) const override;
    QSize spectrumSize() const override;
    void drawSpectrumLine(int x, int y1, int y2, SpectrumPen pen) override;
    void clearSpectrum() override;
    void showPortState(const QString &text) override;
    void showNetworkState(const QString &text) override;
    void showNotice(NoticeSource source, const QString &text) override;
    void reportError(const QString &text) override;
    bool askYesNo(const QString &title, const QString &text, bool defaultYes) override;
    QString askText(const QString &title, const QString &prompt, const QString &proposed) override;
    void setBusy(bool busy) override;
    void showProgress(const QString &text) override;

    // StationShell
    FrontPanel &frontPanel() override { return *this; }
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
    ItemList &mainChannelList() override { return *m_channelItems; }
    ItemList &editorChannelList() override;
    ItemList &mainRangeList() override { return *m_rangeItems; }
    ItemList &editorRangeList() override;
    void clearDisplay() override;
    void showMainWindow() override;
    void reportStartupError(const QString &text) override;

    // For the other windows.
    Station &station() { return m_station; }
    EditBank &bankEditor() { return *m_bankEditor; }
    EditRange &rangeEditor() { return *m_rangeEditor; }
    QString bankListText() const;
    // Picks the entry of that text in the bank list as the operator would, reaction included;
    // a text that is not an entry leaves the list as it was. Returns whether it was found.
    bool pickBank(const QString &text);
    void openOptions();
    void openLogViewer();
    void openAbout();

    // For demonstrations: "scan" presses the bank "Scan" button; "search" picks the first range
    // when none is picked and presses the range "Scan" button. Anything else does nothing.
    void startDemo(const QString &demo);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void connectHandlers();
    // Dialogs stand over the window the operator works in.
    QWidget *dialogParent();

    // Handlers.
    void keypadPressed(int index);
    void stepChannel(int delta);
    void stepFrequency(const QString &direction);
    void scanBanks();
    void scanRange();
    void editRanges();
    void editBanks();
    void channelPicked(int index);
    void bankPicked(int index);
    void bankTickClicked();
    void rangePicked(int index);
    void returnPressed();
    void keyTyped(int index);

    // The hint for a start without bank and range files, up while the working directory has
    // neither.
    bool hasDataFiles() const;
    void showFirstStartHint(bool up);

    Station &m_station;
    ControlLoop *m_loop = nullptr;
    MessageSink m_messageSink;
    AnswerSource m_answerSource;

    MainWindowUi m_ui;
    Notices m_notices;

    std::unique_ptr<ComboItemList> m_channelItems;
    std::unique_ptr<ComboItemList> m_rangeItems;

    // Bank and range editors exist from the start: start-up fills their lists.
    EditBank *m_bankEditor = nullptr;
    EditRange *m_rangeEditor = nullptr;
    QPointer<OptionsWindow> m_options;
    QPointer<LogViewer> m_logViewer;
    QPointer<AboutWindow> m_about;
    // Watches the working directory while the first-start hint is up.
    QPointer<QFileSystemWatcher> m_dataFilesWatch;
};

} // namespace ze
