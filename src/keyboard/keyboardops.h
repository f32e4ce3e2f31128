#pragma once

#include "link/operation.h"

#include <QByteArray>
#include <functional>

class CommandExchange;

// The key-table and keyboard-mode transfers, shared by the page and the command-line tool.

// Loads `table` (32 codes in key order; a shorter one is filled up with 0, a longer one cut)
// into the terminal: ESC "&u", then every code awaited as its echo with a silent 500 ms
// time-out. Stops at the first missing echo; the terminal may
// then hold a partly loaded table. Progress is reported after every echoed byte.
OpResult sendKeyTable(CommandExchange& exchange, const QByteArray& table,
                      const Progress& progress = {});

// Gives the terminal back its standard table: row r, column c sends 16 * r + c.
OpResult resetKeyTable(CommandExchange& exchange, const Progress& progress = {});

// Sets keyboard mode 0..7 (0 polling, 1 unbuffered, 2..7 repeat from fast to slow). The version
// query tests first whether the firmware knows the command: a reply of fewer than 4 characters
// (or none) fails at step 0 and nothing is sent. After a 200 ms pause ESC "&P" and the mode
// digit follow; no reply is awaited (in polling mode the terminal answers with its buffered
// key). `queried` runs after the pause, before the outcome is acted on, so that a caller can
// show the polling answer but not the version reply.
OpResult setKeyboardMode(CommandExchange& exchange, int mode,
                         const std::function<void()>& queried = {});
