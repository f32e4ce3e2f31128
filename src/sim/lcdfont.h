#pragma once

#include <QtGlobal>
#include <array>

// The display controller's built-in character set: eight pixel rows per code, bit 4 = leftmost
// pixel. Printable ASCII as usual (126 and 127 are arrows, as on HD44780-type displays), a few
// codes of the upper half (ä 225, ß 226, µ 228, ö 239, ü 245, ° 223, block 255); codes without
// a glyph are blank.
std::array<quint8, 8> lcdGlyph(quint8 code);
