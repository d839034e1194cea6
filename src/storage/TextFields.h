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

// 8-bit text files: UTF-8 when the bytes are valid UTF-8 (a leading BOM dropped), else Latin-1
// (every byte survives).
QString decodeText(const QByteArray &bytes, bool *wasLatin1 = nullptr);
// Back to bytes in the file's own encoding; text Latin-1 cannot hold goes out as UTF-8.
QByteArray encodeText(const QString &text, bool latin1);

// Splits file contents into lines at CR LF, lone LF or lone CR; a last line without an end counts.
QList<QByteArray> splitLines(const QByteArray &bytes);
QStringList splitLines(const QString &text);

} // namespace ze
