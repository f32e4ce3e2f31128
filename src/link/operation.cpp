#include "link/operation.h"

#include <QElapsedTimer>

Progress throttled(Progress show, qint64 everyMs) {
    if (!show) return {};
    QElapsedTimer clock;
    return [show = std::move(show), everyMs, clock](qsizetype done, qsizetype total) mutable {
        if (clock.isValid() && done < total && !clock.hasExpired(everyMs)) return;
        clock.start();
        show(done, total);
    };
}
