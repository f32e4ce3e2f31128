#pragma once

#include <QByteArray>
#include <QString>

// Text becomes line bytes only through these two functions. The terminal speaks the Windows
// ANSI code page: one byte per character, and a character without a byte there becomes '?'.
namespace win1252 {

QByteArray encode(const QString& text);

// Every byte maps to exactly one character; the five bytes that code page leaves undefined map
// to the control characters of the same number, so decode(encode(...)) never loses a byte.
QString decode(const QByteArray& bytes);

// One character's byte, or '?' when the code page has none.
char encodeChar(QChar c);

} // namespace win1252
