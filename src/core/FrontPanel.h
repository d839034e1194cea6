#pragma once

#include "core/Display.h"

#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

namespace ze {

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

// The pens of one spectrum column.
enum class SpectrumPen { Marker, Erase, Level };

// Who put up a status-bar notice; each takes down only its own.
enum class NoticeSource { BankFile, RangeFile, ActivityLog, Settings, FirstStart, Network };

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

// What tuning, scanning, searching and logging need of the front panel: the display they write
// and the operator's choices they read. The main window implements it; core tests use a fake.
class FrontPanel
{
public:
    virtual ~FrontPanel() = default;

    // The receiver's display, which they write and read back.
    virtual Display &display() = 0;

    virtual void showStatus(const QString &text) = 0; // first status-bar panel
    virtual QString statusText() const = 0;

    // Operator's choices.
    virtual bool showsFrequency() const = 0; // "Frequency" chosen rather than "Description"
    virtual int squelchValue() const = 0; // slider 0..12
    virtual int stepValue() const = 0; // item data of the chosen step in 100 Hz units, 0 if none
    virtual bool writeToLogfile() const = 0;
    virtual bool spectrumTicked() const = 0;
    virtual QString delayText() const = 0;
    virtual bool bankTicked(int bank) const = 0; // bank 1..4

    // Spectrum surface, drawn on a backing image that survives repaints.
    virtual QSize spectrumSize() const = 0;
    virtual void drawSpectrumLine(int x, int y1, int y2, SpectrumPen pen) = 0;
    virtual void clearSpectrum() = 0;

    // A second status-bar panel that tells the serial port and its state.
    virtual void showPortState(const QString &text) = 0;
    // A status-bar panel that tells whether network clients may connect and how many have; the
    // empty text hides it.
    virtual void showNetworkState(const QString &text) { (void)text; }
    // A lasting notice in the status bar that the loop's status texts do not overwrite
    // ("the log could not be written"); the empty text takes down source's notice.
    virtual void showNotice(NoticeSource source, const QString &text) = 0;
    // A message box for a failure the operator must see (a save that did not happen).
    virtual void reportError(const QString &text) = 0;

    // A Yes/No question; defaultYes chooses the button Return presses.
    virtual bool askYesNo(const QString &title, const QString &text, bool defaultYes) = 0;
    // A line of text from the operator, proposed filled in; "" when cancelled.
    virtual QString askText(const QString &title, const QString &prompt, const QString &proposed)
            = 0;
    // The hourglass over the program's windows during a long transfer.
    virtual void setBusy(bool busy) { (void)busy; }
    // A status text that must be seen at once, while a long transfer keeps the event loop away.
    virtual void showProgress(const QString &text) { showStatus(text); }
};

} // namespace ze
