#pragma once

#include "station/record.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

class CommandExchange;
class LinkFlags;

namespace station {

// What one port's worker is told; everything it needs, so it never asks the process.
struct PortSetup {
    QString device; // the path opened
    QString lineSettings = QStringLiteral("9600,n,8,2");
    int retries = 0;         // further attempts of a step the terminal failed
    bool watch = false;      // program every terminal that appears, until stopped
    int retryPauseMs = 2500; // longer than the terminal's wait for a lone ESC
    int pollMs = 500;        // at most this often a version query while watching
};

// The state of a port as the screen shows it.
enum class PortState {
    Idle,
    Opening,
    Waiting,  // watch: no terminal answers yet
    Querying, // version and EEPROM before the run
    Running,  // a step is under way
    Retrying, // the pause before a step runs again
    Finished, // one terminal done; watch: waits until it is unplugged
    Stopped,  // the worker has ended
};

// Serves one port on its own thread: its own serial port, receive handler, exchange, timers
// and abort flag. Tells the coordinator everything through queued signals.
class PortWorker : public QObject {
    Q_OBJECT
  public:
    PortWorker(int index, PortSetup setup, SharedJob job);
    ~PortWorker() override;

    // Runs on the worker's thread until done (once) or stopped (watch).
    void run();
    // From any thread: ends the running step the way the operator's abort does, then the
    // worker.
    void requestStop();

  signals:
    void stateChanged(int index, station::PortState state, int step, int attempt);
    void progressed(int index, qsizetype done, qsizetype total);
    void terminalDone(int index, const station::TerminalRecord& record);
    void finished(int index);

  private:
    bool stopping() const { return stop_.load(); }
    void setState(PortState state, int step = -1, int attempt = 0);
    bool ensureOpen();
    // Sleeps without blocking the thread's events; ends early on stop.
    void rest(int ms);
    std::optional<QByteArray> askVersion();
    TerminalRecord applyOnce(const QByteArray& versionReply);
    bool waitForTerminal(QByteArray* versionReply);
    void waitUntilGone();

    int index_;
    PortSetup setup_;
    SharedJob job_;
    std::atomic_bool stop_{false};
    struct Link;
    std::unique_ptr<Link> link_;
};

} // namespace station

Q_DECLARE_METATYPE(station::PortState)
