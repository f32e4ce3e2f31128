#pragma once

#include "link/serialport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// A record of every byte on the line, to find out afterwards what a session really sent and
// got. One line per burst (one write, one read of what had arrived), each written through to
// the file at once, so the record survives a crash of the program:
//
//     # ZEPTAL32 Byte-Protokoll, begonnen 2026-12-06T16:30:00
//         12 * geöffnet /dev/ttyUSB0 9600,n,8,2
//         15 > 1B 26 56 |.&V|
//         19 < 31 2E 38 30 42 |1.80B|
//
// Milliseconds since the trace began, the direction ("> " to the terminal, "< " from it, "* "
// an event of the port), the bytes in hex and the bytes as characters (a dot for anything but
// printable ASCII).
class ByteTrace {
  public:
    // Creates or empties the file; only a regular file or a new name, never blocking. Returns
    // the reason of a failure, or an empty text.
    QString open(const QString& path);
    bool isOpen() const { return file_.isOpen(); }

    // Told once, with the reason, when a line cannot be written (a full disk): the record ends
    // there, and the transfer it watches goes on.
    std::function<void(const QString&)> onFailure;

    void sent(const QByteArray& bytes) { burst('>', bytes); }
    void received(const QByteArray& bytes) { burst('<', bytes); }
    void event(const QString& text);

    // One line of the file, without its line end.
    static QByteArray burstLine(qint64 ms, char direction, const QByteArray& bytes);

  private:
    void burst(char direction, const QByteArray& bytes);
    void writeLine(const QByteArray& line);

    QFile file_;
    QString path_;
    QElapsedTimer clock_;
};

// The value of "--trace FILE" or "--trace=FILE" among a program's arguments: nullopt when the
// option is not there, an empty text when it has no file.
std::optional<QString> traceArgument(const QStringList& arguments);

// Hands everything through to the real port and tells the trace about every burst and every
// opening, closing and loss of the port.
class TracingSerialPort : public SerialPort {
    Q_OBJECT
  public:
    TracingSerialPort(SerialPort& inner, ByteTrace& trace, QObject* parent = nullptr);

    int portNumber() const override { return inner_.portNumber(); }
    bool setPortNumber(int n) override { return inner_.setPortNumber(n); }
    QString settings() const override { return inner_.settings(); }
    bool setSettings(const QString& settings) override;
    int handshaking() const override { return inner_.handshaking(); }
    bool setHandshaking(int mode) override { return inner_.setHandshaking(mode); }
    bool open() override;
    void close() override;
    bool isOpen() const override { return inner_.isOpen(); }
    void write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    QString errorString() const override { return inner_.errorString(); }
    QString deviceName() const override { return inner_.deviceName(); }

  private:
    SerialPort& inner_;
    ByteTrace& trace_;
};
