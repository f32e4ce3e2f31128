#pragma once

#include "fakedialogs.h"
#include "link/commandexchange.h"
#include "link/fakeserialport.h"
#include "link/pagehost.h"
#include "link/receivehandler.h"

#include <QStringList>

// A page host without a main window: fake port (opened), scripted dialogs, recorded status.
class TestHost : public PageHost {
  public:
    TestHost() {
        port_.open();
        QObject::connect(&receiver_, &ReceiveHandler::monitorAppend,
                         [this](const QString& t) { monitor = trimMonitorText(monitor + t); });
    }

    SerialPort& port() override { return port_; }
    CommandExchange& exchange() override { return exchange_; }
    Dialogs& dialogs() override { return dialogs_; }
    void showStatus(const QString& s) override {
        status = s;
        statusLog.append(s);
    }
    void clearStatus() override {
        status.clear();
        statusLog.append(QString());
    }
    void setReceiveMonitor(bool enable) override;
    void clearReceiveMonitor() override { monitor.clear(); }
    int displayColumns() const override { return columns; }
    int displayRows() const override { return rows; }
    void reapplyDisplayType() override { ++reapplyCount; }
    void holdInput(bool hold) override { holds += hold ? 1 : -1; }

    FakeSerialPort port_;
    ReceiveHandler receiver_{port_};
    FakeDialogs dialogs_;
    CommandExchange exchange_{receiver_, dialogs_};
    QString status;
    QStringList statusLog;
    QString monitor;
    int columns = 20;
    int rows = 4;
    int reapplyCount = 0;
    int holds = 0;
};
