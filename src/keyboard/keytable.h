#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The key table as the editor holds it: one short text per key, read as a code byte.
// Key k sits in row k / 8 and column k % 8 of the terminal's keyboard.

inline constexpr int kKeyCount = 32;
inline constexpr int kKeyColumns = 8;
inline constexpr int kKeyRows = 4;
// A hexadecimal entry carries at most two digits after its prefix, so never exceeds 255.
inline constexpr int kKeyTextLength = 4;

// What the fields hold at start-up, one character per key.
QStringList defaultKeyTexts();

// The code of a field's text: "&h"/"0x" followed by hexadecimal digits (reading stops at the
// first other character, no digit gives 0), an empty text 0, otherwise the Windows-1252 number
// of the first character.
quint8 keyCode(const QString& text);
QByteArray keyCodes(const QStringList& texts);

// "&h" and the code in upper-case hexadecimal without leading zeros: &h0, &h41, &hFF.
QString hexKeyText(quint8 code);
// The field text of a code: codes below 32 always in hexadecimal form, the others as their
// character when `characters` is set.
QString keyText(quint8 code, bool characters);
QStringList keyTexts(const QByteArray& codes, bool characters);

// The text a field keeps when it is left: a hexadecimal entry rewritten as hexKeyText, an empty
// field as &hFF, anything else cut to its first character.
QString normalisedKeyText(const QString& text);

// The key-table file: 32 raw bytes, byte k the code of key k.
struct KeyTableFile {
    QByteArray codes; // always 32 bytes; a shorter file leaves 0 in the keys it does not reach
    QString error;    // German reason when the file could not be read; codes then empty
    bool ok() const { return error.isEmpty(); }
};
KeyTableFile readKeyTableFile(const QString& path);
// The 32 codes of a file's bytes, as the reader takes them.
QByteArray keyTableFromBytes(const QByteArray& data);
// Overwrites the first 32 bytes of the file (created if missing); a longer file keeps its tail.
// Returns the reason of a failure, or an empty text.
QString writeKeyTableFile(const QString& path, const QByteArray& codes);
