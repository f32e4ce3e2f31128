#pragma once

class FixedTextPage;
class TextOutputPage;

// Sizes, fills and shows the controls that follow the display geometry for a display of
// `columns` × `rows`: the output lines with their frame and the buttons beside it, the cursor
// lists, the fixed-text lines with their frame and up-down (measures in twips, converted at 15
// twips per pixel).
void applyDisplayGeometry(TextOutputPage& text, FixedTextPage& fixed, int columns, int rows);
