#include "sim/faketerminal.h"

#include "link/fakeserialport.h"
#include "link/linesettings.h"

FakeTerminal::FakeTerminal(FakeSerialPort& port, const TerminalOptions& options, QObject* parent)
    : QObject(parent), port_(port), link_(options) {
    previousOnWrite_ = port_.onWrite;
    port_.onWrite = [this](const QByteArray& bytes) {
        if (previousOnWrite_) previousOnWrite_(bytes);
        link_.receive(bytes);
    };
    link_.setPortBaud([this] {
        const auto parsed = LineSettings::parse(port_.settings());
        return parsed ? parsed->baud : 0;
    });
    connect(&link_, &TerminalLink::transmit, &port_, &FakeSerialPort::feed);
}

FakeTerminal::~FakeTerminal() {
    port_.onWrite = previousOnWrite_;
}
