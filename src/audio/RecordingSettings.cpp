#include "RecordingSettings.h"

#include "core/Settings.h"

#include <algorithm>
#include <tuple>

namespace ze {

namespace {

int number(const StoredSettings &settings, const char *key, int fallback, int low, int high)
{
    bool ok = false;
    const int value = settings.read(QLatin1String(key)).trimmed().toInt(&ok);
    return ok ? std::clamp(value, low, high) : fallback;
}

auto fields(const RecordingSettings &s)
{
    return std::tie(s.enabled, s.device, s.format, s.preRollMs, s.tailMs, s.maxSeconds,
                    s.shortestMs, s.keepDays);
}

} // namespace

QString formatSuffix(RecordingFormat format)
{
    switch (format) {
    case RecordingFormat::Wav:
        return QStringLiteral("wav");
    case RecordingFormat::Opus:
        return QStringLiteral("opus");
    case RecordingFormat::Flac:
        break;
    }
    return QStringLiteral("flac");
}

RecordingSettings RecordingSettings::read(const StoredSettings &settings)
{
    RecordingSettings s;
    s.enabled = settings.read(QStringLiteral("Record")) == QLatin1String("1");
    s.device = settings.read(QStringLiteral("AudioInput"));
    const QString format = settings.read(QStringLiteral("RecordFormat")).trimmed().toLower();
    for (RecordingFormat f : {RecordingFormat::Flac, RecordingFormat::Wav, RecordingFormat::Opus})
        if (format == formatSuffix(f))
            s.format = f;
    s.preRollMs = number(settings, "RecordPreRollMs", s.preRollMs, 0, 5000);
    s.tailMs = number(settings, "RecordTailMs", s.tailMs, 0, 10000);
    s.maxSeconds = number(settings, "RecordMaxSeconds", s.maxSeconds, 1, 3600);
    s.shortestMs = number(settings, "RecordShortestMs", s.shortestMs, 0, 60000);
    s.keepDays = number(settings, "RecordKeepDays", s.keepDays, 0, 3650);
    return s;
}

bool RecordingSettings::store(StoredSettings &settings) const
{
    bool ok = settings.write(QStringLiteral("Record"),
                             enabled ? QStringLiteral("1") : QStringLiteral("0"));
    ok = settings.write(QStringLiteral("AudioInput"), device) && ok;
    ok = settings.write(QStringLiteral("RecordFormat"), formatSuffix(format)) && ok;
    ok = settings.write(QStringLiteral("RecordPreRollMs"), QString::number(preRollMs)) && ok;
    ok = settings.write(QStringLiteral("RecordTailMs"), QString::number(tailMs)) && ok;
    ok = settings.write(QStringLiteral("RecordMaxSeconds"), QString::number(maxSeconds)) && ok;
    ok = settings.write(QStringLiteral("RecordShortestMs"), QString::number(shortestMs)) && ok;
    ok = settings.write(QStringLiteral("RecordKeepDays"), QString::number(keepDays)) && ok;
    return settings.sync() && ok;
}

bool RecordingSettings::operator==(const RecordingSettings &other) const
{
    return fields(*this) == fields(other);
}

} // namespace ze
