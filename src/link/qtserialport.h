#pragma once

#include "link/linesettings.h"
#include "link/lowlatency.h"
#include "link/portcatalogue.h"
#include "link/portlock.h"
#include "link/serialport.h"

#include <QSerialPort>
#include <functional>

// The real port. Port number n is opened as the device that `deviceFor(n)` names.
class QtSerialPort : public SerialPort {
    Q_OBJECT
  public:
    using DeviceMapper = std::function<QString(int)>;

    explicit QtSerialPort(DeviceMapper deviceFor, QObject* parent = nullptr);
    ~QtSerialPort() override;

    // The device of port n when nothing is configured for it.
    static QString defaultDevice(int n);
    // Why opening failed, in the operator's words; the device tells a lock from a permission.
    static QString openFailure(QSerialPort::SerialPortError e, const QString& device = {});

    int portNumber() const override { return portNumber_; }
    bool setPortNumber(int n) override;
    QString settings() const override { return settings_.text(); }
    bool setSettings(const QString& settings) override;
    int handshaking() const override { return handshaking_; }
    bool setHandshaking(int mode) override;
    bool open() override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    void write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    QString errorString() const override { return error_; }
    QString deviceName() const override { return deviceFor_(portNumber_); }

    // Where port names such as "usb:SERIAL" or a by-id link are looked up; tests put a table
    // of adapters here.
    void setCatalogue(const PortCatalogue& catalogue) { catalogue_ = &catalogue; }
    // The device that opening uses: deviceName() with its links followed.
    QString resolvedDevice(QString* error = nullptr) const {
        return catalogue_->resolve(deviceName(), error);
    }

    // Whether the open device passes received bytes on without delay (see LowLatency).
    bool lowLatency() const { return lowLatency_.active(); }
    // Where the low-latency request goes; tests put a stand-in for the driver here.
    void setLowLatencyDriver(LowLatency::Driver driver) { lowLatency_ = LowLatency(driver); }
    // Where other programs' lock files are looked for before opening (see portlock).
    void setLockDirectories(QStringList directories) { lockDirectories_ = std::move(directories); }

  private:
    bool apply(const LineSettings& s);
    bool applyHandshaking(int mode);
    // Whether an error of the port means the device itself has gone away.
    bool deviceGone(QSerialPort::SerialPortError e) const;
    void loseDevice(int opening);
    void closeDevice();

    DeviceMapper deviceFor_;
    QSerialPort port_;
    LowLatency lowLatency_;
    QStringList lockDirectories_;
    const PortCatalogue* catalogue_ = &PortCatalogue::system();
    int portNumber_ = 1;
    LineSettings settings_;
    int handshaking_ = 0;
    QString error_;
    bool losing_ = false;
    int openings_ = 0;
    bool notifying_ = false;
};
