// texts: the fixed-text memory, as the buttons of the fixed-text tab do it.
#include "cli/cli.h"

#include "fixedtext/fixedtext.h"
#include "fixedtext/fixedtextops.h"
#include "fixedtext/textcompare.h"
#include "fixedtext/txtfile.h"

#include <QJsonDocument>

namespace cli {
namespace {

Subcommand texts();

int loadImage(Cli& cli, const QString& path, QByteArray* image) {
    FixedTextStore store;
    const Display& display = cli.display();
    const FesttextLoad load = loadFesttextFile(store, path, display.rows, display.columns);
    if (!load.error.isEmpty()) {
        cli.error(QStringLiteral("Die Festtexte können nicht aus \"%1\" geladen werden: %2")
                      .arg(path, load.error));
        return kUsage;
    }
    if (load.blanked > 0)
        cli.info(QStringLiteral("\"%1\": %2 Nullzeichen als Leerzeichen übernommen.")
                     .arg(path)
                     .arg(load.blanked));
    *image = buildFesttextImage(store, display.rows, display.columns);
    return kDone;
}

// Reads the terminal's texts back and compares them with the image; a difference names the
// first differing offset and every differing text with its row on both sides.
int compare(Cli& cli, const QString& path, const QByteArray& image, bool printResult,
            bool json = false) {
    const FixedTextReadBack back = readFixedTextImage(cli.exchange());
    if (!back.result.ok())
        return cli.exitFor(back.result, QStringLiteral("Das Pultino an %1 hat auf das Auslesen "
                                                       "der Festtexte nicht geantwortet.")
                                            .arg(cli.portName()));
    const FesttextComparison comparison =
        compareFesttextImages(back.reply, image, cli.display().columns);
    if (json) {
        cli.result(QString::fromUtf8(QJsonDocument(comparisonJson(comparison)).toJson()).trimmed());
    } else if (printResult) {
        if (comparison.identical()) {
            cli.result(QStringLiteral("identisch"));
        } else {
            const QStringList report = comparisonReport(comparison);
            cli.result(QStringLiteral("Unterschied an Offset %1 %2")
                           .arg(*comparison.offset)
                           .arg(report.value(1)));
            for (const QString& line : report.mid(2))
                cli.result(line);
        }
    }
    if (comparison.identical()) return kDone;
    cli.error(QStringLiteral("Die Festtexte im Pultino an %1 weichen von \"%2\" ab: erster "
                             "Unterschied an Offset %3.")
                  .arg(cli.portName(), path)
                  .arg(*comparison.offset));
    return kTerminalFailed;
}

int write(Cli& cli, const QString& path, bool verify) {
    QByteArray image;
    if (const int rc = loadImage(cli, path, &image)) return rc;
    if (const int rc = cli.connect()) return rc;
    cli.info(QStringLiteral("Festtexte aus \"%1\" (%2 Bytes, Display %3x%4) an %5")
                 .arg(path)
                 .arg(image.size())
                 .arg(cli.display().columns)
                 .arg(cli.display().rows)
                 .arg(cli.portName()));
    const OpResult sent =
        programFixedTexts(cli.exchange(), image, cli.progress(QStringLiteral("Speichern")));
    cli.endProgress();
    if (!sent.ok()) {
        const QString cause = sent.done < kLikelyEepromSize
                                  ? QStringLiteral("Übertragungsfehler, bitte neu versuchen")
                                  : QStringLiteral("nicht genügend EEPROM-Speicher");
        return cli.exitFor(
            sent, QStringLiteral("Fehler beim Speichern der Festtexte aus \"%1\" an %2: kein "
                                 "oder falsches Echo bei Offset %3 (%3 von %4 Bytes "
                                 "gespeichert). Wahrscheinliche Ursache: %5.")
                      .arg(path, cli.portName())
                      .arg(sent.done)
                      .arg(sent.total)
                      .arg(cause));
    }
    // The button reads every programmed image back; so does the tool, with or without
    // --verify, which only prints the comparison as "texts verify" does.
    cli.info(QStringLiteral("Zurücklesen und vergleichen..."));
    return compare(cli, path, image, verify);
}

int verify(Cli& cli, const QString& path, bool json) {
    QByteArray image;
    if (const int rc = loadImage(cli, path, &image)) return rc;
    if (const int rc = cli.connect()) return rc;
    return compare(cli, path, image, true, json);
}

int read(Cli& cli, const QString& path) {
    if (const int rc = cli.connect()) return rc;
    const FixedTextReadBack back = readFixedTextImage(cli.exchange());
    if (!back.result.ok())
        return cli.exitFor(back.result, QStringLiteral("Das Pultino an %1 hat auf das Auslesen "
                                                       "der Festtexte nicht geantwortet.")
                                            .arg(cli.portName()));
    FixedTextStore store;
    const QList<FixedText> texts = parseFesttextReply(back.reply, cli.display().columns);
    applyFesttexts(store, texts);
    const QString why = saveFesttextFile(store, path, cli.display().rows);
    if (!why.isEmpty()) {
        cli.error(QStringLiteral("Die Festtexte können nicht in \"%1\" gespeichert werden: %2")
                      .arg(path, why));
        return kUsage;
    }
    cli.info(QStringLiteral("%1 Festtexte aus dem Pultino in \"%2\" gespeichert.")
                 .arg(texts.size())
                 .arg(path));
    return kDone;
}

int show(Cli& cli, const QString& number) {
    bool ok = false;
    const int n = number.toInt(&ok);
    if (!ok || n < 0 || n >= kFixedTextCount)
        return cli.usage(
            texts(), QStringLiteral("Festtext-Nummer 0..127 erwartet, nicht \"%1\".").arg(number));
    if (const int rc = cli.connect()) return rc;
    return cli.exitFor(showFixedText(cli.port(), n), QString());
}

int run(Cli& cli, Arguments& args) {
    const bool verifyFlag = args.takeFlag(QStringLiteral("--verify"));
    const bool jsonFlag = args.takeFlag(QStringLiteral("--json"));
    if (!args.strayOption().isEmpty())
        return cli.usage(texts(), QStringLiteral("Unbekannte Option %1.").arg(args.strayOption()));
    const QStringList& w = args.words();
    const QString action = w.value(0);
    if (w.size() != 2 || (verifyFlag && action != QLatin1String("write")) ||
        (jsonFlag && action != QLatin1String("verify")))
        return cli.usage(texts(), QStringLiteral("Falscher Aufruf von texts."));
    if (action == QLatin1String("write")) return write(cli, w[1], verifyFlag);
    if (action == QLatin1String("verify")) return verify(cli, w[1], jsonFlag);
    if (action == QLatin1String("read")) return read(cli, w[1]);
    if (action == QLatin1String("show")) return show(cli, w[1]);
    return cli.usage(texts(), QStringLiteral("Unbekannte Aktion \"%1\".").arg(action));
}

Subcommand texts() {
    return {QStringLiteral("texts"),
            10,
            {{QStringLiteral("texts write DATEI.TXT [--verify]"),
              QStringLiteral("Festtexte im Pultino speichern, zurücklesen, vergleichen")},
             {QStringLiteral("texts verify DATEI.TXT [--json]"),
              QStringLiteral("Festtexte im Pultino mit der Datei vergleichen")},
             {QStringLiteral("texts read DATEI.TXT"),
              QStringLiteral("Festtexte aus dem Pultino in die Datei schreiben")},
             {QStringLiteral("texts show N"), QStringLiteral("Festtext N (0..127) anzeigen")}},
            QStringLiteral(
                "Die Datei hat eine Zeile je Displayzeile (Windows-1252, CR LF), so viele Zeilen\n"
                "je Festtext, wie das Display (--display) Zeilen hat. \"write\" überträgt jedes "
                "Byte\nmit Echo-Prüfung, liest danach alle Festtexte zurück und vergleicht; "
                "--verify gibt\ndas Ergebnis des Vergleichs wie \"verify\" aus: \"identisch\" oder "
                "\"Unterschied an\nOffset N\" mit Festtext und Zeile, danach eine Zeile je "
                "abweichendem Festtext\n"
                "(Pultino und Datei); verify --json gibt den ganzen Vergleich als JSON aus. Strg+C "
                "beendet das Speichern mit zwei 0-Bytes, so "
                "dass das Pultino die\nbis dahin übertragenen Festtexte abschließt."),
            run};
}

const Registration registration(texts());

} // namespace
} // namespace cli
