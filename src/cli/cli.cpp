#include "cli/cli.h"

#include "control/controlops.h"
#include "core/dialogs.h"
#include "core/displaytypes.h"
#include "core/numbers.h"
#include "core/settings.h"
#include "core/version.h"
#include "link/commandexchange.h"
#include "link/devicemap.h"
#include "link/flags.h"
#include "link/linesettings.h"
#include "link/portsearch.h"
#include "link/qtserialport.h"
#include "link/receivehandler.h"
#include "sim/ptyterminal.h"
#include "sim/simoptions.h"

#include <QRegularExpression>
#include <QSocketNotifier>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace cli {

namespace {

const QString kProgram = QStringLiteral("zeptal32-cli");
const QString kDefaultLine = QStringLiteral("9600,n,8,2");

QList<Subcommand>& registry() {
    static QList<Subcommand> commands;
    return commands;
}

// The first failure to write stdout, as an errno; 0 while every write went through.
int stdoutError = 0;

void write(std::FILE* out, const QByteArray& bytes) {
    errno = 0;
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out) == size_t(bytes.size()) &&
        std::fflush(out) == 0;
    if (!written && out == stdout && stdoutError == 0) stdoutError = errno ? errno : EIO;
}

void print(std::FILE* out, const QString& text) {
    write(out, text.toUtf8());
}

// Message boxes of the shared code (a time-out message) become lines on stderr; a question is
// answered with the answer that changes nothing.
class ConsoleDialogs : public SilentDialogs {
  public:
    Answer message(const QString& text, const QString& title, Buttons buttons, Icon icon) override {
        QString shown = text;
        shown.replace(QChar(13), QChar(10));
        print(stderr, kProgram + QStringLiteral(": ") + shown.trimmed() + QLatin1Char('\n'));
        return SilentDialogs::message(text, title, buttons, icon);
    }
};

// Ctrl-C, SIGTERM (from `timeout` or a service manager) and SIGHUP (a closed session): the
// first sets the abort flag from inside the event loop, so the running transfer ends the way the
// program ends it (fixed texts with their two closing 0 bytes); a second ends the process at once.
int interruptPipe[2] = {-1, -1};
std::atomic_int interruptSignal{0};
static_assert(std::atomic_int::is_always_lock_free);

void onInterrupt(int signal) {
    int none = 0;
    if (!interruptSignal.compare_exchange_strong(none, signal)) ::_exit(128 + signal);
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(interruptPipe[1], &c, 1);
}

const char* const kExitCodes =
    "Exit-Codes:\n"
    "  0    erledigt\n"
    "  1    das Pultino hat nicht oder falsch geantwortet (kein Echo, Festtexte weichen ab,\n"
    "       EEPROM voll)\n"
    "  2    falscher Aufruf; Datei nicht lesbar, nicht schreibbar oder ungültig\n"
    "  3    Schnittstelle nicht zu öffnen, von einem anderen Programm belegt oder verloren\n"
    "  129  abgebrochen, weil die Sitzung endete (SIGHUP)\n"
    "  130  mit Strg+C abgebrochen\n"
    "  143  abgebrochen durch SIGTERM (z. B. von timeout)\n";

QString formsText(const Subcommand& command) {
    QString text;
    for (const auto& [call, what] : command.forms)
        text += QStringLiteral("  %1  %2\n").arg(call.leftJustified(34), what);
    return text;
}

} // namespace

Registration::Registration(Subcommand command) {
    auto& commands = registry();
    const auto at = std::find_if(commands.begin(), commands.end(),
                                 [&](const Subcommand& c) { return c.order > command.order; });
    commands.insert(at, std::move(command));
}

QList<Subcommand> subcommands() {
    return registry();
}

