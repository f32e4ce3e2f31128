#pragma once

#include "link/qtserialport.h"
#include "mainwindowfixture.h"
#include "sim/ptyterminal.h"
#include "sim/simulatorsession.h"

// The real main window on the real serial port code, talking over a pseudo-terminal to the
// simulated terminal as `--simulator` sets it up.
struct PtyWindow : MainWindowFixture {
    SimulatorSession session;
    PtyTerminal& term;
    QtSerialPort serial{[this](int n) { return devices->device(n); }};

    // A display type of -1 leaves the stored one.
    explicit PtyWindow(const TerminalOptions& options = {}, int displayType = -1)
        : session(options), term(session.terminal()) {
        if (displayType >= 0)
            settings->write(SettingsStore::kDisplayType, QString::number(displayType));
    }
    ~PtyWindow() { window.reset(); } // the window still talks to the port while it closes

    // Empty on success, else why the simulated terminal or the port would not start. With
    // `simulatorWindow` the simulated terminal's window is shown as well.
    QString start(int tabIndex = 0, bool simulatorWindow = false) {
        QString error;
        if (!session.start(&error)) return error;
        devices->bindTemporarily(1, term.slavePath());
        open(serial);
        if (!serial.isOpen()) return serial.errorString();
        showTab(tabIndex);
        if (simulatorWindow) session.showWindow();
        return {};
    }
};
