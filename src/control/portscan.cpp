#include "control/portscan.h"

#include "control/controllogic.h"
#include "control/controlops.h"
#include "core/dialogs.h"
#include "link/commandexchange.h"
#include "link/qtserialport.h"
#include "link/receivehandler.h"

namespace control {
namespace {

// Every query of a search passes a negative time-out, so nothing is ever shown.
class NoDialogs : public Dialogs {
  public:
    Answer message(const QString&, const QString&, Buttons, Icon) override { return Answer::Ok; }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QString openFileName(const FileDialog&) override { return {}; }
    QString saveFileName(const FileDialog&) override { return {}; }
};

} // namespace

std::optional<FoundTerminal> probeSpeeds(CommandExchange& exchange) {
    SerialPort& port = exchange.port();
    const QString before = port.settings();
    std::optional<FoundTerminal> found;
    for (const QString& settings : speedItems()) {
        if (!port.isOpen() || !port.setSettings(settings)) break;
        const auto firmware = versionFromReply(queryVersion(exchange).reply);
        if (!firmware) continue;
        found = FoundTerminal{settings, *firmware, {}};
        if (const auto lines = eepromLinesFromReply(queryEeprom(exchange).reply))
            found->eeprom = *lines;
        break;
    }
    port.setSettings(before);
    return found;
}

QList<ScanRow> scanPorts(const QStringList& names, const PortCatalogue& catalogue,
                         const std::function<void(const ScanRow&)>& tried) {
    QStringList devices;
    QList<ScanRow> rows;
    auto done = [&](const ScanRow& row) {
        rows << row;
        if (tried) tried(row);
    };
    if (names.isEmpty()) {
        for (const PortInfo& p : catalogue.ports())
            devices << p.device;
    }
    for (const QString& name : names) {
        ScanRow row;
        row.device = catalogue.resolve(name, &row.error);
        if (row.device.isEmpty()) {
            row.device = name;
            done(row);
        } else if (!devices.contains(row.device)) {
            devices << row.device;
        }
    }
    NoDialogs quiet;
    for (const QString& device : devices) {
        ScanRow row;
        row.device = device;
        row.use = catalogue.use(device);
        if (row.use.busy()) {
            done(row);
            continue;
        }
        QtSerialPort port([device](int) { return device; });
        port.setCatalogue(catalogue);
        port.setSettings(speedItems().constFirst());
        if (!port.open()) {
            row.error = port.errorString();
            done(row);
            continue;
        }
        ReceiveHandler receiver(port);
        CommandExchange exchange(receiver, quiet);
        row.found = probeSpeeds(exchange);
        port.close();
        done(row);
    }
    return rows;
}

PortSearch portSearch(const PortCatalogue& catalogue) {
    return [&catalogue](const QString& device) { return scanPorts({device}, catalogue).value(0); };
}

} // namespace control
