#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace cli {

class Cli;

// What follows a subcommand's name on the command line, without the common options: its own
// options (words beginning with "-" before a "--") and its other words, in order.
class Arguments {
  public:
    Arguments(QStringList options, QStringList words)
        : options_(std::move(options)), words_(std::move(words)) {}

    // Removes the option; true when it was there.
    bool takeFlag(const QString& flag) { return options_.removeAll(flag) > 0; }
    // The first option nobody took, empty when none.
    QString strayOption() const { return options_.value(0); }
    const QStringList& words() const { return words_; }

  private:
    QStringList options_;
    QStringList words_;
};

// One subcommand of zeptal32-cli. A subcommand lives in a file of its own that defines one
// static Registration; linking the file into the executable is all it takes to add it.
struct Subcommand {
    QString name;
    // Place in the overview of all subcommands.
    int order = 0;
    // Each form of the call with what it does, e.g. {"texts show N", "Festtext N anzeigen"}.
    QList<QPair<QString, QString>> forms;
    // More for "BEFEHL --help": what is sent, what is checked, what is printed.
    QString details;
    // Returns the exit code. Checks its arguments and files before it asks for the port.
    int (*run)(Cli& cli, Arguments& args) = nullptr;
};

struct Registration {
    explicit Registration(Subcommand command);
};

// Every registered subcommand, in overview order.
QList<Subcommand> subcommands();

} // namespace cli
