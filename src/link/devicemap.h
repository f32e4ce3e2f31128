#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class SettingsStore;

// Which device a port number opens: a binding made for this run only (the simulated
// terminal), else the path stored under "Ports", else the platform's default.
class DeviceMap {
  public:
    explicit DeviceMap(SettingsStore& settings) : settings_(settings) {}

    QString device(int n) const;
    // Not saved anywhere; gone when the program ends.
    void bindTemporarily(int n, const QString& device) { temporary_.insert(n, device); }
    // Saved under "Ports/COM<n>"; replaces a temporary binding of n.
    void store(int n, const QString& device);

    // The stored entries ("Ports/COM<n>") that device() passes over because their text cannot
    // name a device.
    QStringList ignoredEntries() const;

    // Whether a text may go to the port layer as a device name: not empty, of a sane length,
    // without NUL or other control characters (the port layer builds lock-file names from it).
    static bool usableDevice(const QString& device);
    static constexpr int kMaxDeviceLength = 512;
    static constexpr int kPortCount = 16;

  private:
    SettingsStore& settings_;
    QHash<int, QString> temporary_;
};
