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

    void hangUp() {
        if (peer) peer->stop();
        pty.closeMaster();
    }

    termios line() const {
        termios tio{};
        ::tcgetattr(pty.slave(), &tio);
        return tio;
    }
};

bool waitReadable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) == 1 && (p.revents & POLLIN);
}

} // namespace

class TestQtSerialPort : public QObject {
    Q_OBJECT

  private slots:
    void init();

    void defaultDevice_data();
    void defaultDevice();
    void portNumberRules();
    void echoExchange_data();
    void echoExchange();
    void staleDriverInputDiscarded();
    void lineSettings_data();
    void lineSettings();
    void settingsMadeWhileClosedApplyOnOpen();
    void unusableDevice_data();
    void unusableDevice();
    void hangUp_data();
    void hangUp();
};

void TestQtSerialPort::init() {
    auto& flags = LinkFlags::instance();
    flags.showReceivedData = true;
    flags.keyCaptureActive = false;
    flags.lastKeyReceived.clear();
    flags.setAbortRequested(false);
}

void TestQtSerialPort::defaultDevice_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM1") << 1 << "/dev/ttyS0";
    QTest::newRow("COM8") << 8 << "/dev/ttyS7";
    QTest::newRow("COM16") << 16 << "/dev/ttyS15";
}

void TestQtSerialPort::defaultDevice() {
    QFETCH(int, number);
    QFETCH(QString, device);
    QCOMPARE(QtSerialPort::defaultDevice(number), device);
}

void TestQtSerialPort::portNumberRules() {
    PtyRig rig(false);
    QVERIFY(!rig.port.setPortNumber(0));
    QVERIFY(!rig.port.errorString().isEmpty());
    QVERIFY(!rig.port.setPortNumber(17));
    QVERIFY(rig.open());
    QCOMPARE(rig.port.deviceName(), rig.pty.slavePath());
    QVERIFY(!rig.port.setPortNumber(4));
    QCOMPARE(rig.port.portNumber(), kPort);
    QVERIFY(!rig.port.open());
    QVERIFY(rig.port.isOpen());
    rig.port.close();
    QVERIFY(rig.port.setPortNumber(4));
    QVERIFY2(!rig.port.open(), "no device is configured for port 4");
    QVERIFY(rig.port.errorString().contains(QLatin1String("COM4")));
}

void TestQtSerialPort::echoExchange_data() {
    QTest::addColumn<QByteArray>("cmd");
    QTest::addColumn<QByteArray>("waitfor");

    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    QTest::newRow("one byte") << QByteArray("A") << QByteArray("A");
    QTest::newRow("version query") << QByteArray("\x1b&V") << QByteArray("&V");
    QTest::newRow("line ends untranslated") << QByteArray("\r\n\r") << QByteArray("\r\n\r");
    QTest::newRow("flow control bytes pass") << QByteArray("\x11\x13") << QByteArray("\x11\x13");
    QTest::newRow("every byte value") << all << all;
    // More than the driver buffers hold: part of it has to wait for the line to drain.
    const QByteArray big = all.repeated(100);
    QTest::newRow("more than the driver takes at once") << big << big;
}

void TestQtSerialPort::echoExchange() {
    QFETCH(QByteArray, cmd);
    QFETCH(QByteArray, waitfor);

    PtyRig rig;
    QVERIFY2(rig.open(), qPrintable(rig.port.errorString()));
    QCOMPARE(rig.exchange.sendAndWaitFor(cmd, waitfor, -3000), cmd);
    QCOMPARE(rig.peer->received(), cmd);
    QVERIFY(rig.dialogs.shown.isEmpty());

    // And once more, so a second exchange on the same open port works as well.
    QCOMPARE(rig.exchange.sendAndWaitFor2(cmd, waitfor, -3000), cmd);
}

void TestQtSerialPort::staleDriverInputDiscarded() {
    PtyRig rig;
    QVERIFY2(rig.open(), qPrintable(rig.port.errorString()));
    // The bytes reach the driver while no event is handled, so the port has not been told yet.
    QCOMPARE(::write(rig.pty.master(), "junk", 4), 4);
    QVERIFY(waitReadable(rig.pty.slave(), 2000));
    QCOMPARE(rig.exchange.sendAndWaitFor("A", "A", -3000), QByteArray("A"));
}

void TestQtSerialPort::lineSettings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("settings"); // read back afterwards
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("twoStopBits");
    QTest::addColumn<QString>("refusedBy"); // "", "port" or "parse"

    // Each row starts from 4800,n,8,1.
    QTest::newRow("9600 two stop bits") << "9600,n,8,2"
                                        << "9600,n,8,2" << int(B9600) << true << "";
    QTest::newRow("1200, parity letter in upper case") << "1200,N,8,2"
                                                       << "1200,n,8,2" << int(B1200) << true << "";
    QTest::newRow("2400 one stop bit") << "2400,n,8,1"
                                       << "2400,n,8,1" << int(B2400) << false << "";
    QTest::newRow("even parity refused by the pseudo-terminal")
        << "9600,e,8,2"
        << "4800,n,8,1" << int(B4800) << false << "port";
    QTest::newRow("seven data bits refused by the pseudo-terminal")
        << "9600,n,7,2"
        << "4800,n,8,1" << int(B4800) << false << "port";
    QTest::newRow("malformed text") << "9600,n,8"
                                    << "4800,n,8,1" << int(B4800) << false << "parse";
}

