#pragma once

#include <QDialog>

class DeviceMap;
class Dialogs;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QRadioButton;
class SerialPort;
class SettingsStore;

// "COM-Anschluß-Einstellungen": edits the main port's number, line settings, handshaking and
// the echo option, applies them to the port on OK and saves them.
class PortDialog : public QDialog {
    Q_OBJECT
  public:
    PortDialog(SerialPort& port, SettingsStore& settings, DeviceMap& devices, Dialogs& dialogs,
               QWidget* parent = nullptr);

    QComboBox* cboPort;
    QComboBox* cboSpeed;
    QComboBox* cboDataBits;
    QComboBox* cboParity;
    QComboBox* cboStopBits;
    QLineEdit* txtDevice;
    QRadioButton* optFlow[4];
    QRadioButton* optEcho[2];

    int handshaking() const { return handshaking_; }
    bool echo() const { return echo_; }

    void cmdOK_Click();
    void cmdCancel_Click() { reject(); }

  private:
    void LoadPropertySettings();
    void optFlow_Click(int index) { handshaking_ = index; }
    void optEcho_Click(int index) { echo_ = index == 1; }
    void showDeviceOf(int number);
    void warn(const QString& text);

    SerialPort& port_;
    SettingsStore& settings_;
    DeviceMap& devices_;
    Dialogs& dialogs_;
    int handshaking_ = 0;
    bool echo_ = false;
    QString shownDevice_;
};
