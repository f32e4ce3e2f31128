#include "fakedialogs.h"
#include "link/commandexchange.h"
#include "link/fakeserialport.h"
#include "link/flags.h"
#include "link/linesettings.h"
#include "link/operation.h"
#include "link/portlost.h"
#include "link/receivehandler.h"

#include <QtTest>

namespace {

// The exchange over the in-memory port, recording how the window was switched.
struct Rig {
    FakeSerialPort port;
    ReceiveHandler receiver{port};
    FakeDialogs dialogs;
    CommandExchange exchange{receiver, dialogs};
    QList<bool> ui;

    Rig() {
        port.open();
        exchange.setUiEnabled = [this](bool enabled) { ui.append(enabled); };
    }
    // Once the command is written, chunk i arrives gaps[i] ms after the one before.
    void replyWith(const QByteArrayList& chunks, const QList<int>& gaps) {
        port.onWrite = [=, this](const QByteArray&) { feedChained(chunks, gaps); };
    }
    void feedChained(QByteArrayList chunks, QList<int> gaps) {
        if (chunks.isEmpty()) return;
        const int gap = gaps.takeFirst();
        QTimer::singleShot(gap, &port, [=, this]() mutable {
            port.feed(chunks.takeFirst());
            feedChained(chunks, gaps);
        });
    }
    QByteArray send(bool idle, const QByteArray& cmd, const QByteArray& waitfor, int timeOut) {
        const auto t = static_cast<qint16>(timeOut);
        return idle ? exchange.sendAndWaitFor2(cmd, waitfor, t)
                    : exchange.sendAndWaitFor(cmd, waitfor, t);
    }
};

void requestAbort(bool on = true) {
    LinkFlags::instance().setAbortRequested(on);
}

enum class Way { Match, TimeOut, AbortBefore, AbortDuring, Vanish, Closed };

} // namespace

