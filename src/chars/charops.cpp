#include "chars/charops.h"

#include "core/commands.h"
#include "link/commandexchange.h"
#include "link/serialport.h"

namespace {

// Time for the terminal to finish the clear before the next command or text arrives.
constexpr qint16 kSettleMs = 200;

// A missing echo lets the rest go out; a lost port or an abort ends everything at once.
bool cutShort(const OpResult& result) {
    return result.status == OpResult::Status::PortLost ||
           result.status == OpResult::Status::Aborted;
}

} // namespace

OpResult transferCharacter(CommandExchange& exchange, int place, int code,
                           const CharacterRows& rows) {
    const OpResult defined = defineCharacter(exchange, place, code, rows);
    if (cutShort(defined)) return defined;
    exchange.port().write(cmd::clearDisplay());
    exchange.pause(kSettleMs);
    return defined;
}

OpResult storeCharacter(CommandExchange& exchange, int place, int code, const CharacterRows& rows) {
    const OpResult result = transferCharacter(exchange, place, code, rows);
    if (!cutShort(result)) exchange.port().write(cmd::byte(code));
    return result;
}

OpResult eraseCharacter(CommandExchange& exchange, int place, const CharacterRows& rows) {
    return transferCharacter(exchange, place, kEraseCode, rows);
}

OpResult eraseAllCharacters(CommandExchange& exchange, const CharacterRows& rows,
                            const Progress& progress) {
    OpResult all;
    for (int place = 0; place < kCgramPlaces; ++place) {
        const OpResult one = eraseCharacter(exchange, place, rows);
        const qsizetype before = one.total * place;
        all.total = one.total * kCgramPlaces;
        if (cutShort(one)) return {one.status, before + one.done, all.total};
        // The first missing echo is the one reported; the other places go out all the same.
        if (all.ok()) all = {one.status, before + one.done, all.total};
        if (progress) progress(before + one.total, all.total);
    }
    return all;
}
