#include "demos/democlock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

EventLoopClock::EventLoopClock() {
    elapsed_.start();
}

qint64 EventLoopClock::now() const {
    return elapsed_.elapsed();
}

void EventLoopClock::waitUntil(qint64 deadline, const std::function<bool()>& stop) {
    // The timer only wakes the dispatcher; the loop itself decides when the time is up.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!(stop && stop())) {
        const qint64 left = deadline - now();
        if (left <= 0) return;
        wake.start(static_cast<int>(left));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
