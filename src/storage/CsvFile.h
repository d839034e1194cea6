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

// Records separated by a comma (or, as spreadsheets in many languages write them, a semicolon or a
// TAB): quoted fields with doubled quotes, line breaks (CR LF, LF or CR) inside quotes, blank lines
// and comment lines (starting with "#", as radio-programming tools write them) passed over. Text
// after a closing quote is kept as it stands. A row keeps at most maxCsvFields fields: no column
// of ours lies beyond, and a line of nothing but separators must not cost a string for each.
constexpr int maxCsvFields = 1024;
void readCsv(QStringView text, const std::function<void(const CsvRow &)> &take,
             QChar separator = u',');
// One record without its line end; fields that would not read back as they are get quoted.
QString csvLine(const QStringList &fields);
// The separator of a CSV text, told by its first record: the comma, the semicolon or the TAB
// that splits it into the columns of a layout (the comma when none does).
QChar csvSeparator(QStringView text);
// CSV bytes as text: a line that is valid UTF-8 is UTF-8 (a leading BOM dropped), any other is
// Windows-1252, as spreadsheets on that system write it.
QString decodeCsv(const QByteArray &bytes);

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

// Channels from CSV bytes (decodeCsv). Rows that cannot be placed in a bank slot, lack a
// frequency, hold a frequency that is not one the receiver tunes or a mode it does not have, or
// name a slot an earlier row named, are refused with their line; missing columns and cells take
// defaults. Names and descriptions are kept as a bank file keeps them (recordText).
CsvImport parseChannelCsv(const QByteArray &bytes);
CsvImport readChannelCsv(const QString &path);

struct CsvExport
{
    QByteArray bytes;
    int changed = 0; // rows written other than they stand, so that other programs read them
    int leftOut = 0; // channels whose frequency is no number at all
};
// The non-empty channels in bank and channel order, UTF-8 with CR LF line ends. A channel list
// holds only what the tools that write that layout read back: a mode on every row (a channel
// without one as FM, which the display shows it as), the frequency as a decimal number with at
// most six decimals.
CsvExport channelCsv(const Banks &banks, CsvLayout layout);

} // namespace ze
