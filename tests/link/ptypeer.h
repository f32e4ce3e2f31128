#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

// A raw pseudo-terminal: the program opens the slave by its path like any serial device, the
// test plays the terminal on the master.
class PtyPair {
  public:
    PtyPair() {
        if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
            master_ = slave_ = -1;
            return;
        }
        termios tio{};
        ::tcgetattr(slave_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slave_, TCSANOW, &tio);
        slavePath_ = QString::fromLocal8Bit(::ttyname(slave_));
    }
    ~PtyPair() {
        closeMaster();
        if (slave_ >= 0) ::close(slave_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    int master() const { return master_; }
    // Shares the program's line settings and input queue, so tests can look at both.
    int slave() const { return slave_; }
    QString slavePath() const { return slavePath_; }
    // The far end hangs up, as a pulled USB adapter does.
    void closeMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

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
    explicit EchoPeer(int master) : thread_([this, master] { run(master); }) {}
    ~EchoPeer() {
        stop_ = true;
        thread_.join();
    }
    std::atomic<bool> echo{true};
    // How long each echo takes, as the line would: 0 answers at once.
    std::atomic<long> delayNs{0};
    QByteArray received() const {
        std::lock_guard lock(mutex_);
        return received_;
    }

  private:
    void run(int master) {
        char buf[256];
        while (!stop_) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0) return; // the master hung up
            {
                std::lock_guard lock(mutex_);
                received_.append(buf, n);
            }
            if (echo && delayNs > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(delayNs));
            for (ssize_t done = 0, w = 0; echo && done < n; done += w)
                if ((w = ::write(master, buf + done, size_t(n - done))) <= 0) return;
        }
    }

    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    QByteArray received_;
    std::thread thread_; // last: it starts running in the constructor
};