void TestQtSerialPort::lineSettings() {
    QFETCH(QString, text);
    QFETCH(QString, settings);
    QFETCH(int, speed);
    QFETCH(bool, twoStopBits);
    QFETCH(QString, refusedBy);

    PtyRig rig;
    QVERIFY2(rig.open(), qPrintable(rig.port.errorString()));
    QVERIFY2(rig.port.setSettings("4800,n,8,1"), qPrintable(rig.port.errorString()));

    QCOMPARE(rig.port.setSettings(text), refusedBy.isEmpty());
    QCOMPARE(rig.port.settings(), settings);
    // What the driver really has: a refused text leaves the line as it was.
    const termios tio = rig.line();
    QCOMPARE(int(::cfgetospeed(&tio)), speed);
    QCOMPARE((tio.c_cflag & CSTOPB) != 0, twoStopBits);
    if (refusedBy == QLatin1String("port")) {
        QVERIFY(!rig.port.errorString().isEmpty());
        QVERIFY2(!rig.port.errorString().contains(QStringLiteral("Ungültig")),
                 "the port layer's own text");
    } else if (refusedBy == QLatin1String("parse")) {
        QVERIFY(rig.port.errorString().contains(text));
    }
    // The line still carries bytes.
    QCOMPARE(rig.exchange.sendAndWaitFor("Z", "Z", -3000), QByteArray("Z"));
}

void TestQtSerialPort::settingsMadeWhileClosedApplyOnOpen() {
    PtyRig rig;
    QVERIFY(rig.port.setSettings("2400,N,8,1"));
    QVERIFY(rig.port.setHandshaking(0));
    QVERIFY2(rig.open(), qPrintable(rig.port.errorString()));
    QCOMPARE(rig.port.settings(), QStringLiteral("2400,n,8,1"));
    const termios tio = rig.line();
    QCOMPARE(int(::cfgetospeed(&tio)), int(B2400));
    QVERIFY(!(tio.c_cflag & CSTOPB));
}

void TestQtSerialPort::unusableDevice_data() {
    QTest::addColumn<QString>("device");
    QTest::newRow("missing path") << "/nonexistent/zeptal-port";
    QTest::newRow("bare garbage name") << "no such port \x01";
    QTest::newRow("not a terminal") << "/dev/null";
    QTest::newRow("a directory") << "/tmp";
    QTest::newRow("nothing configured") << "";
}

void TestQtSerialPort::unusableDevice() {
    QFETCH(QString, device);

    QtSerialPort port([device](int) { return device; });
    ReceiveHandler receiver(port);
    FakeDialogs dialogs;
    CommandExchange exchange(receiver, dialogs);

    QVERIFY(!port.open());
    QVERIFY(!port.isOpen());
    QVERIFY(!port.errorString().isEmpty());
    if (!device.isEmpty())
        QVERIFY2(port.errorString().contains(device), qPrintable(port.errorString()));
    port.write("dropped");
    QVERIFY(port.readAll().isEmpty());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(exchange.sendAndWaitFor("A", "A", -3000).isEmpty());
    QVERIFY(clock.elapsed() < 1000);
    QVERIFY(dialogs.shown.isEmpty());
}

void TestQtSerialPort::hangUp_data() {
    QTest::addColumn<bool>("waiting");
    QTest::addColumn<int>("timeOut");

    QTest::newRow("during a silent wait") << true << -5000;
    QTest::newRow("during a wait with message") << true << 5000;
    QTest::newRow("during a wait without time-out") << true << 0;
    QTest::newRow("while idle") << false << 0;
}

void TestQtSerialPort::hangUp() {
    QFETCH(bool, waiting);
    QFETCH(int, timeOut);

    PtyRig rig(false);
    QVERIFY2(rig.open(), qPrintable(rig.port.errorString()));
    QSignalSpy lost(&rig.port, &SerialPort::lost);

    if (waiting) {
        QTimer::singleShot(30, &rig.port, [&rig] { rig.hangUp(); });
        // Should the hang-up go unnoticed, the wait without time-out fails instead of hanging.
        QTimer::singleShot(4000, &rig.port, [] { LinkFlags::instance().setAbortRequested(true); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(
            rig.exchange.sendAndWaitFor("\x1b&V", "&V", static_cast<qint16>(timeOut)).isEmpty());
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        // Only a negative time-out keeps quiet; without a time-out the operator must still hear
        // that the wait ended unanswered.
        QCOMPARE(rig.dialogs.shown.size(), timeOut >= 0 ? 1 : 0);
        if (timeOut >= 0)
            QCOMPARE(rig.dialogs.shown.first().text,
                     QStringLiteral("TimeOut auf COM. (Keine Antwort auf 'ESC &V')"));
    } else {
        rig.hangUp();
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

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
