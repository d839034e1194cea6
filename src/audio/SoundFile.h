#pragma once

#include "RecordingSettings.h"

#include <QString>

#include <memory>

struct sf_private_tag;

namespace ze {

// What a recording file says about itself, as tags a player shows.
struct SoundTags
{
    QString title; // frequency and mode
    QString album; // the bank and channel, or the range
    QString comment; // the description
    QString date; // ISO 8601, UTC
};

// One audio file written through libsndfile: 16-bit mono samples, FLAC, WAV or Ogg Opus.
class SoundFileWriter
{
public:
    SoundFileWriter();
    ~SoundFileWriter();
    SoundFileWriter(const SoundFileWriter &) = delete;
    SoundFileWriter &operator=(const SoundFileWriter &) = delete;

    bool open(const QString &path, RecordingFormat format, int rate, const SoundTags &tags,
              QString *error);
    bool isOpen() const { return m_file != nullptr; }
    // False when not every frame went to the file (a full disk).
    bool write(const qint16 *samples, qint64 frames);
    // Finishes the file's header; false when that failed and the file is not whole.
    bool close(QString *error = nullptr);
    qint64 frames() const { return m_frames; }

private:
    sf_private_tag *m_file = nullptr;
    qint64 m_frames = 0;
};

// One audio file read through libsndfile, as 16-bit mono samples (channels mixed).
class SoundFileReader
{
public:
    SoundFileReader();
    ~SoundFileReader();
    SoundFileReader(const SoundFileReader &) = delete;
    SoundFileReader &operator=(const SoundFileReader &) = delete;

    bool open(const QString &path, QString *error = nullptr);
    void close();
    bool isOpen() const { return m_file != nullptr; }
    int rate() const { return m_rate; }
    qint64 frames() const { return m_frames; }
    // Up to `frames` frames into `samples`; how many were read (0 at the end).
    qint64 read(qint16 *samples, qint64 frames);
    bool seek(qint64 frame);
    QString tag(int which) const; // an SF_STR_* value
    int format() const { return m_format; } // SF_FORMAT_* of the file

private:
    sf_private_tag *m_file = nullptr;
    int m_rate = 0;
    int m_channels = 1;
    int m_format = 0;
    qint64 m_frames = 0;
};

} // namespace ze

namespace ze {

// A file a killed station left half written (path + ".part"): what can be read of it is
// written whole to `whole` in the same format. False when nothing could be read; the part is
// removed either way.
bool salvageSoundFile(const QString &part, const QString &whole);

} // namespace ze
