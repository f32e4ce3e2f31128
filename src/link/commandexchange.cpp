#include "link/commandexchange.h"

#include "core/dialogs.h"
#include "core/win1252.h"
#include "link/flags.h"
#include "link/portlost.h"
#include "link/receivehandler.h"
#include "link/serialport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdlib>
#include <limits>

namespace {

// Re-enables the window and lets the receive buffer drop stale bytes again on every way out
// of a wait.
class UiDisabled {
  public:
    // `bounded`: the wait's own time-out ends it before the overall limit could, so the limit's
    // timer need not be armed (an echo-checked transfer waits thousands of times).
    UiDisabled(const std::function<void(bool)>& set, ReceiveHandler& receiver, QTimer& overall,
               int maxWaitMs, bool bounded)
        : set_(set), receiver_(receiver), overall_(overall) {
        receiver_.setWaiting(true);
        if (!bounded) overall_.start(maxWaitMs);
        if (set_) set_(false);
    }
    ~UiDisabled() {
        overall_.stop();
        receiver_.setWaiting(false);
        if (set_) set_(true);
    }

  private:
    const std::function<void(bool)>& set_;
    ReceiveHandler& receiver_;
    QTimer& overall_;
};

} // namespace

CommandExchange::CommandExchange(ReceiveHandler& receiver, Dialogs& dialogs, QObject* parent)
    : QObject(parent), receiver_(receiver), port_(receiver.port()), flags_(receiver.flags()),
      dialogs_(dialogs) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        timeOut_ = true;
        emit wake();
    });
    overall_.setSingleShot(true);
    connect(&overall_, &QTimer::timeout, this, [this] {
        overlong_ = true;
        emit wake();
    });
    connect(&receiver_, &ReceiveHandler::received, this, &CommandExchange::wake);
    connect(&flags_, &LinkFlags::abortRequestedChanged, this, &CommandExchange::wake);
    connect(&port_, &SerialPort::lost, this, [this] {
        portLost_ = true;
        emit wake();
    });
}

void CommandExchange::startTimeOutTimer(qint16 timeOutTime) {
    timeOut_ = false;
    if (timeOutTime > 0) {
        timer_.stop();
        timer_.start(timeOutTime);
    }
}

