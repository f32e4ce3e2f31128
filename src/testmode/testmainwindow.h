#pragma once

#include <QMainWindow>
#include <functional>

class CommandExchange;
class DeviceMap;
class Dialogs;
class ProgressForm;
class QComboBox;
class QPushButton;
class ReceiveHandler;
class SerialPort;
class SettingsStore;

// frmTestMain, "PT Test und Initialisierung": the program's second start window. It tests and
// initialises a freshly built terminal on a port of its own, with its own receive handler and
// exchange, and runs the steps in ProgressForm.
class TestMainWindow : public QMainWindow {
    Q_OBJECT
  public:
    TestMainWindow(SerialPort& port, Dialogs& dialogs, SettingsStore& settings, DeviceMap& devices,
                   QWidget* parent = nullptr);
    ~TestMainWindow() override;

    // The load handler: geometry lists, the stored port settings, the port opened.
    void startUp();

    QComboBox* cmbPTCols;
    QComboBox* cmbPTRows;
    QPushButton* StartCommand;
    QPushButton* DemoCommand;
    QPushButton* CommProps;
    QPushButton* DoneTesting;

    int testCols() const { return TestCols; }
    int testRows() const { return TestRows; }
    QString statusText() const;
    ReceiveHandler& receiver() { return *receiver_; }
    CommandExchange& exchange() { return *exchange_; }
    // The progress dialog while a run is shown, else null.
    ProgressForm* progress() const { return progress_; }

    void StartCommand_Click();
    void DemoCommand_Click();
    void CommProps_Click();
    void DoneTesting_Click();
    void cmbPTCols_Click();
    void cmbPTRows_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void updateStatus();
    void openPort();

    SerialPort& port_;
    Dialogs& dialogs_;
    SettingsStore& settings_;
    DeviceMap& devices_;
    ReceiveHandler* receiver_;
    CommandExchange* exchange_;
    ProgressForm* progress_ = nullptr;
    bool closeAfterRun_ = false;
    int TestCols = 0;
    int TestRows = 0;
};
