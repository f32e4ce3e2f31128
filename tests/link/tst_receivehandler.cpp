#include "link/fakeserialport.h"
#include "link/flags.h"
#include "link/linesettings.h"
#include "link/receivehandler.h"

#include <QSignalSpy>
#include <QtTest>

class TestReceiveHandler : public QObject {
    Q_OBJECT

  private slots:
    void init();

    void monitorText_data();
    void monitorText();
    void trimMonitor_data();
    void trimMonitor();
    void handlerFlags_data();
    void handlerFlags();
    void chunksAppendInOrder();
    void lineSettingsParse_data();
    void lineSettingsParse();
};

void TestReceiveHandler::init() {
    auto& flags = LinkFlags::instance();
    flags.showReceivedData = true;
    flags.keyCaptureActive = false;
    flags.lastKeyReceived.clear();
    flags.setAbortRequested(false);
}

void TestReceiveHandler::monitorText_data() {
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QByteArray>("shown");

    QTest::newRow("printable text") << QByteArray("OK") << QByteArray("OK");
    QTest::newRow("carriage return alone") << QByteArray("\r") << QByteArray("<&HD>");
    QTest::newRow("letter then carriage return") << QByteArray("A\r") << QByteArray("A\r");
    QTest::newRow("carriage return then letter") << QByteArray("\rA") << QByteArray("<&HD>");
    QTest::newRow("127 alone sorts equal") << QByteArray("\x7f") << QByteArray("\x7f");
    QTest::newRow("127 then a letter sorts after") << QByteArray("\x7f"
                                                                 "A")
                                                   << QByteArray("<&H7F>");
    QTest::newRow("128") << QByteArray("\x80") << QByteArray("<&H80>");
    QTest::newRow("255 then more") << QByteArray("\xff\x41") << QByteArray("<&HFF>");
    QTest::newRow("ESC command echo") << QByteArray("\x1b&V") << QByteArray("<&H1B>");
    QTest::newRow("zero byte") << QByteArray(1, '\0') << QByteArray("<&H0>");
    QTest::newRow("blank sorts equal") << QByteArray(" ") << QByteArray(" ");
    QTest::newRow("blank then control") << QByteArray(" \x01") << QByteArray(" \x01");
    QTest::newRow("printable then high byte") << QByteArray("a\xe4") << QByteArray("a\xe4");
    QTest::newRow("tilde") << QByteArray("~") << QByteArray("~");
    QTest::newRow("empty chunk") << QByteArray() << QByteArray();
}

void TestReceiveHandler::monitorText() {
    QFETCH(QByteArray, chunk);
    QFETCH(QByteArray, shown);
    QCOMPARE(monitorTextForChunk(chunk), shown);
}

void TestReceiveHandler::trimMonitor_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("kept");

    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("exactly the limit") << 63 << 63;
    QTest::newRow("one over") << 64 << 63;
    QTest::newRow("70 printable characters") << 70 << 63;
}

void TestReceiveHandler::trimMonitor() {
    QFETCH(int, length);
    QFETCH(int, kept);

    QString text;
    for (int i = 0; i < length; ++i)
        text += QChar(u'0' + i % 10);
    const QString trimmed = trimMonitorText(text);
    QCOMPARE(trimmed, text.right(kept));
}

void TestReceiveHandler::handlerFlags_data() {
    QTest::addColumn<bool>("show");
    QTest::addColumn<bool>("capture");
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QStringList>("monitor");
    QTest::addColumn<QByteArray>("lastKey");

    QTest::newRow("shown") << true << false << QByteArray("OK") << QByteArray("OK")
                           << QStringList{"OK"} << QByteArray();
    QTest::newRow("shown through the code page")
        << true << false << QByteArray("A\xe4\x80") << QByteArray("A\xe4\x80")
        << QStringList{QStringLiteral("Aä€")} << QByteArray();
    QTest::newRow("control byte shown as its code")
        << true << false << QByteArray("\r\n") << QByteArray("\r\n") << QStringList{"<&HD>"}
        << QByteArray();
    QTest::newRow("monitor off: buffer still fills")
        << false << false << QByteArray("OK") << QByteArray("OK") << QStringList{} << QByteArray();
    QTest::newRow("key capture keeps the first byte only")
        << true << true << QByteArray("\x05\x06\x07") << QByteArray() << QStringList{}
        << QByteArray("\x05");
    QTest::newRow("key capture with the monitor off")
        << false << true << QByteArray("k") << QByteArray() << QStringList{} << QByteArray("k");
}

