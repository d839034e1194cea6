#pragma once

#include <QHash>
#include <QSettings>
#include <QString>

#include <memory>
#include <optional>

namespace ze {

// The per-user settings store: application "ZE3000r", section "Properties", texts only.
class StoredSettings
{
public:
    // An empty file name uses the platform's own place (~/.config/ZE3000r/ZE3000r.ini on Linux).
    explicit StoredSettings(const QString &fileName = QString());

    QString read(const QString &key, const QString &defaultText = QString()) const;
    // Returns false when the store could not be written.
    bool write(const QString &key, const QString &text);
    // Removes a key; returns false when the store could not be written. sync() checks it is gone.
    bool remove(const QString &key);
    // Writes the store out; false when a value written since the last sync is not in the file.
    bool sync();
    QString fileName() const;
    // False when some lines of the file could not be read (they are dropped at the next write).
    bool readWhole() const { return m_readWhole; }

private:
    std::unique_ptr<QSettings> m_settings;
    QHash<QString, std::optional<QString>> m_written; // nothing: removed
    bool m_readWhole = true;
};

} // namespace ze
