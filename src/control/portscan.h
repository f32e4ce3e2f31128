#pragma once

#include "link/portsearch.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class CommandExchange;

// Looking for a terminal whose port or line speed is unknown. Only the version and EEPROM
// queries go out, so nothing of the terminal changes.
namespace control {

// The longest a port without a terminal takes: the version query's wait at each speed.
inline constexpr int kSilentPortMs = 4 * 500;

// Asks for the firmware version at 9600, 4800, 2400 and 1200 baud in turn on the open port of
// `exchange`; at the first answer the EEPROM state too. The port gets its settings of before
// back either way.
std::optional<FoundTerminal> probeSpeeds(CommandExchange& exchange);

// Each named port in turn (the catalogue's free ports when `names` is empty): skipped when in
// use, else opened, probed and closed. `tried` hears each row as it is done.
QList<ScanRow> scanPorts(const QStringList& names, const PortCatalogue& catalogue,
                         const std::function<void(const ScanRow&)>& tried = {});

// scanPorts on one device, for the port settings dialog.
PortSearch portSearch(const PortCatalogue& catalogue);

} // namespace control