QString takeCommonOptions(const QStringList& args, CommonOptions* options, QStringList* rest) {
    static const QStringList withValue = {
        QStringLiteral("--port"),    QStringLiteral("--baud"),
        QStringLiteral("--display"), QStringLiteral("--simulator-option"),
        QStringLiteral("--trace"),   QStringLiteral("--ports"),
        QStringLiteral("--report"),  QStringLiteral("--retries")};
    for (qsizetype i = 1; i < args.size(); ++i) {
        QString arg = args[i];
        if (arg == QLatin1String("--")) {
            *rest += args.mid(i);
            break;
        }
        QString value;
        bool hasValue = false;
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        if (arg.startsWith(QLatin1String("--")) && equals > 0 &&
            withValue.contains(arg.left(equals))) {
            value = arg.mid(equals + 1);
            arg = arg.left(equals);
            hasValue = true;
        } else if (withValue.contains(arg)) {
            if (i + 1 >= args.size())
                return QStringLiteral("Die Option %1 braucht einen Wert.").arg(arg);
            value = args[++i];
            hasValue = true;
        }
        if (hasValue && value.isEmpty())
            return QStringLiteral("Die Option %1 braucht einen Wert.").arg(arg);

        if (arg == QLatin1String("--port")) {
            options->port = value;
            options->ports.append(value);
        } else if (arg == QLatin1String("--ports")) {
            options->portPatterns.append(value);
        } else if (arg == QLatin1String("--report")) {
            options->report = value;
        } else if (arg == QLatin1String("--retries")) {
            bool ok = false;
            const int n = value.toInt(&ok);
            if (!ok || n < 0 || n > 100)
                return QStringLiteral("--retries %1: erlaubt sind 0 bis 100.").arg(value);
            options->retries = n;
        } else if (arg == QLatin1String("--watch")) {
            options->watch = true;
        } else if (arg == QLatin1String("--baud")) {
            // Only the speeds the terminal can be set to.
            const auto baud = parseWholeNumber(value, 0, 1000000);
            if (!baud || !control::speedItems().contains(QStringLiteral("%1,n,8,2").arg(*baud)))
                return QStringLiteral("--baud %1: erlaubt sind 9600, 4800, 2400 und 1200.")
                    .arg(value);
            options->baud = *baud;
        } else if (arg == QLatin1String("--display")) {
            options->display = value;
        } else if (arg == QLatin1String("--simulator-option")) {
            options->simulatorOptions.append(value);
        } else if (arg == QLatin1String("--trace")) {
            options->trace = value;
        } else if (arg == QLatin1String("--simulator")) {
            options->simulator = true;
        } else if (arg == QLatin1String("--quiet") || arg == QLatin1String("-q")) {
            options->quiet = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options->help = true;
        } else if (arg == QLatin1String("--version")) {
            options->version = true;
        } else {
            rest->append(arg);
        }
    }
    return {};
}

std::optional<Display> displayFromText(const QString& text) {
    const QString wanted = text.trimmed().toLower();
    for (int i = 0; i < int(kDisplayTypes.size()); ++i) {
        const DisplayType& type = kDisplayTypes[size_t(i)];
        if (QString::fromLatin1(type.text).trimmed() == wanted)
            return Display{i, type.columns, type.rows};
    }
    return std::nullopt;
}

bool isAllWord(const QString& word) {
    return word == QLatin1String("alle") || word == QLatin1String("all");
}

bool isOptionWord(const QString& word) {
    return word.size() > 1 && word.startsWith(QLatin1Char('-')) && !word[1].isDigit();
}

fileio::ReadResult readStandardInput() {
    fileio::ReadResult result;
    QByteArray data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR && interruptSignal.load() == 0) continue;
        if (n < 0) {
            result.error = errno == EINTR
                               ? QStringLiteral("Das Lesen der Standardeingabe wurde abgebrochen.")
                               : QStringLiteral("Die Standardeingabe kann nicht gelesen werden.");
            return result;
        }
        if (n == 0) break;
        data.append(buffer, n);
        if (data.size() > fileio::kMaxFileSize) {
            result.error = QStringLiteral("Die Standardeingabe ist größer als %1 KB und kann "
                                          "keine gültige Datei sein.")
                               .arg(fileio::kMaxFileSize / 1024);
            return result;
        }
    }
    result.data = data;
    return result;
}

std::optional<QString> unescapeCommandText(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('\\')) {
            out += text[i];
            continue;
        }
        if (i + 1 >= text.size()) return std::nullopt;
        const QChar next = text[++i];
        if (next == QLatin1Char('e'))
            out += QChar(27);
        else if (next == QLatin1Char('\\'))
            out += next;
        else
            return std::nullopt;
    }
    return out;
}

Cli::Cli()
    : settings_(std::make_unique<SettingsStore>()),
      devices_(std::make_unique<DeviceMap>(*settings_)),
      dialogs_(std::make_unique<ConsoleDialogs>()),
      serial_(std::make_unique<QtSerialPort>(
          [this](int n) { return device_.isEmpty() ? devices_->device(n) : device_; })),
      port_(serial_.get()) {}

Cli::~Cli() {
    exchange_.reset();
    receiver_.reset();
    if (port_) port_->close();
    traced_.reset();
    serial_.reset();
    if (simulator_) simulator_->stop();
}

