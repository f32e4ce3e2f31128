#pragma once

#include "sim/terminallink.h"

#include <QObject>
#include <functional>

class FakeSerialPort;

// The simulated terminal behind an in-memory port: what the program writes to the port goes to
// the engine, and the engine's answers are fed back into the port, always asynchronously.
class FakeTerminal : public QObject {
    Q_OBJECT
  public:
    explicit FakeTerminal(FakeSerialPort& port, const TerminalOptions& options = {},
                          QObject* parent = nullptr);
    ~FakeTerminal() override;

    TerminalLink& link() { return link_; }
    TerminalState snapshot() const { return link_.snapshot(); }
    QByteArray fixedTextImage() const { return link_.fixedTextImage(); }
    void pressKey(int key) { link_.pressKey(key); }

  private:
    FakeSerialPort& port_;
    TerminalLink link_;
    std::function<void(const QByteArray&)> previousOnWrite_;
};
