#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class FixedTextStore;

// The fixed-text file (.TXT): one line per display row in store order, text 0 row 0 first,
// Windows-1252, lines ended by CR LF, no header. The reader assigns lines to texts with the row
// count at the time of loading.

// The lines that loading uses, from the file's bytes: at most `maxLines`, each cut to `columns`
// characters. CR LF, a lone LF and a lone CR all end a line; a last line without an end counts.
QStringList splitFesttextLines(const QByteArray& data, int maxLines, int columns);

// Puts the lines into the store, `rows` per text from text 0 on; entries the lines do not reach
// keep their contents.
void applyFesttextLines(FixedTextStore& store, const QStringList& lines, int rows);

struct FesttextLoad {
    QString error;   // the reason of a failure (German), empty when the file was loaded
    int blanked = 0; // 0 characters that were loaded as blanks
};

// Reads the file whole before anything is applied (regular files only, with a size limit), so a
// file that cannot be read leaves the store as it was.
FesttextLoad loadFesttextFile(FixedTextStore& store, const QString& path, int rows, int columns);
// The same for a file's bytes already read.
FesttextLoad loadFesttextData(FixedTextStore& store, const QByteArray& data, int rows, int columns);

// Exactly 128 × rows lines, CR LF each.
QByteArray festtextFileContents(const FixedTextStore& store, int rows);

// The target is replaced only once the whole file has been written, so a failed save leaves an
// existing file as it was and never a half-written one. Returns the reason of a failure, or an
// empty text (German).
QString saveFesttextFile(const FixedTextStore& store, const QString& path, int rows);
