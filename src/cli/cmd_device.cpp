// The terminal's own settings and queries, as the buttons of the settings tab do them.
#include "cli/cli.h"

#include "control/controllogic.h"
#include "control/controlops.h"
#include "core/displaytypes.h"
#include "core/numbers.h"
#include "core/settings.h"
#include "core/win1252.h"
#include "link/commandexchange.h"

namespace cli {
namespace {

QString lines(QString text) {
    return text.replace(QChar(13), QChar(10)).trimmed();
}

// Only the subcommand's own words; no option of its own.
bool plainCall(Cli& cli, const Subcommand& command, Arguments& args, qsizetype words, int* rc) {
    if (!args.strayOption().isEmpty())
        *rc = cli.usage(command, QStringLiteral("Unbekannte Option %1.").arg(args.strayOption()));
    else if (args.words().size() != words)
        *rc = cli.usage(command, QStringLiteral("Falsche Anzahl von Argumenten."));
    else
        return true;
    return false;
}

// The terminal took the value, but the program's settings file did not.
int notKept(Cli& cli, const QString& what, const QString& why) {
    cli.error(QStringLiteral("%1 im Pultino gespeichert, aber nicht in den Einstellungen von "
                             "ZEPTAL32 (\"%2\"): %3 Spätere Aufrufe verwenden den alten Wert.")
                  .arg(what, cli.settings().fileName(), why));
    return kUsage;
}

// --- display TYP

Subcommand displayCommand();

int display(Cli& cli, Arguments& args) {
    int rc = kUsage;
    if (!plainCall(cli, displayCommand(), args, 1, &rc)) return rc;
    const auto chosen = displayFromText(args.words()[0]);
    if (!chosen)
        return cli.usage(displayCommand(),
                         QStringLiteral("Unbekannter Display-Typ \"%1\".").arg(args.words()[0]));
    if ((rc = cli.connect())) return rc;
    const DisplayType& type = kDisplayTypes[size_t(chosen->index)];
    rc = cli.exitFor(
        control::storeDisplayType(cli.port(), type.code, QString::fromLatin1(type.text)),
        QString());
    if (rc != kDone) return rc;
    // As choosing the type in the program's list does, so later calls lay texts out for it.
    const QString name = QString::fromLatin1(type.text).trimmed();
    const QString why =
        cli.settings().write(SettingsStore::kDisplayType, QString::number(chosen->index));
    if (!why.isEmpty()) return notKept(cli, QStringLiteral("Display-Typ %1").arg(name), why);
    cli.info(QStringLiteral("Display-Typ %1 gespeichert.").arg(name));
    return kDone;
}

Subcommand displayCommand() {
    QStringList types;
    for (const DisplayType& type : kDisplayTypes)
        types.append(QString::fromLatin1(type.text).trimmed());
    return {QStringLiteral("display"),
            20,
            {{QStringLiteral("display TYP"),
              QStringLiteral("Display-Typ im Pultino speichern, z. B. 40x4")}},
            QStringLiteral("Sendet ESC \"&S\" mit dem Code des Typs und zeigt den Typ auf dem "
                           "Display an.\nDer Typ wird auch als Display-Typ von ZEPTAL32 "
                           "gespeichert.\nTypen: ") +
                types.join(QStringLiteral(", ")),
            display};
}

// --- speed BAUD

Subcommand speedCommand();

int speed(Cli& cli, Arguments& args) {
    int rc = kUsage;
    if (!plainCall(cli, speedCommand(), args, 1, &rc)) return rc;
    const QStringList items = control::speedItems();
    const auto baud = parseWholeNumber(args.words()[0], 0, 1000000);
    const auto code = baud ? items.indexOf(QStringLiteral("%1,n,8,2").arg(*baud)) : -1;
    if (code < 0)
        return cli.usage(speedCommand(),
                         QStringLiteral("Baudrate 9600, 4800, 2400 oder 1200 erwartet, nicht "
                                        "\"%1\".")
                             .arg(args.words()[0]));
    // The port runs at the new speed from the start, as after choosing it in the program's list.
    if ((rc = cli.connect(items[code]))) return rc;
    if (!control::storeSpeedAtAllRates(cli.port(), items, int(code), items[code])) {
        cli.error(QStringLiteral("Die Schnittstelle %1 konnte nicht wieder geöffnet werden.")
                      .arg(cli.portName()));
        return kPortFailed;
    }
    const QString why = cli.settings().write(SettingsStore::kLineSettings, items[code]);
    if (!why.isEmpty()) return notKept(cli, QStringLiteral("Baudrate %1").arg(items[code]), why);
    cli.info(QStringLiteral("Baudrate %1 gespeichert.").arg(items[code]));
    return kDone;
}

Subcommand speedCommand() {
    return {QStringLiteral("speed"),
            30,
            {{QStringLiteral("speed BAUD"),
              QStringLiteral("Baudrate im Pultino speichern: 9600, 4800, 2400, 1200")}},
            QStringLiteral(
                "Sendet ESC \"&B\" mit dem Code der Baudrate nacheinander mit allen vier\n"
                "Geschwindigkeiten, damit das Pultino den Befehl hört, wie es auch eingestellt "
                "ist,\nöffnet die Schnittstelle dann mit der neuen Baudrate wieder und zeigt sie "
                "auf dem\nDisplay an. Die Baudrate wird auch als Einstellung von ZEPTAL32 "
                "gespeichert;\n--baud gilt für diesen Befehl nicht."),
            speed};
}

// --- version, eeprom

Subcommand versionCommand();
Subcommand eepromCommand();

int version(Cli& cli, Arguments& args) {
    int rc = kUsage;
    if (!plainCall(cli, versionCommand(), args, 0, &rc)) return rc;
    if ((rc = cli.connect())) return rc;
    const control::QueryReply query = control::queryVersion(cli.exchange());
    const QString unanswered = lines(control::versionMessage(query.reply).text);
    if (!query.result.ok()) return cli.exitFor(query.result, unanswered);
    const auto text = control::versionFromReply(query.reply);
    if (!text) return cli.exitFor({OpResult::Status::TerminalFailed, 0, 1}, unanswered);
    cli.result(*text);
    return kDone;
}

int eeprom(Cli& cli, Arguments& args) {
    int rc = kUsage;
    if (!plainCall(cli, eepromCommand(), args, 0, &rc)) return rc;
    if ((rc = cli.connect())) return rc;
    const control::QueryReply query = control::queryEeprom(cli.exchange());
    const QString unanswered = lines(control::eepromMessage(query.reply).text);
    if (!query.result.ok()) return cli.exitFor(query.result, unanswered);
    const auto decoded = control::eepromLinesFromReply(query.reply);
    if (!decoded) return cli.exitFor({OpResult::Status::TerminalFailed, 0, 1}, unanswered);
    for (const QString& line : *decoded)
        cli.result(line);
    return kDone;
}

Subcommand versionCommand() {
    return {QStringLiteral("version"),
            40,
            {{QStringLiteral("version"), QStringLiteral("Firmware-Version abfragen")}},
            QStringLiteral("Sendet ESC \"&V\" und gibt die Version aus, z. B. \"1.80\". Ohne "
                           "Antwort in 500 ms:\nExit-Code 1."),
            version};
}

Subcommand eepromCommand() {
    return {QStringLiteral("eeprom"),
            50,
            {{QStringLiteral("eeprom"), QStringLiteral("EEPROM-Information abfragen")}},
            QStringLiteral("Sendet ESC \"&E\" und gibt für jedes der drei EEPROMs eine Zeile "
                           "aus, z. B.\n\"EEPROM Nr. 1: Vorhanden\". Ohne Antwort: Exit-Code 1."),
            eeprom};
}

// --- address alle|0..15

Subcommand addressCommand();

int address(Cli& cli, Arguments& args) {
    int rc = kUsage;
    if (!plainCall(cli, addressCommand(), args, 1, &rc)) return rc;
    const QString& word = args.words()[0];
    const auto n = parseWholeNumber(word, 0, 15);
    const int index = isAllWord(word) ? 0 : n ? *n + 1 : -1;
    if (index < 0)
        return cli.usage(addressCommand(),
                         QStringLiteral("\"alle\" oder 0..15 erwartet, nicht \"%1\".").arg(word));
    if ((rc = cli.connect())) return rc;
    return cli.exitFor(control::selectBusAddress(cli.port(), index), QString());
}

Subcommand addressCommand() {
    return {QStringLiteral("address"),
            60,
            {{QStringLiteral("address alle|0..15"), QStringLiteral("Bus-Adresse vorgeben")}},
            QStringLiteral("Selektiert im Bus-Mode alle Pultinos (ESC \"&AZ\"; \"alle\" oder "
                           "\"all\") oder das mit\nder Adresse n (ESC \"&A\", n)."),
            address};
}

// --- send TEXT

Subcommand sendCommand();

int send(Cli& cli, Arguments& args) {
    int rc = kUsage;
    if (!plainCall(cli, sendCommand(), args, 1, &rc)) return rc;
    const auto text = unescapeCommandText(args.words()[0]);
    if (!text || text->isEmpty())
        return cli.usage(sendCommand(), QStringLiteral("Ungültiger Text \"%1\": erlaubt sind \\e "
                                                       "für ESC und \\\\ für \\.")
                                            .arg(args.words()[0]));
    qsizetype unmapped = 0;
    for (const QChar c : *text)
        unmapped += c != QLatin1Char('?') && win1252::encodeChar(c) == '?';
    if ((rc = cli.connect())) return rc;
    if (unmapped > 0)
        cli.info(
            QStringLiteral("%1 Zeichen ohne Windows-1252-Byte als \"?\" gesendet.").arg(unmapped));
    return cli.exitFor(control::sendCommandText(cli.port(), *text), QString());
}

Subcommand sendCommand() {
    return {QStringLiteral("send"),
            70,
            {{QStringLiteral("send TEXT"),
              QStringLiteral("Text/Befehl senden, \\e für ESC, z. B. '\\e&C'")}},
            QStringLiteral(
                "Sendet den Text in Windows-1252; ein Zeichen ohne Byte dort wird "
                "\"?\".\n\\e steht für ESC, \\\\ für einen Backslash. Beginnt der Text mit \"-\", "
                "steht \"--\" davor."),
            send};
}

const Registration displayRegistration(displayCommand());
const Registration speedRegistration(speedCommand());
const Registration versionRegistration(versionCommand());
const Registration eepromRegistration(eepromCommand());
const Registration addressRegistration(addressCommand());
const Registration sendRegistration(sendCommand());

} // namespace
} // namespace cli
