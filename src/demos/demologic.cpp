#include "demos/demologic.h"

#include "core/commands.h"

namespace demo {

quint8 barRowByte(int symbol) {
    quint8 b = 0xF0;
    for (int i = 0; i < symbol; ++i)
        b = static_cast<quint8>((b >> 1) | 0x80);
    return b;
}

QByteArray barBytes(int value, int columns, bool showValue) {
    const int full = value / 5;
    const int rest = value % 5;
    QByteArray out = cmd::cursorPosition(0, 0);
    out.append(full, static_cast<char>(kFullCell));
    int cells = full;
    if (rest > 0) {
        out.append(static_cast<char>(kBarFirstCode + rest - 1));
        ++cells;
    }
    if (cells < columns) out.append(columns - cells, ' ');
    if (showValue) {
        out.append(cmd::cursorPosition(1, 0));
        out.append(QByteArray::number(value).rightJustified(3, '0'));
    }
    return out;
}

std::array<CharacterRows, kAnimationChars> animationPatterns(int animation) {
    if (animation != 0) return {};
    return {{
        {31, 17, 17, 17, 17, 27, 14}, // cup
        {24, 8, 8, 8, 16, 0, 0},      // handle, right of the cup
        {0, 2, 8, 0, 1, 2, 0},        // steam 1 to 6
        {8, 2, 0, 4, 0, 8, 2},
        {0, 8, 2, 8, 2, 2, 4},
        {0, 8, 2, 0, 0, 4, 2},
        {4, 8, 0, 4, 4, 2, 0},
        {0, 0, 4, 2, 8, 0, 4},
    }};
}

int steamCode(int frame) {
    return kAnimationFirstCode + 2 + frame % kSteamFrames;
}

QByteArray cupLine() {
    return cmd::byte(kCupCode) + cmd::byte(kHandleCode) + QByteArray("Kaffee");
}

QString marqueeLine(const QString& text, int columns, int step) {
    if (columns <= 0 || step < 1) return QString(qMax(0, columns), QLatin1Char(' '));
    const int pos = (step - 1) % columns + 1;
    return (QString(pos - 1, QLatin1Char(' ')) + text)
        .leftJustified(columns, QLatin1Char(' '), true);
}

} // namespace demo