QString Cli::helpText() const {
    QString text = QStringLiteral(
        "Aufruf: zeptal32-cli [Optionen] BEFEHL [Argumente]\n"
        "Überträgt Festtexte und Einstellungen zum Pultino wie die Schaltflächen von ZEPTAL32,\n"
        "mit denselben Bytes, Echo-Prüfungen und Zeitgrenzen.\n\nBefehle:\n");
    for (const Subcommand& command : registry())
        text += formsText(command);
    text += QStringLiteral(
        "\nOptionen (vor oder nach dem Befehl):\n"
        "  --port PFAD|COMn          Schnittstelle (Vorgabe: die in ZEPTAL32 gewählte)\n"
        "  --baud BAUD               9600, 4800, 2400 oder 1200 (Vorgabe: die in ZEPTAL32\n"
        "                            gewählte)\n"
        "  --display SPALTENxZEILEN  Display-Typ, z. B. 40x4 (Vorgabe: der in ZEPTAL32 gewählte)\n"
        "  --simulator               mit dem eingebauten simulierten Pultino arbeiten\n"
        "  --simulator-option OPT    Option des simulierten Pultinos, z. B. wrong-echo-at=5 oder\n"
        "                            line-rate; mehrfach möglich (alle: pultino-sim --help)\n"
        "  --trace DATEI             jedes Byte auf der Leitung mit Zeitstempel protokollieren\n"
        "  --quiet, -q               ohne Fortschrittsanzeige und Hinweise\n"
        "  --version                 Name und Version ausgeben\n"
        "  --help, -h                diese Hilfe; BEFEHL --help: Hilfe zu einem Befehl\n\n");
    return text + QString::fromUtf8(kExitCodes);
}

QString Cli::commandHelp(const Subcommand& command) const {
    return QStringLiteral("Aufruf: zeptal32-cli [Optionen] BEFEHL\n\n") + formsText(command) +
           QLatin1Char('\n') + command.details.trimmed() +
           QStringLiteral("\n\nOptionen: --port, --baud, --display, --simulator, "
                          "--simulator-option, --trace, --quiet (zeptal32-cli --help)\n\n") +
           QString::fromUtf8(kExitCodes);
}

int Cli::run(const QStringList& arguments) {
    return checkOutput(runArguments(arguments));
}

int Cli::checkOutput(int code) const {
    if (std::fflush(stdout) != 0 && stdoutError == 0) stdoutError = errno ? errno : EIO;
    if (stdoutError == 0 && !std::ferror(stdout)) return code;
    const int e = stdoutError ? stdoutError : EIO;
    const QString why = e == ENOSPC  ? QStringLiteral("kein Platz mehr auf dem Datenträger")
                        : e == EBADF ? QStringLiteral("die Standardausgabe ist geschlossen")
                        : e == EPIPE ? QStringLiteral("niemand liest die Ausgabe mehr")
                                     : QString::fromLocal8Bit(std::strerror(e));
    error(QStringLiteral("Das Ergebnis kann nicht auf die Standardausgabe geschrieben werden: "
                         "%1.")
              .arg(why));
    return code == kDone ? kUsage : code;
}

