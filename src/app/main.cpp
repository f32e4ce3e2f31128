#include "app/mainwindow.h"
#include "app/qtdialogs.h"
#include "core/dialogs.h"
#include "core/displaytypes.h"
#include "core/settings.h"
#include "core/translations.h"
#include "core/version.h"
#include "link/bytetrace.h"
#include "link/devicemap.h"
#include "link/eventloop.h"
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
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char* const kHelp =
    "Aufruf: zeptal32 [Optionen]\n"
    "Einrichten, Prüfen und Vorführen des Pultino-Bedienterminals.\n\n"
    "Optionen:\n"
    "  --simulator     mit dem eingebauten simulierten Pultino statt der gewählten\n"
    "                  Schnittstelle arbeiten (nur für diesen Lauf)\n"
    "  --test          das Fenster \"PT Test und Initialisierung\" statt des Hauptfensters\n"
    "  --station       das Stationsfenster: ein Rezept auf vielen Pultinos zugleich,\n"
    "                  mit --simulator N auf N simulierten Pultinos\n"
    "  --trace DATEI   jedes Byte auf der Leitung mit Zeitstempel protokollieren\n"
    "  --version       Name und Version ausgeben\n"
    "  --help, -h      diese Hilfe\n\n"
    "Dazu kommen die Optionen von Qt (Plattform, Display, Stil).\n";

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
    // Answered before the application object exists: neither needs a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("zeptal32 %s\n", kZeptalVersion);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    preferPlainEventLoop(true);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEPTAL32"));
    QApplication::setApplicationVersion(QString::fromLatin1(kZeptalVersion));
    // Lets the desktop find the entry and icon that belong to the window.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kZeptalAppId));
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
            QtDialogs(nullptr).message(QStringLiteral("Das simulierte Pultino konnte nicht "
                                                      "gestartet werden:\r") +
                                           error,
                                       kAppTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
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
            QtDialogs(nullptr).message(error, kAppTitle, Dialogs::Buttons::Ok,
                                       Dialogs::Icon::Critical);
            return 2;
        }
        // Not modal: a box that waited for OK inside a running transfer would break it.
        trace.onFailure = [](const QString& why) {
            auto* box = new QMessageBox(QMessageBox::Warning, kAppTitle, why, QMessageBox::Ok);
            box->setTextFormat(Qt::PlainText);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->show();
        };
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
