#pragma once

#include "link/serialport.h"

#include <QList>
#include <functional>

// An in-memory port for tests and the in-process simulated terminal. Records every write;
// replies are fed with feed(). Faults can be switched on per test.
class FakeSerialPort : public SerialPort {
    Q_OBJECT
  public:
    explicit FakeSerialPort(QObject* parent = nullptr);

    int portNumber() const override { return portNumber_; }
    bool setPortNumber(int n) override;
    QString settings() const override { return settings_; }
    bool setSettings(const QString& settings) override;
    int handshaking() const override { return handshaking_; }
    bool setHandshaking(int mode) override;
    bool open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    void write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    QString errorString() const override { return error_; }
    QString deviceName() const override;

    // Bytes arriving from the terminal: queued and announced at once.
    void feed(const QByteArray& bytes);
    // The device vanishes: closed and lost() emitted.
    void vanish();

    // Everything written while open, joined; and each write on its own.
    QByteArray written() const;
    QList<QByteArray> writes;
    // Each write with the settings text in force when it was made.
    QList<QPair<QString, QByteArray>> writesWithSettings;
    void clearWrites();

    // Called for every write on an open port, e.g. to let a terminal engine answer.
    std::function<void(const QByteArray&)> onWrite;

    // Fault switches.
    bool failOpen = false;
    QList<int> failOpenPorts;
    QList<int> refusedPortNumbers;
    bool refuseSettings = false;
    bool refuseHandshaking = false;
    int openCount = 0;

  private:
    int portNumber_ = 1;
    QString settings_ = QStringLiteral("9600,n,8,2");
    int handshaking_ = 0;
    bool open_ = false;
    QByteArray input_;
    QString error_;
};
