#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <mutex>
#include <thread>

// A raw pseudo-terminal: the program opens the slave by its path like any serial device, the
// test plays the terminal on the master.
class PtyPair {
  public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    int master() const { return master_; }
    // Shares the program's line settings and input queue, so tests can look at both.
    int slave() const { return slave_; }
    QString slavePath() const { return slavePath_; }
    // The far end hangs up, as a pulled USB adapter does.
    void closeMaster();

  private:
    int master_ = -1;
    // Held open so that the master does not see a hang-up between the program's opens.
    int slave_ = -1;
    QString slavePath_;
};

// Plays the terminal in a thread of its own: every byte read from the master is written back
// while echoing is on, and recorded either way.
class EchoPeer {
  public:
    explicit EchoPeer(int master);
    ~EchoPeer();
    EchoPeer(const EchoPeer&) = delete;
    EchoPeer& operator=(const EchoPeer&) = delete;

    // Joins the thread; afterwards the master may be closed.
    void stop();
    std::atomic<bool> echo{true};
    QByteArray received() const;

  private:
    void run();

    int master_;
    int wakePipe_[2] = {-1, -1};
    mutable std::mutex mutex_;
    QByteArray received_;
    std::thread thread_;
};