int Cli::runArguments(const QStringList& arguments) {
    QStringList rest;
    const QString problem = takeCommonOptions(arguments, &options_, &rest);
    if (!problem.isEmpty()) {
        error(problem + QStringLiteral(" (zeptal32-cli --help)"));
        return kUsage;
    }
    if (options_.version) {
        print(stdout,
              kProgram + QLatin1Char(' ') + QLatin1String(kZeptalVersion) + QLatin1Char('\n'));
        return kDone;
    }
    if (rest.isEmpty() || rest[0] == QLatin1String("--")) {
        if (options_.help) {
            print(stdout, helpText());
            return kDone;
        }
        error(QStringLiteral("Kein Befehl angegeben. (zeptal32-cli --help)"));
        return kUsage;
    }
    const auto commands = registry();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [&](const Subcommand& c) { return c.name == rest[0]; });
    if (found == commands.end()) {
        error((isOptionWord(rest[0]) ? QStringLiteral("Unbekannte Option %1.")
                                     : QStringLiteral("Unbekannter Befehl \"%1\"."))
                  .arg(rest[0]) +
              QStringLiteral(" (zeptal32-cli --help)"));
        return kUsage;
    }
    if (options_.help) {
        print(stdout, commandHelp(*found));
        return kDone;
    }

    if (stationCall() && found->name != QLatin1String("apply"))
        return usage(*found, QStringLiteral("Mehrere --port, --ports, --report, --retries und "
                                            "--watch gelten nur für apply."));
    if (options_.simulator && !options_.port.isEmpty())
        return usage(*found, QStringLiteral("--port und --simulator schließen sich aus."));
    if (!options_.simulatorOptions.isEmpty() && !options_.simulator)
        return usage(*found, QStringLiteral("--simulator-option gilt nur mit --simulator."));
    if (options_.display) {
        const auto display = displayFromText(*options_.display);
        if (!display)
            return usage(
                *found,
                QStringLiteral("--display %1: unbekannter Display-Typ.").arg(*options_.display));
        display_ = *display;
    } else {
        bool ok = false;
        int index =
            settings_->read(SettingsStore::kDisplayType, QStringLiteral("6")).trimmed().toInt(&ok);
        if (!ok || index < 0 || index >= int(kDisplayTypes.size()))
            index = kDefaultDisplayTypeIndex;
        const DisplayType& type = kDisplayTypes[size_t(index)];
        display_ = {index, type.columns, type.rows};
    }
    if (options_.simulator) {
        QStringList simArgs{QStringLiteral("pultino-sim"), QStringLiteral("--display-type"),
                            QStringLiteral("%1x%2").arg(display_.columns).arg(display_.rows)};
        for (const QString& option : options_.simulatorOptions)
            simArgs.append(option.startsWith(QLatin1Char('-')) ? option
                                                               : QStringLiteral("--") + option);
        SimulatorCommandLine simulator;
        QString why;
        if (!parseSimulatorArguments(simArgs, &simulator, &why))
            return usage(*found, QStringLiteral("--simulator-option: %1").arg(why));
        simulator_ = std::make_unique<PtyTerminal>(simulator.terminal);
    }
    if (!options_.trace.isEmpty()) {
        const QString why = trace_.open(options_.trace);
        if (!why.isEmpty()) {
            error(why);
            return kUsage;
        }
        trace_.onFailure = [this](const QString& why) { error(why); };
        traced_ = std::make_unique<TracingSerialPort>(*serial_, trace_);
        port_ = traced_.get();
    }
    receiver_ = std::make_unique<ReceiveHandler>(*port_);
    exchange_ = std::make_unique<CommandExchange>(*receiver_, *dialogs_);
    LinkFlags::instance().showReceivedData = false;
    watchInterrupt();
    return runCommand(*found, rest);
}

int Cli::runCommand(const Subcommand& command, const QStringList& rest) {
    QStringList options;
    QStringList words;
    bool literal = false;
    for (const QString& word : rest.mid(1)) {
        if (!literal && word == QLatin1String("--"))
            literal = true;
        else if (!literal && isOptionWord(word))
            options.append(word);
        else
            words.append(word);
    }
    Arguments args(options, words);
    return command.run(*this, args);
}

