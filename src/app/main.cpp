#include "app/mainwindow.h"
#include "app/qtdialogs.h"
#include "core/displaytypes.h"
#include "core/settings.h"
#include "core/translations.h"
#include "link/bytetrace.h"
#include "link/devicemap.h"
#include "link/qtserialport.h"
#include "sim/ptyterminal.h"
#include "sim/simulatorsession.h"
#include "sim/simulatorwindow.h"
#include "station/stationwindow.h"
#include "testmode/testmainwindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <memory>

namespace {

// --station: the station window, with --simulator N on N simulated terminals of their own.
int runStationWindow(QApplication& app, SettingsStore& settings) {
    const QStringList args = QApplication::arguments();
    int count = 0;
    if (const qsizetype at = args.indexOf(QStringLiteral("--simulator")); at >= 0) {
        bool ok = false;
        count = std::clamp(args.value(at + 1).toInt(&ok), 1, 16);
        if (!ok) count = 1;
    }
    std::vector<std::unique_ptr<PtyTerminal>> sims;
    QStringList ports;
    for (int i = 0; i < count; ++i) {
        TerminalOptions options;
        options.lineRate = true; // as slow as a real line, so the progress can be watched
        sims.push_back(std::make_unique<PtyTerminal>(options));
        QString error;
        if (!sims.back()->start(&error)) {
            QMessageBox::critical(nullptr, QStringLiteral("ZEPTAL32"),
                                  QStringLiteral("Das simulierte Pultino konnte nicht gestartet "
                                                 "werden:\n") +
                                      error);
            return 1;
        }
        ports.append(sims.back()->slavePath());
    }
    bool ok = false;
    int display = settings.read(SettingsStore::kDisplayType).trimmed().toInt(&ok);
    if (!ok || display < 0 || display >= int(kDisplayTypes.size()))
        display = kDefaultDisplayTypeIndex;
    QtDialogs dialogs;
    station::StationWindow window(dialogs, display);
    dialogs.setParent(&window);
    window.setPorts(ports);
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEPTAL32"));
    installToolkitTranslations(app);
    if (QApplication::arguments().contains(QStringLiteral("--station"))) {
        SettingsStore settings;
        return runStationWindow(app, settings);
    }
    const bool simulator = QApplication::arguments().contains(QStringLiteral("--simulator"));

    SettingsStore settings;
    DeviceMap devices(settings);
    // Declared before the port so that the simulated terminal outlives it.
    std::unique_ptr<SimulatorSession> sim;
    QtSerialPort port([&devices](int n) { return devices.device(n); });

    if (simulator) {
        sim = std::make_unique<SimulatorSession>();
        QString error;
        if (!sim->start(&error)) {
            QMessageBox::critical(nullptr, QStringLiteral("ZEPTAL32"),
                                  QStringLiteral("Das simulierte Pultino konnte nicht gestartet "
                                                 "werden:\n") +
                                      error);
            return 1;
        }
        // The port the program will open gets the simulated terminal, for this run only.
        bool ok = false;
        int n = settings.read(SettingsStore::kComPort).trimmed().toInt(&ok);
        if (!ok || n < 1 || n > 16) n = port.portNumber();
        devices.bindTemporarily(n, sim->devicePath());
    }

    // --trace FILE: every byte on the line into the file, behind the port the window works on.
    ByteTrace trace;
    std::unique_ptr<TracingSerialPort> traced;
    if (const auto tracePath = traceArgument(QApplication::arguments())) {
        const QString error = tracePath->isEmpty()
                                  ? QStringLiteral("--trace braucht den Namen einer Datei.")
                                  : trace.open(*tracePath);
        if (!error.isEmpty()) {
            QMessageBox::critical(nullptr, QStringLiteral("ZEPTAL32"), error);
            return 2;
        }
        traced = std::make_unique<TracingSerialPort>(port, trace);
    }
    SerialPort& line = traced ? static_cast<SerialPort&>(*traced) : port;

    QtDialogs dialogs;
    // --test starts the test window on its own port instead of the main window.
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<TestMainWindow> testWindow;
    QWidget* shown = nullptr;
    if (QApplication::arguments().contains(QStringLiteral("--test"))) {
        testWindow = std::make_unique<TestMainWindow>(line, dialogs, settings, devices);
        dialogs.setParent(testWindow.get());
        testWindow->startUp();
        shown = testWindow.get();
    } else {
        mainWindow = std::make_unique<MainWindow>(line, dialogs, settings, devices);
        dialogs.setParent(mainWindow.get());
        mainWindow->startUp();
        shown = mainWindow.get();
    }
    QWidget& window = *shown;
    window.show();
    if (sim) {
        sim->showWindow();
        if (QWidget* w = sim->window()) {
            const QRect screen = window.screen()->availableGeometry();
            const int x = window.frameGeometry().right() + 8;
            if (x + w->width() <= screen.right()) w->move(x, window.y());
        }
    }
    const int rc = app.exec();
    line.close();
    return rc;
}
