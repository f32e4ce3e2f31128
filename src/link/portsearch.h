#pragma once

#include "link/portcatalogue.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// What a search for a terminal found on one port. The search itself asks the terminal's
// version and EEPROM state, so it lives with those queries (control/portscan.h).
struct FoundTerminal {
    QString settings;   // the line settings it answered at, e.g. "2400,n,8,2"
    QString firmware;   // "1.80"
    QStringList eeprom; // the three EEPROM lines; empty when the query got no answer
};

struct ScanRow {
    QString device; // the resolved device
    PortUse use;    // busy: skipped
    QString error;  // why it could not be opened or named; empty when it was tried
    std::optional<FoundTerminal> found;
};

// One port searched at the four line speeds.
using PortSearch = std::function<ScanRow(const QString& device)>;

// One line for a row, e.g. "/dev/ttyUSB0: Pultino mit 2400,n,8,2, Firmware 1.80, ...".
QString scanRowText(const ScanRow& row);

// The sentence that points to the search when a command got no answer at the chosen speed.
QString searchHint();
