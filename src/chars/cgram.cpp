#include "chars/cgram.h"

#include "core/commands.h"
#include "link/commandexchange.h"
#include "link/serialport.h"

OpResult defineCharacter(CommandExchange& exchange, int place, int code,
                         const CharacterRows& rows) {
    QByteArray echoed = cmd::byte(code);
    for (quint8 row : rows)
        echoed.append(static_cast<char>(row));
    echoed.append('\0');

    exchange.beginEchoTransfer(cmd::defineCharacter() + cmd::byte(place));
    const auto timeOut = static_cast<qint16>(-500 * exchange.timeOutFactor());
    OpResult result = OpResult::finished(echoed.size());
    for (qsizetype i = 0; i < echoed.size(); ++i) {
        if (exchange.sendAndExpectEcho(echoed[i], timeOut)) continue;
        if (exchange.lastEnd() == CommandExchange::WaitEnd::PortLost)
            return OpResult::failedAt(exchange.lastEnd(), i, echoed.size());
        if (result.ok()) result = {OpResult::Status::TerminalFailed, i, echoed.size()};
    }
    return result;
}
