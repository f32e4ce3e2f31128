#include "link/bytetrace.h"

#include "core/fileio.h"

#include <QDateTime>
#include <QDir>

QString ByteTrace::open(const QString& path) {
    path_ = QDir::toNativeSeparators(path);
    // Unbuffered: every line reaches the system as soon as it is written.
    if (const QString why = fileio::openForWriting(file_, path); !why.isEmpty())
        return QStringLiteral("Die Protokolldatei \"%1\" kann nicht angelegt werden: %2")
            .arg(path_, why);
    clock_.start();
    writeLine(QByteArrayLiteral("# ZEPTAL32 Byte-Protokoll, begonnen ") +
              QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8());
    return {};
}

QByteArray ByteTrace::burstLine(qint64 ms, char direction, const QByteArray& bytes) {
    QByteArray line = QByteArray::number(ms).rightJustified(7, ' ');
    line += ' ';
    line += direction;
    line += ' ';
    line += bytes.toHex(' ').toUpper();
    line += " |";
    for (const char c : bytes)
        line += (c >= 0x20 && c < 0x7f) ? c : '.';
    line += '|';
    return line;
}

void ByteTrace::burst(char direction, const QByteArray& bytes) {
    if (!file_.isOpen() || bytes.isEmpty()) return;
    writeLine(burstLine(clock_.elapsed(), direction, bytes));
}

void ByteTrace::event(const QString& text) {
    if (!file_.isOpen()) return;
    writeLine(QByteArray::number(clock_.elapsed()).rightJustified(7, ' ') + " * " + text.toUtf8());
}

void ByteTrace::writeLine(const QByteArray& line) {
    // A full disk must not stop the transfer the trace is watching; the trace ends, once said.
    const QByteArray whole = line + '\n';
    if (file_.write(whole) == whole.size()) return;
    file_.close();
    if (onFailure)
        onFailure(QStringLiteral("Die Protokolldatei \"%1\" konnte nicht weiter geschrieben "
                                 "werden (Datenträger voll?); das Protokoll endet hier.")
                      .arg(path_));
}

std::optional<QString> traceArgument(const QStringList& arguments) {
    const QString option = QStringLiteral("--trace");
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == option) return i + 1 < arguments.size() ? arguments[i + 1] : QString();
        if (arguments[i].startsWith(option + QLatin1Char('=')))
            return arguments[i].mid(option.size() + 1);
    }
    return std::nullopt;
}

TracingSerialPort::TracingSerialPort(SerialPort& inner, ByteTrace& trace, QObject* parent)
    : SerialPort(parent), inner_(inner), trace_(trace) {
    connect(&inner_, &SerialPort::dataReceived, this, &SerialPort::dataReceived);
    connect(&inner_, &SerialPort::lost, this, [this] {
        trace_.event(QStringLiteral("verloren %1").arg(inner_.deviceName()));
        emit lost();
    });
}

bool TracingSerialPort::setSettings(const QString& settings) {
    const bool ok = inner_.setSettings(settings);
    if (ok && inner_.isOpen()) trace_.event(QStringLiteral("umgestellt auf %1").arg(settings));
    return ok;
}

bool TracingSerialPort::open() {
    const bool ok = inner_.open();
    if (ok)
        trace_.event(QStringLiteral("geöffnet %1 %2").arg(inner_.deviceName(), inner_.settings()));
    else
        trace_.event(QStringLiteral("nicht geöffnet %1").arg(inner_.deviceName()));
    return ok;
}

void TracingSerialPort::close() {
    const bool wasOpen = inner_.isOpen();
    inner_.close();
    if (wasOpen) trace_.event(QStringLiteral("geschlossen"));
}

void TracingSerialPort::write(const QByteArray& bytes) {
    // A closed port drops what is written to it; the trace shows only what went on the line.
    if (inner_.isOpen()) trace_.sent(bytes);
    inner_.write(bytes);
}

QByteArray TracingSerialPort::readAll() {
    const QByteArray bytes = inner_.readAll();
    trace_.received(bytes);
    return bytes;
}
