#pragma once

#include <QHash>
#include <QString>

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

  private:
    SettingsStore& settings_;
    QHash<int, QString> temporary_;
};
