#pragma once

#include "sim/terminalengine.h"

#include <QObject>
#include <QString>
#include <memory>

class PtyTerminal;
class SimulatorWindow;

// The simulated terminal for the main program's --simulator run: a pseudo-terminal served in
// the background and its window.
//
//     SimulatorSession sim;
//     if (!sim.start(&error)) ...;
//     devices.bindTemporarily(portNumber, sim.devicePath());
//     sim.showWindow();
class SimulatorSession : public QObject {
    Q_OBJECT
  public:
    explicit SimulatorSession(const TerminalOptions& options = {}, QObject* parent = nullptr);
    ~SimulatorSession() override;

    bool start(QString* error = nullptr);
    QString devicePath() const;
    // Creates the window on first use; it closes with the session.
    void showWindow();

    PtyTerminal& terminal() { return *terminal_; }
    SimulatorWindow* window() const { return window_.get(); }

  private:
    std::unique_ptr<PtyTerminal> terminal_;
    std::unique_ptr<SimulatorWindow> window_;
};
