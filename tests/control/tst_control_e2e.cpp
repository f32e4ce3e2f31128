#include "controlwindow.h"

#include "link/qtserialport.h"
#include "sim/ptyterminal.h"

namespace {

QString padded(const QString& text, int columns) {
    return text.leftJustified(columns, QLatin1Char(' '), true);
}

// The real main window on the real serial port class, opened on the simulated terminal's pty.
struct PtyWindow : ControlWindow {
    PtyTerminal term;
    std::unique_ptr<QtSerialPort> serial;

    explicit PtyWindow(const TerminalOptions& options = {}) : term(options) {}
    ~PtyWindow() { window.reset(); } // the window still talks to the port while it closes

    bool start() {
        QString error;
        if (!term.start(&error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        devices->bindTemporarily(1, term.slavePath());
        serial = std::make_unique<QtSerialPort>([this](int n) { return devices->device(n); });
        open(*serial);
        return serial->isOpen();
    }
};

} // namespace

class TestControlEndToEnd : public QObject {
    Q_OBJECT
  private slots:

    void storeSpeed() {
        PtyWindow p;
        QVERIFY(p.start());
        p.select("cboBaudrate", 1);
        p.click("cmdSendBaudrate");
        QVERIFY(p.dialogs.shown.isEmpty());
        QVERIFY(p.serial->isOpen());
        QCOMPARE(p.serial->settings(), QString("4800,n,8,2"));
        QTRY_COMPARE(p.term.snapshot().speedCode, 1);
        QTRY_COMPARE(p.term.snapshot().rowsText().value(0), padded("4800,n,8,2", 20));
    }
};

QTEST_MAIN(TestControlEndToEnd)
#include "tst_control_e2e.moc"
