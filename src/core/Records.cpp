#include "core/Records.h"

#include "core/TextFields.h"

#include <QtGlobal>

namespace ze {

QString recordText(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    }
    out = trimSpaces(out);
    // Not through the middle of a character beyond the 16-bit range.
    if (out.size() > maxTextLength)
        out.truncate(out.at(maxTextLength - 1).isHighSurrogate() ? maxTextLength - 1
                                                                 : maxTextLength);
    return out;
}

bool ChannelRecord::isEmpty() const
{
    return blankOnly(Frequency);
}

bool RangeRecord::isEmpty() const
{
    return blankOnly(From);
}

ChannelRecord &Banks::operator()(int bank, int channel)
{
    Q_ASSERT(validBank(bank) && validChannel(channel));
    const int index = (bank - 1) * channelCount + channel;
    return m_records[static_cast<size_t>(index)];
}

const ChannelRecord &Banks::operator()(int bank, int channel) const
{
    Q_ASSERT(validBank(bank) && validChannel(channel));
    const int index = (bank - 1) * channelCount + channel;
    return m_records[static_cast<size_t>(index)];
}

RangeRecord &Ranges::operator[](int index)
{
    Q_ASSERT(index >= 0 && index < count);
    return m_records[static_cast<size_t>(index)];
}

const RangeRecord &Ranges::operator[](int index) const
{
    Q_ASSERT(index >= 0 && index < count);
    return m_records[static_cast<size_t>(index)];
}

} // namespace ze
