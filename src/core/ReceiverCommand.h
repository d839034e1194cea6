#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace ze {

// One command line for the receiver, without its carriage return. It can only be built from
// checked parts, so nothing else reaches the line, whatever a file, a reply, a client or the
// keypad held:
//   a frequency  digits with at most one point, at least one digit, at most 20 characters,
//                from 0.1 to 2036 MHz (what the receiver tunes)
//   a mode       one letter of "NWALUC", or nothing where the command allows it
//   attenuator   "R" on, "T" off
//   bank 1..4, channel 0..99
class ReceiverCommand
{
public:
    static ReceiverCommand level() { return ReceiverCommand("Y"); }
    static ReceiverCommand found() { return ReceiverCommand("F"); }
    static ReceiverCommand notFound() { return ReceiverCommand("E"); }
    // Frequency stepping: the frequency alone.
    static std::optional<ReceiverCommand> frequency(const QString &frequency);
    // A search step: frequency and mode (a range may have none).
    static std::optional<ReceiverCommand> search(const QString &frequency, const QString &mode);
    // A stored channel: frequency, mode (or none), attenuator.
    static std::optional<ReceiverCommand> channel(const QString &frequency, const QString &mode,
                                                  bool attenuator);
    // The keypad's form: frequency, attenuator, mode.
    static std::optional<ReceiverCommand> keypad(const QString &frequency, bool attenuator,
                                                 const QString &mode);
    static std::optional<ReceiverCommand> selectBank(int bank);
    static std::optional<ReceiverCommand> readChannel(int channel);
    static std::optional<ReceiverCommand> storeChannel(int channel, const QString &frequency,
                                                       const QString &mode, bool attenuator);

    const QByteArray &bytes() const { return m_bytes; }
    QString text() const { return QString::fromLatin1(m_bytes); }
    bool operator==(const ReceiverCommand &other) const { return m_bytes == other.m_bytes; }

private:
    explicit ReceiverCommand(QByteArray bytes)
        : m_bytes(std::move(bytes))
    {
    }
    QByteArray m_bytes;
};

// Why a frequency text (blanks around it dropped) cannot go to the receiver; "" when it can.
QString frequencyProblem(const QString &frequency);
// Whether a mode text (blanks around it dropped) is one letter of "NWALUC", or empty when
// allowed.
bool isModeText(const QString &mode, bool emptyAllowed);

// Why a channel or range with this frequency and mode (empty allowed) cannot be tuned, in words
// that can follow "it cannot be tuned: "; "" when it can.
QString tuningProblem(const QString &frequency, const QString &mode);

// The grammar of every command line the program may send, checked apart from the builders.
bool isReceiverCommand(const QByteArray &line);

} // namespace ze
