#include "sim/linkbatcher.h"

#include "sim/terminallink.h"

#include <QMutex>
#include <QMutexLocker>

// Written by the link's thread, taken by the batcher's. It outlives the batcher for as long as
// a report of the link may still be running.
struct LinkBatcher::Shared {
    QMutex mutex;
    Traffic traffic;
    bool stateChanged = false;
    bool wakePosted = false;
    LinkBatcher* owner = nullptr; // cleared when the batcher goes

    void add(ByteLogWidget::Direction direction, const QByteArray& bytes) {
        QMutexLocker lock(&mutex);
        if (!traffic.isEmpty() && traffic.last().first == direction)
            traffic.last().second += bytes;
        else
            traffic.append({direction, bytes});
        wake();
    }
    void changed() {
        QMutexLocker lock(&mutex);
        stateChanged = true;
        wake();
    }
    // One wake-up in flight at a time, however many reports come in before it is handled.
    void wake() {
        if (wakePosted || !owner) return;
        wakePosted = true;
        QMetaObject::invokeMethod(owner, &LinkBatcher::woken, Qt::QueuedConnection);
    }
};

LinkBatcher::LinkBatcher(TerminalLink& link, QObject* parent)
    : QObject(parent), shared_(std::make_shared<Shared>()) {
    shared_->owner = this;
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &LinkBatcher::flush);
    using Direction = ByteLogWidget::Direction;
    // Direct: the reports are gathered in the link's thread without an event each.
    auto report = [this, &link](auto signal, Direction direction) {
        connect(
            &link, signal, this,
            [shared = shared_, direction](const QByteArray& b) { shared->add(direction, b); },
            Qt::DirectConnection);
    };
    report(&TerminalLink::received, Direction::ToTerminal);
    report(&TerminalLink::transmit, Direction::FromTerminal);
    report(&TerminalLink::garbled, Direction::Lost);
    connect(
        &link, &TerminalLink::stateChanged, this, [shared = shared_] { shared->changed(); },
        Qt::DirectConnection);
}

LinkBatcher::~LinkBatcher() {
    QMutexLocker lock(&shared_->mutex);
    shared_->owner = nullptr;
}

void LinkBatcher::woken() {
    // The first report after a quiet spell shows at once; the rest wait for the next frame.
    const qint64 since = sinceFrame_.isValid() ? sinceFrame_.elapsed() : kFrameMs;
    if (since >= kFrameMs)
        flush();
    else if (!timer_.isActive())
        timer_.start(int(kFrameMs - since));
}

void LinkBatcher::flush() {
    timer_.stop();
    Traffic traffic;
    bool changed = false;
    {
        QMutexLocker lock(&shared_->mutex);
        traffic.swap(shared_->traffic);
        changed = std::exchange(shared_->stateChanged, false);
        shared_->wakePosted = false;
    }
    sinceFrame_.start();
    if (!traffic.isEmpty() || changed) emit frame(traffic, changed);
}
