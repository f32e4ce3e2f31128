#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

// One serial port the system knows, with the adapter behind it.
struct PortInfo {
    QString device; // the resolved device path, e.g. "/dev/ttyUSB0"
    QString byId;   // its /dev/serial/by-id link, empty when there is none
    QString description;
    QString manufacturer;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
    QString serialNumber;
};

// Who holds a port. A port nobody holds has pid 0 and an empty lock file.
struct PortUse {
    qint64 pid = 0;
    QString program;  // from /proc, empty when it cannot be read
    QString lockFile; // the lock that tells
    bool busy() const { return pid != 0; }
    // "in Benutzung durch minicom (PID 4711)", or "frei".
    QString text() const;
};

// The serial ports with their adapters, and whether each is free. A port's identity is its
// resolved device path: every other name of it (a by-id link, a symlink of one's own) is
// turned into that path first, so two names of one adapter are one port.
class PortCatalogue {
  public:
    virtual ~PortCatalogue() = default;
    virtual QList<PortInfo> ports() const = 0;
    // The device a path names once links are followed; the path itself when it names nothing.
    virtual QString canonical(const QString& path) const = 0;
    virtual PortUse use(const QString& device) const = 0;

    // The device of "usb:SERIAL", a by-id name (with or without its folder) or a device path;
    // empty with a German reason in `error` when no adapter or more than one fits.
    QString resolve(const QString& name, QString* error) const;

    // The catalogue of this machine.
    static const PortCatalogue& system();
};

// The toolkit's port enumeration, /dev/serial/by-id, and the UUCP lock files of the port layer.
class SystemPortCatalogue : public PortCatalogue {
  public:
    QList<PortInfo> ports() const override;
    QString canonical(const QString& path) const override;
    PortUse use(const QString& device) const override;
    // The lock file names the port layer uses for a device name ("LCK..ttyUSB0").
    static QString lockName(const QString& device);
};

// A table of adapters for tests: by-id links resolve to their devices, `held` says who holds
// which device.
class FakePortCatalogue : public PortCatalogue {
  public:
    QList<PortInfo> table;
    QHash<QString, PortUse> held;
    // Further links (device of each), as a symlink of one's own would be.
    QHash<QString, QString> links;

    QList<PortInfo> ports() const override { return table; }
    QString canonical(const QString& path) const override;
    PortUse use(const QString& device) const override { return held.value(canonical(device)); }
};
