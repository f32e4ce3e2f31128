#pragma once

#include "sim/deadlinetimer.h"
#include "sim/terminalengine.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QObject>
#include <functional>

// The engine on a line: takes the program's bytes, hands the terminal's bytes back through
// transmit(), and with line-rate timing spends 11 bit times at the stored speed on every byte
// in each direction. Lives in one thread (the transport's); snapshot(), fixedTextImage() and
// pressKey() may be called from any thread.
class TerminalLink : public QObject {
    Q_OBJECT
  public:
    explicit TerminalLink(const TerminalOptions& options = {}, QObject* parent = nullptr);

    // Bytes from the program, in the link's thread. Without line-rate timing the engine has
    // processed them when this returns; its answer always follows asynchronously.
    void receive(const QByteArray& bytes);

    TerminalState snapshot() const;
    QByteArray fixedTextImage() const;
    TerminalOptions options() const;
    // Queued into the link's thread.
    void pressKey(int key);

    // The baud rate the program's side of the line runs at, 0 when unknown; used by the
    // strict-speed option.
    void setPortBaud(std::function<int()> portBaud) { portBaud_ = std::move(portBaud); }

    // Stops the pacing timers; call in the link's thread before it ends.
    void halt();

    // 11 bits (start, 8 data, 2 stop) at the given speed.
    static qint64 byteTimeNs(int baud) { return 11'000'000'000LL / baud; }

    // Bytes the program does not read pile up no further than this; the oldest go first, as
    // they would be lost on a real line. Far above the longest reply (a 32 KiB image).
    static constexpr qsizetype kMaxQueuedOutput = 256 * 1024;
    // Drops the oldest bytes of `queue` beyond kMaxQueuedOutput; returns how many went.
    static qsizetype trimQueue(QByteArray& queue);

  signals:
    // Bytes from the terminal to the program.
    void transmit(const QByteArray& bytes);
    // Bytes the terminal has taken in, as they are processed.
    void received(const QByteArray& bytes);
    // Bytes lost because the program sent them at another speed (strict-speed option).
    void garbled(const QByteArray& bytes);
    void stateChanged();

  private:
    // `at`: when the bytes were in, on clock_; the answer's line time counts from then.
    void process(const QByteArray& bytes, qint64 at);
    void queueOutput(const QByteArray& bytes, qint64 from);
    void drainInput();
    void drainOutput();
    void arm(DeadlineTimer& timer, const QList<qint64>& due);
    qint64 byteTime() const;

    mutable QMutex mutex_;
    TerminalEngine engine_;
    std::function<int()> portBaud_;
    QElapsedTimer clock_;
    DeadlineTimer inTimer_;
    DeadlineTimer outTimer_;
    QTimer quietTimer_;
    QByteArray inQueue_;
    QList<qint64> inDue_;
    QByteArray outQueue_;
    QList<qint64> outDue_;
    qint64 inFreeAt_ = 0;
    qint64 outFreeAt_ = 0;
};
