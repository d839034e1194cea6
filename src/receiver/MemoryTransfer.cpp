#include "receiver/MemoryTransfer.h"

#include "core/Frequency.h"
#include "core/Station.h"
#include "core/TextFields.h"
#include "storage/BankFile.h"

#include <utility>

namespace ze {

namespace {

// The read-channel reply's mode codes, in the order of modeLetters; the seventh, W, is a channel
// without a mode.
constexpr QLatin1String modeCodes("QRSTUVW");

// Status texts write each number with one blank before it.
QString blankNumber(int number)
{
    return QLatin1Char(' ') + QString::number(number);
}

// Text after the first occurrence of c, trimmed; all of text when c is not there.
QString afterFirst(const QString &text, QChar c)
{
    return trimSpaces(text.mid(text.indexOf(c) + 1));
}

} // namespace

std::optional<ChannelRecord> parseChannelReply(const QString &reply, int channel)
{
    // Only what comes before the first prompt answers this command: a prompt that came late for
    // an earlier one may head the reply, and then nothing in it is this channel's.
    const qsizetype prompt = reply.indexOf(QLatin1Char('>'));
    const QString answer = prompt < 0 ? reply : reply.left(prompt);
    if (answer.size() <= 3)
        return std::nullopt;
    // Characters that are no number match no channel, not even channel 0.
    const std::optional<double> number = leadingNumberIfAny(answer.mid(1, 2));
    if (!number || *number != channel)
        return std::nullopt;
    const qsizetype space = answer.indexOf(QLatin1Char(' '));
    if (space < 0)
        return std::nullopt;

    ChannelRecord record;
    const QString t1 = trimSpaces(answer.mid(space));
    // Without a "0" the two characters are the first two of t1 (indexOf gives -1).
    if (trimSpaces(t1.mid(t1.indexOf(QLatin1Char('0')) + 1, 2)) == QLatin1String("W"))
        record.ATT = 1;
    const QString t2 = afterFirst(t1, QLatin1Char('Z'));
    const qsizetype zEnd = t2.indexOf(QLatin1Char(' '));
    // Nothing depends on this number: one that does not fit is taken as 0 rather than losing the
    // channel.
    if (zEnd >= 0)
        record.ZNumber = toInt16(leadingNumber(trimSpaces(t2.left(zEnd)))).value_or(0);
    const QString t3 = afterFirst(t2, QLatin1Char('Y'));
    const qsizetype tokenEnd = t3.indexOf(QLatin1Char(' '));
    if (tokenEnd <= 0 || tokenEnd > 11)
        return std::nullopt;
    // A TAB or line break from a garbled line would split the channel's line in the bank file.
    const QString digits = t3.left(tokenEnd);
    for (const QChar c : digits) {
        if (c.unicode() < 0x20)
            return std::nullopt;
    }
    const QString token = t3.left(tokenEnd).leftJustified(11, QLatin1Char(' '));
    record.Frequency = trimSpaces(token.left(6)) + QLatin1Char('.') + token.right(5);
    const QString t4 = trimSpaces(t3.mid(tokenEnd + 1));
    const qsizetype code = t4.isEmpty() ? -1 : modeCodes.indexOf(t4.at(0));
    if (code < 0)
        return std::nullopt;
    // W lies one past the last mode letter and so gives the empty text.
    record.Mode = modeLetters.mid(code, 1);
    return record;
}

int ReadMemoryBanks(Station &station, const std::function<bool()> &keepEmpty)
{
    DialogService &dialogs = station.dialogs();
    StatusPanel &status = station.status();
    dialogs.setBusy(true);
    ProgramState &state = station.state();
    // Read into a copy, so that a receiver that did not answer need not wipe the table.
    Banks read = state.banks;
    clearBanks(read);
    station.link().OpenPort();
    int count = 0;
    for (int bank = 1; bank <= Banks::bankCount; ++bank) {
        station.Exchange(*ReceiverCommand::selectBank(bank));
        for (int channel = 0; channel < Banks::channelCount; ++channel) {
            status.showProgress(QStringLiteral("Reading bank ") + blankNumber(bank)
                                + QStringLiteral(" channel ") + blankNumber(channel));
            const QString reply = station.Exchange(*ReceiverCommand::readChannel(channel));
            if (const std::optional<ChannelRecord> record = parseChannelReply(reply, channel)) {
                read(bank, channel) = *record;
                ++count;
            }
        }
    }
    if (count == 0 && keepEmpty) {
        // The question is asked with the arrow pointer back.
        dialogs.setBusy(false);
        if (!keepEmpty())
            return 0;
        dialogs.setBusy(true);
    }
    state.banks = std::move(read);
    FillChannelList(station, station.shell().mainChannelList());
    FillChannelList(station, station.shell().editorChannelList());
    dialogs.setBusy(false);
    return count;
}

int WriteMemoryBanks(Station &station)
{
    DialogService &dialogs = station.dialogs();
    StatusPanel &status = station.status();
    dialogs.setBusy(true);
    const Banks &banks = station.state().banks;
    QStringList passed;
    int stored = 0;
    for (int bank = 1; bank <= Banks::bankCount; ++bank) {
        station.Exchange(*ReceiverCommand::selectBank(bank));
        for (int channel = 0; channel < Banks::channelCount; ++channel) {
            status.showProgress(QStringLiteral("Writing ") + blankNumber(bank)
                                + QStringLiteral(" channel ") + blankNumber(channel));
            const ChannelRecord &r = banks(bank, channel);
            if (r.isEmpty())
                continue;
            const std::optional<ReceiverCommand> command
                    = ReceiverCommand::storeChannel(channel, r.Frequency, r.Mode, r.ATT == 1);
            if (!command) {
                passed << QStringLiteral("%1-%2").arg(bank).arg(channel);
                continue;
            }
            station.Exchange(*command);
            ++stored;
        }
    }
    dialogs.setBusy(false);
    if (!passed.isEmpty())
        station.notify(NoticeSource::Command,
                       QStringLiteral("Not stored into memory, as the receiver cannot take their "
                                      "frequency or mode: %1 %2.")
                               .arg(passed.size() == 1 ? QStringLiteral("channel")
                                                       : QStringLiteral("channels"),
                                    passed.join(QStringLiteral(", "))));
    return stored;
}

} // namespace ze
