#pragma once

#include "link/operation.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class CommandExchange;

namespace station {

// One step of what every terminal gets. `run` is called on a worker's own thread with that
// worker's exchange; it must only read what it shares with the other workers. It may put the
// operator's words for a failure into `failure`.
struct JobStep {
    QString title;
    qsizetype bytes = 0;
    std::function<OpResult(CommandExchange&, const Progress&, QString* failure)> run;
};

struct JobFile {
    QString entry;
    QString path;
    QByteArray sha256; // lower-case hex
};

// What a station applies to each terminal, and what the report says it was.
struct Job {
    QString name;
    QString path;
    QByteArray sha256;
    QList<JobFile> files;
    QList<JobStep> steps;
};

using SharedJob = std::shared_ptr<const Job>;

} // namespace station
