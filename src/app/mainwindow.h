#pragma once

#include "link/pagehost.h"

#include <QMainWindow>
#include <functional>

class CommandExchange;
class DeviceMap;
class Dialogs;
class QComboBox;
class QLabel;
class QPushButton;
class QTabBar;
class QTimer;
class ReceiveHandler;
class SerialPort;
class SettingsStore;
class TextOutputPage;
class DevicePanel;
class FixedTextPage;
class CharPage;
class DemoPage;
class KeyboardPage;
class RecipeDialog;

// frmMain: the tabbed main window. It owns the receive handler and the command exchange on the
// port it is given, the status bar and the display geometry, and hosts the feature pages.
class MainWindow : public QMainWindow, public PageHost {
    Q_OBJECT
  public:
    MainWindow(SerialPort& port, Dialogs& dialogs, SettingsStore& settings, DeviceMap& devices,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The load handler: restores the stored choices, opens the port, shows the first page.
    void startUp();

    // PageHost
    SerialPort& port() override { return port_; }
    CommandExchange& exchange() override { return *exchange_; }
    Dialogs& dialogs() override { return dialogs_; }
    void showStatus(const QString& status) override;
    void clearStatus() override;
    void setReceiveMonitor(bool enable) override;
    void clearReceiveMonitor() override;
    int displayColumns() const override;
    int displayRows() const override;
    void reapplyDisplayType() override;
    void holdInput(bool hold) override;
    void beginActivity(std::function<void()> stop) override;
    void endActivity() override;
    bool activityRunning() const { return bool(activityStop_); }

    void updateStatusbar();
    void TabStrip1_Click();
    void SetDisplayType(int index);
    void cboComPort_Click();
    void cboBaudrate_Click();
    void cboDisplaytype_Click();
    void CommProps_Click();
    void cmdClearReceived_Click();
    void btnQuit_Click();
    void lblCopyright_Click();

    ReceiveHandler& receiver() { return *receiver_; }
    int currentTab() const { return CurrentTab; }
    FixedTextPage* fixedTextPage() const { return fixedTextPage_; }
    RecipeDialog* recipeDialog() const { return recipeDialog_; }
    // Status bar panel texts 1..4.
    QString panelText(int panel) const;

    // True while a command waits for its reply: clicks and keys to this window are dropped.
    bool inputBlocked() const { return inputBlocked_; }

    // What "Programm beenden" does; tests replace it.
    std::function<void()> quit;

    static QString title();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // Escape, closing the window or "Programm beenden" while input is held: the running wait
    // ends through the abort flag, and a close ends the program once the wait is over.
    bool abortByOperator(QEvent* event, QWidget* widget);
    void releaseAbort();
    void onPortLost();
    // The list entry of port n; ports beyond the list's eight get an entry when they are used.
    int portEntry(int n);
    void setExchangeBusy(bool busy);
    void updateInputBlock();
    void buildShell();
    void buildSettingsPage(QWidget* page);
    void buildPages();
    void buildRecipeDialog();
    void selectEntry(QComboBox* list, int index, void (MainWindow::*handler)());
    void loadLogo();

    SerialPort& port_;
    Dialogs& dialogs_;
    SettingsStore& settings_;
    DeviceMap& devices_;
    ReceiveHandler* receiver_;
    CommandExchange* exchange_;

    QTabBar* TabStrip1 = nullptr;
    QWidget* Frame1[7] = {};
    int CurrentTab = 0;
    QLabel* panels_[4] = {};
    QLabel* lblCurrentCOM = nullptr;
    QLabel* lblCurrendBaud = nullptr;
    QLabel* lblCurrentDisplayCols = nullptr;
    QLabel* lblCurrentDisplay = nullptr;
    QLabel* lblCurrentDisplayRows = nullptr;
    QLabel* lblReceiveData = nullptr;
    QLabel* lblCopyright = nullptr;
    QLabel* imgLogo = nullptr;
    QLabel* imgOEMlogo = nullptr;
    QComboBox* cboComPort = nullptr;
    QComboBox* cboBaudrate = nullptr;
    QComboBox* cboDisplaytype = nullptr;

    QPushButton* btnQuit_ = nullptr;
    bool startingUp_ = false;
    bool abortSetHere_ = false;
    bool quitAfterWait_ = false;
    bool inputBlocked_ = false;
    bool exchangeBusy_ = false;
    int holdCount_ = 0;
    bool dimmed_ = false;
    QTimer* dimTimer_ = nullptr;

    TextOutputPage* textOutputPage_ = nullptr;
    DevicePanel* devicePanel_ = nullptr;
    FixedTextPage* fixedTextPage_ = nullptr;
    CharPage* charPage_ = nullptr;
    DemoPage* demoPage_ = nullptr;

    // Set while a demo runs: how to end it, and whether the program quits once it has ended.
    bool refusedDuringActivity(QObject* watched, QEvent* event) const;
    std::function<void()> activityStop_;
    bool quitAfterActivity_ = false;
    KeyboardPage* keyboardPage_ = nullptr;
    RecipeDialog* recipeDialog_ = nullptr;
};
