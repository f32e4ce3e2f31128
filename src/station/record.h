#pragma once

#include "link/operation.h"
#include "station/job.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>

namespace station {

// How one terminal's run ended.
enum class Outcome {
    Good,           // every step went through
    TerminalFailed, // no or a wrong echo, no reply
    PortLost,       // the port vanished during the run
    PortFailed,     // the port could not be opened
    Aborted,        // ended by the operator
};

Outcome outcomeOf(OpResult::Status status);
// The exit code of the command-line tool for it: 0, 1, 3, 3, 130.
int exitCodeOf(Outcome outcome);
// Short German word for screens and the summary, e.g. "Pultino-Fehler".
QString outcomeText(Outcome outcome);
// Fixed word for reports, e.g. "terminal_failed".
QString outcomeKey(Outcome outcome);

struct Attempt {
    Outcome outcome = Outcome::Good;
    qsizetype bytes = 0; // done when it ended
    qint64 ms = 0;
    QString failure; // the operator's words, when it failed
};

struct StepRecord {
    QString title;
    qsizetype bytes = 0; // planned
    QList<Attempt> attempts;
    Outcome outcome() const { return attempts.isEmpty() ? Outcome::Good : attempts.last().outcome; }
    qint64 ms() const;
};

// Everything known about one terminal's run; one line of the report.
struct TerminalRecord {
    QDateTime started;
    QDateTime ended;
    QString host;
    QString port;
    QString adapterSerial; // USB serial number, where the system has one
    QString adapterById;   // its /dev/serial/by-id name
    QString firmware;      // from the version query before the run; empty: no answer
    QString eeprom;        // from the EEPROM query, e.g. "11111111 00000000 00000000"
    QString problem;       // why the port could not be used, when it could not
    QString recipe;
    QString recipePath;
    QByteArray recipeSha256;
    QList<JobFile> files;
    QList<StepRecord> steps;
    Outcome outcome = Outcome::Good;
    int failedStep = -1;  // index into steps
    qsizetype offset = 0; // bytes of the failed step done when it failed

    int exitCode() const { return exitCodeOf(outcome); }
    QString failedStepTitle() const {
        return failedStep >= 0 && failedStep < steps.size() ? steps[failedStep].title : QString();
    }
    qint64 durationMs() const { return started.msecsTo(ended); }
};

// One JSON object on one line, with its line end.
QByteArray toJsonLine(const TerminalRecord& record);
// The CSV header line and one record as a CSV line (RFC 4180 quoting), with line ends.
QByteArray csvHeader();
QByteArray toCsvLine(const TerminalRecord& record);

} // namespace station

Q_DECLARE_METATYPE(station::TerminalRecord)
