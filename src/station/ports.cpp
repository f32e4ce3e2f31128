#include "station/ports.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace station {

namespace {

QString resolved(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

} // namespace

void identifyAdapter(PortTarget* port, const QString& byIdFolder) {
    const QString target = resolved(port->device);
    for (const QFileInfo& link : QDir(byIdFolder).entryInfoList(QDir::System | QDir::Files)) {
        if (resolved(link.absoluteFilePath()) == target) {
            port->adapterById = link.fileName();
            break;
        }
    }
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (resolved(info.systemLocation()) == target) {
            port->adapterSerial = info.serialNumber();
            break;
        }
    }
}

QList<PortTarget> collectPorts(const QStringList& ports, const QStringList& patterns,
                               QString* error) {
    QStringList named = ports;
    for (const QString& pattern : patterns) {
        const QFileInfo info(pattern);
        QDir dir = info.dir();
        const QStringList matches = dir.entryList(
            {info.fileName()}, QDir::System | QDir::Files | QDir::Readable, QDir::Name);
        if (matches.isEmpty()) {
            if (error)
                *error = QStringLiteral("--ports %1: keine passende Schnittstelle.").arg(pattern);
            return {};
        }
        for (const QString& match : matches)
            named.append(dir.filePath(match));
    }
    QList<PortTarget> targets;
    QStringList seen;
    for (const QString& name : named) {
        const QString key = resolved(name);
        if (seen.contains(key)) continue;
        seen.append(key);
        PortTarget port{name, name, {}, {}};
        identifyAdapter(&port);
        targets.append(port);
    }
    return targets;
}

} // namespace station
