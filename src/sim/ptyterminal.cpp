#include "sim/ptyterminal.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// Moves bytes between the pty master and the link, inside the worker thread.
class PtyPump : public QObject {
    Q_OBJECT
  public:
    PtyPump(int master, TerminalLink* link) : master_(master), link_(link) {}

    void begin() {
        reader_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
        writer_ = new QSocketNotifier(master_, QSocketNotifier::Write, this);
        writer_->setEnabled(false);
        connect(reader_, &QSocketNotifier::activated, this, &PtyPump::readAvailable);
        connect(writer_, &QSocketNotifier::activated, this, &PtyPump::flush);
        connection_ = connect(link_, &TerminalLink::transmit, this, [this](const QByteArray& b) {
            pending_.append(b);
            TerminalLink::trimQueue(pending_);
            flush();
        });
    }

    // Leaves the link in `home` with its timers stopped, so it outlives the thread.
    void shutdown(QThread* home) {
        disconnect(connection_);
        delete reader_;
        delete writer_;
        reader_ = writer_ = nullptr;
        link_->halt();
        link_->moveToThread(home);
    }

  private:
    void readAvailable() {
        char buf[4096];
        QByteArray got;
        for (;;) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            break; // EAGAIN: drained
        }
        link_->receive(got);
    }

    void flush() {
        while (!pending_.isEmpty()) {
            const ssize_t n = ::write(master_, pending_.constData(), size_t(pending_.size()));
            if (n > 0) {
                pending_.remove(0, n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            break; // the slave's input queue is full: wait until it takes more
        }
        if (writer_) writer_->setEnabled(!pending_.isEmpty());
    }

    int master_;
    TerminalLink* link_;
    QSocketNotifier* reader_ = nullptr;
    QSocketNotifier* writer_ = nullptr;
    QMetaObject::Connection connection_;
    QByteArray pending_;
};

namespace {

int baudOf(speed_t speed) {
    switch (speed) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

} // namespace

PtyTerminal::PtyTerminal(const TerminalOptions& options, QObject* parent)
    : QObject(parent), link_(new TerminalLink(options)) {
    thread_.setObjectName(QStringLiteral("pultino-sim"));
}

PtyTerminal::~PtyTerminal() {
    stop();
    delete link_;
}

bool PtyTerminal::start(QString* error) {
    if (pump_) return true;
    auto fail = [&](const char* what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what),
                                                  QString::fromLocal8Bit(std::strerror(errno)));
        if (master_ >= 0) ::close(master_);
        if (slave_ >= 0) ::close(slave_);
        master_ = slave_ = -1;
        return false;
    };
    if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return fail("openpty");
    char name[256] = {};
    if (::ttyname_r(slave_, name, sizeof name) != 0) return fail("ttyname");
    slavePath_ = QString::fromLocal8Bit(name);

    // The slave end stays open here, so the master never sees a hang-up while the program has
    // the port closed, and the line settings the program sets can be read back.
    termios tio{};
    if (::tcgetattr(slave_, &tio) != 0) return fail("tcgetattr");
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::tcsetattr(slave_, TCSANOW, &tio) != 0) return fail("tcsetattr");
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);

    const int slave = slave_;
    link_->setPortBaud([slave] {
        termios t{};
        return ::tcgetattr(slave, &t) == 0 ? baudOf(::cfgetospeed(&t)) : 0;
    });
    pump_ = new PtyPump(master_, link_);
    link_->moveToThread(&thread_);
    pump_->moveToThread(&thread_);
    thread_.start();
    QMetaObject::invokeMethod(pump_, &PtyPump::begin, Qt::BlockingQueuedConnection);
    return true;
}

void PtyTerminal::stop() {
    if (!pump_) return;
    QThread* home = thread();
    QMetaObject::invokeMethod(
        pump_, [this, home] { pump_->shutdown(home); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    delete pump_;
    pump_ = nullptr;
    ::close(master_);
    ::close(slave_);
    master_ = slave_ = -1;
}

#include "ptyterminal.moc"
