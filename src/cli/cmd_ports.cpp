// The serial ports of this machine with their adapters, and who holds each.
#include "cli/cli.h"

#include "link/portcatalogue.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {
namespace {

QString hex4(std::optional<quint16> id) {
    return id ? QStringLiteral("%1").arg(*id, 4, 16, QLatin1Char('0')) : QString();
}

QJsonValue orNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QString portLine(const PortInfo& p, const PortUse& use) {
    QStringList fields;
    if (!p.description.isEmpty()) fields << p.description;
    if (!p.manufacturer.isEmpty()) fields << p.manufacturer;
    if (p.vendorId || p.productId)
        fields << QStringLiteral("USB %1:%2").arg(hex4(p.vendorId), hex4(p.productId));
    if (!p.serialNumber.isEmpty())
        fields << QStringLiteral("Seriennummer %1 (usb:%1)").arg(p.serialNumber);
    fields << use.text();
    QString head = p.device;
    if (!p.byId.isEmpty()) head += QStringLiteral(" = ") + QFileInfo(p.byId).fileName();
    return head + QStringLiteral(": ") + fields.join(QStringLiteral(", "));
}

Subcommand portsCommand();

int ports(Cli& cli, Arguments& args) {
    const bool json = args.takeFlag(QStringLiteral("--json"));
    if (!args.strayOption().isEmpty())
        return cli.usage(portsCommand(),
                         QStringLiteral("Unbekannte Option %1.").arg(args.strayOption()));
    if (!args.words().isEmpty())
        return cli.usage(portsCommand(), QStringLiteral("Falsche Anzahl von Argumenten."));
    const PortCatalogue& catalogue = PortCatalogue::system();
    QJsonArray list;
    const QList<PortInfo> found = catalogue.ports();
    for (const PortInfo& p : found) {
        const PortUse use = catalogue.use(p.device);
        if (!json) {
            cli.result(portLine(p, use));
            continue;
        }
        list.append(QJsonObject{
            {QStringLiteral("device"), p.device},
            {QStringLiteral("byId"), orNull(p.byId)},
            {QStringLiteral("description"), orNull(p.description)},
            {QStringLiteral("manufacturer"), orNull(p.manufacturer)},
            {QStringLiteral("vendorId"), orNull(hex4(p.vendorId))},
            {QStringLiteral("productId"), orNull(hex4(p.productId))},
            {QStringLiteral("serialNumber"), orNull(p.serialNumber)},
            {QStringLiteral("busy"), use.busy()},
            {QStringLiteral("pid"), use.busy() ? QJsonValue(use.pid) : QJsonValue()},
            {QStringLiteral("program"), orNull(use.program)},
        });
    }
    if (json)
        cli.result(
            QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Indented)).trimmed());
    else if (found.isEmpty())
        cli.info(QStringLiteral("Keine serielle Schnittstelle gefunden."));
    return kDone;
}

Subcommand portsCommand() {
    return {QStringLiteral("ports"),
            80,
            {{QStringLiteral("ports [--json]"),
              QStringLiteral("serielle Schnittstellen mit ihren Adaptern auflisten")}},
            QStringLiteral(
                "Eine Zeile je Schnittstelle: Gerät, Name unter /dev/serial/by-id, Beschreibung,\n"
                "Hersteller, USB-Hersteller- und Produktkennung, Seriennummer und ob sie frei "
                "oder\nin Benutzung ist (mit Programm und PID aus Sperrdatei und /proc). Sendet "
                "nichts.\n--json: dieselben Angaben als JSON-Liste.\n\n"
                "Überall, wo eine Schnittstelle genannt wird (--port, \"Gerät:\" in ZEPTAL32), "
                "geht\nauch usb:SERIENNUMMER oder der by-id-Name."),
            ports};
}

const Registration portsRegistration(portsCommand());

} // namespace
} // namespace cli
