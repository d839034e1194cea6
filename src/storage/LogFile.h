#pragma once

#include <QByteArray>
#include <QString>

namespace ze {

// The activity log "logging.txt" of a working directory: the one place it is named, opened,
// appended to, read and emptied. A FIFO or a device of that name is refused everywhere: opening
// one would keep the program waiting.
class LogFile
{
public:
    static constexpr QLatin1String fileName {"logging.txt"};

    explicit LogFile(const QString &workingDirectory);

    QString path() const { return m_path; }
    // Something is there that is not a plain file.
    bool notPlain() const;

    // Appends the bytes, opening and closing the file, so the viewer can read it at any time.
    // "" when they all got there, else why not; a line cut short (a full disk) is taken out
    // again, so the log holds whole lines only.
    QString append(const QByteArray &bytes) const;

    // What a read found.
    struct Read
    {
        QByteArray bytes;
        bool exists = false;
        bool cut = false; // more was left unread
        bool notPlain = false;
        QString error; // why nothing could be read
    };
    // The last maxBytes, from the start of a line (the viewer).
    Read readEnd(qint64 maxBytes) const;
    // The first maxBytes in whole lines (the conversion into a bank).
    Read readStart(qint64 maxBytes) const;
    // Empties the log; "" when done, else why not.
    QString clear() const;

private:
    QString m_path;
};

} // namespace ze
