#include "core/settings.h"

#include <QSettings>

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("ZEPTAL32"),
                                            QStringLiteral("ZEPTAL32"))) {}

SettingsStore::SettingsStore(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::read(const QString& key, const QString& defaultValue) const {
    return settings_->value(QStringLiteral("Einstellungen/") + key, defaultValue).toString();
}

void SettingsStore::write(const QString& key, const QString& value) {
    settings_->setValue(QStringLiteral("Einstellungen/") + key, value);
    settings_->sync();
}

QString SettingsStore::portDevice(int n) const {
    return settings_->value(QStringLiteral("Ports/COM%1").arg(n)).toString();
}

void SettingsStore::setPortDevice(int n, const QString& device) {
    settings_->setValue(QStringLiteral("Ports/COM%1").arg(n), device);
    settings_->sync();
}

QString SettingsStore::fileName() const {
    return settings_->fileName();
}
