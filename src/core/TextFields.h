#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace ze {

// The number at the start of a text, blanks (spaces, TABs) before it skipped; 0 when the text does
// not start with one. A point is the decimal separator whatever the locale. A number too large
// for a double comes back as the largest finite double of its sign, never as infinity.
double leadingNumber(const QString &text);
// Same, telling whether a number was there at all.
std::optional<double> leadingNumberIfAny(const QString &text);
// The whole text (blanks around it allowed) as a number, or nothing; nothing too for a number
// too large for a double.
std::optional<double> wholeNumber(const QString &text);

// Rounded to the nearest whole number, exact halves to the even neighbour; nothing when the
// result does not fit 16 bits.
std::optional<qint16> toInt16(double value);

// A number as the program's files write it: sign place (blank or "-"), digits, one blank.
QString printForm(qint64 value);

// The reading rule of the program's TAB-separated files: returns the text before the first TAB
// and leaves in rest what follows that TAB with spaces removed at both ends. Without a TAB the
// whole text is the field and rest becomes empty; *hadTab tells which.
QString takeField(QString &rest, bool *hadTab = nullptr);
// Spaces (only spaces, not TABs) removed at both ends, as the reading rule trims.
QString trimSpaces(const QString &text);

// One line of an 8-bit text file: UTF-8 when its bytes are valid UTF-8 (a BOM kept as U+FEFF),
// else Latin-1 (every byte survives); *latin1 tells which. No line decides for another.
QString decodeLine(QByteArrayView bytes, bool *latin1 = nullptr);
// A whole file decoded line by line, a leading BOM dropped.
QString decodeText(const QByteArray &bytes);
// The lines of a file as bytes, a leading BOM dropped.
QList<QByteArray> fileLines(const QByteArray &bytes);
// A line back to bytes: Latin-1 when asked for and the bytes read back the same, else UTF-8.
QByteArray encodeLine(const QString &line, bool latin1);
// Whether a line can go out as Latin-1 and be read back as it is: it fits Latin-1, and those
// bytes are not valid UTF-8.
bool staysLatin1(const QString &line);
// File contents that start with a BOM get one more, as the reader drops one.
QByteArray keepLeadingBom(const QByteArray &bytes);
// Back to bytes in the file's own encoding; text Latin-1 cannot hold goes out as UTF-8.
QByteArray encodeText(const QString &text, bool latin1);

// Empty or only blanks (spaces, TABs); any other white space is data.
bool blankOnly(QStringView text);

// Splits file contents into lines at CR LF, lone LF or lone CR; a last line without an end counts.
QList<QByteArray> splitLines(const QByteArray &bytes);
QStringList splitLines(const QString &text);

} // namespace ze
