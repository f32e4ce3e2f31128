#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// Every file the program reads or writes goes through here, so that a named pipe, a device or
// an endless file can never freeze the window, and a failed save never leaves half a file.
// Reasons are German sentences for the operator's message box.
namespace fileio {

// Far above any real fixed-text, key-table or character file.
inline constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

struct ReadResult {
    QByteArray data;
    QString error;         // empty when the whole file was read
    bool tooLarge = false; // a regular file, but over the size limit
    bool ok() const { return error.isEmpty(); }
};

// Reads a regular file whole. Anything else (a folder, a pipe, a device, a file larger than
// maxSize) fails without blocking and without reading more than maxSize bytes.
ReadResult readFile(const QString& path, qint64 maxSize = kMaxFileSize);

// What a save may write to: a regular file or a new name. A pipe, a device node or a folder
// under the name is refused, never replaced by a file of ours. Returns the reason, or an empty
// text.
QString checkSaveTarget(const QString& path);

// Opens the file for writing from its start, unbuffered, for a record that grows while the
// program runs. Checked like a save first and opened without blocking, so a pipe without a
// reader cannot hang the program; a regular file is emptied, a new name created. Returns the
// reason of a failure, or an empty text.
QString openForWriting(QFile& file, const QString& path);

// Replaces the file with `data` only once all of it is written; on failure the target is left
// as it was. Returns the reason of a failure, or an empty text.
QString writeFile(const QString& path, const QByteArray& data);

// Overwrites the first data.size() bytes of the file and keeps a longer file's tail; a missing
// file is created. Done as a whole-file replacement, so a failure changes nothing.
QString writeFileHead(const QString& path, const QByteArray& data);

} // namespace fileio
