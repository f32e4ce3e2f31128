#pragma once

#include <QByteArray>
#include <atomic>
#include <mutex>
#include <thread>

// A terminal that misbehaves on the master side of a pseudo-terminal, in a thread of its own.
// It works on a copy of the master: once the caller has closed its own, a hang-up is the
// peer's to make.
class FaultPeer {
  public:
    enum class Mode {
        Echo,         // every byte back but ESC and the command letter after it
        EchoFirst,    // the first `count` bytes back, then silence
        CloseAfter,   // the first `count` bytes back, then hang up
        EndlessReply, // an ESC "W" is answered with bytes that never end in 0, 0
        SlowEndless,  // the same, one byte every 20 ms
        Flood,        // sends without being asked, until the mode changes
    };

    FaultPeer(int master, Mode mode, int count = 0);
    ~FaultPeer();

    void setMode(Mode mode) { mode_ = mode; }
    QByteArray received() const; // everything read from the program
    qint64 sent() const { return sent_; }

  private:
    void run();
    bool send(const QByteArray& bytes);

    int master_;
    std::atomic<Mode> mode_;
    int count_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> hungUp_{false};
    std::atomic<qint64> sent_{0};
    mutable std::mutex mutex_;
    QByteArray received_;
    std::thread thread_;
};
