#pragma once

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

namespace ze {

// What the station needs of its windows, by who needs what: the operator's choices, the spectrum,
// the status bar and the dialogs. The display is Display.h, the lists and settings StationShell.h.
// The windows implement them; core tests use a fake.

// A list the program fills with entries that each carry one integer (channel and range lists).
class ItemList
{
public:
    virtual ~ItemList() = default;
    virtual void clearItems() = 0;
    virtual void addItem(const QString &text, int data) = 0;
    // Hourglass while a long fill runs.
    virtual void setBusy(bool busy) { (void)busy; }
};

// The operator's choices on the main window, read where a step needs them.
class OperatorChoices
{
public:
    virtual ~OperatorChoices() = default;
    virtual bool showsFrequency() const = 0; // "Frequency" chosen rather than "Description"
    virtual int squelchValue() const = 0; // slider 0..12
    virtual int stepValue() const = 0; // item data of the chosen step in 100 Hz units, 0 if none
    virtual bool writeToLogfile() const = 0;
    virtual bool spectrumTicked() const = 0;
    virtual QString delayText() const = 0;
    virtual bool bankTicked(int bank) const = 0; // bank 1..4
};

// One step of a range search as the spectrum takes it: the range and the step's frequency in
// units of 0.0001 MHz, and the level measured there.
struct SpectrumStep
{
    qint64 from = 0;
    qint64 to = 0;
    qint64 step = 0;
    qint64 frequency = 0;
    int level = 0;
};

// The spectrum plot: it takes the measurements of a search and draws them as it likes.
class SpectrumSurface
{
public:
    virtual ~SpectrumSurface() = default;
    virtual void plot(const SpectrumStep &step) = 0;
    virtual void clear() = 0;
};

// Who put up a status-bar notice; each takes down only its own.
enum class NoticeSource {
    BankFile,
    RangeFile,
    ActivityLog,
    Settings,
    FirstStart,
    Network,
    Command,
    Receiver,
    Hits,
    Recording
};

// The standing notices, one per source, in the order they went up: the latest one shows, and
// when it is taken down the one before it shows again.
class Notices
{
public:
    // Puts up (or, with the empty text, takes down) source's notice; returns the text to show.
    QString set(NoticeSource source, const QString &text)
    {
        m_standing.removeIf([source](const auto &notice) { return notice.first == source; });
        if (!text.isEmpty())
            m_standing.append({source, text});
        return m_standing.isEmpty() ? QString() : m_standing.last().second;
    }

private:
    QVector<QPair<NoticeSource, QString>> m_standing;
};

// The status bar.
class StatusPanel
{
public:
    virtual ~StatusPanel() = default;
    virtual void showStatus(const QString &text) = 0; // first panel: the operating mode
    virtual QString statusText() const = 0;
    // The panel that tells the serial port and its state.
    virtual void showPortState(const QString &text) = 0;
    // The panel that tells whether network clients may connect and how many have; the empty
    // text hides it.
    virtual void showNetworkState(const QString &text) { (void)text; }
    // A lasting notice that the loop's status texts do not overwrite ("the log could not be
    // written"); the empty text takes down source's notice.
    virtual void showNotice(NoticeSource source, const QString &text) = 0;
    // The figure an operator watches while scanning, such as channels a second; "" hides it.
    virtual void showRate(const QString &text) { (void)text; }
    // A status text that must be seen at once, while a long transfer keeps the event loop away.
    virtual void showProgress(const QString &text) { showStatus(text); }
};

enum class MessageKind { Information, Warning };

// Message boxes, questions and the file dialog, over the window the operator works in.
class DialogService
{
public:
    virtual ~DialogService() = default;
    // A message box with OK.
    virtual void showMessage(const QString &title, const QString &text, MessageKind kind) = 0;
    // A failure the operator must see (a save that did not happen), titled "ZE3000r".
    void reportError(const QString &text)
    {
        showMessage(QStringLiteral("ZE3000r"), text, MessageKind::Warning);
    }
    // A Yes/No question; defaultYes chooses the button Return presses.
    virtual bool askYesNo(const QString &title, const QString &text, bool defaultYes) = 0;
    // A line of text from the operator, proposed filled in; "" when cancelled.
    virtual QString askText(const QString &title, const QString &prompt, const QString &proposed)
            = 0;
    // One of the choices, the current one proposed; -1 when cancelled.
    virtual int askChoice(const QString &title, const QString &prompt, const QStringList &choices,
                          int current)
            = 0;
    // A file to read (or, with save, to write), starting in the working directory; *filter gets
    // the index of the name filter chosen. "" when cancelled.
    virtual QString askFileName(const QString &title, const QStringList &filters, bool save,
                                int *filter = nullptr)
            = 0;
    // The hourglass over the program's windows during a long transfer.
    virtual void setBusy(bool busy) { (void)busy; }
};

} // namespace ze
