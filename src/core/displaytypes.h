#pragma once

#include <QString>
#include <array>

// The display types the terminal drives, in the order of the selection list. The list index is
// what the settings store keeps; the code is what the terminal is told.
struct DisplayType {
    const char* text;
    int columns;
    int rows;
    int code;
};

inline constexpr std::array<DisplayType, 14> kDisplayTypes = {{
    {"  8x2", 8, 2, 0},
    {"16x1", 16, 1, 0},
    {"16x2", 16, 2, 1},
    {"16x4", 16, 4, 2},
    {"20x1", 20, 1, 3},
    {"20x2", 20, 2, 4},
    {"20x4", 20, 4, 5},
    {"24x1", 24, 1, 6},
    {"24x2", 24, 2, 7},
    {"32x1", 32, 1, 8},
    {"32x2", 32, 2, 9},
    {"40x1", 40, 1, 10},
    {"40x2", 40, 2, 11},
    {"40x4", 40, 4, 12},
}};

inline constexpr int kDefaultDisplayTypeIndex = 6; // "20x4"
inline constexpr int kMaxColumns = 40;
inline constexpr int kMaxRows = 4;

struct DisplayGeometry {
    int columns = 20;
    int rows = 4;
};

// Columns and rows read off a list item text such as "20x4" or "  8x2".
DisplayGeometry geometryFromItemText(const QString& text);

// The ruler that fills the output lines: the first `columns` characters of
// "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZabcd".
QString rulerText(int columns);
