#include "link/lowlatency.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

LowLatency::Driver LowLatency::systemDriver() {
#ifdef Q_OS_LINUX
    return {[](int fd) -> std::optional<int> {
                serial_struct s{};
                if (::ioctl(fd, TIOCGSERIAL, &s) != 0) return std::nullopt;
                return s.flags;
            },
            [](int fd, int flags) {
                // Read again so that only the flags change, never the rest of the driver's set-up.
                serial_struct s{};
                if (::ioctl(fd, TIOCGSERIAL, &s) != 0) return false;
                s.flags = flags;
                return ::ioctl(fd, TIOCSSERIAL, &s) == 0;
            }};
#else
    return {[](int) -> std::optional<int> { return std::nullopt; }, [](int, int) { return false; }};
#endif
}

int LowLatency::flagBit() {
#ifdef Q_OS_LINUX
    return ASYNC_LOW_LATENCY;
#else
    return 1 << 13;
#endif
}

bool LowLatency::request(int fd) {
    restore();
    const std::optional<int> before = driver_.flags(fd);
    if (!before) return false;
    fd_ = fd;
    if (*before & flagBit()) {
        active_ = true;
        return true;
    }
    // Some drivers take the call and ignore the bit; only a second look tells.
    if (driver_.setFlags(fd, *before | flagBit())) {
        const std::optional<int> after = driver_.flags(fd);
        active_ = setByUs_ = after && (*after & flagBit());
    }
    return active_;
}

void LowLatency::restore() {
    if (setByUs_) {
        // Only our bit goes back; anything else changed meanwhile stays as it is.
        if (const std::optional<int> now = driver_.flags(fd_))
            driver_.setFlags(fd_, *now & ~flagBit());
    }
    fd_ = -1;
    active_ = setByUs_ = false;
}
