#include "demos/animation.h"

#include "chars/cgram.h"
#include "core/commands.h"
#include "demos/demologic.h"
#include "link/commandexchange.h"
#include "link/serialport.h"

#include <QCoreApplication>

clsAnimation::clsAnimation(DemoLink link) : link_(std::move(link)) {}

OpResult clsAnimation::Init(int animation) {
    abort_ = false;
    animation_ = animation;
    SerialPort& port = link_.exchange.port();
    port.write(cmd::clearDisplay());
    const auto patterns = demo::animationPatterns(animation);
    OpResult result = OpResult::finished(0);
    for (int i = 0; i < demo::kAnimationChars; ++i) {
        if (abort_) return {OpResult::Status::Aborted, result.done, result.total};
        if (link_.setReceiveMonitor) link_.setReceiveMonitor(false);
        OpResult one =
            defineCharacter(link_.exchange, i, demo::kAnimationFirstCode + i, patterns[i]);
        // A silent terminal still got the whole definition; the demo goes on, as only a lost
        // port ends it.
        if (one.status == OpResult::Status::TerminalFailed) one = OpResult::finished(one.total);
        if (link_.setReceiveMonitor) link_.setReceiveMonitor(true);
        result = {one.status, result.done + one.done, result.total + one.total};
        if (!one.ok()) return result;
        port.write(cmd::clearDisplay());
        link_.exchange.pause(static_cast<qint16>(20 * link_.exchange.timeOutFactor()));
    }
    // A stop asked for during the last pause must not be lost when Run begins afresh.
    if (abort_) return {OpResult::Status::Aborted, result.done, result.total};
    return result;
}

bool clsAnimation::ended() const {
    return abort_ || !link_.exchange.port().isOpen();
}

void clsAnimation::Delay(qint64 ms) {
    link_.clock.waitUntil(link_.clock.now() + ms, [this] { return ended(); });
}

DemoEnd clsAnimation::Run(const std::function<void()>& started) {
    abort_ = false;
    SerialPort& port = link_.exchange.port();
    port.write(cmd::clearDisplay() + cmd::cursorOff());
    if (animation_ == 0) {
        if (rows_ < 2) return DemoEnd::TooFewRows;
        port.write(cmd::cursorPosition(1, 0) + demo::cupLine());
        if (started) started();
        for (int frame = 0; !ended(); ++frame) {
            QCoreApplication::processEvents();
            if (ended()) break;
            port.write(cmd::cursorPosition(0, 0) + cmd::byte(demo::steamCode(frame)));
            Delay(kFrameMs);
        }
    }
    port.write(cmd::clearDisplay() + cmd::cursorOn());
    if (!port.isOpen()) return DemoEnd::PortLost;
    return animation_ == 0 ? DemoEnd::Stopped : DemoEnd::NothingToRun;
}
