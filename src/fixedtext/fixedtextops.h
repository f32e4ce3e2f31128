#pragma once

#include "link/operation.h"

#include <QByteArray>

class CommandExchange;
class SerialPort;

// The fixed-text transfers, shared by the page and the command-line tool.

// Stores `image` in the terminal: ESC "R", then every byte awaited as its echo (silent, 1 s
// each), one more 0 and a 500 ms pause for the terminal to finish writing its EEPROM. On a
// missing echo two 0 bytes end the terminal's storing at the point it had reached. Progress is
// reported with 0 before the first byte and after every echoed byte.
OpResult programFixedTexts(CommandExchange& exchange, const QByteArray& image,
                           const Progress& progress = {});

struct FixedTextReadBack {
    OpResult result;
    QByteArray reply; // the image and its closing 0, empty on failure
};

// Reads the terminal's whole image: ESC "W", awaiting 0, 0 with a silent 1 s idle time-out.
FixedTextReadBack readFixedTextImage(CommandExchange& exchange);

// Calls text n (0..127) up on the display: ESC "D", n. PortLost when the port is not open.
OpResult showFixedText(SerialPort& port, int n);

// Up to this byte a missing echo is most likely a line fault; beyond it the EEPROM is full.
inline constexpr qsizetype kLikelyEepromSize = 1900;

// The silent per-byte time-out of the fixed-text transfers.
qint16 fixedTextTimeOut(const CommandExchange& exchange);
