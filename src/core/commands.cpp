#include "core/commands.h"

namespace cmd {
namespace {
QByteArray esc(const char* letters) {
    return QByteArray(1, ESC) + letters;
}
} // namespace

QByteArray clearDisplay() {
    return esc("&#");
}
QByteArray cursorOn() {
    return esc("&C");
}
QByteArray cursorOff() {
    return esc("&D");
}
QByteArray cursorPosition(int row, int col) {
    return esc("[") + byte(row) + ';' + byte(col) + 'H';
}
QByteArray storeSpeed(int speedCode) {
    return esc("&B") + byte(speedCode);
}
QByteArray storeDisplayType(int displayCode) {
    return esc("&S") + byte(displayCode);
}
QByteArray versionQuery() {
    return esc("&V");
}
QByteArray eepromQuery() {
    return esc("&E");
}
QByteArray selectAllTerminals() {
    return esc("&AZ");
}
QByteArray selectTerminal(int address) {
    return esc("&A") + byte(address);
}
QByteArray beginFixedTexts() {
    return esc("R");
}
QByteArray readFixedTexts() {
    return esc("W");
}
QByteArray showFixedText(int n) {
    return esc("D") + byte(n);
}
QByteArray loadKeyTable() {
    return esc("&u");
}
QByteArray keyboardMode(int mode) {
    return esc("&P") + byte('0' + mode);
}
QByteArray defineCharacter() {
    return esc("&L");
}
// Not a command the terminal knows (it drops it); the link test has always sent it, and
// terminals already in the field were tested with it.
QByteArray linkTestPrelude() {
    return esc("C");
}

QByteArray standardKeyTable() {
    QByteArray table;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 8; ++col)
            table.append(static_cast<char>(16 * row + col));
    return table;
}

} // namespace cmd
