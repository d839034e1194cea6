#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace ze {

// Reading and saving the program's data files, the one way every file of it is read and saved.
// Paths may hold the stand-ins of nativePath() (BankName.h).

struct SaveResult
{
    bool ok = false;
    QString error;
};

// Reads a whole data file of the working directory, refusing anything larger than maxBytes (no
// file the program writes comes near it) and anything that is not a plain file.
constexpr qint64 maxDataFileBytes = qint64 {32} * 1024 * 1024;
bool readDataFile(const QString &path, QByteArray &bytes, QString *error,
                  qint64 maxBytes = maxDataFileBytes);
// Up to maxBytes from device, read in pieces: read(n) reserves all n bytes at once, and a small
// file must not cost the whole cap.
QByteArray readAtMost(QIODevice &device, qint64 maxBytes);
// Replaces path with bytes through a temporary file: on failure the old file stays as it was.
SaveResult saveFileAtomically(const QString &path, const QByteArray &bytes);
// Deletes a data file; one already gone counts as deleted.
bool removeDataFile(const QString &path, QString *error);
// Whether something is at path, a dangling link included (saving would replace it).
bool fileIsThere(const QString &path);
// The temporary files a save killed half-way left in directory, removed; how many went. Only
// ours: their names are a data file's name and six random characters after a point, or ours
// of a name that could not be used ("." "ze-" and six).
int removeStaleTemporaries(const QString &directory);

} // namespace ze
