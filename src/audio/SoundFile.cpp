#include "SoundFile.h"

#include <QFile>

#include <sndfile.h>

#include <vector>

namespace ze {

namespace {

int sndfileFormat(RecordingFormat format)
{
    switch (format) {
    case RecordingFormat::Wav:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case RecordingFormat::Opus:
        return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    case RecordingFormat::Flac:
        break;
    }
    return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
}

QString sndfileError(SNDFILE *file)
{
    return QString::fromLocal8Bit(sf_strerror(file));
}

} // namespace

SoundFileWriter::SoundFileWriter() = default;

SoundFileWriter::~SoundFileWriter()
{
    close();
}

bool SoundFileWriter::open(const QString &path, RecordingFormat format, int rate,
                           const SoundTags &tags, QString *error)
{
    close();
    m_frames = 0;
    SF_INFO info {};
    info.samplerate = rate;
    info.channels = 1;
    info.format = sndfileFormat(format);
    m_file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!m_file) {
        if (error)
            *error = sndfileError(nullptr);
        return false;
    }
    // Tags go in before the first samples: FLAC and Ogg write them with the header.
    const auto put = [this](int which, const QString &text) {
        if (!text.isEmpty())
            sf_set_string(m_file, which, text.toUtf8().constData());
    };
    put(SF_STR_TITLE, tags.title);
    put(SF_STR_ALBUM, tags.album);
    put(SF_STR_COMMENT, tags.comment);
    put(SF_STR_DATE, tags.date);
    put(SF_STR_SOFTWARE, QStringLiteral("ZE3000R Station"));
    // A WAV killed while it is written still says how long it is.
    if (format == RecordingFormat::Wav)
        sf_command(m_file, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
    return true;
}

bool SoundFileWriter::write(const qint16 *samples, qint64 frames)
{
    if (!m_file || frames <= 0)
        return m_file != nullptr;
    const sf_count_t written = sf_writef_short(m_file, samples, frames);
    m_frames += written;
    return written == frames && sf_error(m_file) == SF_ERR_NO_ERROR;
}

bool SoundFileWriter::close(QString *error)
{
    if (!m_file)
        return true;
    const int result = sf_close(m_file);
    m_file = nullptr;
    if (result != 0 && error)
        *error = QString::fromLocal8Bit(sf_error_number(result));
    return result == 0;
}

SoundFileReader::SoundFileReader() = default;

SoundFileReader::~SoundFileReader()
{
    close();
}

bool SoundFileReader::open(const QString &path, QString *error)
{
    close();
    SF_INFO info {};
    m_file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!m_file || info.channels < 1 || info.samplerate < 1) {
        if (error)
            *error = sndfileError(m_file);
        close();
        return false;
    }
    m_rate = info.samplerate;
    m_channels = info.channels;
    m_format = info.format;
    m_frames = info.frames;
    return true;
}

void SoundFileReader::close()
{
    if (m_file)
        sf_close(m_file);
    m_file = nullptr;
}

qint64 SoundFileReader::read(qint16 *samples, qint64 frames)
{
    if (!m_file || frames <= 0)
        return 0;
    if (m_channels == 1)
        return qMax<sf_count_t>(0, sf_readf_short(m_file, samples, frames));
    std::vector<qint16> all(size_t(frames * m_channels));
    const sf_count_t got = qMax<sf_count_t>(0, sf_readf_short(m_file, all.data(), frames));
    for (sf_count_t i = 0; i < got; ++i) {
        int sum = 0;
        for (int c = 0; c < m_channels; ++c)
            sum += all[size_t(i * m_channels + c)];
        samples[i] = qint16(sum / m_channels);
    }
    return got;
}

bool SoundFileReader::seek(qint64 frame)
{
    return m_file && sf_seek(m_file, frame, SEEK_SET) >= 0;
}

QString SoundFileReader::tag(int which) const
{
    const char *text = m_file ? sf_get_string(m_file, which) : nullptr;
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace ze

namespace ze {

bool salvageSoundFile(const QString &part, const QString &whole)
{
    SoundFileReader reader;
    bool saved = false;
    if (reader.open(part)) {
        const int type = reader.format() & SF_FORMAT_TYPEMASK;
        const RecordingFormat format = type == SF_FORMAT_WAV ? RecordingFormat::Wav
                : type == SF_FORMAT_OGG                      ? RecordingFormat::Opus
                                                             : RecordingFormat::Flac;
        SoundTags tags;
        tags.title = reader.tag(SF_STR_TITLE);
        tags.album = reader.tag(SF_STR_ALBUM);
        tags.comment = reader.tag(SF_STR_COMMENT);
        tags.date = reader.tag(SF_STR_DATE);
        SoundFileWriter writer;
        std::vector<qint16> block(4096);
        const QString temporary = whole + QStringLiteral(".salvage");
        if (writer.open(temporary, format, reader.rate(), tags, nullptr)) {
            bool ok = true;
            for (qint64 got; ok && (got = reader.read(block.data(), qint64(block.size()))) > 0;)
                ok = writer.write(block.data(), got);
            saved = writer.close() && ok && writer.frames() > 0 && QFile::rename(temporary, whole);
            if (!saved)
                QFile::remove(temporary);
        }
    }
    reader.close();
    QFile::remove(part);
    return saved;
}

} // namespace ze
