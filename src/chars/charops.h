#pragma once

#include "chars/cgram.h"
#include "link/operation.h"

class CommandExchange;

// The CG-RAM operations, shared by the character page and the command-line tool. Each step of
// the result is one echoed byte (nine per place). Missing echoes do not stop anything: every
// byte of a definition goes out all the same and only a lost port or an abort ends an operation
// early; the result still reports the first missing echo as TerminalFailed, at the step it fell
// on. The caller
// checks the place (0..7) and, for storing, the code (32..127) beforehand.

// Defines the character, clears the display and gives the terminal 200 ms to settle.
OpResult transferCharacter(CommandExchange& exchange, int place, int code,
                           const CharacterRows& rows);

// Stores a character: the transfer above, then the code as display text, so that the new
// character shows at the top left of the cleared display.
OpResult storeCharacter(CommandExchange& exchange, int place, int code, const CharacterRows& rows);

// Binds the place to the erase code, so that the character it replaced shows again. The rows
// go out as given (the page sends what its editor shows).
OpResult eraseCharacter(CommandExchange& exchange, int place, const CharacterRows& rows = {});

// The same for places 0 to 7 in turn. Progress is reported after each place.
OpResult eraseAllCharacters(CommandExchange& exchange, const CharacterRows& rows = {},
                            const Progress& progress = {});
