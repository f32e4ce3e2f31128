#include "demos/bargraph.h"

#include "chars/cgram.h"
#include "core/commands.h"
#include "demos/demologic.h"
#include "link/commandexchange.h"
#include "link/serialport.h"

#include <QScopeGuard>

clsBargraph::clsBargraph(DemoLink link) : link_(std::move(link)) {}

void clsBargraph::setColumns(int columns) {
    columns_ = qMax(0, columns);
}

OpResult clsBargraph::Init() {
    abort_ = false;
    painted_ = false; // the first paint starts at once
    link_.exchange.port().write(cmd::clearDisplay() + cmd::cursorOff());
    OpResult result = OpResult::finished(0);
    for (int i = 0; i < demo::kBarSymbols && result.ok(); ++i) {
        if (abort_) return {OpResult::Status::Aborted, result.done, result.total};
        DefineChar(demo::kBarFirstCode + i, i, demo::barRowByte(i), result);
    }
    return result;
}

void clsBargraph::DefineChar(int code, int place, quint8 rowByte, OpResult& result) {
    CharacterRows rows;
    rows.fill(rowByte);
    if (link_.setReceiveMonitor) link_.setReceiveMonitor(false);
    OpResult one = defineCharacter(link_.exchange, place, code, rows);
    // A silent terminal still got the whole definition; the demo goes on, as only a lost port
    // ends it.
    if (one.status == OpResult::Status::TerminalFailed) one = OpResult::finished(one.total);
    if (link_.setReceiveMonitor) link_.setReceiveMonitor(true);
    result = {one.status, result.done + one.done, result.total + one.total};
    if (!one.ok()) return;
    link_.exchange.port().write(cmd::clearDisplay());
    link_.exchange.pause(static_cast<qint16>(20 * link_.exchange.timeOutFactor()));
}

void clsBargraph::Paint(int value) {
    if (busy_) {
        pending_ = value;
        return;
    }
    // A loop rather than a call of itself: a slider dragged for minutes must not deepen the stack.
    for (;;) {
        busy_ = true;
        pending_ = -1;
        {
            auto notBusy = qScopeGuard([this] { busy_ = false; });
            if (painted_) link_.clock.waitUntil(lastPaint_ + kPaintSpacingMs, {});
            const bool showValue = displayRows && displayRows() > 1;
            link_.exchange.port().write(
                demo::barBytes(qBound(0, value, MaxValue()), columns_, showValue));
            lastPaint_ = link_.clock.now();
            painted_ = true;
        }
        if (pending_ == -1) return;
        value = pending_;
    }
}
