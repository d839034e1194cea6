#include "core/Settings.h"

namespace ze {

namespace {
constexpr QLatin1String section("Properties/");
}

StoredSettings::StoredSettings(const QString &fileName)
{
    if (fileName.isEmpty())
        m_settings
                = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                              QStringLiteral("ZE3000r"), QStringLiteral("ZE3000r"));
    else
        m_settings = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
}

QString StoredSettings::read(const QString &key, const QString &defaultText) const
{
    const QVariant value = m_settings->value(section + key);
    if (!value.isValid())
        return defaultText;
    // A hand-edited INI line "Settings=9600,n,8,2" comes back as a list of its parts.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool StoredSettings::write(const QString &key, const QString &text)
{
    m_settings->setValue(section + key, text);
    return m_settings->status() == QSettings::NoError;
}

bool StoredSettings::sync()
{
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

QString StoredSettings::fileName() const
{
    return m_settings->fileName();
}

} // namespace ze