void CommandExchange::yieldOnce() {
    // Sleeps in the event dispatcher until at least one event (data, the timer, an abort, a
    // repaint) has been handled; the caller then looks at its conditions again. A nested
    // QEventLoop would do the same but costs a dispatcher wake-up for every quit().
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

QString CommandExchange::shownCommand(const QByteArray& cmd) {
    QString shown = win1252::decode(cmd);
    if (!shown.isEmpty() && shown[0] == QChar(27)) shown = QStringLiteral("ESC ") + shown.mid(1);
    return shown;
}

QByteArray CommandExchange::wait(const QByteArray& cmd, const QByteArray& waitfor,
                                 qint16 timeOutTime, Match match) {
    const bool idle = match == Match::IdleSearch;
    const bool echo = match == Match::Echo;
    // Before a search, whatever came earlier is stale; before an echo it is a wrong echo.
    const bool unread = !port_.readAll().isEmpty();
    const bool leftOver = unread || !receiver_.buffer().isEmpty();
    receiver_.buffer().clear();
    QByteArray result;

    const bool showMessage = timeOutTime >= 0;
    // -32768 has no positive counterpart; it must not turn into "no time-out at all".
    const auto magnitude = timeOutTime == std::numeric_limits<qint16>::min()
                               ? std::numeric_limits<qint16>::max()
                               : static_cast<qint16>(std::abs(timeOutTime));
    LinkFlags& flags = flags_;
    bool timedOut = false;
    bool closedBefore = false;
    {
        overlong_ = false;
        UiDisabled disabled(setUiEnabled, receiver_, overall_, maxWaitMs_,
                            !idle && magnitude > 0 && magnitude <= maxWaitMs_);
        waiting_ = true;
        if (magnitude == 0)
            timer_.stop(); // a timer left over from an aborted wait must not end this one
        startTimeOutTimer(magnitude);
        portLost_ = false;
        // A closed port can never answer: the wait ends like a time-out instead of hanging.
        bool failed = !port_.isOpen();
        closedBefore = failed;
        port_.write(cmd);

        QByteArray& buffer = receiver_.buffer();
        bool wrongEcho = echo && leftOver;
        while (!failed && !wrongEcho && !flags.abortRequested() && !timeOut_ && !overlong_) {
            if (echo && !buffer.isEmpty()) {
                // Bytes behind the echo stay for the next byte's check.
                wrongEcho = buffer[0] != waitfor[0];
                if (!wrongEcho) {
                    timer_.stop();
                    waiting_ = false;
                    lastEnd_ = WaitEnd::Reply;
                    buffer.remove(0, 1);
                    return waitfor.left(1);
                }
                break;
            }
            if (!buffer.isEmpty()) {
                if (idle) startTimeOutTimer(magnitude);
                // Only the new bytes and the tail that could complete a match are searched.
                const qsizetype from = qMax<qsizetype>(0, result.size() - waitfor.size() + 1);
                result.append(buffer);
                buffer.clear();
                if (result.indexOf(waitfor, from) >= 0 && result.size() <= maxReplyBytes_) {
                    timer_.stop();
                    waiting_ = false;
                    lastEnd_ = WaitEnd::Reply;
                    return result;
                }
                if (result.size() > maxReplyBytes_) {
                    overlong_ = true;
                    break;
                }
            }
            failed = portLost_;
            if (!failed) yieldOnce();
        }
        waiting_ = false;
        if (wrongEcho) timer_.stop();
        timedOut = !flags.abortRequested() && !wrongEcho && (timeOut_ || overlong_);
        lastEnd_ = flags.abortRequested() ? WaitEnd::Aborted
                   : failed               ? WaitEnd::PortLost
                   : wrongEcho            ? WaitEnd::WrongEcho
                   : overlong_            ? WaitEnd::Overlong
                                          : WaitEnd::TimeOut;
    }
    if (!showMessage) return {};
    // A port lost during the wait has been reported by whoever watches the port; a port that
    // was closed all along is named here, never passed off as a silent terminal.
    if (lastEnd_ == WaitEnd::PortLost && closedBefore)
        dialogs_.message(portLostMessage(port_), kAppTitle);
    else if (timedOut)
        dialogs_.message(QStringLiteral("TimeOut auf COM. (Keine Antwort auf '") +
                             shownCommand(cmd) + QStringLiteral("')"),
                         kAppTitle);
    else if (lastEnd_ == WaitEnd::WrongEcho)
        dialogs_.message(QStringLiteral("Falsches Echo auf COM. (Antwort auf '") +
                             shownCommand(cmd) + QStringLiteral("')"),
                         kAppTitle);
    return {};
}

QByteArray CommandExchange::sendAndWaitFor(const QByteArray& cmd, const QByteArray& waitfor,
                                           qint16 timeOutTime) {
    return wait(cmd, waitfor, timeOutTime, Match::Search);
}

QByteArray CommandExchange::sendAndWaitFor2(const QByteArray& cmd, const QByteArray& waitfor,
                                            qint16 timeOutTime) {
    return wait(cmd, waitfor, timeOutTime, Match::IdleSearch);
}

void CommandExchange::beginEchoTransfer(const QByteArray& head) {
    port_.readAll();
    receiver_.buffer().clear();
    port_.write(head);
}

bool CommandExchange::sendAndExpectEcho(char byte, qint16 timeOutTime) {
    const QByteArray b(1, byte);
    return !wait(b, b, timeOutTime, Match::Echo).isEmpty();
}

void CommandExchange::pause(qint16 ms) {
    startTimeOutTimer(ms);
    if (ms <= 0) return;
    // The window stays usable during a pause, so another command may run its own wait inside
    // it and stop the shared timer on its match; the pause then still ends on time.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.start(ms);
    while (!timeOut_ && deadline.isActive())
        yieldOnce();
}
