#include "station/record.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace station {

Outcome outcomeOf(OpResult::Status status) {
    switch (status) {
    case OpResult::Status::Done:
        return Outcome::Good;
    case OpResult::Status::TerminalFailed:
        return Outcome::TerminalFailed;
    case OpResult::Status::PortLost:
        return Outcome::PortLost;
    case OpResult::Status::Aborted:
        return Outcome::Aborted;
    }
    return Outcome::TerminalFailed;
}

int exitCodeOf(Outcome outcome) {
    switch (outcome) {
    case Outcome::Good:
        return 0;
    case Outcome::TerminalFailed:
        return 1;
    case Outcome::PortLost:
    case Outcome::PortFailed:
        return 3;
    case Outcome::Aborted:
        return 130;
    }
    return 1;
}

QString outcomeText(Outcome outcome) {
    switch (outcome) {
    case Outcome::Good:
        return QStringLiteral("in Ordnung");
    case Outcome::TerminalFailed:
        return QStringLiteral("Pultino-Fehler");
    case Outcome::PortLost:
        return QStringLiteral("Verbindung verloren");
    case Outcome::PortFailed:
        return QStringLiteral("Schnittstelle nicht nutzbar");
    case Outcome::Aborted:
        return QStringLiteral("abgebrochen");
    }
    return {};
}

QString outcomeKey(Outcome outcome) {
    switch (outcome) {
    case Outcome::Good:
        return QStringLiteral("ok");
    case Outcome::TerminalFailed:
        return QStringLiteral("terminal_failed");
    case Outcome::PortLost:
        return QStringLiteral("port_lost");
    case Outcome::PortFailed:
        return QStringLiteral("port_failed");
    case Outcome::Aborted:
        return QStringLiteral("aborted");
    }
    return {};
}

qint64 StepRecord::ms() const {
    qint64 sum = 0;
    for (const Attempt& a : attempts)
        sum += a.ms;
    return sum;
}

namespace {

QString iso(const QDateTime& t) {
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString csvField(const QString& text) {
    // A field that a spreadsheet would read as a formula is kept as text.
    QString t = text;
    if (!t.isEmpty() && QStringLiteral("=+-@").contains(t[0])) t.prepend(QLatin1Char('\''));
    if (!t.contains(QLatin1Char(',')) && !t.contains(QLatin1Char('"')) &&
        !t.contains(QLatin1Char('\n')) && !t.contains(QLatin1Char('\r')) &&
        !t.contains(QLatin1Char(';')))
        return t;
    return QLatin1Char('"') + t.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

} // namespace

QByteArray toJsonLine(const TerminalRecord& r) {
    QJsonArray files;
    for (const JobFile& f : r.files)
        files.append(QJsonObject{{QStringLiteral("entry"), f.entry},
                                 {QStringLiteral("path"), f.path},
                                 {QStringLiteral("sha256"), QString::fromLatin1(f.sha256)}});
    QJsonArray steps;
    for (const StepRecord& s : r.steps) {
        QJsonArray attempts;
        for (const Attempt& a : s.attempts)
            attempts.append(QJsonObject{{QStringLiteral("result"), outcomeKey(a.outcome)},
                                        {QStringLiteral("bytes"), double(a.bytes)},
                                        {QStringLiteral("ms"), double(a.ms)},
                                        {QStringLiteral("failure"), a.failure}});
        steps.append(QJsonObject{
            {QStringLiteral("step"), s.title},
            {QStringLiteral("result"), outcomeKey(s.outcome())},
            {QStringLiteral("bytes"), double(s.attempts.isEmpty() ? 0 : s.attempts.last().bytes)},
            {QStringLiteral("planned_bytes"), double(s.bytes)},
            {QStringLiteral("ms"), double(s.ms())},
            {QStringLiteral("attempts"), attempts}});
    }
    QJsonObject o{
        {QStringLiteral("started"), iso(r.started)},
        {QStringLiteral("ended"), iso(r.ended)},
        {QStringLiteral("host"), r.host},
        {QStringLiteral("port"), r.port},
        {QStringLiteral("adapter_serial"), r.adapterSerial},
        {QStringLiteral("adapter_by_id"), r.adapterById},
        {QStringLiteral("firmware"), r.firmware},
        {QStringLiteral("eeprom"), r.eeprom},
        {QStringLiteral("recipe"), r.recipe},
        {QStringLiteral("recipe_path"), r.recipePath},
        {QStringLiteral("recipe_sha256"), QString::fromLatin1(r.recipeSha256)},
        {QStringLiteral("files"), files},
        {QStringLiteral("steps"), steps},
        {QStringLiteral("result"), outcomeKey(r.outcome)},
        {QStringLiteral("problem"), r.problem},
        {QStringLiteral("failed_step"), r.failedStepTitle()},
        {QStringLiteral("offset"), double(r.offset)},
        {QStringLiteral("exit_code"), r.exitCode()},
    };
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray csvHeader() {
    return "started,ended,host,port,adapter_serial,adapter_by_id,firmware,eeprom,recipe,"
           "recipe_sha256,files,steps,result,problem,failed_step,offset,exit_code\r\n";
}

QByteArray toCsvLine(const TerminalRecord& r) {
    QStringList files;
    for (const JobFile& f : r.files)
        files.append(f.entry + QLatin1Char('=') + QString::fromLatin1(f.sha256));
    QStringList steps;
    for (const StepRecord& s : r.steps) {
        QStringList attempts;
        for (const Attempt& a : s.attempts)
            attempts.append(
                QStringLiteral("%1/%2/%3ms").arg(outcomeKey(a.outcome)).arg(a.bytes).arg(a.ms));
        steps.append(s.title + QLatin1Char(':') + attempts.join(QLatin1Char('+')));
    }
    const QStringList fields{iso(r.started),
                             iso(r.ended),
                             r.host,
                             r.port,
                             r.adapterSerial,
                             r.adapterById,
                             r.firmware,
                             r.eeprom,
                             r.recipe,
                             QString::fromLatin1(r.recipeSha256),
                             files.join(QLatin1Char(' ')),
                             steps.join(QLatin1Char(' ')),
                             outcomeKey(r.outcome),
                             r.problem,
                             r.failedStepTitle(),
                             QString::number(r.offset),
                             QString::number(r.exitCode())};
    QStringList quoted;
    for (const QString& f : fields)
        quoted.append(csvField(f));
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

} // namespace station
