#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>

class Dialogs;
class LinkFlags;
class ReceiveHandler;
class SerialPort;

// Sends a command and waits for an awaited text with a time-out, without blocking the window:
// the wait runs a nested event loop that wakes on received data, on the timer and on abort.
//
// Time-outs are 16-bit signed milliseconds: the magnitude is the time, a negative sign means the
// caller reports the failure itself (no time-out message), 0 means no time-out at all.
class CommandExchange : public QObject {
    Q_OBJECT
  public:
    // How the last wait ended, so that callers can tell a lost port from a silent terminal.
    enum class WaitEnd {
        Reply,     // the awaited text arrived
        TimeOut,   // the terminal did not answer in time
        Aborted,   // the process-wide abort flag was set
        PortLost,  // the port was closed or vanished
        Overlong,  // the reply grew beyond any real one or the wait beyond its overall limit
        WrongEcho, // another byte came before the echo, or was left over when the byte went out
    };

    // The exchange obeys the flags of its receive handler: the window's, or a port's own.
    CommandExchange(ReceiveHandler& receiver, Dialogs& dialogs, QObject* parent = nullptr);

    SerialPort& port() const { return port_; }
    LinkFlags& flags() const { return flags_; }

    // Called with false when a wait begins and with true on every way out of it.
    std::function<void(bool)> setUiEnabled;

    // Everything received from the send up to the chunk that completed `waitfor`; empty on
    // time-out, abort, a closed port or a port that vanished during the wait.
    QByteArray sendAndWaitFor(const QByteArray& cmd, const QByteArray& waitfor, qint16 timeOutTime);
    // The same, but every received chunk restarts the time-out (an idle time-out).
    QByteArray sendAndWaitFor2(const QByteArray& cmd, const QByteArray& waitfor,
                               qint16 timeOutTime);

    // An echo-checked transfer: begin it with its command head, which also throws away whatever
    // arrived before, then send each data byte with sendAndExpectEcho(). The echo is the next
    // byte that arrives and nothing else: a byte left over from before when the byte goes out,
    // or any other byte first, ends the wait at once as WrongEcho. The byte itself is written in
    // every case, so a terminal that counts the bytes of its command stays in step.
    void beginEchoTransfer(const QByteArray& head);
    bool sendAndExpectEcho(char byte, qint16 timeOutTime);

    // Clears timeOut() and, for a positive value, (re)starts the one-shot timer.
    void startTimeOutTimer(qint16 timeOutTime);
    bool timeOut() const { return timeOut_; }
    qint16 timeOutFactor() const { return timeOutFactor_; }

    // Waits `ms` without disabling the window; ignores abort.
    void pause(qint16 ms);

    // The text shown for a command in the time-out message: a leading ESC reads "ESC ".
    static QString shownCommand(const QByteArray& cmd);

    bool waiting() const { return waiting_; }
    WaitEnd lastEnd() const { return lastEnd_; }

    // The longest real reply is the read-back of a full 32 KiB EEPROM; no real reply comes near
    // twice that. At the slowest line speed (1200 baud, 11 bits a byte) that read-back takes
    // about 300 s, so no real wait lasts six minutes. A wait that goes beyond either limit
    // (a peer that never sends the end mark) fails as Overlong.
    static constexpr qsizetype kMaxReplyBytes = 64 * 1024;
    static constexpr int kMaxWaitMs = 6 * 60 * 1000;
    // Tests shorten the limits.
    void setLimits(qsizetype maxReplyBytes, int maxWaitMs) {
        maxReplyBytes_ = maxReplyBytes;
        maxWaitMs_ = maxWaitMs;
    }

  signals:
    // Something a running wait looks for has happened: data, the time-out, an abort, a lost port.
    void wake();

  private:
    enum class Match { Search, IdleSearch, Echo };
    QByteArray wait(const QByteArray& cmd, const QByteArray& waitfor, qint16 timeOutTime,
                    Match match);
    void yieldOnce();

    ReceiveHandler& receiver_;
    SerialPort& port_;
    LinkFlags& flags_;
    Dialogs& dialogs_;
    QTimer timer_;
    QTimer overall_;
    qsizetype maxReplyBytes_ = kMaxReplyBytes;
    int maxWaitMs_ = kMaxWaitMs;
    bool overlong_ = false;
    bool timeOut_ = false;
    bool portLost_ = false;
    bool waiting_ = false;
    WaitEnd lastEnd_ = WaitEnd::Reply;
    qint16 timeOutFactor_ = 1;
};
