// Finding a terminal whose port or line speed is unknown.
#include "cli/cli.h"

#include "control/portscan.h"
#include "core/settings.h"
#include "link/devicemap.h"
#include "link/serialport.h"

#include <QRegularExpression>

namespace cli {
namespace {

Subcommand scanCommand();

// "COMn" names the device stored for port n; anything else goes to the catalogue as it is.
QString deviceOfName(Cli& cli, const QString& name) {
    static const QRegularExpression com(QStringLiteral("^COM([0-9]+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto match = com.match(name.trimmed());
    const int n = match.hasMatch() ? match.captured(1).toInt() : 0;
    return n >= 1 && n <= DeviceMap::kPortCount ? cli.devices().device(n) : name;
}

// Stores the terminal's port and speed as the port settings dialog does: the port number that
// already opens this adapter, else the chosen number with the adapter's stable by-id name.
void useFound(Cli& cli, const PortCatalogue& catalogue, const ScanRow& row) {
    int number = 0;
    for (int n = 1; n <= DeviceMap::kPortCount && number == 0; ++n)
        if (catalogue.resolve(cli.devices().device(n), nullptr) == row.device) number = n;
    if (number == 0) {
        bool ok = false;
        number = cli.settings().read(SettingsStore::kComPort).trimmed().toInt(&ok);
        if (!ok || number < 1 || number > DeviceMap::kPortCount) number = 1;
        QString name = row.device;
        for (const PortInfo& p : catalogue.ports())
            if (p.device == row.device && !p.byId.isEmpty()) name = p.byId;
        cli.devices().store(number, name);
    }
    cli.settings().write(SettingsStore::kComPort, QString::number(number));
    cli.settings().write(SettingsStore::kLineSettings, row.found->settings);
    cli.info(QStringLiteral("Als Schnittstelle von ZEPTAL32 gespeichert: COM%1 (%2), %3.")
                 .arg(number)
                 .arg(cli.devices().device(number), row.found->settings));
}

int scan(Cli& cli, Arguments& args) {
    const bool use = args.takeFlag(QStringLiteral("--use"));
    if (!args.strayOption().isEmpty())
        return cli.usage(scanCommand(),
                         QStringLiteral("Unbekannte Option %1.").arg(args.strayOption()));
    QStringList names;
    if (cli.usesSimulator()) {
        // The built-in terminal's pseudo-terminal, which no enumeration lists.
        if (const int rc = cli.connect()) return rc;
        names << cli.port().deviceName();
        cli.port().close();
    }
    if (!cli.portOption().isEmpty()) names << deviceOfName(cli, cli.portOption());
    for (const QString& word : args.words())
        names << deviceOfName(cli, word);

    const PortCatalogue& catalogue = PortCatalogue::system();
    QList<ScanRow> found;
    control::scanPorts(names, catalogue, [&](const ScanRow& row) {
        const QString text = scanRowText(row);
        if (row.found) {
            found << row;
            cli.result(text);
        } else {
            cli.info(text);
        }
    });
    if (found.isEmpty()) {
        cli.error(QStringLiteral("Kein Pultino gefunden."));
        return kTerminalFailed;
    }
    if (use && found.size() == 1) useFound(cli, catalogue, found[0]);
    if (use && found.size() > 1)
        cli.error(QStringLiteral("Mehrere Pultinos gefunden; nichts gespeichert. Mit --port eines "
                                 "wählen."));
    return kDone;
}

Subcommand scanCommand() {
    return {QStringLiteral("scan"),
            85,
            {{QStringLiteral("scan [--port NAME] [NAME...] [--use]"),
              QStringLiteral("Pultino an unbekannter Schnittstelle oder Baudrate suchen")}},
            QStringLiteral(
                "Fragt an jeder freien Schnittstelle (oder den genannten) die Firmware-Version "
                "mit\n9600, 4800, 2400 und 1200 Baud ab und, wo ein Pultino antwortet, die "
                "EEPROM-\nInformation. Gesendet werden nur diese beiden Abfragen; am Pultino "
                "ändert sich\nnichts. Jede gefundene Schnittstelle kommt als Zeile auf stdout, "
                "z. B.\n\"/dev/ttyUSB0: Pultino mit 2400,n,8,2, Firmware 1.80, ...\"; "
                "Schnittstellen in\nBenutzung werden übersprungen und mit dem Programm genannt.\n"
                "Eine Schnittstelle ohne Pultino kostet höchstens 2 s (500 ms je Baudrate).\n"
                "NAME: Gerät, COMn, usb:SERIENNUMMER oder by-id-Name.\n"
                "--use: das gefundene Pultino (genau eines) mit Schnittstelle und Baudrate als\n"
                "Einstellung von ZEPTAL32 speichern, wie der Dialog \"COM Einstellungen\".\n"
                "Exit-Code 0, wenn mindestens ein Pultino gefunden wurde, sonst 1."),
            scan};
}

const Registration scanRegistration(scanCommand());

} // namespace
} // namespace cli
