#pragma once

#include "core/Records.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace ze {

// One record of a CSV text, with the line of the file it starts on (a quoted field may run over
// several lines).
struct CsvRow
{
    int line = 1;
    QStringList fields;
    bool unclosed = false; // a quoted field ran to the end of the text
};

// Comma-separated records: quoted fields with doubled quotes, line breaks (CR LF, LF or CR)
// inside quotes, blank lines passed over. Text after a closing quote is kept as it stands. A row
// keeps at most maxCsvFields fields: no column of ours lies beyond, and a line of nothing but
// commas must not cost a string for each.
constexpr int maxCsvFields = 1024;
void readCsv(QStringView text, const std::function<void(const CsvRow &)> &take);
// One record without its line end; fields that would not read back as they are get quoted.
QString csvLine(const QStringList &fields);

// The two layouts, told apart by the first line's column names (any case): a channel list of
// radio-programming tools (Location 0..399, Name, Frequency in MHz, Mode, Skip, Comment; ATT is
// ours), or the eight fields of a bank file (Bank, Channel, Mode, Frequency, Spare, ATT, LockOut,
// Description).
enum class CsvLayout { ChannelList, BankFields };

struct CsvChannel
{
    int bank = 1;
    int channel = 0;
    ChannelRecord record;
};

struct CsvRefusal
{
    int line = 0;
    QString reason;
};

struct CsvImport
{
    QString error; // set when nothing could be taken: unreadable, or neither layout's columns
    CsvLayout layout = CsvLayout::ChannelList;
    QVector<CsvChannel> channels; // in the order of the file, each slot once
    QVector<CsvRefusal> refused; // the first maxListedRefusals rows refused
    int refusedCount = 0;
};
constexpr int maxListedRefusals = 100;

// Channels from CSV bytes (UTF-8, a leading BOM passed over; a line that is not UTF-8 is read as
// Latin-1). Rows that cannot be placed in a bank slot, lack a frequency, hold a frequency that is
// not one the receiver tunes or a mode it does not have, or name a slot an earlier row named, are
// refused with their line; missing columns and cells take defaults.
CsvImport parseChannelCsv(const QByteArray &bytes);
CsvImport readChannelCsv(const QString &path);
// The non-empty channels in bank and channel order, UTF-8 with CR LF line ends.
QByteArray channelCsv(const Banks &banks, CsvLayout layout);

} // namespace ze
