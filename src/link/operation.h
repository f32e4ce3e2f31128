#pragma once

#include "link/commandexchange.h"

#include <QtGlobal>
#include <functional>

// The outcome of a terminal operation (a transfer of many exchanges). Pages turn it into their
// own message; the command-line tool into its exit code.
struct OpResult {
    enum class Status {
        Done,           // every step went through
        TerminalFailed, // the terminal did not answer or answered wrongly at step `done`
        PortLost,       // the port was closed or vanished at step `done`
        Aborted,        // the operator (or Ctrl-C) ended it at step `done`
    };
    Status status = Status::Done;
    qsizetype done = 0;  // steps (bytes) completed
    qsizetype total = 0; // steps (bytes) planned

    bool ok() const { return status == Status::Done; }

    static OpResult finished(qsizetype total) { return {Status::Done, total, total}; }
    // The failure a wait that ended without its reply stands for.
    static OpResult failedAt(CommandExchange::WaitEnd end, qsizetype done, qsizetype total) {
        switch (end) {
        case CommandExchange::WaitEnd::PortLost:
            return {Status::PortLost, done, total};
        case CommandExchange::WaitEnd::Aborted:
            return {Status::Aborted, done, total};
        default:
            return {Status::TerminalFailed, done, total};
        }
    }
};

// Called after each step with the steps done and the steps planned. Must not start another
// operation on the same port.
using Progress = std::function<void(qsizetype done, qsizetype total)>;

// Passes on the first step, the last one and at most one in between every `everyMs`. Transfers
// report every byte, and redrawing a bar for each would cost more than the byte's exchange.
Progress throttled(Progress show, qint64 everyMs = 50);
