#pragma once

#include "core/Clock.h"
#include "core/FrontPanel.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/StationShell.h"
#include "receiver/SerialPort.h"

#include <QDir>
#include <QString>

#include <memory>

namespace ze {

class RigServer;
struct NetworkSettings;

// Where one station keeps its files and settings; tests point both at temporary places.
struct StationPaths
{
    QString workingDirectory; // bank files, "range.rng", "logging.txt"
    QString settingsFile; // INI file of the per-user settings store; empty = the platform's own
};

// One running station: it owns the program state, the serial link and the stored settings, and
// is handed to every part that works on them. The windows attach through StationShell.
class Station
{
public:
    Station(const StationPaths &paths, Clock &clock);
    ~Station();
    Station(const Station &) = delete;
    Station &operator=(const Station &) = delete;

    ProgramState &state() { return m_state; }
    const ProgramState &state() const { return m_state; }
    SerialPort &serialPort() { return *m_serialPort; }
    StoredSettings &settings() { return m_settings; }
    Clock &clock() { return m_clock; }

    void attach(StationShell *shell) { m_shell = shell; }
    bool hasShell() const { return m_shell != nullptr; }
    StationShell &shell() { return *m_shell; }
    FrontPanel &panel() { return m_shell->frontPanel(); }

    // A file of the working directory.
    QString filePath(const QString &name) const;
    QDir workingDirectory() const { return m_workDir; }

    // Start-up: resets the port, restores the stored settings, lists and loads the bank files and
    // the ranges, blanks the display, opens the port and shows the main window, leaving the
    // station in mode 0. Returns false when it stopped on a stored value it cannot use (the
    // operator has been told). Runs again, whole, after a bank deletion or a log conversion.
    bool StartUp();
    // Stores the main window's four settings and closes the port; the caller then ends the loop.
    void ShutDown();
    bool shutDownDone() const { return m_shutDown; }

    // Shared operations of the control core.
    void SelectMode(int mode);
    void WrapChannel();
    void CheckHoldExpired();
    void ShowStatus(const QString &text);
    QString Exchange(const QString &command) { return m_serialPort->Exchange(command); }

    // Refreshes the port panel of the status bar.
    void showPortState();

    // Network clients, off unless the stored settings turn them on.
    RigServer &rigServer() { return *m_rigServer; }
    // Listens as settings say; a port that cannot be had is told in the status bar and returned
    // false.
    bool applyNetworkSettings(const NetworkSettings &settings, QString *error = nullptr);

    // Whether the last append to the activity log failed (its notice is then showing).
    bool logProblem() const { return m_logProblem; }
    void setLogProblem(bool problem) { m_logProblem = problem; }

private:
    bool restoreSettings();

    ProgramState m_state;
    Clock &m_clock;
    QDir m_workDir;
    StoredSettings m_settings;
    std::unique_ptr<SerialPort> m_serialPort;
    std::unique_ptr<RigServer> m_rigServer;
    StationShell *m_shell = nullptr;
    bool m_shutDown = false;
    bool m_logProblem = false;
};

} // namespace ze
