#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The terminal line as the program sees it: a numbered port with a settings text such as
// "9600,n,8,2" and a handshaking mode 0..3. Setters return false and leave errorString() set
// when the port layer refuses; nothing here throws.
class SerialPort : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~SerialPort() override = default;

    virtual int portNumber() const = 0;
    virtual bool setPortNumber(int n) = 0; // refused while open
    virtual QString settings() const = 0;  // parity letter always in lower case
    virtual bool setSettings(const QString& settings) = 0;
    virtual int handshaking() const = 0;
    virtual bool setHandshaking(int mode) = 0;

    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Bytes written to a closed port are dropped.
    virtual void write(const QByteArray& bytes) = 0;
    // Everything received and not yet read.
    virtual QByteArray readAll() = 0;

    virtual QString errorString() const = 0;
    // The device behind the current port number (a path on Linux, "COMn" on Windows).
    virtual QString deviceName() const = 0;

  signals:
    // At least one byte is waiting.
    void dataReceived();
    // The device went away while open (a USB adapter pulled); the port has been closed.
    void lost();
};
