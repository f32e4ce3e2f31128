#pragma once

#include "station/station.h"

#include <QStringList>

namespace station {

// The ports of `--port` (in order) and of each `--ports` pattern (e.g. "/dev/ttyUSB*", sorted),
// each device once however it was named (a by-id link and its device are one port), with the
// adapter's identity where the system has it. `error` names a pattern that matches nothing.
QList<PortTarget> collectPorts(const QStringList& ports, const QStringList& patterns,
                               QString* error);

// The USB serial number and the /dev/serial/by-id name of the adapter behind `device`.
void identifyAdapter(PortTarget* port,
                     const QString& byIdFolder = QStringLiteral("/dev/serial/by-id"));

} // namespace station
