#include "station/station.h"

#include <QSysInfo>

namespace station {

QString stateText(PortState state) {
    switch (state) {
    case PortState::Idle:
        return QStringLiteral("bereit");
    case PortState::Opening:
        return QStringLiteral("öffnet");
    case PortState::Waiting:
        return QStringLiteral("wartet auf Pultino");
    case PortState::Querying:
        return QStringLiteral("fragt Version ab");
    case PortState::Running:
        return QStringLiteral("läuft");
    case PortState::Retrying:
        return QStringLiteral("Wiederholung");
    case PortState::Finished:
        return QStringLiteral("fertig");
    case PortState::Stopped:
        return QStringLiteral("beendet");
    }
    return {};
}

int PortView::rate() const {
    const qint64 ms = stepClock.isValid() ? stepClock.elapsed() : 0;
    return ms > 0 && done > 0 ? int(1000 * done / ms) : 0;
}

Station::Station(SharedJob job, QList<PortTarget> ports, Options options, QObject* parent)
    : QObject(parent), job_(std::move(job)), options_(options) {
    qRegisterMetaType<station::TerminalRecord>();
    qRegisterMetaType<station::PortState>();
    for (PortTarget& port : ports) {
        PortView view;
        view.port = std::move(port);
        views_.append(view);
    }
}

Station::~Station() {
    stop();
    release();
}

void Station::release() {
    for (auto& thread : threads_)
        thread->wait();
    // The threads have ended, so nothing of a worker runs any more.
    workers_.clear();
    threads_.clear();
}

void Station::start() {
    if (running()) return;
    release();
    for (int i = 0; i < views_.size(); ++i) {
        PortView& view = views_[i];
        view.state = PortState::Idle;
        PortSetup setup{view.port.device, options_.lineSettings, options_.retries,
                        options_.watch,   options_.retryPauseMs, options_.pollMs};
        auto worker = std::make_unique<PortWorker>(i, setup, job_);
        PortWorker* w = worker.get();
        // The thread ends when the worker returns; it needs no event loop of its own beyond
        // the waits the worker runs.
        std::unique_ptr<QThread> thread(QThread::create([w] { w->run(); }));
        thread->setObjectName(QStringLiteral("station-%1").arg(i));
        worker->moveToThread(thread.get());
        connect(w, &PortWorker::stateChanged, this, &Station::onState);
        connect(w, &PortWorker::progressed, this, &Station::onProgress);
        connect(w, &PortWorker::terminalDone, this, &Station::onRecord);
        connect(w, &PortWorker::finished, this, &Station::onFinished);
        workers_.push_back(std::move(worker));
        threads_.push_back(std::move(thread));
    }
    running_ = int(threads_.size());
    for (auto& thread : threads_)
        thread->start();
    if (running_ == 0) emit finished();
}

void Station::stop() {
    for (auto& worker : workers_)
        worker->requestStop();
}

int Station::exitCode() const {
    int code = 0;
    for (const TerminalRecord& r : records_)
        code = qMax(code, r.exitCode());
    return code;
}

void Station::onState(int index, PortState state, int step, int attempt) {
    PortView& view = views_[index];
    if (state == PortState::Running && (step != view.step || attempt != view.attempt)) {
        view.done = 0;
        view.total = step >= 0 && step < job_->steps.size() ? job_->steps[step].bytes : 0;
        view.stepClock.start();
    }
    view.state = state;
    view.step = step;
    view.attempt = attempt;
    emit portChanged(index);
}

void Station::onProgress(int index, qsizetype done, qsizetype total) {
    views_[index].done = done;
    views_[index].total = total;
    emit portChanged(index);
}

void Station::onRecord(int index, const TerminalRecord& record) {
    PortView& view = views_[index];
    TerminalRecord r = record;
    r.host = QSysInfo::machineHostName();
    r.port = view.port.shown;
    r.adapterSerial = view.port.adapterSerial;
    r.adapterById = view.port.adapterById;
    r.recipe = job_->name;
    r.recipePath = job_->path;
    r.recipeSha256 = job_->sha256;
    r.files = job_->files;
    (r.outcome == Outcome::Good ? view.good : view.failed)++;
    view.last = r;
    records_.append(r);
    if (writeRecord) {
        const QString why = writeRecord(r);
        if (!why.isEmpty()) emit reportFailed(why);
    }
    emit recordAdded(index, r);
    emit portChanged(index);
}

void Station::onFinished(int index) {
    emit portChanged(index);
    if (--running_ == 0) emit finished();
}

} // namespace station
