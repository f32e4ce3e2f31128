#pragma once

#include <QString>

// The per-user settings store: INI file, user scope, application "ZEPTAL32", every program key
// in the group "Einstellungen". Device paths for port numbers live in the group "Ports".
//
// The file may hold keys of other programs or hand-written lines: a write replaces only the line
// of its own key and leaves every other byte of the file as it was, and a value reads back as the
// text it was (commas included) rather than as a list.
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
    // Returns why the file could not be written (German), empty once the value is stored.
    QString write(const QString& key, const QString& value);

    // The device path configured for port number n ("Ports/COM<n>"), empty when none.
    QString portDevice(int n) const;
    void setPortDevice(int n, const QString& device);

    QString fileName() const { return path_; }

    // The file is there but too large to be read: every key reads as its default. The next
    // write keeps the file whole under oversizeBackupName() and begins a new one, so that the
    // operator's later choices are kept and nothing of the old file is lost.
    bool oversize() const;
    QString oversizeBackupName() const;

    static QString boolText(bool value) {
        return value ? QStringLiteral("true") : QStringLiteral("false");
    }
    static bool parseBool(const QString& text) {
        return text.trimmed().compare("true", Qt::CaseInsensitive) == 0 || text.trimmed() == "1";
    }

  private:
    QString value(const QString& group, const QString& key, const QString& defaultValue) const;
    QString setValue(const QString& group, const QString& key, const QString& value);
    bool setOversizeAside() const;

    QString path_;
};
