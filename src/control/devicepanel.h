#pragma once

#include <QObject>

class PageHost;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QWidget;

// The terminal's own configuration and queries on the settings tab: store speed and display type,
// firmware and EEPROM queries, bus address, free command input, and the window's default button
// that turns Enter into Tab. The main window owns the two selection lists read here and keeps the
// captions of the two store buttons up to date.
class DevicePanel : public QObject {
    Q_OBJECT
  public:
    DevicePanel(PageHost& host, QComboBox* cboBaudrate, QComboBox* cboDisplaytype,
                QWidget* settingsPage);

    QGroupBox* Frame4 = nullptr;
    QPushButton* cmdSendBaudrate = nullptr;
    QPushButton* cmdSendDisplayType = nullptr;

    QGroupBox* Frame6 = nullptr;
    QPushButton* cmdGetVersion = nullptr;
    QPushButton* cmdGetEEPROMInfo = nullptr;
    QPushButton* cmdBusAddress = nullptr;
    QComboBox* lstBusAddress = nullptr;

    QGroupBox* Frame15 = nullptr;
    QLineEdit* txtSendCommandText = nullptr;
    QPushButton* cmdSendCommandText = nullptr;
    QPushButton* cmdSelectControlChar = nullptr;

    QPushButton* cmdDummyDefault = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void cmdSendBaudrate_Click();
    void cmdSendDisplayType_Click();
    void cmdGetVersion_Click();
    void cmdGetEEPROMInfo_Click();
    void cmdBusAddress_Click();
    void cmdSendCommandText_Click();
    void cmdSelectControlChar_Click();
    void cmdDummyDefault_Click();

    PageHost& host_;
    QComboBox* cboBaudrate_;
    QComboBox* cboDisplaytype_;
    QWidget* page_;
    // The field's selection when it lost the focus, which a line edit otherwise forgets.
    int savedSelectionStart_ = 0;
    int savedSelectionLength_ = 0;
};
