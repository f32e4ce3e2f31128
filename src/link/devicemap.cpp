#include "link/devicemap.h"

#include "core/settings.h"
#include "link/qtserialport.h"

QString DeviceMap::device(int n) const {
    if (temporary_.contains(n)) return temporary_.value(n);
    const QString stored = settings_.portDevice(n);
    return stored.isEmpty() ? QtSerialPort::defaultDevice(n) : stored;
}

void DeviceMap::store(int n, const QString& device) {
    temporary_.remove(n);
    settings_.setPortDevice(n, device);
}
