#pragma once

#include <QString>
#include <memory>

class QSettings;

// The per-user settings store: INI file, user scope, application "ZEPTAL32", every program key
// in the group "Einstellungen". Device paths for port numbers live in the group "Ports".
class SettingsStore {
  public:
    static inline const QString kComPort = QStringLiteral("COM-Anschluß");
    static inline const QString kLineSettings = QStringLiteral("Einstellungen");
    static inline const QString kDisplayType = QStringLiteral("DisplayTyp");
    static inline const QString kHandshaking = QStringLiteral("Handshaking");
    static inline const QString kEcho = QStringLiteral("Echo");

    SettingsStore();
    // A store in the given INI file, for tests and tools.
    explicit SettingsStore(const QString& iniPath);
    ~SettingsStore();

    QString read(const QString& key, const QString& defaultValue = QString()) const;
    void write(const QString& key, const QString& value);

    // The device path configured for port number n ("Ports/COM<n>"), empty when none.
    QString portDevice(int n) const;
    void setPortDevice(int n, const QString& device);

    // Where the store lives, for the system information.
    QString fileName() const;

    static QString boolText(bool value) {
        return value ? QStringLiteral("true") : QStringLiteral("false");
    }
    static bool parseBool(const QString& text) {
        return text.trimmed().compare("true", Qt::CaseInsensitive) == 0 || text.trimmed() == "1";
    }

  private:
    std::unique_ptr<QSettings> settings_;
};
