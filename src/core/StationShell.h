#pragma once

#include "core/Views.h"

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

namespace ze {

// What start-up, shut-down and the file operations need of the windows beyond the display and
// the status bar: the lists they fill, the settings they restore and store, showing the window.
class StationShell
{
public:
    virtual ~StationShell() = default;

    // Step list entries: text and step in 100 Hz units. The index -1 selects no entry.
    virtual void fillStepList(const QVector<QPair<QString, int>> &entries) = 0;
    virtual void setStepIndex(int index) = 0;
    virtual int stepIndex() const = 0;
    // The delay box is editable; filling its list keeps the text it holds.
    virtual void setDelayText(const QString &text) = 0;
    virtual void fillDelayList(const QStringList &entries) = 0;
    virtual void setDisplayOption(int index) = 0; // 0 "Frequency", 1 "Description"
    virtual int displayOption() const = 0;
    virtual void setSquelch(int value) = 0;
    virtual int squelch() const = 0;

    // Both bank lists (main window and bank editor) get the same names; none is selected.
    virtual void setBankNames(const QStringList &names) = 0;
    // Selects the first entry of the main window's bank list without its reaction.
    virtual void selectFirstBank() = 0;
    // The main window's bank list: the text shown, and a pick as the operator would make it,
    // reaction included (a text that is not an entry changes nothing; false then).
    virtual QString mainBankText() const = 0;
    virtual bool pickMainBank(const QString &text) = 0;

    virtual ItemList &mainChannelList() = 0;
    // The bank editor's channel list and the range editor's range list exist from start-up on.
    virtual ItemList &editorChannelList() = 0;
    virtual ItemList &mainRangeList() = 0;
    virtual ItemList &editorRangeList() = 0;

    // Blanks the display: "--", "----.----", every lamp and bar dark.
    virtual void clearDisplay() = 0;
    virtual void showMainWindow() = 0;
    // Start-up stopped on a stored value it cannot use.
    virtual void reportStartupError(const QString &text) = 0;
};

} // namespace ze
