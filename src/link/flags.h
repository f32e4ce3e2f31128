#pragma once

#include <QByteArray>
#include <QObject>

// Process-wide switches that steer the receive handlers and every waiting exchange.
// The window's are instance(); a port served on a thread of its own has its own set.
class LinkFlags : public QObject {
    Q_OBJECT
  public:
    LinkFlags() = default;
    static LinkFlags& instance();

    // While true, received chunks are also shown in the receive monitor.
    bool showReceivedData = true;
    // While true, received data goes only to lastKeyReceived (keyboard test).
    bool keyCaptureActive = false;
    // What arrived while keyCaptureActive was true and has not been taken yet.
    QByteArray lastKeyReceived;

    bool abortRequested() const { return abortRequested_; }
    void setAbortRequested(bool value);

  signals:
    void abortRequestedChanged(bool value);

  private:
    bool abortRequested_ = false;
};
