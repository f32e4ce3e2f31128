#include "keyboard/keyboardops.h"

#include "core/commands.h"
#include "keyboard/keytable.h"
#include "link/commandexchange.h"
#include "link/serialport.h"

namespace {
// The shortest version reply ("1.6B") of a firmware that knows the keyboard modes.
constexpr int kMinVersionReply = 4;
} // namespace

OpResult sendKeyTable(CommandExchange& exchange, const QByteArray& codes,
                      const Progress& progress) {
    // The terminal takes exactly 32 bytes after the command; fewer would leave it swallowing
    // the next command as key codes.
    QByteArray table = codes.left(kKeyCount);
    table.append(QByteArray(kKeyCount - table.size(), '\0'));
    const qsizetype total = table.size();
    const auto timeOut = static_cast<qint16>(-500 * exchange.timeOutFactor());
    exchange.beginEchoTransfer(cmd::loadKeyTable());
    for (qsizetype k = 0; k < total; ++k) {
        if (!exchange.sendAndExpectEcho(table[k], timeOut))
            return OpResult::failedAt(exchange.lastEnd(), k, total);
        if (progress) progress(k + 1, total);
    }
    return OpResult::finished(total);
}

OpResult resetKeyTable(CommandExchange& exchange, const Progress& progress) {
    return sendKeyTable(exchange, cmd::standardKeyTable(), progress);
}

OpResult setKeyboardMode(CommandExchange& exchange, int mode,
                         const std::function<void()>& queried) {
    constexpr qsizetype kSteps = 2;
    const QByteArray reply = exchange.sendAndWaitFor(
        cmd::versionQuery(), "B", static_cast<qint16>(-500 * exchange.timeOutFactor()));
    const CommandExchange::WaitEnd end = exchange.lastEnd();
    // Whatever arrives during the pause belongs to the version reply, not to the mode.
    exchange.pause(200);
    if (queried) queried();
    if (reply.size() < kMinVersionReply) {
        const auto why = reply.isEmpty() ? end : CommandExchange::WaitEnd::Reply;
        return OpResult::failedAt(why, 0, kSteps);
    }
    if (!exchange.port().isOpen())
        return OpResult::failedAt(CommandExchange::WaitEnd::PortLost, 1, kSteps);
    exchange.port().write(cmd::keyboardMode(qBound(0, mode, 7)));
    return OpResult::finished(kSteps);
}
