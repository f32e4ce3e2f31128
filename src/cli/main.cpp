// zeptal32-cli: the terminal operations of ZEPTAL32 from the command line, for production lines
// and scripts. No widget library: it runs where no display is.
#include "cli/cli.h"
#include "link/eventloop.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    preferPlainEventLoop(false);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zeptal32-cli"));
    cli::Cli tool;
    return tool.run(QCoreApplication::arguments());
}
