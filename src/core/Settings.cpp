#include "core/Settings.h"

namespace ze {

namespace {

constexpr QLatin1String section("Properties/");

QString valueText(const QVariant &value)
{
    // A hand-edited INI line "Settings=9600,n,8,2" comes back as a list of its parts.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

} // namespace

StoredSettings::StoredSettings(const QString &fileName)
{
    if (fileName.isEmpty())
        m_settings
                = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                              QStringLiteral("ZE3000r"), QStringLiteral("ZE3000r"));
    else
        m_settings = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
    // The file is parsed at the first look at its keys; a format error then stays in the status
    // for good, so it tells nothing about later writes.
    (void)m_settings->allKeys();
    m_readWhole = m_settings->status() != QSettings::FormatError;
}

QString StoredSettings::read(const QString &key, const QString &defaultText) const
{
    const QVariant value = m_settings->value(section + key);
    if (!value.isValid())
        return defaultText;
    return valueText(value);
}

bool StoredSettings::write(const QString &key, const QString &text)
{
    m_settings->setValue(section + key, text);
    m_written.insert(key, text);
    return m_settings->status() != QSettings::AccessError;
}

bool StoredSettings::remove(const QString &key)
{
    m_settings->remove(section + key);
    m_written.insert(key, std::nullopt);
    return m_settings->status() != QSettings::AccessError;
}

bool StoredSettings::sync()
{
    m_settings->sync();
    if (m_settings->status() == QSettings::AccessError)
        return false;
    // Only the file itself tells whether the values reached it.
    const QSettings stored(m_settings->fileName(), m_settings->format());
    for (auto it = m_written.cbegin(); it != m_written.cend(); ++it) {
        const QVariant value = stored.value(section + it.key());
        if (it.value() ? valueText(value) != *it.value() : value.isValid())
            return false;
    }
    m_written.clear();
    return true;
}

QString StoredSettings::fileName() const
{
    return m_settings->fileName();
}

} // namespace ze
