// keys: the terminal's key table and keyboard mode, as the buttons of the keyboard tab do it.
#include "cli/cli.h"

#include "core/numbers.h"
#include "keyboard/keyboardops.h"
#include "keyboard/keytable.h"

namespace cli {
namespace {

Subcommand keys();

// `table` empty: the standard table.
int sendTable(Cli& cli, const QByteArray& table, const QString& what) {
    if (const int rc = cli.connect()) return rc;
    cli.info(QStringLiteral("%1 an %2").arg(what, cli.portName()));
    const Progress progress = cli.progress(QStringLiteral("Übertragen"));
    const OpResult sent = table.isEmpty() ? resetKeyTable(cli.exchange(), progress)
                                          : sendKeyTable(cli.exchange(), table, progress);
    cli.endProgress();
    // The table's bytes follow the two command bytes; the offset counts within the table.
    return cli.exitFor(sent,
                       QStringLiteral("Fehler beim Ändern der Tastaturtabelle an %1: kein oder "
                                      "falsches Echo bei Offset %2 (%2 von %3 Bytes der Tabelle "
                                      "übertragen). Das Pultino hält jetzt womöglich eine "
                                      "teilweise geladene Tabelle.")
                           .arg(cli.portName())
                           .arg(sent.done)
                           .arg(sent.total));
}

int write(Cli& cli, const QString& path) {
    const fileio::ReadResult file = cli.readInput(path);
    if (!file.ok())
        return cli.fileFailed(
            QStringLiteral("Die Tastaturtabelle kann nicht aus \"%1\" geladen werden: %2")
                .arg(path, file.error));
    return sendTable(cli, keyTableFromBytes(file.data),
                     QStringLiteral("Tastaturtabelle aus \"%1\"").arg(path));
}

int mode(Cli& cli, const QString& word) {
    const auto m = parseWholeNumber(word, 0, 7);
    if (!m)
        return cli.usage(keys(),
                         QStringLiteral("Tastaturmodus 0..7 erwartet, nicht \"%1\".").arg(word));
    if (const int rc = cli.connect()) return rc;
    const OpResult result = setKeyboardMode(cli.exchange(), *m);
    return cli.exitFor(result, QStringLiteral("Das Pultino an %1 unterstützt diese Funktion "
                                              "nicht (keine oder eine zu kurze Antwort auf die "
                                              "Versionsabfrage); der Tastaturmodus wurde nicht "
                                              "gesendet.")
                                   .arg(cli.portName()));
}

int run(Cli& cli, Arguments& args) {
    if (!args.strayOption().isEmpty())
        return cli.usage(keys(), QStringLiteral("Unbekannte Option %1.").arg(args.strayOption()));
    const QStringList& w = args.words();
    const QString action = w.value(0);
    if (action == QLatin1String("reset") && w.size() == 1)
        return sendTable(cli, {}, QStringLiteral("Standardtabelle"));
    if (w.size() != 2) return cli.usage(keys(), QStringLiteral("Falscher Aufruf von keys."));
    if (action == QLatin1String("write")) return write(cli, w[1]);
    if (action == QLatin1String("mode")) return mode(cli, w[1]);
    return cli.usage(keys(), QStringLiteral("Unbekannte Aktion \"%1\".").arg(action));
}

Subcommand keys() {
    return {QStringLiteral("keys"),
            12,
            {{QStringLiteral("keys write DATEI.TST"),
              QStringLiteral("Tastaturtabelle aus der Datei ins Pultino übertragen")},
             {QStringLiteral("keys reset"),
              QStringLiteral("Standardtabelle übertragen (Zeile r, Spalte c sendet 16*r+c)")},
             {QStringLiteral("keys mode 0..7"),
              QStringLiteral("Tastaturmodus setzen (0 Polling, 1 ungepuffert, 2..7 Repeat)")}},
            QStringLiteral(
                "Die Datei hält 32 Bytes, Byte k den Code der Taste k (Zeile k/8, Spalte k%8);\n"
                "eine kürzere Datei lässt 0 in den übrigen Tasten. Übertragen: ESC \"&u\" und "
                "jedes\nByte mit Echo-Prüfung (500 ms); ohne Echo Exit-Code 1 mit dem Offset. "
                "\"mode\" fragt\nzuerst die Version ab: ohne Antwort (alte Firmware) wird "
                "nichts gesendet, Exit-Code 1."),
            run};
}

const Registration registration(keys());

} // namespace
} // namespace cli
