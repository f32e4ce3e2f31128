#pragma once

#include "sim/terminalengine.h"

#include <QString>
#include <QStringList>

// What pultino-sim is told on its command line.
struct SimulatorCommandLine {
    TerminalOptions terminal;
    bool headless = false;
    // Saved from the window when the simulator ends (for documentation and checks).
    QString screenshot;
};

// Parses the arguments (args[0] is the program); false with a message for a bad value.
bool parseSimulatorArguments(const QStringList& args, SimulatorCommandLine* out, QString* error);
QString simulatorHelpText();

// "FF", "ff 00", "0x1b,41": bytes in hex; nullopt when a piece is no byte.
std::optional<QByteArray> parseHexBytes(const QString& text);
