#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class LinkFlags;
class SerialPort;

// What the receive monitor shows of one received chunk: the chunk itself when it begins with a
// printable character, else "<&H..>" with the hex code of its first byte.
QByteArray monitorTextForChunk(const QByteArray& chunk);

// The monitor keeps only the last characters.
inline constexpr int kMonitorLength = 63;
QString trimMonitorText(const QString& text);

// Turns the port's data notifications into the receive buffer that the exchanges drain, and
// into monitor text.
class ReceiveHandler : public QObject {
    Q_OBJECT
  public:
    explicit ReceiveHandler(SerialPort& port, QObject* parent = nullptr);
    // Steered by `flags` instead of the process-wide ones.
    ReceiveHandler(SerialPort& port, LinkFlags& flags, QObject* parent = nullptr);

    QByteArray& buffer() { return buffer_; }
    // While no exchange waits, whatever arrives is stale and the next exchange throws it away;
    // only this many of the newest bytes are kept, however long a peer keeps sending.
    static constexpr qsizetype kIdleTail = 4096;
    void setWaiting(bool waiting) { waiting_ = waiting; }
    SerialPort& port() { return port_; }
    LinkFlags& flags() const { return flags_; }

    // Reads everything waiting and dispatches it (the port's data notification).
    void onDataReceived();

  signals:
    // The buffer has grown.
    void received();
    // Text to append to the receive monitor.
    void monitorAppend(const QString& text);
    // The bytes of one received chunk, as they came.
    void chunkReceived(const QByteArray& chunk);
    // Key capture is on and LinkFlags::lastKeyReceived has grown.
    void keyCaptured();

  private:
    SerialPort& port_;
    LinkFlags& flags_;
    QByteArray buffer_;
    bool waiting_ = false;
};
