#include "link/fakeserialport.h"

#include "link/linesettings.h"

FakeSerialPort::FakeSerialPort(QObject* parent) : SerialPort(parent) {}

bool FakeSerialPort::setPortNumber(int n) {
    if (open_) {
        error_ = QStringLiteral("Port ist bereits geöffnet");
        return false;
    }
    if (n < 1 || n > 16 || refusedPortNumbers.contains(n)) {
        error_ = QStringLiteral("Ungültige Portnummer");
        return false;
    }
    portNumber_ = n;
    return true;
}

bool FakeSerialPort::setSettings(const QString& settings) {
    const auto parsed = LineSettings::parse(settings);
    if (!parsed || refuseSettings) {
        error_ = QStringLiteral("Ungültige Einstellungen");
        return false;
    }
    settings_ = parsed->text();
    return true;
}

bool FakeSerialPort::setHandshaking(int mode) {
    if (mode < 0 || mode > 3 || refuseHandshaking) {
        error_ = QStringLiteral("Ungültiges Protokoll");
        return false;
    }
    handshaking_ = mode;
    return true;
}

bool FakeSerialPort::open() {
    if (open_) {
        error_ = QStringLiteral("Port ist bereits geöffnet");
        return false;
    }
    if (failOpen || failOpenPorts.contains(portNumber_)) {
        error_ = QStringLiteral("Zugriff verweigert");
        return false;
    }
    open_ = true;
    ++openCount;
    input_.clear();
    return true;
}

void FakeSerialPort::close() {
    open_ = false;
}

void FakeSerialPort::write(const QByteArray& bytes) {
    if (!open_) return;
    writes.append(bytes);
    writesWithSettings.append({settings_, bytes});
    if (onWrite) onWrite(bytes);
}

QByteArray FakeSerialPort::readAll() {
    QByteArray out;
    out.swap(input_);
    return out;
}

QString FakeSerialPort::deviceName() const {
    return QStringLiteral("fake:COM%1").arg(portNumber_);
}

void FakeSerialPort::feed(const QByteArray& bytes) {
    if (!open_ || bytes.isEmpty()) return;
    input_.append(bytes);
    emit dataReceived();
}

void FakeSerialPort::vanish() {
    if (!open_) return;
    open_ = false;
    input_.clear();
    error_ = QStringLiteral("Gerät nicht mehr vorhanden");
    emit lost();
}

QByteArray FakeSerialPort::written() const {
    QByteArray all;
    for (const auto& w : writes)
        all.append(w);
    return all;
}

void FakeSerialPort::clearWrites() {
    writes.clear();
    writesWithSettings.clear();
}
