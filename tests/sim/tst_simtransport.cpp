#include "core/commands.h"
#include "fakedialogs.h"
#include "link/commandexchange.h"
#include "link/fakeserialport.h"
#include "link/flags.h"
#include "link/qtserialport.h"
#include "link/receivehandler.h"
#include "sim/faketerminal.h"
#include "sim/ptyterminal.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

using namespace cmd;

class TestSimTransport : public QObject {
    Q_OBJECT
  private slots:
    void fakeAnswersAfterTheWrite();
    void fakeKeyPress();
    void fakeExchangeProgramsAndReadsBack();
    void fakeExchangeSeesTheMissingEcho();
    void lineRateTiming_data();
    void lineRateTiming();
    void strictSpeed();
    void ptyEchoAndVersion();
    void ptyStopAndSnapshot();
    void ptyReopenAndLineRate();
    void endToEndThroughQtSerialPort();
};

void TestSimTransport::fakeAnswersAfterTheWrite() {
    FakeSerialPort port;
    port.open();
    FakeTerminal term(port);
    QSignalSpy data(&port, &SerialPort::dataReceived);
    port.write(versionQuery());
    // Processed at once, answered only from the event loop, like a real line.
    QCOMPARE(data.count(), 0);
    port.write(cursorOn());
    QVERIFY(term.snapshot().cursorOn);
    QTRY_COMPARE(data.count(), 1);
    QCOMPARE(port.readAll(), QByteArray("1.80B"));
}

void TestSimTransport::fakeKeyPress() {
    FakeSerialPort port;
    port.open();
    FakeTerminal term(port);
    QSignalSpy data(&port, &SerialPort::dataReceived);
    term.pressKey(17);
    QTRY_COMPARE(data.count(), 1);
    QCOMPARE(port.readAll(), QByteArray("!")); // row 2, column 1: 0x21
}

void TestSimTransport::fakeExchangeProgramsAndReadsBack() {
    FakeSerialPort port;
    port.open();
    FakeTerminal term(port);
    ReceiveHandler receiver(port);
    FakeDialogs dialogs;
    CommandExchange exchange(receiver, dialogs);

    const QByteArray image("Hallo\rWelt\0Zwei\0\0", 17);
    port.write(beginFixedTexts());
    for (char c : image) {
        const QByteArray b(1, c);
        QCOMPARE(exchange.sendAndWaitFor(b, b, -1000), b);
    }
    port.write(byte(0));
    QCOMPARE(exchange.sendAndWaitFor2(readFixedTexts(), QByteArray(2, '\0'), -1000), image);
    QCOMPARE(term.fixedTextImage(), image);
    QVERIFY(dialogs.shown.isEmpty());
}

void TestSimTransport::fakeExchangeSeesTheMissingEcho() {
    FakeSerialPort port;
    port.open();
    TerminalOptions o;
    o.noEchoAfter = 3;
    FakeTerminal term(port, o);
    ReceiveHandler receiver(port);
    FakeDialogs dialogs;
    CommandExchange exchange(receiver, dialogs);
    port.write(loadKeyTable());
    int echoed = 0;
    for (int k = 0; k < 32; ++k) {
        const QByteArray b = byte(k);
        if (exchange.sendAndWaitFor(b, b, -30).isEmpty()) break;
        ++echoed;
    }
    QCOMPARE(echoed, 3);
}

void TestSimTransport::lineRateTiming_data() {
    QTest::addColumn<int>("speedCode");
    QTest::addColumn<int>("baud");
    QTest::newRow("2400") << 2 << 2400;
    QTest::newRow("1200") << 3 << 1200;
}

void TestSimTransport::lineRateTiming() {
    QFETCH(int, speedCode);
    QFETCH(int, baud);
    FakeSerialPort port;
    port.setSettings(QStringLiteral("%1,n,8,2").arg(baud));
    port.open();
    TerminalOptions o;
    o.lineRate = true;
    o.speedCode = speedCode;
    FakeTerminal term(port, o);

    QElapsedTimer clock;
    clock.start();
    port.write(cursorOn());
    // Still on the line: the command is not there before its last bit.
    QVERIFY(!term.snapshot().cursorOn);
    QTRY_VERIFY(term.snapshot().cursorOn);
    const qint64 byteNs = TerminalLink::byteTimeNs(baud);
    QVERIFY(clock.nsecsElapsed() >= 3 * byteNs);

    clock.restart();
    QByteArray got;
    port.write(versionQuery());
    QTRY_VERIFY_WITH_TIMEOUT((got += port.readAll()) == "1.80B", 2000);
    // Three bytes in, five bytes out, one after the other.
    QVERIFY2(clock.nsecsElapsed() >= 8 * byteNs,
             qPrintable(QString::number(clock.nsecsElapsed() / 1000)));
}

