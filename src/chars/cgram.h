#pragma once

#include "link/operation.h"

#include <array>

class CommandExchange;

inline constexpr int kCgramPlaces = 8;
inline constexpr int kPatternRows = 7;
// The code that binds a place to nothing, so the character it replaced shows again.
inline constexpr int kEraseCode = 10;

using CharacterRows = std::array<quint8, kPatternRows>;

// The CG-RAM definition command, used by the character page and the demos alike: ESC "&L" and
// the place go out unanswered; the code, the seven rows and a closing 0 are each awaited as
// their echo (silent 500 ms). Row bytes go out as given, high bits included. A missing echo does
// not stop the sequence; only a lost port (nothing more can reach the terminal) or an abort does.
// The result names the first missing echo as TerminalFailed (`done` = the bytes echoed before
// it); callers that tolerate a silent terminal look only for PortLost and Aborted.
OpResult defineCharacter(CommandExchange& exchange, int place, int code, const CharacterRows& rows);
