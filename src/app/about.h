#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class Dialogs;
class QLabel;
class QPushButton;
class QUrl;

// One serial port as the system lists it.
struct SystemPort {
    QString name;         // "ttyUSB0"
    QString location;     // "/dev/ttyUSB0"
    QString description;  // "USB-Serial Controller"
    QString manufacturer; // "Prolific Technology Inc."
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
    QString serialNumber;
};

// What the program's own system information shows.
struct SystemFacts {
    QString operatingSystem;
    QString kernel;
    QString qtVersion;
    QString settingsFile;
    QList<SystemPort> ports;
};

SystemFacts currentSystemFacts(const QString& settingsFile, const QList<SystemPort>& ports);
QList<SystemPort> systemSerialPorts();
QString systemInfoText(const SystemFacts& facts);

// A registry value as the about box reads it: a text value without its terminating 0, a double
// word as "&h" and the hex digits of its bytes from the last to the first. Other types leave
// `previous`.
QString registryValueText(quint32 type, const QByteArray& data, const QString& previous);

// Reads one value under HKEY_LOCAL_MACHINE; nullopt when the key or value cannot be read.
using RegistryReader =
    std::function<std::optional<QString>(const QString& key, const QString& value)>;
// The system information tool from its two registry places, when it is there.
std::optional<QString> sysInfoProgram(const RegistryReader& read,
                                      const std::function<bool(const QString&)>& fileExists);

// The system's registry (read-only access), on Windows; elsewhere it has nothing.
std::optional<QString> readLocalMachineValue(const QString& key, const QString& value);

// "Version 2.2": major and minor, the revision is not shown.
QString versionText(int major, int minor);

// frmAbout: title, version, the project's links and the system information.
class AboutBox : public QDialog {
    Q_OBJECT
  public:
    AboutBox(const QString& title, int major, int minor, const QString& settingsFile,
             Dialogs& dialogs, QWidget* parent = nullptr);

    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblInternet[2];
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

    void lblInternet_Click(int index);
    void StartSysInfo();

    // Seams, so that tests neither start a browser nor a program.
    std::function<bool(const QUrl&)> openUrl;
    std::function<bool(const QString& program)> startProgram;
    std::function<bool(const QString& path)> fileExists;
    RegistryReader readRegistry;
    std::function<QList<SystemPort>()> listPorts;
    // Where a system information tool is found in the registry (Windows); elsewhere the
    // program shows its own.
    bool useRegistry;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Dialogs& dialogs_;
    QString settingsFile_;
};
