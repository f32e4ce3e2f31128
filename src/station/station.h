#pragma once

#include "station/record.h"
#include "station/worker.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QThread>
#include <memory>

namespace station {

// A port as the coordinator knows it.
struct PortTarget {
    QString device;        // the path opened
    QString shown;         // as the operator named it
    QString adapterSerial; // where known
    QString adapterById;
};

// What a screen shows of one port; only the coordinator's thread writes it.
struct PortView {
    PortTarget port;
    PortState state = PortState::Idle;
    int step = -1;
    int attempt = 0;
    qsizetype done = 0;
    qsizetype total = 0;
    QElapsedTimer stepClock;
    std::optional<TerminalRecord> last;
    int good = 0;
    int failed = 0;

    QString stepTitle(const Job& job) const {
        return step >= 0 && step < job.steps.size() ? job.steps[step].title : QString();
    }
    // Bytes a second in the running step, 0 while unknown.
    int rate() const;
};

// German caption of a port state, e.g. "wartet auf Pultino".
QString stateText(PortState state);

// Runs the job on every port at once, one worker thread each, and keeps the records and the
// screen state. Lives on the thread that shows the screen.
class Station : public QObject {
    Q_OBJECT
  public:
    struct Options {
        QString lineSettings = QStringLiteral("9600,n,8,2");
        int retries = 0;
        bool watch = false;
        int pollMs = 500;
        int retryPauseMs = 2500; // longer than the terminal's wait for a lone ESC
    };

    Station(SharedJob job, QList<PortTarget> ports, Options options, QObject* parent = nullptr);
    ~Station() override;

    void start();
    // Ends every port the way the operator's abort does; finished() follows.
    void stop();
    bool running() const { return running_ > 0; }

    const Job& job() const { return *job_; }
    const QList<PortView>& ports() const { return views_; }
    const QList<TerminalRecord>& records() const { return records_; }
    // 0 when every terminal was good, else the highest single exit code.
    int exitCode() const;

    // Called with each record before recordAdded; a report writer returns its failure.
    std::function<QString(const TerminalRecord&)> writeRecord;

  signals:
    void portChanged(int index);
    void recordAdded(int index, const station::TerminalRecord& record);
    // A record could not be written.
    void reportFailed(const QString& why);
    void finished();

  private:
    void onState(int index, PortState state, int step, int attempt);
    void onProgress(int index, qsizetype done, qsizetype total);
    void onRecord(int index, const TerminalRecord& record);
    void onFinished(int index);
    void release();

    SharedJob job_;
    Options options_;
    QList<PortView> views_;
    QList<TerminalRecord> records_;
    std::vector<std::unique_ptr<QThread>> threads_;
    std::vector<std::unique_ptr<PortWorker>> workers_;
    int running_ = 0;
};

} // namespace station
