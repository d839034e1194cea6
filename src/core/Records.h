#pragma once

#include <QString>

#include <array>

namespace ze {

// The longest description or name a channel or range keeps: a bank file of 400 channels stays far
// below what the program reads back.
constexpr int maxTextLength = 255;
// A description or name as a record keeps it: line breaks and TABs (which would break the file's
// line apart) as blanks, no blanks around it (the file's reader drops them), at most
// maxTextLength characters. Memory and file then hold the same.
QString recordText(const QString &text);

// One memory channel of the receiver, as kept in a bank file.
struct ChannelRecord
{
    QString Frequency;
    QString Description;
    QString Mode;
    qint16 ZNumber = 0;
    qint16 Spare = 0;
    qint16 ATT = 0;
    qint16 LockOut = 0;
    // Written back in Latin-1, as its line came; typed and received channels are UTF-8.
    bool latin1 = false;

    // A slot whose frequency is only blanks holds no channel.
    bool isEmpty() const;
};

// Four banks of 100 channels, numbered as the receiver numbers its memory.
class Banks
{
public:
    static constexpr int bankCount = 4;
    static constexpr int channelCount = 100;

    static bool validBank(int bank) { return bank >= 1 && bank <= bankCount; }
    static bool validChannel(int channel) { return channel >= 0 && channel < channelCount; }

    // bank 1..4, channel 0..99; out-of-range positions are a programming error.
    ChannelRecord &operator()(int bank, int channel);
    const ChannelRecord &operator()(int bank, int channel) const;

private:
    std::array<ChannelRecord, std::size_t {bankCount} * channelCount> m_records {};
};

// One search range; every field is kept as the operator typed it.
struct RangeRecord
{
    QString From;
    QString To;
    QString Mode;
    QString Description;
    QString Step;
    bool latin1 = false; // as for a channel

    // A range whose From is only blanks is an empty slot.
    bool isEmpty() const;
};

class Ranges
{
public:
    static constexpr int count = 100;

    RangeRecord &operator[](int index);
    const RangeRecord &operator[](int index) const;

private:
    std::array<RangeRecord, count> m_records {};
};

} // namespace ze
