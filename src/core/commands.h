#pragma once

#include <QByteArray>

// The bytes of every terminal command, built in one place and used by every page.
namespace cmd {

inline constexpr char ESC = 27;

QByteArray clearDisplay();                    // ESC "&#"
QByteArray cursorOn();                        // ESC "&C"
QByteArray cursorOff();                       // ESC "&D"
QByteArray cursorPosition(int row, int col);  // ESC "[" row ";" col "H", binary bytes
QByteArray storeSpeed(int speedCode);         // ESC "&B" code
QByteArray storeDisplayType(int displayCode); // ESC "&S" code
QByteArray versionQuery();                    // ESC "&V"
QByteArray eepromQuery();                     // ESC "&E"
QByteArray selectAllTerminals();              // ESC "&AZ"
QByteArray selectTerminal(int address);       // ESC "&A" n
QByteArray beginFixedTexts();                 // ESC "R"
QByteArray readFixedTexts();                  // ESC "W"
QByteArray showFixedText(int n);              // ESC "D" n
QByteArray loadKeyTable();                    // ESC "&u"
QByteArray keyboardMode(int mode);            // ESC "&P" '0'+mode
QByteArray defineCharacter();                 // ESC "&L"
QByteArray linkTestPrelude();                 // ESC "C", sent by the link test after clearing

// The terminal's own key table, restored by the reset: row r, column c sends 16 * r + c.
QByteArray standardKeyTable();

inline QByteArray byte(int value) {
    return QByteArray(1, static_cast<char>(value));
}

} // namespace cmd
