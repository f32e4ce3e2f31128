#include "link/qtserialport.h"

#include <QFile>
#include <QMap>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

QtSerialPort::QtSerialPort(DeviceMapper deviceFor, QObject* parent)
    : SerialPort(parent), deviceFor_(std::move(deviceFor)),
      lockDirectories_(portlock::defaultDirectories()) {
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        notifying_ = true;
        emit dataReceived();
        notifying_ = false;
    });
    connect(&port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (losing_ || !port_.isOpen() || !deviceGone(e)) return;
        // Closing inside QSerialPort's own notification would pull its buffers from under it.
        losing_ = true;
        QMetaObject::invokeMethod(
            this, [this, opening = openings_] { loseDevice(opening); }, Qt::QueuedConnection);
    });
}

bool QtSerialPort::deviceGone(QSerialPort::SerialPortError e) const {
    if (e != QSerialPort::ResourceError && e != QSerialPort::ReadError &&
        e != QSerialPort::WriteError)
        return false;
#ifdef Q_OS_UNIX
    // A hung-up tty (adapter pulled, pseudo-terminal master closed) reads as end of file, which
    // QSerialPort reports as a ReadError with a stale errno over and over, and a spurious wake-up
    // reads as EAGAIN, which it reports as a ResourceError. Only the device's poll state tells.
    pollfd p{port_.handle(), POLLIN | POLLOUT, 0};
    if (::poll(&p, 1, 0) < 0) return errno != EINTR;
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return e == QSerialPort::ResourceError;
#endif
}

void QtSerialPort::loseDevice(int opening) {
    // The port may have been closed, or closed and opened afresh, since the error came in.
    if (opening != openings_ || !port_.isOpen()) return;
    losing_ = false;
    error_ = QStringLiteral("%1: Gerät nicht mehr vorhanden").arg(deviceName());
    closeDevice();
    emit lost();
}

QString QtSerialPort::openFailure(QSerialPort::SerialPortError e, const QString& device) {
    switch (e) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("Gerät nicht gefunden");
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // The port layer reports a lock held by another process as a permission error too.
        if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0)
            return QStringLiteral("wird bereits von einem anderen Programm verwendet");
#endif
        return QStringLiteral("Zugriff verweigert oder von einem anderen Programm belegt");
    case QSerialPort::OpenError:
        return QStringLiteral("bereits geöffnet");
    default:
        return QStringLiteral("keine nutzbare serielle Schnittstelle");
    }
}

QtSerialPort::~QtSerialPort() {
    closeDevice();
}

void QtSerialPort::closeDevice() {
    // The device is left as it was found; on one that has gone away this fails harmlessly.
    if (port_.isOpen()) lowLatency_.restore();
    port_.close();
}

QString QtSerialPort::defaultDevice(int n) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

bool QtSerialPort::setPortNumber(int n) {
    if (port_.isOpen()) {
        error_ = QStringLiteral(
            "Die Schnittstelle ist geöffnet; die Nummer kann nicht geändert werden.");
        return false;
    }
    if (n < 1 || n > 16) {
        error_ = QStringLiteral("Ungültige Schnittstellennummer %1.").arg(n);
        return false;
    }
    portNumber_ = n;
    return true;
}

bool QtSerialPort::apply(const LineSettings& s) {
    static const QMap<char, QSerialPort::Parity> parities = {{'n', QSerialPort::NoParity},
                                                             {'e', QSerialPort::EvenParity},
                                                             {'o', QSerialPort::OddParity},
                                                             {'m', QSerialPort::MarkParity},
                                                             {'s', QSerialPort::SpaceParity}};
    if (s.dataBits < 5) {
        error_ = QStringLiteral("%1 Datenbits werden nicht unterstützt.").arg(s.dataBits);
        return false;
    }
    const auto stop = s.stopBits == QLatin1String("1")     ? QSerialPort::OneStop
                      : s.stopBits == QLatin1String("1.5") ? QSerialPort::OneAndHalfStop
                                                           : QSerialPort::TwoStop;
    const bool ok = port_.setBaudRate(s.baud) && port_.setParity(parities.value(s.parity)) &&
                    port_.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)) &&
                    port_.setStopBits(stop);
    if (!ok)
        error_ =
            QStringLiteral("Die Schnittstelle nimmt die Einstellung %1 nicht an.").arg(s.text());
    return ok;
}

bool QtSerialPort::setSettings(const QString& settings) {
    const auto parsed = LineSettings::parse(settings);
    if (!parsed) {
        error_ = QStringLiteral("Ungültige Schnittstellenparameter \"%1\".").arg(settings);
        return false;
    }
    if (port_.isOpen() && !apply(*parsed)) {
        // The setters before the refused one have already changed the line; put it back so that
        // settings() tells the truth.
        const QString refused = error_;
        apply(settings_);
        error_ = refused;
        return false;
    }
    settings_ = *parsed;
    return true;
}

