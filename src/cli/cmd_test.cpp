// test: the test and initialisation run of the test window, with the person at the bench asked
// on the terminal running the tool, or left out.
#include "cli/cli.h"

#include "link/flags.h"
#include "link/receivehandler.h"
#include "link/serialport.h"
#include "testmode/testsequence.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <unistd.h>

namespace cli {
namespace {

using testmode::RowState;

Subcommand testCommand();

// The test window's last row has no step and no caption of its own ("---"); a line of output
// needs a name.
QString rowLabel(int row) {
    return row == int(testmode::Row::Spare) ? QStringLiteral("Reserve (ohne Prüfung)")
                                            : testmode::rowName(row);
}

QString lines(QString text) {
    return text.replace(QChar(13), QChar(10));
}

class CliPerson : public testmode::TestPerson {
  public:
    CliPerson(Cli& cli, bool interactive) : cli_(cli), interactive_(interactive) {}

    bool declined() const { return declined_; }
    bool skipped() const { return skipped_; }

    bool retryLinkTest(const QString& message) override {
        cli_.error(lines(message));
        if (interactive_ && yes(QStringLiteral("Erneut versuchen? (j/n) "))) return true;
        declined_ = true;
        return false;
    }

    void geometryNotSupported(const QString& message) override { cli_.error(lines(message)); }

    std::optional<QString> checkKeyboard() override {
        if (!interactive_) {
            skipped_ = true;
            return std::nullopt;
        }
        auto& flags = LinkFlags::instance();
        std::array<bool, 4> arrived{};
        const auto take = [&] {
            for (const char c : std::as_const(flags.lastKeyReceived))
                if (c >= '1' && c <= '4' && !arrived[c - '1']) {
                    arrived[c - '1'] = true;
                    cli_.info(QStringLiteral("F%1 angekommen").arg(c - '0'));
                }
            flags.lastKeyReceived.clear();
        };
        flags.lastKeyReceived.clear();
        flags.keyCaptureActive = true;
        const QMetaObject::Connection keys =
            QObject::connect(&cli_.receiver(), &ReceiveHandler::keyCaptured, take);
        askLine(QStringLiteral("Drücken Sie nacheinander die Tasten F1 bis F4 am PT/BX, danach "
                               "die Eingabetaste: "));
        take(); // what arrived just before the answer still counts
        QObject::disconnect(keys);
        flags.keyCaptureActive = false;
        flags.lastKeyReceived.clear();
        return testmode::missingKeysText(arrived);
    }

    std::optional<bool> checkDisplay(int columns, int rows) override {
        if (!interactive_) {
            skipped_ = true;
            return std::nullopt;
        }
        QString picture;
        for (const QString& line : testmode::demoPicture(columns, rows))
            picture += QStringLiteral("  |%1|\n").arg(line);
        // Shown with --quiet as well: the question needs it.
        std::fputs(QStringLiteral("Das Display sollte so aussehen (Cursor oben links):\n%1")
                       .arg(picture)
                       .toLocal8Bit()
                       .constData(),
                   stderr);
        return yes(QStringLiteral("Zeigt das Display dieses Bild? (j/n) "));
    }

  private:
    // A line from stdin, waiting in the event loop so that the port and Ctrl-C are served;
    // nullopt at the end of the input, on an abort or a lost port.
    std::optional<QString> askLine(const QString& prompt) {
        std::fputs(prompt.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        QEventLoop loop;
        QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(&input, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        QObject::connect(&LinkFlags::instance(), &LinkFlags::abortRequestedChanged, &loop,
                         &QEventLoop::quit);
        QObject::connect(&cli_.port(), &SerialPort::lost, &loop, &QEventLoop::quit);
        loop.exec();
        if (LinkFlags::instance().abortRequested() || !cli_.port().isOpen()) return std::nullopt;
        QByteArray line;
        char c = 0;
        while (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n')
            line.append(c);
        if (line.isEmpty() && c != '\n') return std::nullopt;
        return QString::fromLocal8Bit(line).trimmed();
    }

    bool yes(const QString& prompt) {
        for (;;) {
            const auto answer = askLine(prompt);
            if (!answer) return false;
            if (answer->compare(QLatin1String("j"), Qt::CaseInsensitive) == 0) return true;
            if (answer->compare(QLatin1String("n"), Qt::CaseInsensitive) == 0) return false;
        }
    }

    Cli& cli_;
    bool interactive_;
    bool declined_ = false;
    bool skipped_ = false;
};

int run(Cli& cli, Arguments& args) {
    const bool interactive = args.takeFlag(QStringLiteral("--interactive"));
    if (!args.strayOption().isEmpty())
        return cli.usage(testCommand(),
                         QStringLiteral("Unbekannte Option %1.").arg(args.strayOption()));
    if (!args.words().isEmpty())
        return cli.usage(testCommand(), QStringLiteral("Falsche Anzahl von Argumenten."));
    if (const int rc = cli.connect()) return rc;
    CliPerson person(cli, interactive);
    // As the test window does when it opens: an abort left from before must not cancel the run.
    LinkFlags::instance().setAbortRequested(false);
    const testmode::TestSetup setup{cli.display().columns, cli.display().rows};
    const testmode::RunResult run = testmode::runTests(
        cli.exchange(), setup, person, [&cli](int row, RowState state, const QString& text) {
            if (state == RowState::Running)
                cli.info(rowLabel(row) + QStringLiteral(" ..."));
            else if (state != RowState::Neutral)
                cli.result(rowLabel(row) + QStringLiteral(": ") + text);
        });
    if (person.skipped())
        cli.result(QStringLiteral("Tastatur- und Sichtprüfung übersprungen (ohne --interactive)."));
    if (run.portLost) {
        cli.error(QStringLiteral("Die Verbindung über %1 ist unterbrochen.").arg(cli.portName()));
        return kPortFailed;
    }
    if (person.declined()) return kTerminalFailed;
    if (LinkFlags::instance().abortRequested()) {
        cli.error(QStringLiteral("Abgebrochen."));
        return cli.abortCode();
    }
    return run.allPassed() ? kDone : kTerminalFailed;
}

Subcommand testCommand() {
    return {QStringLiteral("test"),
            16,
            {{QStringLiteral("test [--interactive]"),
              QStringLiteral("Test und Initialisierung wie im Testfenster")}},
            QStringLiteral(
                "Schnittstelle, Displaygeometrie (--display), Standard-Tastaturtabelle, 128\n"
                "nummerierte Festtexte mit Zurücklesen. Eine Zeile je Test auf stdout. Ohne\n"
                "--interactive entfallen die Tastenprüfung (F1 bis F4) und die Sichtprüfung des\n"
                "Displays; mit --interactive fragt das Programm danach (j/n). Exit-Code 0, wenn\n"
                "alle Tests bestanden sind, 1 bei einem Fehler."),
            run};
}

const Registration registration(testCommand());

} // namespace
} // namespace cli
