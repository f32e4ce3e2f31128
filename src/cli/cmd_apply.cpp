// apply: a whole recipe on one terminal, step by step through the same operations as the single
// commands.
#include "cli/cli.h"
#include "cli/stationapply.h"

#include "control/controlops.h"
#include "core/displaytypes.h"
#include "core/settings.h"
#include "recipe/recipe.h"
#include "station/recipejob.h"

#include <cstdio>

namespace cli {
namespace {

Subcommand applyCommand();

QString seconds(qint64 ms) {
    return QString::number(double(ms) / 1000.0, 'f', 1)
               .replace(QLatin1Char('.'), QLatin1Char(',')) +
           QStringLiteral(" s");
}

QString stepName(const recipe::Plan& plan, int i) {
    const recipe::Step& step = plan.steps[i];
    return QStringLiteral("%1/%2 %3 %4")
        .arg(i + 1)
        .arg(plan.steps.size())
        .arg(step.title, step.detail);
}

bool longStep(const recipe::Step& step) {
    return step.kind == recipe::StepKind::KeyTable || step.kind == recipe::StepKind::Characters ||
           step.kind == recipe::StepKind::Texts;
}

int dryRun(Cli& cli, const recipe::Plan& plan) {
    const int baud = cli.baud();
    cli.result(QStringLiteral("Rezept \"%1\" (%2)").arg(plan.name, plan.path));
    cli.result(QStringLiteral("  SHA-256 %1").arg(QString::fromLatin1(plan.sha256)));
    for (const recipe::FileDigest& file : plan.files)
        cli.result(QStringLiteral("  %1: %2\n    SHA-256 %3")
                       .arg(file.entry, file.path, QString::fromLatin1(file.sha256)));
    qint64 totalMs = 0;
    qsizetype totalBytes = 0;
    for (int i = 0; i < plan.steps.size(); ++i) {
        const recipe::Step& step = plan.steps[i];
        const qint64 ms = recipe::estimatedMs(step, baud);
        totalMs += ms;
        totalBytes += step.bytes;
        cli.result(QStringLiteral("%1: %2 Bytes, ca. %3")
                       .arg(stepName(plan, i))
                       .arg(step.bytes)
                       .arg(seconds(ms)));
    }
    cli.result(QStringLiteral("Zusammen %1 Bytes, ca. %2 bei %3 Baud; keine Schnittstelle "
                              "geöffnet.")
                   .arg(totalBytes)
                   .arg(seconds(totalMs))
                   .arg(baud));
    return kDone;
}

int printImage(Cli& cli, const recipe::Plan& plan) {
    const recipe::Step* texts = plan.find(recipe::StepKind::Texts);
    if (!texts)
        return cli.usage(applyCommand(), QStringLiteral("Das Rezept \"%1\" enthält keine "
                                                        "Festtexte (\"texts\").")
                                             .arg(plan.path));
    std::fwrite(texts->image.constData(), 1, size_t(texts->image.size()), stdout);
    std::fflush(stdout);
    return kDone;
}

// As the single commands do, the choices the terminal now has become the program's own, so
// that later calls lay texts out for the display and talk at the new speed.
void remember(Cli& cli, const recipe::Step& step) {
    if (step.kind == recipe::StepKind::Display)
        cli.settings().write(SettingsStore::kDisplayType, QString::number(step.displayIndex));
    else if (step.kind == recipe::StepKind::Speed)
        cli.settings().write(SettingsStore::kLineSettings, control::speedItems()[step.speedCode]);
}

int apply(Cli& cli, Arguments& args) {
    const bool dry = args.takeFlag(QStringLiteral("--dry-run"));
    const bool image = args.takeFlag(QStringLiteral("--print-image"));
    if (!args.strayOption().isEmpty())
        return cli.usage(applyCommand(),
                         QStringLiteral("Unbekannte Option %1.").arg(args.strayOption()));
    if (args.words().size() != 1 || (dry && image))
        return cli.usage(applyCommand(), QStringLiteral("Falscher Aufruf von apply."));

    const recipe::LoadResult loaded = recipe::loadPlan(args.words()[0], cli.display().index);
    if (!loaded.plan) {
        cli.error(loaded.error);
        return kUsage;
    }
    const recipe::Plan& plan = *loaded.plan;
    for (const QString& note : plan.notes)
        cli.info(note);
    if (image) return printImage(cli, plan);
    if (dry) return dryRun(cli, plan);
    if (cli.stationCall()) return applyOnStation(cli, station::jobFromPlan(plan));

    if (const int rc = cli.connect()) return rc;
    cli.info(QStringLiteral("Rezept \"%1\" an %2").arg(plan.name, cli.portName()));
    int rc = kDone;
    for (int i = 0; i < plan.steps.size(); ++i) {
        const recipe::Step& step = plan.steps[i];
        if (rc != kDone) {
            cli.result(QStringLiteral("%1: nicht ausgeführt").arg(stepName(plan, i)));
            continue;
        }
        const Progress progress = longStep(step) ? cli.progress(step.title) : Progress();
        const recipe::StepRun run = recipe::runPlanStep(plan, i, cli.exchange(), progress);
        cli.endProgress();
        if (run.result.ok()) {
            cli.result(QStringLiteral("%1: OK").arg(stepName(plan, i)));
            remember(cli, step);
            continue;
        }
        cli.result(QStringLiteral("%1: FEHLER").arg(stepName(plan, i)));
        rc = cli.exitFor(run.result, run.failure);
        // exitFor names only a silent terminal in the step's words; a lost port gets them too.
        if (run.result.status == OpResult::Status::PortLost && !run.failure.isEmpty())
            cli.error(run.failure);
    }
    return rc;
}

Subcommand applyCommand() {
    return {
        QStringLiteral("apply"),
        5,
        {{QStringLiteral("apply REZEPT.pultino"),
          QStringLiteral("ein Rezept (alle Einstellungen eines Pultinos) anwenden")},
         {QStringLiteral("apply --dry-run REZEPT.pultino"),
          QStringLiteral("Rezept prüfen, Schritte mit Bytes und Dauer zeigen")},
         {QStringLiteral("apply --print-image REZEPT.pultino"),
          QStringLiteral("Festtext-Abbild des Rezepts auf stdout schreiben")},
         {QStringLiteral("apply REZEPT --port A --port B ..."),
          QStringLiteral("auf mehreren Pultinos zugleich (auch --ports 'MUSTER')")},
         {QStringLiteral("apply REZEPT --watch --port A ..."),
          QStringLiteral("Stationsbetrieb: jedes angesteckte Pultino programmieren")}},
        QStringLiteral(
            "Das Rezept ist eine JSON-Datei (UTF-8) mit den Einträgen \"format\": 1, \"name\",\n"
            "\"display\" (z. B. \"40x4\"), \"keyTable\" (.TST), \"keyboardMode\" (0..7),\n"
            "\"characters\" (Liste von .CHR), \"texts\" (.TXT) und \"speed\" (9600, 4800, 2400,\n"
            "1200); jeder ist freiwillig, Dateinamen gelten relativ zum Ordner des Rezepts.\n"
            "Alle Dateien werden vor dem ersten Byte gelesen und geprüft; ein Fehler darin\n"
            "lässt das ganze Rezept ungesendet (Exit-Code 2). Die Schritte laufen in fester\n"
            "Reihenfolge: Display-Typ, Tastaturtabelle, Tastaturmodus, Zeichen, Festtexte (mit\n"
            "Zurücklesen und Vergleich), zuletzt die Baudrate, der das Programm folgt. Der\n"
            "erste fehlgeschlagene Schritt bestimmt den Exit-Code; die folgenden werden als\n"
            "\"nicht ausgeführt\" aufgeführt. --dry-run öffnet keine Schnittstelle.\n\n"
            "Station: mit mehreren --port (oder --ports '/dev/ttyUSB*') läuft das Rezept auf\n"
            "jeder Schnittstelle zugleich, jede mit eigener Zeitüberwachung; eine Zeile je\n"
            "Schnittstelle zeigt Schritt, Fortschritt und Ergebnis, am Ende eine Tabelle.\n"
            "--report DATEI.jsonl|DATEI.csv hängt je Pultino einen Datensatz an (Zeiten, Rechner,\n"
            "Schnittstelle und Adapter, Firmware-Version und EEPROM, SHA-256 des Rezepts und\n"
            "jeder Datei, jeder Schritt mit Ergebnis, Bytes, Millisekunden und Versuchen).\n"
            "--retries N wiederholt einen Schritt, an dem das Pultino scheiterte, bis zu N-mal.\n"
            "--watch wartet an jeder Schnittstelle auf ein Pultino (Versionsabfrage höchstens\n"
            "zweimal je Sekunde), programmiert es, wartet bis es abgezogen ist und dann auf das\n"
            "nächste; Strg+C beendet alle sauber und zeigt die Summen. Exit-Code: 0, wenn alle\n"
            "in Ordnung waren, sonst der höchste einzelne."),
        apply};
}

const Registration registration(applyCommand());

} // namespace
} // namespace cli
