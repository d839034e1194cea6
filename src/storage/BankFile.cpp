#include "storage/BankFile.h"

#include "core/Station.h"
#include "core/TextFields.h"
#include "storage/BankName.h"

namespace ze {

namespace {

constexpr int bankFields = 8;

// A TAB or line break inside a text would shift the fields of the line or split it in two;
// such characters go out as blanks. keepTabs is for the last field, where TABs are harmless.
QString fieldText(const QString &text, bool keepTabs)
{
    QString out = text;
    for (QChar &c : out) {
        if (c == u'\r' || c == u'\n' || (!keepTabs && c == u'\t'))
            c = u' ';
    }
    return out;
}

// " 1" as the status texts write a number: its sign place, then the digits.
QString signPlaceNumber(int value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

QString bankFileName(const Station &station)
{
    return station.state().currentBankName + QStringLiteral(".bnk");
}

bool hasChannels(const Banks &banks)
{
    for (int bank = 1; bank <= Banks::bankCount; ++bank) {
        for (int channel = 0; channel < Banks::channelCount; ++channel) {
            if (!banks(bank, channel).isEmpty())
                return true;
        }
    }
    return false;
}

// Remembers what a load could not read, so that a save of the bank does not replace it unseen.
void rememberLoad(Station &station, const QString &path, const BankLoadResult &result)
{
    UnreadBankFile unread;
    if (!result.opened && fileIsThere(path))
        unread.error = result.error;
    unread.linesSkipped = result.linesSkipped;
    QHash<QString, UnreadBankFile> &files = station.state().unreadBankFiles;
    const QString &name = station.state().currentBankName;
    if (unread.error.isEmpty() && unread.linesSkipped == 0)
        files.remove(name);
    else
        files.insert(name, unread);
}

SaveResult refuseSave(Station &station, const QString &text)
{
    if (station.hasViews())
        station.dialogs().reportError(text);
    return {false, text};
}

// Whether the bank file may be replaced: a file that could not be read is not; lines passed over
// are dropped only when the operator agrees, and the old file is kept as "<file>.bak".
SaveResult checkOverwrite(Station &station, const QString &name, const QString &path)
{
    const auto unread = station.state().unreadBankFiles.constFind(station.state().currentBankName);
    if (unread == station.state().unreadBankFiles.constEnd() || !fileIsThere(path))
        return {true, QString()};
    if (!unread->error.isEmpty())
        return refuseSave(station,
                          QStringLiteral("The bank file \"%1\" could not be read when it was "
                                         "loaded (%2), so it is not saved: that would replace "
                                         "channels that were never read.")
                                  .arg(name, unread->error));
    const QString backup = name + QStringLiteral(".bak");
    const QString question
            = (unread->linesSkipped == 1
                       ? QStringLiteral("1 line of \"%1\" could not be read when it was loaded; "
                                        "saving drops it.")
                                 .arg(name)
                       : QStringLiteral("%1 lines of \"%2\" could not be read when it was loaded; "
                                        "saving drops them.")
                                 .arg(unread->linesSkipped)
                                 .arg(name))
            + QStringLiteral(" The old file is kept as \"%1\". Save?").arg(backup);
    if (!station.hasViews()
        || !station.dialogs().askYesNo(QStringLiteral("ZE3000r"), question, false))
        return {false, QStringLiteral("Not saved: the operator kept the old file.")};
    QByteArray old;
    QString error;
    SaveResult kept;
    if (readDataFile(path, old, &error))
        kept = saveFileAtomically(station.filePath(backup), old);
    else
        kept.error = error;
    if (!kept.ok)
        return refuseSave(station,
                          QStringLiteral("The bank file \"%1\" was not saved: the old file could "
                                         "not be kept as \"%2\": %3")
                                  .arg(name, backup, kept.error));
    return kept;
}

} // namespace

void clearBanks(Banks &banks)
{
    for (int bank = 1; bank <= Banks::bankCount; ++bank) {
        for (int channel = 0; channel < Banks::channelCount; ++channel) {
            ChannelRecord &record = banks(bank, channel);
            record.Frequency.clear();
            record.Description.clear();
            record.Mode.clear();
            record.Spare = 0;
            record.ATT = 0;
            record.LockOut = 0;
            record.latin1 = false;
        }
    }
}

BankLoadResult readBankFile(const QString &path, Banks &banks,
                            const std::function<void(int, int)> &progress)
{
    BankLoadResult result;
    clearBanks(banks);

    QByteArray bytes;
    if (!readDataFile(path, bytes, &result.error))
        return result;
    result.opened = true;

    for (const QByteArray &line : fileLines(bytes)) {
        bool latin1 = false;
        QString rest = decodeLine(line, &latin1);
        QString fields[bankFields];
        bool complete = true;
        for (int i = 0; i < bankFields - 1 && complete; ++i)
            fields[i] = takeField(rest, &complete);
        if (!complete) {
            ++result.linesSkipped;
            continue;
        }
        fields[bankFields - 1] = rest; // already trimmed by the last takeField

        const auto bank = toInt16(leadingNumber(fields[0]));
        const auto channel = toInt16(leadingNumber(fields[1]));
        const auto spare = toInt16(leadingNumber(fields[4]));
        const auto att = toInt16(leadingNumber(fields[5]));
        const auto lockOut = toInt16(leadingNumber(fields[6]));
        if (!bank || !channel || !spare || !att || !lockOut || !Banks::validBank(*bank)
            || !Banks::validChannel(*channel)) {
            ++result.linesSkipped;
            continue;
        }

        if (progress)
            progress(*bank, *channel);
        ChannelRecord &record = banks(*bank, *channel);
        record.Mode = fields[2];
        record.Frequency = fields[3];
        record.Spare = *spare;
        record.ATT = *att;
        record.LockOut = *lockOut;
        record.Description = fields[7];
        // Saved as it came, unless its Latin-1 would read back as UTF-8.
        record.latin1 = latin1 && staysLatin1(bankFileLine(*bank, *channel, record));
        ++result.linesRead;
    }
    return result;
}

QString bankFileLine(int bank, int channel, const ChannelRecord &record)
{
    const QLatin1Char tab('\t');
    return printForm(bank) + tab + printForm(channel) + tab + fieldText(record.Mode, false) + tab
            + fieldText(record.Frequency, false) + tab + printForm(record.Spare) + tab
            + printForm(record.ATT) + tab + printForm(record.LockOut) + tab
            + fieldText(record.Description, true);
}

SaveResult writeBankFile(const QString &path, const Banks &banks)
{
    QByteArray bytes;
    for (int bank = 1; bank <= Banks::bankCount; ++bank) {
        for (int channel = 0; channel < Banks::channelCount; ++channel) {
            const ChannelRecord &record = banks(bank, channel);
            if (record.isEmpty())
                continue;
            bytes += encodeLine(bankFileLine(bank, channel, record), record.latin1);
            bytes += "\r\n";
        }
    }
    // A line starts with a number, never with a BOM.
    return saveFileAtomically(path, bytes);
}

QString channelListEntry(int bank, int channel, const ChannelRecord &record)
{
    QString flags;
    if (record.LockOut == 1)
        flags += QLatin1Char('X');
    if (record.ATT == 1)
        flags += QLatin1Char('A');
    return QLatin1Char(' ') + QString::number(bank) + QLatin1Char('-') + QLatin1Char(' ')
            + QString::number(channel) + QLatin1String("  ") + flags + QLatin1String("  ")
            + record.Frequency + QLatin1String("  ") + record.Description;
}

void ClearBanks(Station &station)
{
    clearBanks(station.state().banks);
}

BankLoadResult LoadBankFile(Station &station, ItemList &list)
{
    list.setBusy(true);
    ClearBanks(station);
    const QString name = bankFileName(station);
    const bool panel = station.hasViews();
    BankLoadResult result = readBankFile(
            station.filePath(name), station.state().banks,
            [&station, panel](int bank, int channel) {
                if (panel)
                    station.ShowStatus(QStringLiteral("Reading bank from file ")
                                       + signPlaceNumber(bank) + QStringLiteral(" channel ")
                                       + signPlaceNumber(channel));
            });
    rememberLoad(station, station.filePath(name), result);
    FillChannelList(station, list);
    if (panel) {
        station.ShowStatus(QString());
        // The status texts of the loop overwrite the first panel at once, so problems go into
        // the lasting notice.
        if (!result.opened) {
            station.status().showNotice(NoticeSource::BankFile,
                                        QStringLiteral("The bank file \"%1\" could not be read: %2")
                                                .arg(name, result.error));
        } else if (result.linesSkipped > 0) {
            station.status().showNotice(
                    NoticeSource::BankFile,
                    result.linesSkipped == 1
                            ? QStringLiteral("1 line of \"%1\" was passed over").arg(name)
                            : QStringLiteral("%1 lines of \"%2\" were passed over")
                                      .arg(result.linesSkipped)
                                      .arg(name));
        } else {
            station.status().showNotice(NoticeSource::BankFile, QString());
        }
    }
    list.setBusy(false);
    return result;
}

SaveResult SaveBankFile(Station &station)
{
    ProgramState &state = station.state();
    // No bank file chosen: the name alone would be the hidden file ".bnk". With no channel
    // there is nothing to lose.
    if (state.currentBankName.isEmpty()) {
        if (!hasChannels(state.banks))
            return {true, QString()};
        return refuseSave(station,
                          QStringLiteral("The channels were not saved: no bank file is chosen. "
                                         "\"New bank\" in the bank editor names one."));
    }
    const QString name = bankFileName(station);
    const QString path = station.filePath(name);
    SaveResult allowed = checkOverwrite(station, name, path);
    if (!allowed.ok)
        return allowed;
    SaveResult result = writeBankFile(path, state.banks);
    if (!result.ok)
        return refuseSave(station,
                          QStringLiteral("The bank file \"%1\" could not be saved: %2")
                                  .arg(name, result.error));
    // The file now holds exactly the table.
    state.unreadBankFiles.remove(state.currentBankName);
    return result;
}

void FillChannelList(Station &station, ItemList &list)
{
    list.clearItems();
    const Banks &banks = station.state().banks;
    for (int bank = 1; bank <= Banks::bankCount; ++bank) {
        if (station.hasViews() && !station.choices().bankTicked(bank))
            continue;
        for (int channel = 0; channel < Banks::channelCount; ++channel) {
            const ChannelRecord &record = banks(bank, channel);
            if (!record.isEmpty())
                list.addItem(channelListEntry(bank, channel, record), bank * 100 + channel);
        }
    }
}

bool PickBankFile(Station &station, const QString &name, ItemList &list)
{
    ProgramState &state = station.state();
    if (state.startingUp || name.isEmpty())
        return false;
    state.currentBankName = name;
    LoadBankFile(station, list);
    return true;
}

} // namespace ze
