#include "link/qtserialport.h"

#include <QMap>

QtSerialPort::QtSerialPort(DeviceMapper deviceFor, QObject* parent)
    : SerialPort(parent), deviceFor_(std::move(deviceFor)) {
    connect(&port_, &QSerialPort::readyRead, this, &SerialPort::dataReceived);
    connect(&port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError && port_.isOpen()) {
            error_ = port_.errorString();
            port_.close();
            emit lost();
        }
    });
}

QtSerialPort::~QtSerialPort() {
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
    if (!ok) error_ = port_.errorString();
    return ok;
}

bool QtSerialPort::setSettings(const QString& settings) {
    const auto parsed = LineSettings::parse(settings);
    if (!parsed) {
        error_ = QStringLiteral("Ungültige Schnittstellenparameter \"%1\".").arg(settings);
        return false;
    }
    if (port_.isOpen() && !apply(*parsed)) return false;
    settings_ = *parsed;
    return true;
}

bool QtSerialPort::applyHandshaking(int mode) {
    const auto flow = mode == 0   ? QSerialPort::NoFlowControl
                      : mode == 1 ? QSerialPort::SoftwareControl
                                  : QSerialPort::HardwareControl;
    if (!port_.setFlowControl(flow)) {
        error_ = port_.errorString();
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
    const QString device = deviceName();
    if (device.isEmpty()) {
        error_ = QStringLiteral("Für COM%1 ist kein Gerät eingestellt.").arg(portNumber_);
        return false;
    }
    port_.setPortName(device);
    if (!port_.open(QIODevice::ReadWrite)) {
        error_ = QStringLiteral("%1: %2").arg(device, port_.errorString());
        return false;
    }
    // A pseudo-terminal refuses some line settings; the bytes still flow, so a refusal here
    // does not keep the port shut.
    apply(settings_);
    applyHandshaking(handshaking_);
    port_.clearError();
    return true;
}

void QtSerialPort::close() {
    port_.close();
}

void QtSerialPort::write(const QByteArray& bytes) {
    if (!port_.isOpen() || bytes.isEmpty()) return;
    port_.write(bytes);
    port_.flush();
}

QByteArray QtSerialPort::readAll() {
    return port_.isOpen() ? port_.readAll() : QByteArray();
}
