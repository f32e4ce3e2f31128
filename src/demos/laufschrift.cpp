#include "demos/laufschrift.h"

#include "core/commands.h"
#include "core/win1252.h"
#include "demos/demologic.h"
#include "link/commandexchange.h"
#include "link/serialport.h"

#include <QCoreApplication>

clsLaufschrift::clsLaufschrift(DemoLink link) : link_(std::move(link)) {}

void clsLaufschrift::Init() {
    text_ = QStringLiteral("Text");
    link_.exchange.port().write(cmd::clearDisplay());
}

bool clsLaufschrift::ended() const {
    return abort_ || !link_.exchange.port().isOpen();
}

DemoEnd clsLaufschrift::Run(const std::function<void()>& started) {
    abort_ = false;
    SerialPort& port = link_.exchange.port();
    port.write(cmd::clearDisplay() + cmd::cursorOff());
    if (started) started();
    for (int pos = 1; !ended();) {
        QCoreApplication::processEvents();
        if (ended()) break;
        port.write(cmd::cursorPosition(0, 0) +
                   win1252::encode(demo::marqueeLine(text_, columns_, pos)));
        link_.clock.waitUntil(link_.clock.now() + kStepMs, [this] { return ended(); });
        if (++pos > columns_) pos = 1;
    }
    port.write(cmd::clearDisplay() + cmd::cursorOn());
    return port.isOpen() ? DemoEnd::Stopped : DemoEnd::PortLost;
}
