#include "faultpeer.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <utility>

FaultPeer::FaultPeer(int master, Mode mode, int count)
    : master_(::dup(master)), mode_(mode), count_(count) {
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    thread_ = std::thread([this] { run(); });
}

FaultPeer::~FaultPeer() {
    stop_ = true;
    thread_.join();
    if (!hungUp_) ::close(master_);
}

QByteArray FaultPeer::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

bool FaultPeer::send(const QByteArray& bytes) {
    qsizetype off = 0;
    while (off < bytes.size() && !stop_) {
        const ssize_t n = ::write(master_, bytes.constData() + off, size_t(bytes.size() - off));
        if (n > 0) {
            off += n;
            sent_ += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 20); // the program reads slowly or not at all: try again
            if (mode_ == Mode::Flood || mode_ == Mode::EndlessReply) return true;
        } else {
            return false;
        }
    }
    return true;
}

void FaultPeer::run() {
    bool endless = false, afterEsc = false;
    qint64 echoed = 0;
    char buf[4096];
    while (!stop_) {
        const Mode mode = mode_;
        const bool pushing = mode == Mode::Flood || (endless && mode != Mode::SlowEndless);
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, pushing ? 0 : 20) < 0 && errno != EINTR) return;
        const ssize_t n = (p.revents & POLLIN) ? ::read(master_, buf, sizeof buf) : 0;
        if (n > 0) {
            const QByteArray in(buf, n);
            {
                std::lock_guard lock(mutex_);
                received_ += in;
                endless = endless || received_.contains("\x1bW");
            }
            QByteArray out;
            for (char c : in) {
                // Like the terminal, it echoes the data of a transfer, not its command.
                if (c == '\x1b' || std::exchange(afterEsc, false)) {
                    afterEsc = c == '\x1b';
                    continue;
                }
                if (mode != Mode::Echo && echoed >= count_) continue;
                ++echoed;
                out += c;
            }
            if (mode == Mode::EndlessReply || mode == Mode::SlowEndless) out.clear();
            if (!send(out)) return;
            if (mode == Mode::CloseAfter && echoed >= count_) {
                ::close(master_);
                hungUp_ = true;
                return;
            }
        }
        if (mode == Mode::Flood) send(QByteArray(4096, 'f'));
        if (endless && mode == Mode::EndlessReply) send(QByteArray(1024, 'x'));
        if (endless && mode == Mode::SlowEndless) send("y");
    }
}
