#include "storage/LogConversion.h"

#include "core/Station.h"
#include "core/TextFields.h"
#include "storage/BankFile.h"
#include "storage/BankName.h"
#include "storage/LogFile.h"

#include <QFileInfo>
#include <QSet>

namespace ze {

LogBank convertLog(const QByteArray &log)
{
    LogBank result;
    QSet<QString> seen;
    for (const QByteArray &line : fileLines(log)) {
        if (result.channels == maxLogChannels)
            break;
        bool latin1 = false;
        QString rest = decodeLine(line, &latin1);
        bool tab = false;
        takeField(rest, &tab); // date and time
        const QString frequency = tab ? trimSpaces(takeField(rest, &tab)) : QString();
        if (tab)
            takeField(rest, &tab); // level
        const QString mode = tab ? takeField(rest, &tab) : QString();
        if (!tab || frequency.isEmpty() || seen.contains(frequency))
            continue;
        seen.insert(frequency);
        ChannelRecord record;
        record.Frequency = frequency;
        record.Mode = mode;
        const int bank = result.channels / Banks::channelCount + 1;
        const QString text = bankFileLine(bank, result.channels % Banks::channelCount, record);
        // Kept in the log line's own encoding, as a bank file line is.
        result.bankFile += encodeLine(text, latin1 && staysLatin1(text)) + "\r\n";
        ++result.channels;
    }
    return result;
}

void ConvertLogToBank(Station &station)
{
    DialogService &dialogs = station.dialogs();
    // The same question and rule as a bank made in the bank editor.
    const QString name = askNewBankName(dialogs, station.workingDirectory().path());
    if (name.isEmpty())
        return;

    const LogFile::Read log
            = LogFile(station.workingDirectory().path()).readStart(maxDataFileBytes);
    QString error;
    if (!log.exists)
        error = QStringLiteral("There is no log yet: \"%1\" is written while scanning or "
                               "searching with \"Write to logfile\" ticked.")
                        .arg(LogFile::fileName);
    else if (log.notPlain)
        error = QStringLiteral("The log \"%1\" is not a plain file.").arg(LogFile::fileName);
    else if (!log.error.isEmpty())
        error = QStringLiteral("The log \"%1\" could not be read: %2")
                        .arg(LogFile::fileName, log.error);
    if (!error.isEmpty()) {
        dialogs.reportError(QStringLiteral("The log was not converted. ") + error);
        return;
    }
    const LogBank bank = convertLog(log.bytes);
    const bool cut = log.cut;

    const QString file = name + QStringLiteral(".bnk");
    const QString path = station.filePath(file);
    const QFileInfo there(path);
    if ((there.exists() || there.isSymLink())
        && !dialogs.askYesNo(
                QStringLiteral(" New Bank"),
                QStringLiteral("The bank \"%1\" already exists. Replace it?").arg(name), false))
        return;
    const SaveResult saved = saveFileAtomically(path, bank.bankFile);
    if (!saved.ok)
        dialogs.reportError(QStringLiteral("The bank file \"%1\" could not be saved: %2")
                                    .arg(file, saved.error));
    else if (cut && bank.channels < maxLogChannels)
        dialogs.reportError(QStringLiteral("Only the first %1 MB of the log were converted: the "
                                           "log is longer.")
                                    .arg(maxDataFileBytes / (qint64 {1024} * 1024)));
}

} // namespace ze