void TestReceiveHandler::handlerFlags() {
    QFETCH(bool, show);
    QFETCH(bool, capture);
    QFETCH(QByteArray, chunk);
    QFETCH(QByteArray, buffer);
    QFETCH(QStringList, monitor);
    QFETCH(QByteArray, lastKey);

    FakeSerialPort port;
    port.open();
    ReceiveHandler handler(port);
    QSignalSpy received(&handler, &ReceiveHandler::received);
    QStringList shown;
    connect(&handler, &ReceiveHandler::monitorAppend, this,
            [&shown](const QString& t) { shown.append(t); });
    auto& flags = LinkFlags::instance();
    flags.showReceivedData = show;
    flags.keyCaptureActive = capture;

    port.feed(chunk);

    QCOMPARE(handler.buffer(), buffer);
    QCOMPARE(shown, monitor);
    QCOMPARE(flags.lastKeyReceived, lastKey);
    QCOMPARE(received.count(), buffer.isEmpty() ? 0 : 1);
    QVERIFY2(port.readAll().isEmpty(), "the handler reads everything waiting");
}

void TestReceiveHandler::chunksAppendInOrder() {
    FakeSerialPort port;
    port.open();
    ReceiveHandler handler(port);
    QStringList shown;
    connect(&handler, &ReceiveHandler::monitorAppend, this,
            [&shown](const QString& t) { shown.append(t); });

    port.feed("ab");
    port.feed("\x1b");
    LinkFlags::instance().keyCaptureActive = true;
    port.feed("K");
    LinkFlags::instance().keyCaptureActive = false;
    port.feed("cd");

    QCOMPARE(handler.buffer(), QByteArray("ab\x1b"
                                          "cd"));
    QCOMPARE(shown, (QStringList{"ab", "<&H1B>", "cd"}));
    QCOMPARE(LinkFlags::instance().lastKeyReceived, QByteArray("K"));
}

void TestReceiveHandler::lineSettingsParse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("readBack"); // empty: refused

    QTest::newRow("the terminal's own") << "9600,n,8,2"
                                        << "9600,n,8,2";
    QTest::newRow("upper-case parity") << "4800,N,8,2"
                                       << "4800,n,8,2";
    QTest::newRow("even parity, upper case") << "19200,E,7,1"
                                             << "19200,e,7,1";
    QTest::newRow("odd") << "1200,o,8,1"
                         << "1200,o,8,1";
    QTest::newRow("mark") << "2400,M,8,2"
                          << "2400,m,8,2";
    QTest::newRow("space") << "2400,s,8,2"
                           << "2400,s,8,2";
    QTest::newRow("one and a half stop bits") << "9600,n,5,1.5"
                                              << "9600,n,5,1.5";
    QTest::newRow("blanks around fields") << " 9600 , n , 8 , 2 "
                                          << "9600,n,8,2";
    QTest::newRow("too few fields") << "9600,n,8"
                                    << "";
    QTest::newRow("too many fields") << "9600,n,8,2,1"
                                     << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("speed not a number") << "fast,n,8,2"
                                        << "";
    QTest::newRow("speed zero") << "0,n,8,2"
                                << "";
    QTest::newRow("speed negative") << "-9600,n,8,2"
                                    << "";
    QTest::newRow("unknown parity") << "9600,x,8,2"
                                    << "";
    QTest::newRow("parity word") << "9600,no,8,2"
                                 << "";
    QTest::newRow("empty parity") << "9600,,8,2"
                                  << "";
    QTest::newRow("nine data bits") << "9600,n,9,2"
                                    << "";
    QTest::newRow("three data bits") << "9600,n,3,2"
                                     << "";
    QTest::newRow("three stop bits") << "9600,n,8,3"
                                     << "";
    QTest::newRow("stop bits 1,5 with a comma") << "9600,n,8,1,5"
                                                << "";
    QTest::newRow("stop bits written 2.0") << "9600,n,8,2.0"
                                           << "";
    QTest::newRow("semicolons") << "9600;n;8;2"
                                << "";
}

void TestReceiveHandler::lineSettingsParse() {
    QFETCH(QString, text);
    QFETCH(QString, readBack);

    const auto parsed = LineSettings::parse(text);
    QCOMPARE(parsed.has_value(), !readBack.isEmpty());
    if (parsed) {
        QCOMPARE(parsed->text(), readBack);
        QVERIFY(LineSettings::parse(parsed->text()).has_value());
    }
}

QTEST_GUILESS_MAIN(TestReceiveHandler)
#include "tst_receivehandler.moc"
