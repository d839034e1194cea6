#pragma once

// The station's floors, from the bottom; each uses only the ones below it:
//   core      this folder: the program state and its records, the settings, the clock, text and
//             number helpers, what may go on the line (ReceiverCommand), and the interfaces the
//             floors above implement or call: the receiver link, the windows' views, the
//             station events and the operator's commands
//   storage   the files: bank and range files, the log, CSV, the hit store
//   receiver  the serial port, tuning and sampling, memory transfer
//   scan      the control loop and start-up, bank scan, range search, the activity log
//   remote    network clients; audio: recordings
//   ui        the windows
// Lower floors tell upper ones what happens through StationEvents; every front end acts through
// OperatorCommands.

#include "core/Clock.h"
#include "core/Display.h"
#include "core/OperatorCommands.h"
#include "core/ProgramState.h"
#include "core/ReceiverLink.h"
#include "core/Settings.h"
#include "core/StationEvents.h"
#include "core/StationShell.h"
#include "core/Views.h"

#include <QDir>
#include <QString>

#include <optional>
#include <utility>

namespace ze {

// Where one station keeps its files and settings; tests point both at temporary places.
struct StationPaths
{
    QString workingDirectory; // bank files, "range.rng", "logging.txt"
    QString settingsFile; // INI file of the per-user settings store; empty = the platform's own
};

// The windows a station writes to and asks, attached all at once.
struct StationViews
{
    Display *display = nullptr;
    OperatorChoices *choices = nullptr;
    SpectrumSurface *spectrum = nullptr;
    StatusPanel *status = nullptr;
    DialogService *dialogs = nullptr;
    StationShell *shell = nullptr;
};

// One running station: it owns the program state, the stored settings, its events and the
// operator's commands, and is handed to every part that works on them. The receiver link and
// the windows are made above and attached.
class Station
{
public:
    Station(const StationPaths &paths, Clock &clock);
    ~Station();
    Station(const Station &) = delete;
    Station &operator=(const Station &) = delete;

    ProgramState &state() { return m_state; }
    const ProgramState &state() const { return m_state; }
    StoredSettings &settings() { return m_settings; }
    Clock &clock() { return m_clock; }
    StationEvents &events() { return m_events; }
    OperatorCommands &commands() { return m_commands; }

    void setLink(ReceiverLink *link);
    bool hasLink() const { return m_link != nullptr; }
    ReceiverLink &link() { return *m_link; }

    void attach(const StationViews &views);
    void detach() { m_views = StationViews(); }
    bool hasViews() const { return m_views.shell != nullptr; }
    Display &display() const { return *m_views.display; }
    OperatorChoices &choices() const { return *m_views.choices; }
    SpectrumSurface &spectrum() const { return *m_views.spectrum; }
    StatusPanel &status() const { return *m_views.status; }
    DialogService &dialogs() const { return *m_views.dialogs; }
    StationShell &shell() const { return *m_views.shell; }
    const StationViews &views() const { return m_views; }

    // A file of the working directory.
    QString filePath(const QString &name) const;
    QDir workingDirectory() const { return m_workDir; }

    // Shared operations of the control core.
    void SelectMode(int mode);
    // The operating mode, told to the listeners when it changes.
    void setMode(int mode);
    void WrapChannel();
    void CheckHoldExpired();
    // Ends a hold before its time, as the operator passes the signal over.
    void endHold();
    void ShowStatus(const QString &text) const;
    // One exchange over the link: "" at once, sending nothing, while another is under way.
    QString Exchange(const ReceiverCommand &command);
    // Remembers what a tuning command told the receiver (an empty mode keeps the last one), tells
    // the listeners, and drops a tuning still waiting for its pass.
    void noteTuning(const QString &frequency, const QString &mode, std::optional<bool> attenuator);

    // How the exchanges since the last look went: how many were made, how many had no prompt.
    struct ExchangeTally
    {
        int made = 0;
        int unanswered = 0;
    };
    ExchangeTally takeExchangeTally() { return std::exchange(m_tally, ExchangeTally()); }
    // The receiver stopped answering, or answers again: told in the port panel and to the
    // listeners.
    void setReceiverSilent(bool silent);

    // Refreshes the port panel of the status bar.
    void showPortState();
    // A standing notice in the status bar, when there is one.
    void notify(NoticeSource source, const QString &text) const;

    // Shut-down has stored the settings; the loop is then ended.
    bool shutDownDone() const { return m_shutDown; }
    void setShutDownDone() { m_shutDown = true; }

private:
    ProgramState m_state;
    Clock &m_clock;
    QDir m_workDir;
    StoredSettings m_settings;
    StationEvents m_events;
    OperatorCommands m_commands;
    ReceiverLink *m_link = nullptr;
    StationViews m_views;
    ExchangeTally m_tally;
    bool m_shutDown = false;
};

} // namespace ze
