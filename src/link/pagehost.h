#pragma once

#include <QString>
#include <functional>

class CommandExchange;
class Dialogs;
class SerialPort;

// What a feature page needs from the main window: the port, the exchange, the dialogs, the
// status line, the receive monitor switch and the current display geometry.
class PageHost {
  public:
    virtual ~PageHost() = default;

    virtual SerialPort& port() = 0;
    virtual CommandExchange& exchange() = 0;
    virtual Dialogs& dialogs() = 0;

    virtual void showStatus(const QString& status) = 0;
    virtual void clearStatus() = 0;
    // Switches showing received data on or off; empties the monitor either way.
    virtual void setReceiveMonitor(bool enable) = 0;
    // Empties the monitor without switching it.
    virtual void clearReceiveMonitor() = 0;

    // Read from the state labels at the moment of asking.
    virtual int displayColumns() const = 0;
    virtual int displayRows() const = 0;
    // Applies the selected display type to the window again (fields, ruler, cursor lists).
    virtual void reapplyDisplayType() = 0;
    // Keeps the operator's clicks and keys away from the window while held (nested holds
    // count), for operations of many exchanges whose pauses would otherwise let input in.
    virtual void holdInput(bool hold) = 0;
    // A terminal activity that runs until the operator ends it (a demo). While it runs the
    // pages' controls refuse the operator's input; quitting the program or closing the window
    // calls `stop` and quits once endActivity() has been called.
    virtual void beginActivity(std::function<void()> stop) = 0;
    virtual void endActivity() = 0;
};

class InputHold {
  public:
    explicit InputHold(PageHost& host) : host_(host) { host_.holdInput(true); }
    ~InputHold() { host_.holdInput(false); }
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

  private:
    PageHost& host_;
};

// Shows the status text on construction and clears it on every way out.
class StatusScope {
  public:
    StatusScope(PageHost& host, const QString& text) : host_(host) { host_.showStatus(text); }
    ~StatusScope() { host_.clearStatus(); }
    StatusScope(const StatusScope&) = delete;
    StatusScope& operator=(const StatusScope&) = delete;

  private:
    PageHost& host_;
};

// Bulk transfers keep their echoes out of the receive monitor; it is on again (and empty) on
// every way out, or earlier with on().
class MonitorOff {
  public:
    explicit MonitorOff(PageHost& host) : host_(host) { host_.setReceiveMonitor(false); }
    ~MonitorOff() {
        if (off_) host_.setReceiveMonitor(true);
    }
    void on() {
        off_ = false;
        host_.setReceiveMonitor(true);
    }
    MonitorOff(const MonitorOff&) = delete;
    MonitorOff& operator=(const MonitorOff&) = delete;

  private:
    PageHost& host_;
    bool off_ = true;
};