class TestLink : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        auto& flags = LinkFlags::instance();
        flags.showReceivedData = true;
        flags.keyCaptureActive = false;
        flags.lastKeyReceived.clear();
        requestAbort(false);
    }

    void replyAssembly_data() {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QByteArray>("waitfor");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("leftOver");
        QTest::addColumn<bool>("stale"); // bytes from before lie in the buffer and the port
        auto row = [](const char* name, const QByteArrayList& chunks, const QByteArray& waitfor,
                      const QByteArray& reply, const QByteArray& leftOver = {},
                      bool stale = false) {
            QTest::newRow(name) << chunks << waitfor << reply << leftOver << stale;
        };
        row("one chunk", {"OK"}, "OK", "OK");
        row("match across a chunk boundary", {"xO", "Ky"}, "OK", "xOKy");
        row("overlapping prefix across the boundary", {"aab", "ab"}, "abab", "aabab");
        row("match in the middle of a chunk, later chunks stay", {"12", "3OK45", "67"}, "OK",
            "123OK45", "67");
        row("empty awaited text takes the first chunk", {"x", "y"}, "", "x", "y");
        row("what came before the send is thrown away", {"fresh"}, "fresh", "fresh", {}, true);
    }
    void replyAssembly() {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QByteArray, waitfor);
        QFETCH(QByteArray, leftOver);
        QFETCH(bool, stale);
        Rig rig;
        if (stale) {
            rig.receiver.buffer() = "left over";
            // Arrived, but the notification has not been handled yet.
            const QSignalBlocker blocker(rig.port);
            rig.port.feed("unread");
        }
        rig.replyWith(chunks, QList<int>(chunks.size(), 10));
        QTEST(rig.exchange.sendAndWaitFor("\x1b&V", waitfor, -3000), "reply");
        QCOMPARE(rig.port.written(), QByteArray("\x1b&V"));
        QCOMPARE(rig.ui, (QList<bool>{false, true}));
        QVERIFY(rig.dialogs.shown.isEmpty());
        // What came after the match waits for the next exchange to throw it away.
        QTRY_COMPARE(rig.receiver.buffer(), leftOver);
    }

    // An echo is the next byte that arrives and nothing else: another byte first, or a byte
    // left over when the next one goes out, fails that byte at once.
    void echoRule_data() {
        QTest::addColumn<QByteArray>("line"); // the answer to each byte; '*' is the byte itself
        QTest::addColumn<QString>("echoed");  // of "AB", byte by byte
        QTest::addColumn<QString>("messages");
        const QString wrong = QStringLiteral("Falsches Echo auf COM. (Antwort auf '%1')");
        const QString both = wrong.arg("A") + u'|' + wrong.arg("B");
        QTest::newRow("echo") << QByteArray("*") << "11"
                              << "";
        QTest::newRow("another byte") << QByteArray("x") << "00" << both;
        QTest::newRow("noise, then the echo") << QByteArray("x*") << "00" << both;
        QTest::newRow("the echo, then a byte") << QByteArray("*x") << "10" << wrong.arg("B");
    }
    void echoRule() {
        QFETCH(QByteArray, line);
        QFETCH(QString, echoed);
        Rig rig;
        rig.port.onWrite = [&](const QByteArray& b) {
            rig.port.feed(QByteArray(line).replace('*', b));
        };
        QString got;
        for (char c : {'A', 'B'})
            got += QLatin1Char(rig.exchange.sendAndExpectEcho(c, 500) ? '1' : '0');
        QCOMPARE(got, echoed);
        QCOMPARE(rig.exchange.lastEnd(), echoed.endsWith(u'1')
                                             ? CommandExchange::WaitEnd::Reply
                                             : CommandExchange::WaitEnd::WrongEcho);
        QTEST(rig.dialogs.messages().join(u'|'), "messages");
        QCOMPARE(rig.port.written(), QByteArray("AB"));
    }

    void waysOut_data() {
        QTest::addColumn<Way>("way");
        QTest::addColumn<QByteArray>("cmd");
        QTest::addColumn<bool>("idle");
        QTest::addColumn<int>("timeOut");
        QTest::addColumn<QString>("message"); // the message box's text; empty: none
        auto row = [](const char* name, Way way, int timeOut, const QString& message = {},
                      bool idle = false, const QByteArray& cmd = "C") {
            QTest::newRow(name) << way << cmd << idle << timeOut << message;
        };
        auto timeOut = [](const QString& shown) {
            return "TimeOut auf COM. (Keine Antwort auf '" + shown + "')";
        };
        row("match", Way::Match, 500);
        row("silent time-out", Way::TimeOut, -60, {}, true);
        row("shown time-out: leading ESC as letters, code page decoded", Way::TimeOut, 60,
            timeOut(QStringLiteral("ESC R€")), false, "\x1bR\x80");
        row("shown time-out: ESC further in stays", Way::TimeOut, 60, timeOut("A\x1b"), true,
            "A\x1b");
        row("abort before, shown time-out", Way::AbortBefore, 5000, {}, true);
        row("abort during, no time-out", Way::AbortDuring, 0);
        // A loss during the wait is told by the main window, which watches the port.
        row("port vanishes, shown", Way::Vanish, 3000);
        row("closed port, shown", Way::Closed, 3000, "lost");
    }
    void waysOut() {
        QFETCH(Way, way);
        QFETCH(QByteArray, cmd);
        QFETCH(bool, idle);
        QFETCH(int, timeOut);
        QFETCH(QString, message);
        Rig rig;
        if (way == Way::Match) rig.replyWith({"OK"}, {10});
        if (way == Way::AbortBefore) requestAbort();
        if (way == Way::AbortDuring) QTimer::singleShot(20, &rig.port, [] { requestAbort(); });
        if (way == Way::Vanish) QTimer::singleShot(20, &rig.port, [&rig] { rig.port.vanish(); });
        if (way == Way::Closed) rig.port.close();

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(rig.send(idle, cmd, "OK", timeOut).isEmpty(), way != Way::Match);
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed < 2000, "ended by its event, not by the time-out");
        if (way == Way::TimeOut) QVERIFY2(elapsed >= std::abs(timeOut) - 2, "the full time");
        QCOMPARE(rig.port.written(), way == Way::Closed ? QByteArray() : cmd);
        QCOMPARE(rig.ui, (QList<bool>{false, true}));
        QVERIFY(!rig.exchange.waiting());
        QCOMPARE(rig.dialogs.shown.size(), message.isEmpty() ? 0 : 1);
        if (message.isEmpty()) return;
        const auto& box = rig.dialogs.shown.first();
        QCOMPARE(box.text, message == "lost" ? portLostMessage(rig.port) : message);
        QCOMPARE(box.title, QStringLiteral("ZEPTAL32"));
    }

    void replyTiming_data() {
        QTest::addColumn<bool>("idle");
        QTest::addColumn<int>("timeOut");
        QTest::addColumn<QList<int>>("gaps");
        QTest::addColumn<bool>("received");
        QTest::addColumn<bool>("afterAbortedWait");
        // The stream lasts well beyond the time-out.
        const QList<int> steady(9, 45);
        QTest::newRow("idle: steady stream") << true << -250 << steady << true << false;
        QTest::newRow("idle: one gap longer than the time-out")
            << true << -250 << QList<int>{45, 45, 700, 45} << false << false;
        QTest::newRow("plain: time-out counts from the send")
            << false << -250 << steady << false << false;
        QTest::newRow("no time-out") << false << 0 << QList<int>{150} << true << false;
        QTest::newRow("no time-out, timer left over from an aborted wait")
            << false << 0 << QList<int>{150} << true << true;
    }
    void replyTiming() {
        QFETCH(bool, idle);
        QFETCH(int, timeOut);
        QFETCH(QList<int>, gaps);
        QFETCH(bool, received);
        QFETCH(bool, afterAbortedWait);
        Rig rig;
        if (afterAbortedWait) {
            requestAbort();
            QVERIFY(rig.send(false, "A", "OK", 40).isEmpty()); // its timer runs on
            requestAbort(false);
        }
        QByteArrayList chunks;
        for (int i = 1; i < gaps.size(); ++i)
            chunks.append("part" + QByteArray::number(i));
        chunks.append(QByteArray(2, '\0'));
        rig.replyWith(chunks, gaps);
        QCOMPARE(rig.send(idle, "\x1bW", QByteArray(2, '\0'), timeOut),
                 received ? chunks.join() : QByteArray());
        QVERIFY(rig.dialogs.shown.isEmpty());
    }

    // A pause leaves the window usable and lasts its time: neither data nor an abort ends it.
    void pause() {
        Rig rig;
        requestAbort();
        QTimer::singleShot(10, &rig.port, [&rig] { rig.port.feed("x"); });
        QElapsedTimer clock;
        clock.start();
        rig.exchange.pause(0);
        QVERIFY(clock.elapsed() < 50 && !rig.exchange.timeOut());
        rig.exchange.pause(60);
        QVERIFY(clock.elapsed() >= 58 && rig.exchange.timeOut());
        QVERIFY(rig.ui.isEmpty() && rig.port.writes.isEmpty());
    }

    // A transfer reports every byte; the display sees the first and the last report, and
    // one in between once its time has come.
    void throttledProgress() {
        QList<qsizetype> shown;
        const Progress p = throttled([&](qsizetype done, qsizetype) { shown << done; }, 200);
        for (qsizetype done = 0; done <= 5; ++done)
            p(done, 9);
        QTest::qSleep(250);
        for (qsizetype done = 6; done <= 9; ++done)
            p(done, 9);
        QCOMPARE(shown, (QList<qsizetype>{0, 6, 9}));
    }

    void monitorRule_data() {
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<QByteArray>("shown");
        auto row = [](const char* name, const QByteArray& chunk, const QByteArray& shown) {
            QTest::newRow(name) << chunk << shown;
        };
        row("printable", "OK", "OK");
        row("control byte first", "\rA", "<&HD>");
        row("ESC", "\x1b&V", "<&H1B>");
        row("last control byte", "\x1f", "<&H1F>");
        row("blank sorts equal", " \x01", " \x01");
        row("127 alone sorts equal", "\x7f", "\x7f");
        row("127 then a letter sorts after", "\x7f\x41", "<&H7F>");
        row("above 127", "\x80", "<&H80>");
    }
    void monitorRule() {
        QFETCH(QByteArray, chunk);
        QTEST(monitorTextForChunk(chunk), "shown");
    }
    void receiveFlags() {
        FakeSerialPort port;
        port.open();
        ReceiveHandler handler(port);
        QStringList shown;
        connect(&handler, &ReceiveHandler::monitorAppend, this,
                [&shown](const QString& t) { shown.append(t); });
        auto& flags = LinkFlags::instance();
        port.feed("A\xe4\x80");
        flags.showReceivedData = false;
        port.feed("OK");
        flags.keyCaptureActive = true;
        port.feed("\x05"); // two keys, one after the other
        port.feed("\x06");
        QCOMPARE(handler.buffer(), QByteArray("A\xe4\x80OK"));
        QCOMPARE(shown, QStringList{QStringLiteral("Aä€")});
        QCOMPARE(flags.lastKeyReceived, QByteArray("\x05\x06"));
        QVERIFY2(port.readAll().isEmpty(), "the handler reads everything waiting");
    }

    void lineSettingsParse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack"); // empty: refused
        for (const char* row :
             {"4800,N,8,2|4800,n,8,2", " 9600 , n , 5 , 1.5 |9600,n,5,1.5", "9600,n,8|", "0,n,8,2|",
              "9600,x,8,2|", "9600,n,9,2|", "9600,n,8,2.0|"}) {
            const QStringList c = QString::fromLatin1(row).split(u'|');
            QTest::newRow(row) << c[0] << c[1];
        }
    }
    void lineSettingsParse() {
        QFETCH(QString, text);
        const auto parsed = LineSettings::parse(text);
        QTEST(parsed ? parsed->text() : QString(), "readBack");
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
