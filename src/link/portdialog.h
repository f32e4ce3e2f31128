#pragma once

#include "link/portsearch.h"

#include <QDialog>

class DeviceMap;
class PortCatalogue;
class Dialogs;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
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
    // The serial ports with their adapters, in a message.
    void cmdListPorts_Click();
    // Looks for a terminal on the chosen port at the four line speeds; what it found becomes
    // the dialog's choice, applied and saved as OK does, once the user agrees.
    void cmdSearch_Click();

    // Where ports are listed and names resolved; tests put a table of adapters here.
    void setCatalogue(const PortCatalogue& catalogue) { catalogue_ = &catalogue; }
    // How "Pultino suchen" searches one port; without it the button is not shown.
    void setSearch(PortSearch search);

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
    const PortCatalogue* catalogue_;
    PortSearch search_;
    QPushButton* cmdSearch_;
};
