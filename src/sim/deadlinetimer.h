#pragma once

#include <QObject>
#include <QTimer>

class QSocketNotifier;

// A one-shot timer to the microsecond, for line-rate pacing: a byte at 9600 baud takes 1.15 ms,
// and a timer that counts whole milliseconds would have to spin out the rest. On Linux the
// kernel wakes the thread at the deadline (timerfd); elsewhere a millisecond timer brings it
// close and zero-time turns of the event loop cover the rest.
class DeadlineTimer : public QObject {
    Q_OBJECT
  public:
    explicit DeadlineTimer(QObject* parent = nullptr);
    ~DeadlineTimer() override;

    // (Re)starts the timer to go off `ns` nanoseconds from now; at once when not positive.
    void start(qint64 ns);
    void stop();

  signals:
    void timeout();

  private:
    void fire();

    bool active_ = false;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer fallback_;
    qint64 deadline_ = 0; // on the steady clock
};
