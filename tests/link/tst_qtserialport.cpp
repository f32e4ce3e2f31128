#include "fakedialogs.h"
#include "link/commandexchange.h"
#include "link/flags.h"
#include "link/qtserialport.h"
#include "link/receivehandler.h"
#include "ptypeer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kPort = 3;

// The real port on the slave of a pseudo-terminal, with the exchange on top; the test plays
// the terminal on the master, by hand or through an echoing thread.
struct PtyRig {
    PtyPair pty;
    std::unique_ptr<EchoPeer> peer;
    QtSerialPort port{[this](int n) { return n == kPort ? pty.slavePath() : QString(); }};
    ReceiveHandler receiver{port};
    FakeDialogs dialogs;
    CommandExchange exchange{receiver, dialogs};

    explicit PtyRig(bool echo = true) {
        if (echo && pty.ok()) peer = std::make_unique<EchoPeer>(pty.master());
    }
    bool open() { return pty.ok() && port.setPortNumber(kPort) && port.open(); }
    // What the driver really has: speed and two stop bits.
    std::pair<int, bool> line() const {
        termios tio{};
        ::tcgetattr(pty.slave(), &tio);
        return {int(::cfgetospeed(&tio)), (tio.c_cflag & CSTOPB) != 0};
    }
};

} // namespace

class TestQtSerialPort : public QObject {
    Q_OBJECT

  private slots:
    void init() { LinkFlags::instance().setAbortRequested(false); }

    void portNumberRules() {
        QCOMPARE(QtSerialPort::defaultDevice(8), QStringLiteral("/dev/ttyS7"));
        PtyRig rig(false);
        QVERIFY(!rig.port.setPortNumber(0) && !rig.port.setPortNumber(17));
        QVERIFY(rig.open());
        QCOMPARE(rig.port.deviceName(), rig.pty.slavePath());
        QVERIFY(!rig.port.setPortNumber(4) && !rig.port.open() && rig.port.isOpen());
        rig.port.close();
        QVERIFY(rig.port.setPortNumber(4));
        QVERIFY2(!rig.port.open(), "no device is configured for port 4");
        QVERIFY(rig.port.errorString().contains(QLatin1String("COM4")));
    }

    void echoExchange_data() {
        QTest::addColumn<QByteArray>("cmd");
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        QTest::newRow("every byte value, untranslated") << all;
        // More than the driver buffers hold: part of it has to wait for the line to drain.
        QTest::newRow("more than the driver takes at once") << all.repeated(100);
    }
    void echoExchange() {
        QFETCH(QByteArray, cmd);
        PtyRig rig;
        QVERIFY2(rig.open(), qPrintable(rig.port.errorString()));
        // Stale bytes reach the driver while no event is handled, so the port is not told yet.
        QCOMPARE(::write(rig.pty.master(), "junk", 4), 4);
        pollfd p{rig.pty.slave(), POLLIN, 0};
        QCOMPARE(::poll(&p, 1, 2000), 1);
        QCOMPARE(rig.exchange.sendAndWaitFor(cmd, cmd, -3000), cmd);
        QCOMPARE(rig.peer->received(), cmd);
        QCOMPARE(rig.exchange.sendAndWaitFor2(cmd, cmd, -3000), cmd);
        QVERIFY(rig.dialogs.shown.isEmpty());
    }

