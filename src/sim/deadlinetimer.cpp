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
#ifdef Q_OS_LINUX
    fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
#endif
    if (fd_ >= 0) {
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        notifier_->setEnabled(false);
        connect(notifier_, &QSocketNotifier::activated, this, &DeadlineTimer::fire);
    } else {
        fallback_.setSingleShot(true);
        fallback_.setTimerType(Qt::PreciseTimer);
        connect(&fallback_, &QTimer::timeout, this, &DeadlineTimer::fire);
    }
}

DeadlineTimer::~DeadlineTimer() {
    delete notifier_;
#ifdef Q_OS_LINUX
    if (fd_ >= 0) ::close(fd_);
#endif
}

void DeadlineTimer::start(qint64 ns) {
    active_ = true;
#ifdef Q_OS_LINUX
    if (fd_ >= 0) {
        // A zero expiry would disarm the timer; the shortest one goes off at once.
        const qint64 wait = ns > 0 ? ns : 1;
        itimerspec spec{};
        spec.it_value.tv_sec = time_t(wait / 1'000'000'000);
        spec.it_value.tv_nsec = long(wait % 1'000'000'000);
        ::timerfd_settime(fd_, 0, &spec, nullptr);
        notifier_->setEnabled(true);
        return;
    }
#endif
    deadline_ = steadyNs() + ns;
    fallback_.start(int(qMax<qint64>(0, ns) / 1'000'000));
}

void DeadlineTimer::stop() {
    active_ = false;
#ifdef Q_OS_LINUX
    if (fd_ >= 0) {
        const itimerspec off{};
        ::timerfd_settime(fd_, 0, &off, nullptr);
        notifier_->setEnabled(false);
        return;
    }
#endif
    fallback_.stop();
}

void DeadlineTimer::fire() {
#ifdef Q_OS_LINUX
    if (fd_ >= 0) {
        quint64 expirations = 0;
        if (::read(fd_, &expirations, sizeof expirations) != sizeof expirations) return;
        notifier_->setEnabled(false);
    }
#endif
    if (fd_ < 0) {
        // Whole milliseconds bring the fallback close; the rest passes in zero-time turns.
        const qint64 left = deadline_ - steadyNs();
        if (left > 0) {
            fallback_.start(int(left / 1'000'000));
            return;
        }
    }
    if (!active_) return;
    active_ = false;
    emit timeout();
}
