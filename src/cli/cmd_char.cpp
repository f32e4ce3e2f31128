// char: the user-defined characters in the terminal's CG-RAM, as the buttons of the character
// tab do it.
#include "cli/cli.h"

#include "chars/charops.h"
#include "chars/pattern.h"
#include "core/numbers.h"

namespace cli {
namespace {

Subcommand chars();

// Every byte goes out even when an echo is missing, as on the page; the tool still reports the
// first missing one, since a script must learn that the terminal did not take the character.
QString noEcho(Cli& cli, const OpResult& result) {
    return QStringLiteral("Das Pultino an %1 hat das Zeichen nicht bestätigt: kein oder falsches "
                          "Echo bei Offset %2 (%2 von %3 Bytes bestätigt).")
        .arg(cli.portName())
        .arg(result.done)
        .arg(result.total);
}

int write(Cli& cli, const QString& path) {
    const fileio::ReadResult file = cli.readInput(path);
    const ChrLoad load = file.ok() ? chrFromFile(file.data) : ChrLoad{std::nullopt, file.error};
    if (!load.definition)
        return cli.fileFailed(QStringLiteral("Das Zeichen kann nicht aus \"%1\" geladen werden: %2")
                                  .arg(path, load.error));
    const CharacterDefinition& d = *load.definition;
    if (const int rc = cli.connect()) return rc;
    cli.info(QStringLiteral("Zeichen aus \"%1\" (CG-RAM %2, Tausch-Adresse %3) an %4")
                 .arg(path)
                 .arg(d.place + 1)
                 .arg(d.code)
                 .arg(cli.portName()));
    const OpResult stored = storeCharacter(cli.exchange(), d.place, d.code, d.pattern.rows());
    return cli.exitFor(stored, noEcho(cli, stored));
}

int erase(Cli& cli, const QString& word) {
    const auto place = parseWholeNumber(word, 1, kCgramPlaces);
    const bool all = isAllWord(word);
    if (!all && !place)
        return cli.usage(
            chars(), QStringLiteral("CG-RAM 1..8 oder \"alle\" erwartet, nicht \"%1\".").arg(word));
    if (const int rc = cli.connect()) return rc;
    const OpResult erased =
        all ? eraseAllCharacters(cli.exchange(), {}, cli.progress(QStringLiteral("Löschen")))
            : eraseCharacter(cli.exchange(), *place - 1);
    cli.endProgress();
    return cli.exitFor(erased, noEcho(cli, erased));
}

int run(Cli& cli, Arguments& args) {
    if (!args.strayOption().isEmpty())
        return cli.usage(chars(), QStringLiteral("Unbekannte Option %1.").arg(args.strayOption()));
    const QStringList& w = args.words();
    const QString action = w.value(0);
    if (w.size() != 2) return cli.usage(chars(), QStringLiteral("Falscher Aufruf von char."));
    if (action == QLatin1String("write")) return write(cli, w[1]);
    if (action == QLatin1String("erase")) return erase(cli, w[1]);
    return cli.usage(chars(), QStringLiteral("Unbekannte Aktion \"%1\".").arg(action));
}

Subcommand chars() {
    return {QStringLiteral("char"),
            14,
            {{QStringLiteral("char write DATEI.CHR"),
              QStringLiteral("Zeichen aus der Datei im Pultino speichern und anzeigen")},
             {QStringLiteral("char erase 1..8|alle"),
              QStringLiteral("CG-RAM-Platz (oder alle acht) im Pultino löschen")}},
            QStringLiteral(
                "Die Datei hält 10 Bytes: Platz 0..7, Tausch-Adresse 32..127, sieben Zeilen, 0.\n"
                "Gesendet werden ESC \"&L\", Platz, Code, sieben Zeilen und 0, jedes Byte ab dem\n"
                "Code mit Echo-Prüfung (500 ms); danach Display löschen und beim Speichern den\n"
                "Code als Text. Fehlt ein Echo, geht die Definition trotzdem ganz hinaus; der\n"
                "Exit-Code ist dann 1 mit dem Offset des ersten fehlenden Echos. Die Plätze\n"
                "heißen wie im Programm CG-RAM 1 bis 8; \"erase\" bindet sie an den Code 10\n"
                "(\"alle\" oder \"all\": alle acht). DATEI \"-\" ist die Standardeingabe."),
            run};
}

const Registration registration(chars());

} // namespace
} // namespace cli