void Cli::watchInterrupt() {
    if (::pipe(interruptPipe) != 0) return;
    interruptNotifier_ = std::make_unique<QSocketNotifier>(interruptPipe[0], QSocketNotifier::Read);
    QObject::connect(interruptNotifier_.get(), &QSocketNotifier::activated, [this] {
        char c = 0;
        [[maybe_unused]] const auto n = ::read(interruptPipe[0], &c, 1);
        const int signal = interruptSignal.load();
        info(signal == SIGINT
                 ? QStringLiteral("Abbruch angefordert (Strg+C ein zweites Mal "
                                  "beendet sofort).")
                 : QStringLiteral("Abbruch angefordert (%1).")
                       .arg(QString::fromLatin1(signal == SIGHUP ? "SIGHUP" : "SIGTERM")));
        LinkFlags::instance().setAbortRequested(true);
    });
    // No SA_RESTART: a read of standard input must end when the signal comes.
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

int Cli::connect(const QString& lineSettings) {
    if (port_->isOpen()) return kDone;
    if (simulator_) {
        if (!simulator_->isRunning()) {
            QString why;
            if (!simulator_->start(&why)) {
                error(QStringLiteral("Das simulierte Pultino startet nicht: %1").arg(why));
                return kPortFailed;
            }
            info(QStringLiteral("Simuliertes Pultino an %1").arg(simulator_->slavePath()));
        }
        device_ = simulator_->slavePath();
    } else if (!options_.port.isEmpty()) {
        static const QRegularExpression com(QStringLiteral("^COM([0-9]+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
        const auto match = com.match(options_.port);
        const int n = match.hasMatch() ? match.captured(1).toInt() : 0;
        if (n >= 1 && n <= 16)
            portNumber_ = n;
        else
            device_ = options_.port;
    }
    if (portNumber_ == 0) {
        bool ok = false;
        const int stored = settings_->read(SettingsStore::kComPort).trimmed().toInt(&ok);
        portNumber_ = ok && stored >= 1 && stored <= 16 ? stored : 1;
    }
    serial_->setPortNumber(portNumber_);
    port_->setSettings(lineSettings.isEmpty() ? this->lineSettings() : lineSettings);
    if (!port_->open()) {
        error(QStringLiteral("Die Schnittstelle kann nicht geöffnet werden: %1.")
                  .arg(serial_->errorString()));
        return kPortFailed;
    }
    return kDone;
}

bool Cli::stationCall() const {
    return options_.ports.size() > 1 || !options_.portPatterns.isEmpty() ||
           !options_.report.isEmpty() || options_.retries || options_.watch;
}

QString Cli::lineSettings() const {
    auto parsed = LineSettings::parse(settings_->read(SettingsStore::kLineSettings));
    LineSettings settings = parsed.value_or(*LineSettings::parse(kDefaultLine));
    if (options_.baud) settings.baud = *options_.baud;
    return settings.text();
}

QString Cli::deviceFor(const QString& port) const {
    static const QRegularExpression com(QStringLiteral("^COM([0-9]+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto match = com.match(port);
    const int n = match.hasMatch() ? match.captured(1).toInt() : 0;
    return n >= 1 && n <= 16 ? devices_->device(n) : port;
}

int Cli::baud() const {
    if (options_.baud) return *options_.baud;
    const auto parsed = LineSettings::parse(settings_->read(SettingsStore::kLineSettings));
    return parsed ? parsed->baud : LineSettings::parse(kDefaultLine)->baud;
}

QString Cli::portName() const {
    if (!device_.isEmpty()) return device_;
    return QStringLiteral("COM%1 (%2)").arg(portNumber_).arg(serial_->deviceName());
}

Progress Cli::progress(const QString& label) {
    progress_.reset();
    if (options_.quiet) return {};
    progress_ = std::make_unique<ProgressDisplay>(label, ::isatty(STDERR_FILENO) == 1);
    return [this](qsizetype done, qsizetype total) {
        if (progress_) progress_->update(done, total);
    };
}

void Cli::endProgress() {
    if (progress_) progress_->finish();
    progress_.reset();
}

void Cli::info(const QString& text) const {
    if (options_.quiet) return;
    if (progress_) progress_->finish();
    print(stderr, text + QLatin1Char('\n'));
}

void Cli::error(const QString& text) const {
    if (progress_) progress_->finish();
    print(stderr, kProgram + QStringLiteral(": ") + text + QLatin1Char('\n'));
}

void Cli::result(const QString& text) const {
    print(stdout, text + QLatin1Char('\n'));
}

void Cli::output(const QByteArray& bytes) const {
    write(stdout, bytes);
}

fileio::ReadResult Cli::readInput(const QString& path) const {
    return path == kStdio ? readStandardInput() : fileio::readFile(path);
}

int Cli::fileFailed(const QString& text) const {
    error(text);
    return interruptSignal.load() ? abortCode() : kUsage;
}

int Cli::abortCode() const {
    const int signal = interruptSignal.load();
    return signal ? 128 + signal : kInterrupted;
}

int Cli::usage(const Subcommand& command, const QString& problem) const {
    error(problem);
    print(stderr, QStringLiteral("Aufruf:\n") + formsText(command) +
                      QStringLiteral("(zeptal32-cli %1 --help)\n").arg(command.name));
    return kUsage;
}

int Cli::exitFor(const OpResult& result, const QString& failed) {
    const QString steps =
        result.total > 1
            ? QStringLiteral(" (nach %1 von %2 Bytes)").arg(result.done).arg(result.total)
            : QString();
    switch (result.status) {
    case OpResult::Status::Done:
        return kDone;
    case OpResult::Status::TerminalFailed:
        error(failed);
        // Nothing came back at all: perhaps the terminal listens at another speed.
        if (result.done == 0 && !failed.isEmpty()) error(searchHint());
        return kTerminalFailed;
    case OpResult::Status::PortLost:
        error(QStringLiteral("Die Verbindung über %1 ist unterbrochen%2.").arg(portName(), steps));
        return kPortFailed;
    case OpResult::Status::Aborted:
        error(QStringLiteral("Abgebrochen%1.").arg(steps));
        return abortCode();
    }
    return kTerminalFailed;
}

} // namespace cli
