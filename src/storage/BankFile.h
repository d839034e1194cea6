#pragma once

#include "core/Records.h"
#include "core/Views.h"
#include "storage/DataFile.h"

#include <QIODevice>
#include <QString>

#include <functional>

namespace ze {

class Station;

// What a bank file read found.
struct BankLoadResult
{
    bool opened = false; // false: missing or unreadable (the banks are left empty)
    int linesRead = 0; // lines stored into the banks
    int linesSkipped = 0; // lines without their eight fields, or out of range
    QString error; // why it could not be opened
};

// Every Frequency, Description and Mode empty; Spare, ATT and LockOut 0; ZNumber kept.
void clearBanks(Banks &banks);

// Reads a bank file into banks (cleared first). progress(bank, channel) is called for every line
// taken. A line without eight fields, or whose bank, channel or a number does not fit, is passed
// over and counted.
BankLoadResult readBankFile(const QString &path, Banks &banks,
                            const std::function<void(int, int)> &progress = {});
// One line of a channel in the file format, without its CR LF.
QString bankFileLine(int bank, int channel, const ChannelRecord &record);
// Writes the non-empty channels atomically: on failure the old file stays as it was.
SaveResult writeBankFile(const QString &path, const Banks &banks);

// The channel list entry: " 1- 5  XA  145.5000  Tower".
QString channelListEntry(int bank, int channel, const ChannelRecord &record);

// The operations on the station's banks and the current bank file.
void ClearBanks(Station &station);
// Loads currentBankName + ".bnk" into the banks and refills the given list; a missing file or
// passed-over lines are told in the status bar.
BankLoadResult LoadBankFile(Station &station, ItemList &list);
// Saves the banks to currentBankName + ".bnk"; a failure is reported in a message box. A file
// the last load could not read is not replaced; one whose lines were passed over only when the
// operator agrees, and then kept as "<name>.bnk.bak". Without a bank name nothing is saved.
SaveResult SaveBankFile(Station &station);
// A bank file picked in a bank list: outside start-up and for a name that is not empty, it
// becomes the current bank file and is loaded into the list. Returns whether it was loaded.
bool PickBankFile(Station &station, const QString &name, ItemList &list);
// Lists the non-empty channels of the ticked banks; each entry carries bank x 100 + channel.
void FillChannelList(Station &station, ItemList &list);

} // namespace ze
