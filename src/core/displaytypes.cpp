#include "core/displaytypes.h"

DisplayGeometry geometryFromItemText(const QString& text) {
    if (text == QLatin1String("  8x2")) return {8, 2};
    return {text.left(2).toInt(), text.mid(3, 1).toInt()};
}

QString rulerText(int columns) {
    static const QString ruler = QStringLiteral("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZabcd");
    return ruler.left(columns);
}
