#include "control/controlops.h"

#include "control/controllogic.h"
#include "core/commands.h"
#include "core/win1252.h"
#include "link/commandexchange.h"
#include "link/serialport.h"

#include <algorithm>

namespace control {
namespace {

OpResult writeAll(SerialPort& port, const QList<QByteArray>& writes) {
    const qsizetype total = writes.size();
    if (!port.isOpen()) return {OpResult::Status::PortLost, 0, total};
    for (const QByteArray& bytes : writes)
        port.write(bytes);
    return OpResult::finished(total);
}

QueryReply replyOf(CommandExchange& exchange, const QByteArray& reply) {
    if (reply.isEmpty()) return {OpResult::failedAt(exchange.lastEnd(), 0, 1), reply};
    return {OpResult::finished(1), reply};
}

} // namespace

qint16 scaledTimeOut(const CommandExchange& exchange, int base) {
    return static_cast<qint16>(std::clamp(base * exchange.timeOutFactor(), -32767, 32767));
}

QueryReply queryVersion(CommandExchange& exchange) {
    return replyOf(exchange, exchange.sendAndWaitFor(cmd::versionQuery(), QByteArrayLiteral("B"),
                                                     scaledTimeOut(exchange, -500)));
}

QueryReply queryEeprom(CommandExchange& exchange) {
    return replyOf(exchange, exchange.sendAndWaitFor2(cmd::eepromQuery(), QByteArrayLiteral(";"),
                                                      scaledTimeOut(exchange, -600)));
}

QStringList speedItems() {
    return {QStringLiteral("9600,n,8,2"), QStringLiteral("4800,n,8,2"),
            QStringLiteral("2400,n,8,2"), QStringLiteral("1200,n,8,2")};
}

OpResult storeDisplayType(SerialPort& port, int displayCode, const QString& itemText) {
    return writeAll(port, storeDisplayTypeWrites(displayCode, itemText));
}

OpResult selectBusAddress(SerialPort& port, int selectedIndex) {
    return writeAll(port, {busAddressCommand(selectedIndex)});
}

OpResult sendCommandText(SerialPort& port, const QString& text) {
    return writeAll(port, {win1252::encode(text)});
}

OpResult sendTextOutput(SerialPort& port, const QStringList& fields, int rows) {
    return writeAll(port, textOutputWrites(fields, rows));
}

} // namespace control
