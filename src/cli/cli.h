#pragma once

#include "cli/progress.h"
#include "cli/subcommand.h"
#include "core/fileio.h"
#include "link/bytetrace.h"
#include "link/operation.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class CommandExchange;
class DeviceMap;
class Dialogs;
class PtyTerminal;
class QSocketNotifier;
class QtSerialPort;
class ReceiveHandler;
class SerialPort;
class SettingsStore;

namespace cli {

enum ExitCode : int {
    kDone = 0,
    kTerminalFailed = 1, // no echo, no or a wrong reply, a difference, a full EEPROM
    kUsage = 2,          // bad call, or a file that cannot be read, written or used
    kPortFailed = 3,     // the port cannot be opened, is in use, or vanished
    kHangUp = 129,       // SIGHUP: the session that started the tool has gone
    kInterrupted = 130,  // Ctrl-C
    kTerminated = 143,   // SIGTERM
};

// The display the texts are laid out for: an entry of the display type list.
struct Display {
    int index = 0;
    int columns = 20;
    int rows = 4;
};

// The common options as given on the command line.
struct CommonOptions {
    QString port;      // a device path or "COMn"; empty: the stored port
    QStringList ports; // every --port in order (more than one: the station)
    // The station's options (apply only).
    QStringList portPatterns; // --ports GLOB
    QString report;
    std::optional<int> retries;
    bool watch = false;
    std::optional<int> baud;
    std::optional<QString> display;
    bool simulator = false;
    QStringList simulatorOptions;
    QString trace;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// The common options taken out of the arguments (args[0] is the program). What is left is the
// subcommand's name and its words. Returns an error text for a bad option, empty when fine.
QString takeCommonOptions(const QStringList& args, CommonOptions* options, QStringList* rest);

// The display type list entry of "40x4" (blanks and case do not matter); nullopt when none.
std::optional<Display> displayFromText(const QString& text);
// The free-command text as typed on a command line: "\e" is ESC and "\\" a backslash; nullopt
// for any other backslash sequence.
std::optional<QString> unescapeCommandText(const QString& text);
// "alle" or "all" (either word in every command that takes one).
bool isAllWord(const QString& word);
// Whether a word after the command is one of its options rather than a value such as "-1" or
// "-" (standard input or output).
bool isOptionWord(const QString& word);

// Where a file argument of "-" leads.
inline const QString kStdio = QStringLiteral("-");
// Standard input read to its end, bounded like every file (fileio::kMaxFileSize).
fileio::ReadResult readStandardInput();

// zeptal32-cli: reads the common options, runs one subcommand, owns the port and the exchange
// the subcommand works on.
class Cli {
  public:
    Cli();
    ~Cli();
    Cli(const Cli&) = delete;
    Cli& operator=(const Cli&) = delete;

    // The whole run; returns the exit code.
    int run(const QStringList& arguments);

    // --- for the subcommands
    const Display& display() const { return display_; }
    const CommonOptions& options() const { return options_; }
    // Whether the call asks for the station: several ports or one of its options.
    bool stationCall() const;
    // The line settings a port is opened with: the stored ones with the speed of --baud.
    QString lineSettings() const;
    // The device a --port text names: a path as given, "COMn" as the port number's device.
    QString deviceFor(const QString& port) const;
    bool quiet() const { return options_.quiet; }
    SettingsStore& settings() { return *settings_; }
    DeviceMap& devices() { return *devices_; }
    // --port as given, empty when none.
    const QString& portOption() const { return options_.port; }
    bool usesSimulator() const { return options_.simulator; }
    // The line speed connect() opens the port with: --baud, else the stored one.
    int baud() const;

    // Opens the port (after starting the simulated terminal with --simulator) with the stored
    // line settings, the speed of --baud, or `lineSettings` when given. kDone, or kPortFailed
    // once it has said why.
    int connect(const QString& lineSettings = {});
    SerialPort& port() { return *port_; }
    CommandExchange& exchange() { return *exchange_; }
    ReceiveHandler& receiver() { return *receiver_; }
    // The port as messages name it: its device, and the number when one was chosen.
    QString portName() const;

    // Progress of a transfer on stderr; nothing with --quiet. endProgress() ends its line.
    Progress progress(const QString& label);
    void endProgress();

    void info(const QString& text) const;       // stderr, not with --quiet
    void error(const QString& text) const;      // stderr, always
    void result(const QString& text) const;     // stdout, always
    void output(const QByteArray& bytes) const; // stdout as it is, always
    // A file argument read whole: "-" is standard input. Nothing is said here.
    fileio::ReadResult readInput(const QString& path) const;
    // Says why the file cannot be used; returns kUsage, or the signal's code when reading
    // standard input was cut short by one.
    int fileFailed(const QString& text) const;
    // The exit code of a run ended by Ctrl-C, SIGTERM or SIGHUP.
    int abortCode() const;
    // Says what is wrong with the call of `command` and returns kUsage.
    int usage(const Subcommand& command, const QString& problem) const;

    // The exit code of an operation's result, after saying what went wrong. `failed` is what
    // the operation says when the terminal did not answer or answered wrongly.
    int exitFor(const OpResult& result, const QString& failed);

  private:
    int runArguments(const QStringList& arguments);
    int runCommand(const Subcommand& command, const QStringList& rest);
    // Exit code 2 when a result could not be written to stdout although all else went well.
    int checkOutput(int code) const;
    int startSimulator();
    void watchInterrupt();
    QString helpText() const;
    QString commandHelp(const Subcommand& command) const;

    CommonOptions options_;
    Display display_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<DeviceMap> devices_;
    std::unique_ptr<Dialogs> dialogs_;
    // Declared before the port so that the simulated terminal outlives it.
    std::unique_ptr<PtyTerminal> simulator_;
    QString device_; // a device path given or started here; empty: the port number's device
    int portNumber_ = 0;
    std::unique_ptr<QtSerialPort> serial_;
    ByteTrace trace_;
    std::unique_ptr<SerialPort> traced_;
    SerialPort* port_ = nullptr;
    std::unique_ptr<ReceiveHandler> receiver_;
    std::unique_ptr<CommandExchange> exchange_;
    std::unique_ptr<ProgressDisplay> progress_;
    std::unique_ptr<QSocketNotifier> interruptNotifier_;
};

} // namespace cli
