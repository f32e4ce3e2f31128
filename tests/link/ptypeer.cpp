#include "ptypeer.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair() {
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

PtyPair::~PtyPair() {
    closeMaster();
    if (slave_ >= 0) ::close(slave_);
}

void PtyPair::closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

EchoPeer::EchoPeer(int master) : master_(master) {
    if (::pipe2(wakePipe_, O_CLOEXEC) != 0) wakePipe_[0] = wakePipe_[1] = -1;
    thread_ = std::thread([this] { run(); });
}

EchoPeer::~EchoPeer() {
    stop();
    for (int fd : wakePipe_)
        if (fd >= 0) ::close(fd);
}

void EchoPeer::stop() {
    if (!thread_.joinable()) return;
    const char c = 0;
    [[maybe_unused]] auto n = ::write(wakePipe_[1], &c, 1);
    thread_.join();
}

QByteArray EchoPeer::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void EchoPeer::run() {
    char buf[256];
    for (;;) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) return; // hang-up or error on the master
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) return;
        {
            std::lock_guard lock(mutex_);
            received_.append(buf, n);
        }
        if (echo.load()) {
            ssize_t off = 0;
            while (off < n) {
                const ssize_t w = ::write(master_, buf + off, static_cast<size_t>(n - off));
                if (w <= 0) return;
                off += w;
            }
        }
    }
}
