#pragma once

#include <QString>

namespace ze {

class StoredSettings;

enum class RecordingFormat { Flac, Wav, Opus };

// What the operator chose in the options' "Recording" group.
struct RecordingSettings
{
    bool enabled = false;
    QString device; // the input's id; "" for the sound server's default
    RecordingFormat format = RecordingFormat::Flac;
    int preRollMs = 500;
    int tailMs = 500;
    int maxSeconds = 300;
    int shortestMs = 0; // shorter hits keep no recording
    int keepDays = 0; // 0: recordings are kept until the operator removes them

    static RecordingSettings read(const StoredSettings &settings);
    bool store(StoredSettings &settings) const;
    bool operator==(const RecordingSettings &other) const;
    bool operator!=(const RecordingSettings &other) const { return !(*this == other); }
};

// "flac", "wav", "opus": the file's ending and the stored word.
QString formatSuffix(RecordingFormat format);

} // namespace ze
