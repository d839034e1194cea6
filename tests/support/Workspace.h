#pragma once

#include "SimReceiver.h"
#include "core/Station.h"

#include <QTemporaryDir>

#include <string>
#include <vector>

namespace zetest {

// What every whole-station test needs: a temporary working directory with its settings file,
// and the simulated receiver (unpaced) on a real pseudo-terminal, reached through a link in that
// directory that is stored as the port.
class Workspace
{
public:
    explicit Workspace(bool startReceiver);
    ~Workspace();
    Q_DISABLE_COPY(Workspace)

    QString dir() const { return tempDir.path(); }
    QString path(const QString &name) const { return tempDir.filePath(name); }
    ze::StationPaths paths() const { return {dir(), path(QStringLiteral("settings.ini"))}; }
    void writeFile(const QString &name, const QByteArray &bytes) const;
    QByteArray readFile(const QString &name) const;
    // A stored setting, written before start-up.
    void storeSetting(const QString &key, const QString &value) const;

    // What the program sent to the receiver since the last clearSent().
    std::vector<std::string> sent() const { return sim.commands(); }
    void clearSent() { sim.clearLog(); }

    QTemporaryDir tempDir;
    zesim::SimReceiver sim;
    bool receiverStarted = false;
};

} // namespace zetest