    void lineSettings_data() {
        QTest::addColumn<bool>("whileClosed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("settings"); // read back afterwards
        QTest::addColumn<int>("speed");
        QTest::addColumn<bool>("twoStopBits");
        QTest::addColumn<QString>("refusedBy"); // "", "port" or "parse"
        auto row = [](const char* name, bool whileClosed, const char* text, const char* settings,
                      int speed, bool twoStopBits, const char* refusedBy = "") {
            QTest::newRow(name) << whileClosed << QString(text) << QString(settings) << speed
                                << twoStopBits << QString(refusedBy);
        };
        row("set while closed, applied on open", true, "2400,N,8,2", "2400,n,8,2", B2400, true);
        row("even parity refused by the pseudo-terminal", false, "9600,e,8,2", "4800,n,8,1", B4800,
            false, "port");
        row("malformed text", false, "9600,n,8", "4800,n,8,1", B4800, false, "parse");
    }
    void lineSettings() {
        QFETCH(bool, whileClosed);
        QFETCH(QString, text);
        QFETCH(int, speed);
        QFETCH(bool, twoStopBits);
        QFETCH(QString, refusedBy);
        PtyRig rig;
        QVERIFY2(rig.port.setSettings("4800,n,8,1"), qPrintable(rig.port.errorString()));
        if (!whileClosed) QVERIFY2(rig.open(), qPrintable(rig.port.errorString()));
        QCOMPARE(rig.port.setSettings(text), refusedBy.isEmpty());
        if (whileClosed) QVERIFY2(rig.open(), qPrintable(rig.port.errorString()));
        QTEST(rig.port.settings(), "settings");
        // A refused text leaves the line as it was.
        QCOMPARE(rig.line(), std::make_pair(speed, twoStopBits));
        const QString error = rig.port.errorString();
        if (refusedBy == QLatin1String("port"))
            QVERIFY2(!error.isEmpty() && !error.contains(QStringLiteral("Ungültig")),
                     "the port layer's own text");
        if (refusedBy == QLatin1String("parse")) QVERIFY(error.contains(text));
        QCOMPARE(rig.exchange.sendAndWaitFor("Z", "Z", -3000), QByteArray("Z"));
    }

    void hangUp_data() {
        QTest::addColumn<bool>("waiting");
        QTest::addColumn<int>("timeOut");
        QTest::newRow("during a silent wait") << true << -5000;
        QTest::newRow("during a wait without time-out") << true << 0;
    }
    void hangUp() {
        QFETCH(bool, waiting);
        QFETCH(int, timeOut);
        PtyRig rig(false);
        QVERIFY2(rig.open(), qPrintable(rig.port.errorString()));
        QSignalSpy lost(&rig.port, &SerialPort::lost);
        if (waiting) {
            QTimer::singleShot(30, &rig.port, [&rig] { rig.pty.closeMaster(); });
            // Should the hang-up go unnoticed, the wait without time-out fails, not hangs.
            QTimer::singleShot(4000, &rig.port,
                               [] { LinkFlags::instance().setAbortRequested(true); });
            QElapsedTimer clock;
            clock.start();
            QVERIFY(rig.exchange.sendAndWaitFor("\x1b&V", "&V", static_cast<qint16>(timeOut))
                        .isEmpty());
            QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
            // The loss is told by whoever watches the port, never as a silent terminal.
            QCOMPARE(rig.dialogs.messages(), QStringList());
            QCOMPARE(rig.exchange.lastEnd(), CommandExchange::WaitEnd::PortLost);
        } else {
            rig.pty.closeMaster();
        }
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 3000);
        QVERIFY(!rig.port.isOpen());
        QVERIFY2(rig.port.errorString().contains(rig.pty.slavePath()),
                 qPrintable(rig.port.errorString()));
        // The program stays usable: the next exchange ends at once on the closed port.
        QElapsedTimer clock;
        clock.start();
        QVERIFY(rig.exchange.sendAndWaitFor("A", "A", -3000).isEmpty());
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(lost.count(), 1);
    }

    void lowLatency_data() {
        QTest::addColumn<bool>("realDriver"); // else the stand-in below
        QTest::addColumn<int>("flags");       // the stand-in's flags at open, -1: none at all
        QTest::addColumn<bool>("takesBit");   // the stand-in keeps the bit when it is set
        QTest::addColumn<bool>("lowWhileOpen");
        const int bit = LowLatency::flagBit();
        const int other = 0x40; // some other flag of the driver, left alone
        QTest::newRow("pseudo-terminal refuses") << true << 0 << false << false;
        QTest::newRow("adapter takes the flag") << false << other << true << true;
        QTest::newRow("adapter that had it already") << false << (other | bit) << true << true;
        QTest::newRow("driver accepts but ignores it") << false << other << false << false;
    }
    void lowLatency() {
        QFETCH(bool, realDriver);
        QFETCH(int, flags);
        QFETCH(bool, takesBit);
        std::optional<int> device; // the stand-in's flags
        if (flags >= 0) device = flags;
        PtyRig rig;
        if (!realDriver)
            rig.port.setLowLatencyDriver({[&](int) { return device; },
                                          [&](int, int f) {
                                              if (takesBit || !(f & LowLatency::flagBit()))
                                                  device = f;
                                              return true;
                                          }});
        for (int round = 0; round < 2; ++round) {
            QVERIFY2(rig.open(), qPrintable(rig.port.errorString()));
            QTEST(rig.port.lowLatency(), "lowWhileOpen");
            QCOMPARE(rig.exchange.sendAndWaitFor("Z", "Z", -3000), QByteArray("Z"));
            rig.port.close();
            QVERIFY(!rig.port.lowLatency());
            QCOMPARE(device.value_or(-1), flags);
        }
    }
};

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
