#include "link/devicemap.h"

#include "core/settings.h"
#include "link/qtserialport.h"

bool DeviceMap::usableDevice(const QString& device) {
    if (device.isEmpty() || device.size() > kMaxDeviceLength || !device.isValidUtf16())
        return false;
    for (const QChar c : device)
        if (c.category() == QChar::Other_Control) return false;
    return true;
}

QString DeviceMap::device(int n) const {
    if (temporary_.contains(n)) return temporary_.value(n);
    const QString stored = settings_.portDevice(n);
    return usableDevice(stored) ? stored : QtSerialPort::defaultDevice(n);
}

void DeviceMap::store(int n, const QString& device) {
    temporary_.remove(n);
    settings_.setPortDevice(n, device);
}

QStringList DeviceMap::ignoredEntries() const {
    QStringList out;
    for (int n = 1; n <= kPortCount; ++n) {
        const QString stored = settings_.portDevice(n);
        if (!stored.isEmpty() && !usableDevice(stored)) out << QStringLiteral("Ports/COM%1").arg(n);
    }
    return out;
}
