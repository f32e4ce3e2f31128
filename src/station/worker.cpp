#include "station/worker.h"

#include "control/controllogic.h"
#include "control/controlops.h"
#include "core/dialogs.h"
#include "link/commandexchange.h"
#include "link/flags.h"
#include "link/qtserialport.h"
#include "link/receivehandler.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace station {

namespace {

// The screen needs no more than a few updates a second per port.
constexpr qint64 kProgressEveryMs = 100;

} // namespace

struct PortWorker::Link {
    explicit Link(const QString& device)
        : port([device](int) { return device; }), receiver(port, flags),
          exchange(receiver, dialogs) {}
    LinkFlags flags;
    // A worker has no window: every exchange it runs handles its own failure, and anything that
    // would still ask is answered with what changes nothing.
    SilentDialogs dialogs;
    QtSerialPort port;
    ReceiveHandler receiver;
    CommandExchange exchange;
};

PortWorker::PortWorker(int index, PortSetup setup, SharedJob job)
    : index_(index), setup_(std::move(setup)), job_(std::move(job)) {}

PortWorker::~PortWorker() = default;

void PortWorker::requestStop() {
    stop_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (link_) link_->flags.setAbortRequested(true);
        },
        Qt::QueuedConnection);
}

void PortWorker::setState(PortState state, int step, int attempt) {
    emit stateChanged(index_, state, step, attempt);
}

void PortWorker::rest(int ms) {
    if (stopping() || ms <= 0) return;
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    connect(&link_->flags, &LinkFlags::abortRequestedChanged, &loop, &QEventLoop::quit);
    loop.exec();
}

bool PortWorker::ensureOpen() {
    if (link_->port.isOpen()) return true;
    link_->port.setSettings(setup_.lineSettings);
    return link_->port.open();
}

std::optional<QByteArray> PortWorker::askVersion() {
    const auto reply = control::queryVersion(link_->exchange);
    if (!reply.result.ok()) return std::nullopt;
    return reply.reply;
}

TerminalRecord PortWorker::applyOnce(const QByteArray& versionReply) {
    TerminalRecord r;
    r.started = QDateTime::currentDateTimeUtc();
    auto finish = [&](Outcome outcome) {
        r.outcome = outcome;
        r.ended = QDateTime::currentDateTimeUtc();
        return r;
    };
    setState(PortState::Querying);
    CommandExchange& exchange = link_->exchange;
    QByteArray version = versionReply;
    if (version.isEmpty()) {
        const auto asked = control::queryVersion(exchange);
        if (asked.result.status == OpResult::Status::PortLost) return finish(Outcome::PortLost);
        version = asked.reply;
    }
    r.firmware = control::versionFromReply(version).value_or(QString());
    const auto eeprom = control::queryEeprom(exchange);
    if (eeprom.result.status == OpResult::Status::PortLost) return finish(Outcome::PortLost);
    if (const auto lines = control::eepromLinesFromReply(eeprom.reply))
        r.eeprom = lines->join(QLatin1Char(' '));
    if (stopping()) return finish(Outcome::Aborted);

    for (int i = 0; i < job_->steps.size(); ++i) {
        const JobStep& step = job_->steps[i];
        StepRecord rec{step.title, step.bytes, {}};
        for (int attempt = 1;; ++attempt) {
            setState(PortState::Running, i, attempt);
            QElapsedTimer clock;
            clock.start();
            const Progress progress = throttled(
                [&](qsizetype done, qsizetype total) { emit progressed(index_, done, total); },
                kProgressEveryMs);
            QString failure;
            const OpResult result = step.run(exchange, progress, &failure);
            // Steps count progress in their own units; a finished step sent all its bytes.
            rec.attempts.append({outcomeOf(result.status), result.ok() ? step.bytes : result.done,
                                 clock.elapsed(), failure});
            if (result.status == OpResult::Status::TerminalFailed && attempt <= setup_.retries &&
                !stopping()) {
                setState(PortState::Retrying, i, attempt + 1);
                // A transfer broken off mid-way leaves the terminal waiting for the rest of its
                // data; an ESC followed by a quiet line ends it, so the step starts afresh.
                link_->port.write(QByteArray(1, '\x1b'));
                rest(setup_.retryPauseMs);
                if (!stopping()) continue;
            }
            r.steps.append(rec);
            if (!result.ok()) {
                r.failedStep = i;
                r.offset = result.done;
                return finish(stopping() ? Outcome::Aborted : outcomeOf(result.status));
            }
            break;
        }
    }
    return finish(Outcome::Good);
}

bool PortWorker::waitForTerminal(QByteArray* versionReply) {
    setState(PortState::Waiting);
    // Whatever a speed step switched to, the next terminal starts at the given speed.
    if (link_->port.isOpen()) link_->port.setSettings(setup_.lineSettings);
    while (!stopping()) {
        QElapsedTimer clock;
        clock.start();
        if (ensureOpen()) {
            if (const auto reply = askVersion()) {
                *versionReply = *reply;
                return true;
            }
        }
        rest(setup_.pollMs - int(clock.elapsed()));
    }
    return false;
}

void PortWorker::waitUntilGone() {
    while (!stopping() && link_->port.isOpen()) {
        QElapsedTimer clock;
        clock.start();
        if (!askVersion()) return;
        rest(setup_.pollMs - int(clock.elapsed()));
    }
}

void PortWorker::run() {
    link_ = std::make_unique<Link>(setup_.device);
    link_->flags.showReceivedData = false;
    if (stopping()) link_->flags.setAbortRequested(true);

    if (!setup_.watch) {
        setState(PortState::Opening);
        if (!ensureOpen()) {
            TerminalRecord r;
            r.started = r.ended = QDateTime::currentDateTimeUtc();
            r.outcome = Outcome::PortFailed;
            r.problem = link_->port.errorString();
            emit terminalDone(index_, r);
        } else {
            emit terminalDone(index_, applyOnce({}));
            setState(PortState::Finished);
        }
    } else {
        QByteArray version;
        while (waitForTerminal(&version)) {
            emit terminalDone(index_, applyOnce(version));
            if (stopping()) break;
            setState(PortState::Finished);
            waitUntilGone();
        }
    }
    link_->port.close();
    link_.reset();
    setState(PortState::Stopped);
    emit finished(index_);
}

} // namespace station
