#pragma once

#include <QElapsedTimer>
#include <QtGlobal>
#include <functional>

class CommandExchange;

// Time as the demos see it. The program's clock turns the event loop while it waits; tests
// give one that moves only when told, so the bar's throttle can be checked without sleeping.
class DemoClock {
  public:
    virtual ~DemoClock() = default;
    // Milliseconds since some fixed moment.
    virtual qint64 now() const = 0;
    // Returns once now() has reached `deadline` or `stop` says so; events go on meanwhile.
    virtual void waitUntil(qint64 deadline, const std::function<bool()>& stop) = 0;
};

class EventLoopClock : public DemoClock {
  public:
    EventLoopClock();
    qint64 now() const override;
    void waitUntil(qint64 deadline, const std::function<bool()>& stop) override;

  private:
    QElapsedTimer elapsed_;
};

// What a demo needs to reach the terminal: the exchange (and through it the port), its clock,
// and the switch of the receive monitor, which is kept quiet while characters are defined.
struct DemoLink {
    CommandExchange& exchange;
    DemoClock& clock;
    std::function<void(bool)> setReceiveMonitor;
};
