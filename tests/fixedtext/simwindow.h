#pragma once

#include "app/mainwindow.h"
#include "core/settings.h"
#include "fakedialogs.h"
#include "fixedtext/fixedtextpage.h"
#include "link/devicemap.h"
#include "link/flags.h"
#include "link/qtserialport.h"
#include "sim/ptyterminal.h"
#include "sim/simulatorsession.h"

#include <QTabBar>
#include <QTemporaryDir>
#include <memory>

// The real main window on the real serial port code, talking over a pseudo-terminal to the
// simulated terminal as `--simulator` sets it up, with the fixed-text tab showing.
struct SimWindow {
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("ZEPTAL32.ini"))};
    DeviceMap devices{settings};
    SimulatorSession session;
    PtyTerminal& term;
    QtSerialPort port{[this](int n) { return devices.device(n); }};
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    FixedTextPage* page = nullptr;

    SimWindow(const TerminalOptions& options, int displayType)
        : session(options), term(session.terminal()) {
        settings.write(SettingsStore::kDisplayType, QString::number(displayType));
        LinkFlags::instance().setAbortRequested(false);
        LinkFlags::instance().showReceivedData = true;
    }

    // Empty on success, else why the simulated terminal or the port would not start. With
    // `simulatorWindow` the simulated terminal's window is shown as well.
    QString start(bool simulatorWindow = false) {
        QString error;
        if (!session.start(&error)) return error;
        devices.bindTemporarily(1, term.slavePath());
        window = std::make_unique<MainWindow>(port, dialogs, settings, devices);
        window->startUp();
        if (!port.isOpen()) return port.errorString();
        page = window->fixedTextPage();
        window->findChild<QTabBar*>(QStringLiteral("TabStrip1"))->setCurrentIndex(2);
        window->show();
        if (simulatorWindow) session.showWindow();
        return {};
    }

    template <typename T> T* find(const char* name) const {
        return page->findChild<T*>(QString::fromLatin1(name));
    }
};
