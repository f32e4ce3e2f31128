#include "fixedtext/fixedtextops.h"

#include "core/commands.h"
#include "link/commandexchange.h"
#include "link/serialport.h"

qint16 fixedTextTimeOut(const CommandExchange& exchange) {
    return static_cast<qint16>(-1000 * exchange.timeOutFactor());
}

OpResult programFixedTexts(CommandExchange& exchange, const QByteArray& image,
                           const Progress& progress) {
    SerialPort& port = exchange.port();
    const qsizetype size = image.size();
    exchange.beginEchoTransfer(cmd::beginFixedTexts());
    if (progress) progress(0, size);
    for (qsizetype i = 0; i < size; ++i) {
        if (!exchange.sendAndExpectEcho(image[i], fixedTextTimeOut(exchange))) {
            // Two terminators end the terminal's storing at whatever point it had reached.
            port.write(QByteArray(2, '\0'));
            return OpResult::failedAt(exchange.lastEnd(), i, size);
        }
        if (progress) progress(i + 1, size);
    }
    port.write(cmd::byte(0));
    exchange.pause(500);
    return OpResult::finished(size);
}

FixedTextReadBack readFixedTextImage(CommandExchange& exchange) {
    FixedTextReadBack back;
    back.reply = exchange.sendAndWaitFor2(cmd::readFixedTexts(), QByteArray(2, '\0'),
                                          fixedTextTimeOut(exchange));
    if (back.reply.isEmpty())
        back.result = OpResult::failedAt(exchange.lastEnd(), 0, 1);
    else
        back.result = OpResult::finished(1);
    return back;
}

OpResult showFixedText(SerialPort& port, int n) {
    if (!port.isOpen()) return {OpResult::Status::PortLost, 0, 1};
    port.write(cmd::showFixedText(n));
    return OpResult::finished(1);
}
