#include "cli/stationapply.h"

#include "cli/cli.h"
#include "core/settings.h"
#include "link/flags.h"
#include "station/consoleview.h"
#include "station/ports.h"
#include "station/report.h"

#include <QEventLoop>
#include <cstdio>
#include <unistd.h>

namespace cli {

int applyOnStation(Cli& cli, const station::SharedJob& job) {
    const CommonOptions& options = cli.options();
    if (options.simulator) {
        cli.error(QStringLiteral("--simulator gilt nur für eine Schnittstelle ohne --report, "
                                 "--retries und --watch."));
        return kUsage;
    }
    QStringList devices;
    for (const QString& port : options.ports)
        devices.append(cli.deviceFor(port));
    if (devices.isEmpty() && options.portPatterns.isEmpty())
        devices.append(cli.deviceFor(QStringLiteral("COM%1").arg(
            cli.settings().read(SettingsStore::kComPort, QStringLiteral("1")).trimmed().toInt())));
    QString why;
    QList<station::PortTarget> ports = station::collectPorts(devices, options.portPatterns, &why);
    if (ports.isEmpty()) {
        cli.error(why.isEmpty() ? QStringLiteral("Keine Schnittstelle angegeben.") : why);
        return kUsage;
    }
    // A report that cannot be written stops the run before the first byte goes out.
    station::ReportFile report;
    if (!options.report.isEmpty()) {
        why = report.open(options.report);
        if (!why.isEmpty()) {
            cli.error(why);
            return kUsage;
        }
    }

    station::Station::Options stationOptions;
    stationOptions.lineSettings = cli.lineSettings();
    stationOptions.retries = options.retries.value_or(0);
    stationOptions.watch = options.watch;
    station::Station station(job, ports, stationOptions);
    station.writeRecord = [&report](const station::TerminalRecord& r) { return report.append(r); };

    const bool terminal = !cli.quiet() && ::isatty(STDERR_FILENO) == 1;
    {
        station::ConsoleView view(station, terminal, cli.quiet() ? nullptr : stderr);
        QEventLoop loop;
        QObject::connect(&station, &station::Station::finished, &loop, &QEventLoop::quit);
        // Ctrl-C sets the window's abort flag; every port ends its transfer cleanly.
        QObject::connect(&LinkFlags::instance(), &LinkFlags::abortRequestedChanged, &station,
                         [&station](bool abort) {
                             if (abort) station.stop();
                         });
        station.start();
        if (station.running()) loop.exec();
        view.finish();
        cli.result(view.summary(options.watch).trimmed());
    }
    return station.exitCode();
}

} // namespace cli
