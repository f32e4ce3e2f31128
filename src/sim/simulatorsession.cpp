#include "sim/simulatorsession.h"

#include "sim/ptyterminal.h"
#include "sim/simulatorwindow.h"

SimulatorSession::SimulatorSession(const TerminalOptions& options, QObject* parent)
    : QObject(parent), terminal_(std::make_unique<PtyTerminal>(options)) {}

SimulatorSession::~SimulatorSession() {
    // The window reads the terminal's link; it goes first.
    window_.reset();
    terminal_->stop();
}

bool SimulatorSession::start(QString* error) {
    return terminal_->start(error);
}

QString SimulatorSession::devicePath() const {
    return terminal_->slavePath();
}

void SimulatorSession::showWindow() {
    if (!window_) window_ = std::make_unique<SimulatorWindow>(terminal_->link(), devicePath());
    window_->show();
    window_->raise();
}
