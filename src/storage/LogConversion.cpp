#include "storage/LogConversion.h"

#include "core/Station.h"
#include "storage/BankFile.h"
#include "storage/BankName.h"
#include "storage/TextFields.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace ze {

namespace {

constexpr QLatin1String logName("logging.txt");

// The log from its start, at most maxDataFileBytes of it in whole lines: a log grows without
// limit, and the channels come from its first lines. cut tells that more was left unread.
bool readLogStart(const QString &path, QByteArray &bytes, bool &cut, QString &error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        error = QStringLiteral("There is no log yet: \"%1\" is written while scanning or "
                               "searching with \"Write to logfile\" ticked.")
                        .arg(logName);
        return false;
    }
    // A FIFO would keep the window waiting, a device would never end.
    if (!info.isFile()) {
        error = QStringLiteral("The log \"%1\" is not a plain file.").arg(logName);
        return false;
    }
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        bytes = readAtMost(file, maxDataFileBytes + 1);
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        error = QStringLiteral("The log \"%1\" could not be read: %2")
                        .arg(logName, file.errorString());
        return false;
    }
    cut = bytes.size() > maxDataFileBytes;
    if (cut)
        bytes.truncate(bytes.lastIndexOf('\n', maxDataFileBytes - 1) + 1);
    return true;
}

} // namespace

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
    FrontPanel &panel = station.panel();
    // The same question and rule as a bank made in the bank editor.
    const QString name = askNewBankName(panel, station.workingDirectory().path());
    if (name.isEmpty())
        return;

    QByteArray log;
    bool cut = false;
    QString error;
    if (!readLogStart(station.filePath(QString(logName)), log, cut, error)) {
        panel.reportError(QStringLiteral("The log was not converted. ") + error);
        return;
    }
    const LogBank bank = convertLog(log);

    const QString file = name + QStringLiteral(".bnk");
    const QString path = station.filePath(file);
    const QFileInfo there(path);
    if ((there.exists() || there.isSymLink())
        && !panel.askYesNo(QStringLiteral(" New Bank"),
                           QStringLiteral("The bank \"%1\" already exists. Replace it?").arg(name),
                           false))
        return;
    const SaveResult saved = saveFileAtomically(path, bank.bankFile);
    if (!saved.ok)
        panel.reportError(QStringLiteral("The bank file \"%1\" could not be saved: %2")
                                  .arg(file, saved.error));
    else if (cut && bank.channels < maxLogChannels)
        panel.reportError(QStringLiteral("Only the first %1 MB of the log were converted: the "
                                         "log is longer.")
                                  .arg(maxDataFileBytes / (qint64 {1024} * 1024)));
}

} // namespace ze
