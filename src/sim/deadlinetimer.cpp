#include "sim/deadlinetimer.h"

#include <QSocketNotifier>
#include <chrono>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace {
qint64 steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

DeadlineTimer::DeadlineTimer(QObject* parent) : QObject(parent), fallback_(this) {
    fallback_.setSingleShot(true);
    fallback_.setTimerType(Qt::PreciseTimer);
    connect(&fallback_, &QTimer::timeout, this, &DeadlineTimer::fire);
#ifdef Q_OS_LINUX
    fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ >= 0) {
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            quint64 expirations = 0;
            if (::read(fd_, &expirations, sizeof expirations) == sizeof expirations) fire();
        });
    }
#endif
}

DeadlineTimer::~DeadlineTimer() {
    delete notifier_;
#ifdef Q_OS_LINUX
    if (fd_ >= 0) ::close(fd_);
#endif
}

void DeadlineTimer::start(qint64 ns) {
    active_ = true;
    deadline_ = steadyNs() + ns;
#ifdef Q_OS_LINUX
    // "At once" needs no kernel timer: a zero-time turn of the event loop is cheaper.
    if (fd_ >= 0 && ns > 0) {
        fallback_.stop();
        itimerspec expiry{};
        expiry.it_value.tv_sec = time_t(ns / 1'000'000'000);
        expiry.it_value.tv_nsec = long(ns % 1'000'000'000);
        ::timerfd_settime(fd_, 0, &expiry, nullptr);
        return;
    }
#endif
    fallback_.start(int(qMax<qint64>(0, ns) / 1'000'000));
}

void DeadlineTimer::stop() {
    // A kernel timer still running goes off unheeded; disarming it would cost a system call
    // every time.
    active_ = false;
    fallback_.stop();
}

void DeadlineTimer::fire() {
    if (!active_) return;
    // Early: the fallback's whole milliseconds, or a kernel timer set for an earlier start.
    if (const qint64 left = deadline_ - steadyNs(); left > 0) {
        start(left);
        return;
    }
    active_ = false;
    emit timeout();
}
