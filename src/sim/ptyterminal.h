#pragma once

#include "sim/terminallink.h"

#include <QObject>
#include <QString>
#include <QThread>

class PtyPump;

// The simulated terminal behind a pseudo-terminal: the program opens slavePath() like any
// serial device (QSerialPort included), and the engine answers from a worker thread.
//
//     PtyTerminal term(options);
//     term.start();
//     port.setPortName(term.slavePath());
class PtyTerminal : public QObject {
    Q_OBJECT
  public:
    explicit PtyTerminal(const TerminalOptions& options = {}, QObject* parent = nullptr);
    ~PtyTerminal() override;

    // Opens the pseudo-terminal and starts serving it; false with a reason on failure.
    bool start(QString* error = nullptr);
    // Ends the worker; the state stays readable.
    void stop();
    bool isRunning() const { return pump_ != nullptr; }

    // The device the program opens, e.g. "/dev/pts/3".
    QString slavePath() const { return slavePath_; }

    // The link lives in the worker thread while running: connect to its signals (they arrive
    // queued), call only its thread-safe functions.
    TerminalLink& link() { return *link_; }
    TerminalState snapshot() const { return link_->snapshot(); }
    QByteArray fixedTextImage() const { return link_->fixedTextImage(); }
    void pressKey(int key) { link_->pressKey(key); }

  private:
    TerminalLink* link_;
    PtyPump* pump_ = nullptr;
    QThread thread_;
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
};
