#pragma once

#include "chars/cgram.h"

#include <QByteArray>
#include <QString>
#include <array>

// What the three demonstrations put on the display, as plain values.
namespace demo {

// The bar: five symbols with 1 to 5 lit columns, the last one a full cell.
inline constexpr int kBarSymbols = 5;
inline constexpr int kBarFirstCode = 123;
inline constexpr int kFullCell = kBarFirstCode + kBarSymbols - 1;
// The bar never grows beyond this many cells, whatever the display's width.
inline constexpr int kMaxBarCells = 20;

// The row byte of bar symbol i (0..4): F0 hex, then shifted right with the top bit set again.
// The three high bits are no pixels; they go on the line as they are.
quint8 barRowByte(int symbol);

// The bytes of one paint: cursor home, `value / 5` full cells, a partial cell for the rest,
// blanks up to `columns` and, when `showValue`, the value as three digits on the second row.
QByteArray barBytes(int value, int columns, bool showValue);

// The coffee cup: eight characters with codes 16..23 in places 0..7; animation 0 is the cup,
// handle and six steam pictures, any other number defines them empty.
inline constexpr int kAnimationChars = 8;
inline constexpr int kAnimationFirstCode = 16;
inline constexpr int kCupCode = 16;
inline constexpr int kHandleCode = 17;
inline constexpr int kSteamFrames = 6;
std::array<CharacterRows, kAnimationChars> animationPatterns(int animation);
// The character of steam picture `frame` (counted on for ever).
int steamCode(int frame);
// Cup and handle at the start of the second row, followed by the word.
QByteArray cupLine();

// The marquee's row in step `step` (from 1; after `columns` steps it starts again): the text
// from column step - 1, cut at the edge, blanks elsewhere; always exactly `columns` characters.
QString marqueeLine(const QString& text, int columns, int step);

} // namespace demo
