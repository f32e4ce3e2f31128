// pultino-sim: a simulated Pultino on a pseudo-terminal. Prints the device path as its first
// line, then serves the terminal until the window is closed or the process is told to stop.

#include "core/translations.h"
#include "core/version.h"
#include "link/eventloop.h"
#include "sim/ptyterminal.h"
#include "sim/simoptions.h"
#include "sim/simulatorwindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPixmap>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &c, 1);
}

} // namespace

int main(int argc, char** argv) {
    // Help and the kind of application are decided before Qt takes its own options out of the
    // argument list; a window needs a display, help and --headless do not.
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-?") {
            std::fputs(qPrintable(simulatorHelpText()), stdout);
            return 0;
        }
        if (arg == "--version" || arg == "-v") {
            std::printf("pultino-sim %s\n", kZeptalVersion);
            return 0;
        }
        headless = headless || arg == "--headless";
    }
    preferPlainEventLoop(!headless);
    std::unique_ptr<QCoreApplication> app;
    if (headless)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pultino-sim"));
    installToolkitTranslations(*app);

    SimulatorCommandLine cl;
    QString error;
    if (!parseSimulatorArguments(QCoreApplication::arguments(), &cl, &error)) {
        std::fprintf(stderr, "pultino-sim: %s\n", qPrintable(error));
        return 2;
    }

    PtyTerminal terminal(cl.terminal);
    if (!terminal.start(&error)) {
        std::fprintf(stderr, "pultino-sim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(terminal.slavePath()));
    std::fflush(stdout);

    // Signals end the event loop from inside it, so the worker and the pty close cleanly.
    if (::pipe(signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app.get());
        QObject::connect(notifier, &QSocketNotifier::activated, app.get(),
                         [] { QCoreApplication::quit(); });
        for (int s : {SIGINT, SIGTERM, SIGHUP})
            std::signal(s, onSignal);
    }

    std::unique_ptr<SimulatorWindow> window;
    if (!cl.headless) {
        window = std::make_unique<SimulatorWindow>(terminal.link(), terminal.slavePath());
        window->show();
    }
    const int rc = app->exec();
    if (window && !cl.screenshot.isEmpty()) {
        window->refresh();
        if (!window->grab().save(cl.screenshot))
            std::fprintf(stderr, "pultino-sim: cannot save %s\n", qPrintable(cl.screenshot));
    }
    window.reset();
    terminal.stop();
    return rc;
}