void TestSimTransport::strictSpeed() {
    FakeSerialPort port;
    port.open();
    TerminalOptions o;
    o.strictSpeed = true;
    FakeTerminal term(port, o);
    QSignalSpy lost(&term.link(), &TerminalLink::garbled);
    QSignalSpy data(&port, &SerialPort::dataReceived);

    // The store-speed button's way: the command reaches the terminal at one speed only.
    for (const char* settings : {"9600,n,8,2", "4800,n,8,2", "2400,n,8,2", "1200,n,8,2"}) {
        port.close();
        port.setSettings(QString::fromLatin1(settings));
        port.open();
        port.write(storeSpeed(1));
    }
    // Understood at 9600 (the old speed) and again at 4800 (the new one).
    QCOMPARE(term.snapshot().baud(), 4800);
    QCOMPARE(lost.count(), 2);
    port.write(versionQuery()); // at 1200: lost
    QCOMPARE(lost.count(), 3);
    port.close();
    port.setSettings(QStringLiteral("4800,n,8,2"));
    port.open();
    port.write(versionQuery());
    QTRY_COMPARE(data.count(), 1);
    QCOMPARE(port.readAll(), QByteArray("1.80B"));
}

namespace {

QByteArray readUntil(QSerialPort& port, qsizetype count) {
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < count && clock.elapsed() < 5000) {
        if (port.bytesAvailable() > 0 || port.waitForReadyRead(100)) got += port.readAll();
    }
    return got;
}

} // namespace

void TestSimTransport::ptyEchoAndVersion() {
    PtyTerminal term;
    QString error;
    QVERIFY2(term.start(&error), qPrintable(error));
    QVERIFY(term.slavePath().startsWith(QLatin1String("/dev/")));

    QSerialPort port;
    port.setPortName(term.slavePath());
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    port.setBaudRate(9600);

    port.write(beginFixedTexts() + "A");
    QCOMPARE(readUntil(port, 1), QByteArray("A"));
    port.write(QByteArray("\0\0\0", 3) + versionQuery());
    QCOMPARE(readUntil(port, 7), QByteArray("\0\0", 2) + "1.80B");
    QCOMPARE(term.snapshot().eeprom, QByteArray("A\0\0", 3));
    port.close();
}

void TestSimTransport::ptyStopAndSnapshot() {
    PtyTerminal term;
    QVERIFY(term.start());
    QSerialPort port;
    port.setPortName(term.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    port.write(clearDisplay() + "stop");
    port.flush();
    QTRY_COMPARE(term.snapshot().rowsText()[0].trimmed(), QStringLiteral("stop"));
    port.close();
    term.stop();
    QVERIFY(!term.isRunning());
    term.stop(); // twice is harmless
    QCOMPARE(term.snapshot().rowsText()[0].trimmed(), QStringLiteral("stop"));
}

void TestSimTransport::ptyReopenAndLineRate() {
    TerminalOptions o;
    o.lineRate = true;
    o.speedCode = 3; // 1200 baud: 9.2 ms a byte
    PtyTerminal term(o);
    QVERIFY(term.start());
    // The program may close and reopen the port any number of times.
    for (int round = 0; round < 2; ++round) {
        QSerialPort port;
        port.setPortName(term.slavePath());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.setBaudRate(1200);
        QElapsedTimer clock;
        clock.start();
        port.write(versionQuery());
        QCOMPARE(readUntil(port, 5), QByteArray("1.80B"));
        QVERIFY(clock.nsecsElapsed() >= 8 * TerminalLink::byteTimeNs(1200));
        port.close();
    }
}

void TestSimTransport::endToEndThroughQtSerialPort() {
    TerminalOptions o;
    o.columns = 16;
    o.rows = 2;
    PtyTerminal term(o);
    QVERIFY(term.start());
    QtSerialPort port([&](int) { return term.slavePath(); });
    QVERIFY2(port.open(), qPrintable(port.errorString()));
    ReceiveHandler receiver(port);
    FakeDialogs dialogs;
    CommandExchange exchange(receiver, dialogs);
    QString monitor;
    connect(&receiver, &ReceiveHandler::monitorAppend, this,
            [&](const QString& t) { monitor += t; });

    // Programming as the fixed-text page does it: every byte awaited as its echo.
    QByteArray image;
    for (int n = 0; n < 40; ++n)
        image += "Text " + QByteArray::number(n) + "\r" + QByteArray(1, char(27)) + '\0';
    image += '\0';
    LinkFlags::instance().showReceivedData = false;
    port.write(beginFixedTexts());
    for (char c : image) {
        const QByteArray b(1, c);
        QCOMPARE(exchange.sendAndWaitFor(b, b, -1000), b);
    }
    port.write(byte(0));
    exchange.pause(20);
    const QByteArray back = exchange.sendAndWaitFor2(readFixedTexts(), QByteArray(2, '\0'), -1000);
    QCOMPARE(back, image);
    QCOMPARE(term.fixedTextImage(), image);
    LinkFlags::instance().showReceivedData = true;

    const QByteArray version = exchange.sendAndWaitFor(versionQuery(), "B", -500);
    QVERIFY(version.size() >= 4);
    QCOMPARE(version.left(4), QByteArray("1.80"));
    const QByteArray eeprom = exchange.sendAndWaitFor2(eepromQuery(), ";", -600);
    QVERIFY(eeprom.size() >= 26);
    QCOMPARE(eeprom.mid(1, 8), QByteArray("11111111"));

    // Text n called up shows on the terminal's display.
    port.write(showFixedText(7));
    QTRY_COMPARE(term.snapshot().rowsText()[0].trimmed(), QStringLiteral("Text 7"));

    monitor.clear();
    term.pressKey(17);
    QTRY_COMPARE(monitor, QStringLiteral("!"));
    QVERIFY(dialogs.shown.isEmpty());
    port.close();
}

QTEST_GUILESS_MAIN(TestSimTransport)
#include "tst_simtransport.moc"
