#include "link/receivehandler.h"

#include "core/win1252.h"
#include "link/flags.h"
#include "link/serialport.h"

QByteArray monitorTextForChunk(const QByteArray& chunk) {
    if (chunk.isEmpty()) return {};
    // Compared as a string with the one-character texts of code 127 and of the blank.
    const auto first = static_cast<unsigned char>(chunk[0]);
    const bool afterDel = first > 127 || (first == 127 && chunk.size() > 1);
    const bool beforeBlank = first < 32;
    if (afterDel || beforeBlank) return "<&H" + QByteArray::number(first, 16).toUpper() + ">";
    return chunk;
}

QString trimMonitorText(const QString& text) {
    return text.size() > kMonitorLength ? text.right(kMonitorLength) : text;
}

ReceiveHandler::ReceiveHandler(SerialPort& port, QObject* parent)
    : ReceiveHandler(port, LinkFlags::instance(), parent) {}

ReceiveHandler::ReceiveHandler(SerialPort& port, LinkFlags& flags, QObject* parent)
    : QObject(parent), port_(port), flags_(flags) {
    connect(&port_, &SerialPort::dataReceived, this, &ReceiveHandler::onDataReceived);
}

void ReceiveHandler::onDataReceived() {
    const QByteArray chunk = port_.readAll();
    if (chunk.isEmpty()) return;
    LinkFlags& flags = flags_;
    if (flags.keyCaptureActive) {
        // Every character counts: two keys pressed in quick succession arrive in one chunk.
        flags.lastKeyReceived.append(chunk);
        emit keyCaptured();
        return;
    }
    buffer_.append(chunk);
    if (!waiting_ && buffer_.size() > kIdleTail) buffer_.remove(0, buffer_.size() - kIdleTail);
    if (flags.showReceivedData) emit monitorAppend(win1252::decode(monitorTextForChunk(chunk)));
    emit chunkReceived(chunk);
    emit received();
}
