#pragma once

#include "link/serialport.h"

#include <QString>

// What the operator is told when the port vanishes (a USB adapter pulled, a cable unplugged):
// the port by number and device, never a guessed terminal fault.
inline QString portLostCause(const SerialPort& port) {
    return QStringLiteral("Ursache: Die Verbindung über COM%1 (%2) ist unterbrochen.")
        .arg(port.portNumber())
        .arg(port.deviceName());
}

inline QString portLostMessage(const SerialPort& port) {
    return QStringLiteral("Die Schnittstelle COM%1 (%2) ist nicht mehr verfügbar.\r"
                          "Bitte Kabel bzw. Adapter prüfen und den COM-Port erneut wählen.")
        .arg(port.portNumber())
        .arg(port.deviceName());
}
