#pragma once

#include <functional>
#include <optional>

// Asks a serial driver to pass received bytes on at once. Many USB serial adapters hold short
// packets for a latency timer (16 ms on common chips) before handing them over, which makes
// every echoed byte of a lock-step transfer cost that long; the driver's low-latency flag sets
// the timer to its minimum. Devices without the flag (pseudo-terminals, some UARTs) refuse the
// request and work as before.
//
//     LowLatency lowLatency;
//     lowLatency.request(fd);   // after opening
//     lowLatency.restore();     // before closing, leaves the device as it was found
class LowLatency {
  public:
    // How the flags reach the driver; the default talks to the real device.
    struct Driver {
        // The driver's serial flags, nothing when the device has none.
        std::function<std::optional<int>(int fd)> flags;
        std::function<bool(int fd, int flags)> setFlags;
    };
    static Driver systemDriver();
    // The low-latency bit among the flags.
    static int flagBit();

    explicit LowLatency(Driver driver = systemDriver()) : driver_(std::move(driver)) {}

    // True when the flag is on afterwards, whether it was already or this request set it.
    bool request(int fd);
    // Clears the flag again if request() was the one that set it.
    void restore();
    bool active() const { return active_; }

  private:
    Driver driver_;
    int fd_ = -1;
    bool active_ = false;
    bool setByUs_ = false;
};