bool QtSerialPort::applyHandshaking(int mode) {
    const auto flow = mode == 0   ? QSerialPort::NoFlowControl
                      : mode == 1 ? QSerialPort::SoftwareControl
                                  : QSerialPort::HardwareControl;
    if (!port_.setFlowControl(flow)) {
        error_ = QStringLiteral("Die Schnittstelle unterstützt das Protokoll %1 nicht.").arg(mode);
        return false;
    }
    return true;
}

bool QtSerialPort::setHandshaking(int mode) {
    if (mode < 0 || mode > 3) {
        error_ = QStringLiteral("Ungültiges Protokoll %1.").arg(mode);
        return false;
    }
    if (port_.isOpen() && !applyHandshaking(mode)) return false;
    handshaking_ = mode;
    return true;
}

bool QtSerialPort::open() {
    if (port_.isOpen()) {
        error_ = QStringLiteral("Die Schnittstelle ist bereits geöffnet.");
        return false;
    }
    const QString named = deviceName();
    if (named.isEmpty()) {
        error_ = QStringLiteral("Für COM%1 ist kein Gerät eingestellt.").arg(portNumber_);
        return false;
    }
    // The port layer locks the name it is given; with every name of an adapter turned into its
    // one device path, a second program cannot take the adapter under another of its names.
    QString why;
    const QString device = resolvedDevice(&why);
    if (device.isEmpty()) {
        error_ = QStringLiteral("%1: %2").arg(named, why);
        return false;
    }
    if (const auto holder = portlock::liveHolder(device, lockDirectories_)) {
        error_ = QStringLiteral("%1: wird bereits von einem anderen Programm verwendet (%2)")
                     .arg(named, portlock::holderText(*holder));
        return false;
    }
    port_.setPortName(device);
    ++openings_;
    losing_ = false;
    if (!port_.open(QIODevice::ReadWrite)) {
        QString failure = openFailure(port_.error(), device);
        const PortUse holder = catalogue_->use(device);
        if (holder.busy()) failure += QStringLiteral(" (%1)").arg(holder.text());
        error_ = QStringLiteral("%1: %2").arg(named, failure);
        return false;
    }
    // A pseudo-terminal refuses some line settings; the bytes still flow, so a refusal here
    // does not keep the port shut.
    apply(settings_);
    applyHandshaking(handshaking_);
#ifdef Q_OS_LINUX
    // Every transfer waits for each byte's echo, so an adapter that holds bytes back for its
    // latency timer would slow it several times over.
    lowLatency_.request(port_.handle());
#endif
    port_.clearError();
    return true;
}

void QtSerialPort::close() {
    losing_ = false;
    closeDevice();
}

void QtSerialPort::write(const QByteArray& bytes) {
    if (!port_.isOpen() || bytes.isEmpty()) return;
    qsizetype done = 0;
#ifdef Q_OS_UNIX
    // Straight to the device while nothing is queued: QSerialPort's own path arms a write
    // notifier for every call, which costs several system calls and an extra event per write.
    if (port_.bytesToWrite() == 0) {
        const int fd = port_.handle();
        while (done < bytes.size()) {
            const ssize_t n =
                ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n > 0)
                done += n;
            else if (n < 0 && errno == EINTR)
                continue;
            else
                break; // full (EAGAIN) or failing: QSerialPort queues the rest and reports errors
        }
    }
#endif
    // Queued bytes keep their order behind earlier ones and go out as the event loop runs.
    if (done < bytes.size()) port_.write(bytes.constData() + done, bytes.size() - done);
}

QByteArray QtSerialPort::readAll() {
    if (!port_.isOpen()) return {};
    QByteArray out;
    // Asking first skips QIODevice::readAll's buffer set-up in the common case of nothing.
    if (port_.bytesAvailable() > 0) out = port_.readAll();
#ifdef Q_OS_UNIX
    // Bytes the driver holds but QSerialPort has not been told about yet have been received too;
    // an exchange that throws away stale input must not meet them after its command. Inside
    // the data notification QSerialPort has just emptied the driver, so asking would be wasted.
    int waiting = 0;
    if (!notifying_ && ::ioctl(port_.handle(), FIONREAD, &waiting) == 0 && waiting > 0) {
        const qsizetype had = out.size();
        out.resize(had + waiting);
        const ssize_t n = ::read(port_.handle(), out.data() + had, static_cast<size_t>(waiting));
        out.resize(had + qMax<qsizetype>(n, 0));
    }
#endif
    return out;
}
