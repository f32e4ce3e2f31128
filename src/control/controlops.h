#pragma once

#include "link/operation.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class CommandExchange;
class SerialPort;

// The steps of the terminal-control buttons, shared by the pages and the command-line tool.
// Write-only commands end Done, or PortLost when the port is not open.
namespace control {

// A base time-out scaled by the exchange's factor, kept within the 16-bit range.
qint16 scaledTimeOut(const CommandExchange& exchange, int base);

struct QueryReply {
    OpResult result;
    QByteArray reply; // empty when the terminal did not answer
};
// ESC "&V", awaiting "B" with a silent 500 ms time-out.
QueryReply queryVersion(CommandExchange& exchange);
// ESC "&E", awaiting ";" with a silent 600 ms idle time-out.
QueryReply queryEeprom(CommandExchange& exchange);

// The four line speeds the terminal can store, in the order of their speed codes.
QStringList speedItems();

OpResult storeDisplayType(SerialPort& port, int displayCode, const QString& itemText);
OpResult selectBusAddress(SerialPort& port, int selectedIndex);
// The text in Windows-1252, "?" for a character without a byte there.
OpResult sendCommandText(SerialPort& port, const QString& text);
OpResult sendTextOutput(SerialPort& port, const QStringList& fields, int rows);

} // namespace control
