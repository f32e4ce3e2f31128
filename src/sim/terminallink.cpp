#include "sim/terminallink.h"

#include <QMutexLocker>
#include <algorithm>

TerminalLink::TerminalLink(const TerminalOptions& options, QObject* parent)
    : QObject(parent), engine_(options), inTimer_(this), outTimer_(this), quietTimer_(this) {
    clock_.start();
    connect(&inTimer_, &DeadlineTimer::timeout, this, &TerminalLink::drainInput);
    connect(&outTimer_, &DeadlineTimer::timeout, this, &TerminalLink::drainOutput);
    quietTimer_.setSingleShot(true);
    quietTimer_.setInterval(std::max(0, options.loneEscMs));
    connect(&quietTimer_, &QTimer::timeout, this, [this] {
        {
            QMutexLocker lock(&mutex_);
            engine_.lineQuiet();
        }
        emit stateChanged();
    });
}

qsizetype TerminalLink::trimQueue(QByteArray& queue) {
    const qsizetype excess = queue.size() - kMaxQueuedOutput;
    if (excess <= 0) return 0;
    queue.remove(0, excess);
    return excess;
}

TerminalState TerminalLink::snapshot() const {
    QMutexLocker lock(&mutex_);
    return engine_.state();
}

QByteArray TerminalLink::fixedTextImage() const {
    QMutexLocker lock(&mutex_);
    return engine_.fixedTextImage();
}

TerminalOptions TerminalLink::options() const {
    QMutexLocker lock(&mutex_);
    return engine_.options();
}

qint64 TerminalLink::byteTime() const {
    QMutexLocker lock(&mutex_);
    return byteTimeNs(engine_.state().baud());
}

void TerminalLink::receive(const QByteArray& bytes) {
    if (bytes.isEmpty()) return;
    const TerminalOptions opts = options();
    if (opts.strictSpeed && portBaud_) {
        const int baud = portBaud_();
        if (baud != 0 && baud != snapshot().baud()) {
            emit garbled(bytes);
            return;
        }
    }
    if (!opts.lineRate) {
        process(bytes, clock_.nsecsElapsed());
        return;
    }
    const qint64 now = clock_.nsecsElapsed();
    const qint64 step = byteTime();
    for (char c : bytes) {
        inFreeAt_ = std::max(now, inFreeAt_) + step;
        inQueue_.append(c);
        inDue_.append(inFreeAt_);
    }
    arm(inTimer_, inDue_);
}

void TerminalLink::pressKey(int key) {
    QMetaObject::invokeMethod(
        this,
        [this, key] {
            QByteArray out;
            {
                QMutexLocker lock(&mutex_);
                out = engine_.pressKey(key);
            }
            emit stateChanged();
            queueOutput(out, clock_.nsecsElapsed());
        },
        Qt::QueuedConnection);
}

void TerminalLink::halt() {
    inTimer_.stop();
    outTimer_.stop();
    quietTimer_.stop();
}

void TerminalLink::process(const QByteArray& bytes, qint64 at) {
    QByteArray out;
    bool loneEsc = false;
    {
        QMutexLocker lock(&mutex_);
        out = engine_.feed(bytes, kMaxQueuedOutput);
        loneEsc = engine_.loneEscPending();
    }
    if (loneEsc)
        quietTimer_.start();
    else
        quietTimer_.stop();
    emit received(bytes);
    emit stateChanged();
    queueOutput(out, at);
}

void TerminalLink::queueOutput(const QByteArray& bytes, qint64 from) {
    if (bytes.isEmpty()) return;
    const qint64 step = options().lineRate ? byteTime() : 0;
    for (char c : bytes) {
        outFreeAt_ = std::max(from, outFreeAt_) + step;
        outQueue_.append(c);
        outDue_.append(outFreeAt_);
    }
    outDue_.remove(0, trimQueue(outQueue_));
    // Never answered from inside the program's write: a real line answers later, too.
    arm(outTimer_, outDue_);
}

void TerminalLink::drainInput() {
    const qint64 now = clock_.nsecsElapsed();
    qsizetype n = 0;
    while (n < inDue_.size() && inDue_[n] <= now)
        ++n;
    const QByteArray ready = inQueue_.left(n);
    // The terminal answers from the moment the byte was in, however late this timer came: its
    // lateness must not add to every byte's round trip.
    const qint64 in = n > 0 ? inDue_[n - 1] : now;
    inQueue_.remove(0, n);
    inDue_.remove(0, n);
    if (!ready.isEmpty()) process(ready, in);
    arm(inTimer_, inDue_);
}

void TerminalLink::drainOutput() {
    const qint64 now = clock_.nsecsElapsed();
    qsizetype n = 0;
    while (n < outDue_.size() && outDue_[n] <= now)
        ++n;
    const QByteArray ready = outQueue_.left(n);
    outQueue_.remove(0, n);
    outDue_.remove(0, n);
    if (!ready.isEmpty()) emit transmit(ready);
    arm(outTimer_, outDue_);
}

void TerminalLink::arm(DeadlineTimer& timer, const QList<qint64>& due) {
    if (due.isEmpty()) {
        timer.stop();
        return;
    }
    // A byte takes about a millisecond at 9600 baud, so the timer has to be finer than that.
    timer.start(due.first() - clock_.nsecsElapsed());
}
