#include "core/dialogs.h"
#include "fakedialogs.h"
#include "link/commandexchange.h"
#include "link/fakeserialport.h"
#include "link/flags.h"
#include "link/receivehandler.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

namespace {

// One exchange over the in-memory port, recording how the window was switched.
struct Rig {
    FakeSerialPort port;
    ReceiveHandler receiver{port};
    FakeDialogs dialogs;
    CommandExchange exchange{receiver, dialogs};
    QList<bool> ui;
    // The window's state each time a message box came up.
    QList<bool> enabledAtMessage;

    Rig() {
        port.open();
        exchange.setUiEnabled = [this](bool enabled) { ui.append(enabled); };
        dialogs.onShow = [this](const FakeDialogs::Shown&) {
            enabledAtMessage.append(ui.isEmpty() || ui.last());
        };
    }

    // Once the command is written, the chunks arrive one per event, each `delays[i]` ms after
    // the one before.
    void replyWith(const QByteArrayList& chunks, const QList<int>& delays) {
        port.onWrite = [this, chunks, delays](const QByteArray&) {
            feedChained(&port, chunks, delays);
        };
    }

    static void feedChained(FakeSerialPort* port, QByteArrayList chunks, QList<int> delays) {
        if (chunks.isEmpty()) return;
        const int delay = delays.takeFirst();
        QTimer::singleShot(delay, port, [port, chunks, delays]() mutable {
            port->feed(chunks.takeFirst());
            feedChained(port, chunks, delays);
        });
    }
};

const QString kTimeOutText = QStringLiteral("TimeOut auf COM. (Keine Antwort auf '");

QList<int> repeated(int delay, int n) {
    return QList<int>(n, delay);
}

} // namespace

class TestCommandExchange : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void replyAssembly_data();
    void replyAssembly();
    void staleInputDiscarded_data();
    void staleInputDiscarded();
    void timeOutMessage_data();
    void timeOutMessage();
    void windowEnabledOnEveryWayOut_data();
    void windowEnabledOnEveryWayOut();
    void idleTimeOut_data();
    void idleTimeOut();
    void abort_data();
    void abort();
    void abortedWaitLeavesItsTimerRunning();
    void timeOutZeroWaitsForTheReply_data();
    void timeOutZeroWaitsForTheReply();
    void timeOutZeroIgnoresLeftOverTimer();
    void startTimeOutTimer_data();
    void startTimeOutTimer();
    void pause_data();
    void pause();
};

void TestCommandExchange::init() {
    auto& flags = LinkFlags::instance();
    flags.showReceivedData = true;
    flags.keyCaptureActive = false;
    flags.lastKeyReceived.clear();
    flags.setAbortRequested(false);
}

void TestCommandExchange::cleanup() {
    LinkFlags::instance().setAbortRequested(false);
}

void TestCommandExchange::replyAssembly_data() {
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QByteArray>("waitfor");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QByteArray>("leftOver");

    QTest::newRow("whole reply in one chunk")
        << QByteArrayList{"OK"} << QByteArray("OK") << QByteArray("OK") << QByteArray();
    QTest::newRow("match across a chunk boundary")
        << QByteArrayList{"xO", "Ky"} << QByteArray("OK") << QByteArray("xOKy") << QByteArray();
    QTest::newRow("awaited text spread over three chunks")
        << QByteArrayList{"E", "S", "C"} << QByteArray("ESC") << QByteArray("ESC") << QByteArray();
    QTest::newRow("chunks after the completing one stay behind")
        << QByteArrayList{"ab", "cd", "ef"} << QByteArray("bc") << QByteArray("abcd")
        << QByteArray("ef");
    QTest::newRow("match in the middle of a chunk")
        << QByteArrayList{"12", "3OK45", "67"} << QByteArray("OK") << QByteArray("123OK45")
        << QByteArray("67");
    QTest::newRow("overlapping prefix across the boundary")
        << QByteArrayList{"aab", "ab"} << QByteArray("abab") << QByteArray("aabab") << QByteArray();
    QTest::newRow("case matters") << QByteArrayList{"ok", "OK"} << QByteArray("OK")
                                  << QByteArray("okOK") << QByteArray();
    QTest::newRow("zero bytes are ordinary bytes")
        << QByteArrayList{QByteArray("\x01\0", 2), QByteArray("\0", 1)} << QByteArray("\0\0", 2)
        << QByteArray("\x01\0\0", 3) << QByteArray();
    QTest::newRow("bytes above 127 compared as bytes")
        << QByteArrayList{"\xE4\xFF"} << QByteArray("\xFF") << QByteArray("\xE4\xFF")
        << QByteArray();
    QTest::newRow("empty awaited text takes the first chunk")
        << QByteArrayList{"x", "y"} << QByteArray() << QByteArray("x") << QByteArray("y");
}

void TestCommandExchange::replyAssembly() {
    QFETCH(QByteArrayList, chunks);
    QFETCH(QByteArray, waitfor);
    QFETCH(QByteArray, expected);
    QFETCH(QByteArray, leftOver);

    Rig rig;
    rig.replyWith(chunks, repeated(10, chunks.size()));
    const QByteArray cmd("\x1b&V");
    QCOMPARE(rig.exchange.sendAndWaitFor(cmd, waitfor, -3000), expected);
    QCOMPARE(rig.port.written(), cmd);
    QCOMPARE(rig.ui, (QList<bool>{false, true}));
    QVERIFY(rig.dialogs.shown.isEmpty());
    QVERIFY(!rig.exchange.waiting());
    // What came after the match waits for the next exchange to throw it away.
    QTRY_COMPARE(rig.receiver.buffer(), leftOver);
}

void TestCommandExchange::staleInputDiscarded_data() {
    QTest::addColumn<QByteArray>("inPort");
    QTest::addColumn<QByteArray>("inBuffer");
    QTest::addColumn<QByteArray>("waitfor");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("unread bytes in the port")
        << QByteArray("OK") << QByteArray() << QByteArray("fresh") << QByteArray("fresh");
    QTest::newRow("bytes left in the buffer")
        << QByteArray() << QByteArray("OK") << QByteArray("fresh") << QByteArray("fresh");
    QTest::newRow("stale text alone never matches")
        << QByteArray("K") << QByteArray("O") << QByteArray("OK") << QByteArray();
    QTest::newRow("stale port bytes do not complete a match")
        << QByteArray("xl") << QByteArray() << QByteArray("lfresh") << QByteArray();
    QTest::newRow("stale buffer bytes do not complete a match")
        << QByteArray() << QByteArray("xl") << QByteArray("lfresh") << QByteArray();
}

void TestCommandExchange::staleInputDiscarded() {
    QFETCH(QByteArray, inPort);
    QFETCH(QByteArray, inBuffer);
    QFETCH(QByteArray, waitfor);
    QFETCH(QByteArray, expected);

    Rig rig;
    // Arrived, but the notification has not been handled yet.
    rig.port.blockSignals(true);
    rig.port.feed(inPort);
    rig.port.blockSignals(false);
    rig.receiver.buffer() = inBuffer;
    rig.replyWith({"fresh"}, {10});

    QCOMPARE(rig.exchange.sendAndWaitFor("?", waitfor, -150), expected);
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestCommandExchange::timeOutMessage_data() {
    QTest::addColumn<QByteArray>("cmd");
    QTest::addColumn<int>("timeOut");
    QTest::addColumn<QString>("message"); // empty: none

    QTest::newRow("negative is silent") << QByteArray("\x1b&V") << -60 << QString();
    QTest::newRow("leading ESC shown as letters")
        << QByteArray("\x1b&V") << 60 << QStringLiteral("ESC &V");
    QTest::newRow("command without ESC unchanged")
        << QByteArray("AB") << 60 << QStringLiteral("AB");
    QTest::newRow("ESC further in stays a character")
        << QByteArray("A\x1b") << 60 << QStringLiteral("A\x1b");
    QTest::newRow("code page byte decoded")
        << QByteArray("\x1bR\xE4") << 60 << QStringLiteral("ESC Rä");
    QTest::newRow("ESC alone") << QByteArray("\x1b") << 60 << QStringLiteral("ESC ");
}

void TestCommandExchange::timeOutMessage() {
    QFETCH(QByteArray, cmd);
    QFETCH(int, timeOut);
    QFETCH(QString, message);

    Rig rig;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(rig.exchange.sendAndWaitFor(cmd, "never", static_cast<qint16>(timeOut)).isEmpty());
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= std::abs(timeOut) - 2, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < 3000, qPrintable(QString::number(elapsed)));
    QVERIFY(rig.exchange.timeOut());

    if (message.isEmpty()) {
        QVERIFY(rig.dialogs.shown.isEmpty());
        return;
    }
    QCOMPARE(rig.dialogs.shown.size(), 1);
    const auto& shown = rig.dialogs.shown.first();
    QCOMPARE(shown.text, kTimeOutText + message + QStringLiteral("')"));
    QCOMPARE(shown.title, QStringLiteral("ZEPTAL32"));
    QCOMPARE(shown.buttons, Dialogs::Buttons::Ok);
    QCOMPARE(shown.icon, Dialogs::Icon::None);
}

namespace {
enum class WayOut { Match, SilentTimeOut, ShownTimeOut, AbortBefore, AbortDuring, Vanish, Closed };
}

void TestCommandExchange::windowEnabledOnEveryWayOut_data() {
    QTest::addColumn<int>("way");
    QTest::addColumn<int>("timeOut");
    QTest::addColumn<bool>("messageShown");

    QTest::newRow("match") << int(WayOut::Match) << 500 << false;
    QTest::newRow("silent time-out") << int(WayOut::SilentTimeOut) << -40 << false;
    QTest::newRow("shown time-out") << int(WayOut::ShownTimeOut) << 40 << true;
    QTest::newRow("abort before the call") << int(WayOut::AbortBefore) << 500 << false;
    QTest::newRow("abort during the wait") << int(WayOut::AbortDuring) << 500 << false;
    QTest::newRow("port vanishes, shown") << int(WayOut::Vanish) << 3000 << true;
    QTest::newRow("port vanishes, silent") << int(WayOut::Vanish) << -3000 << false;
    QTest::newRow("closed port, shown") << int(WayOut::Closed) << 3000 << true;
    QTest::newRow("closed port, silent") << int(WayOut::Closed) << -3000 << false;
}

void TestCommandExchange::windowEnabledOnEveryWayOut() {
    QFETCH(int, way);
    QFETCH(int, timeOut);
    QFETCH(bool, messageShown);

    Rig rig;
    switch (WayOut(way)) {
    case WayOut::Match:
        rig.replyWith({"OK"}, {10});
        break;
    case WayOut::AbortBefore:
        LinkFlags::instance().setAbortRequested(true);
        break;
    case WayOut::AbortDuring:
        QTimer::singleShot(20, &rig.port, [] { LinkFlags::instance().setAbortRequested(true); });
        break;
    case WayOut::Vanish:
        QTimer::singleShot(20, &rig.port, [&rig] { rig.port.vanish(); });
        break;
    case WayOut::Closed:
        rig.port.close();
        break;
    default:
        break;
    }

    QElapsedTimer clock;
    clock.start();
    const QByteArray reply = rig.exchange.sendAndWaitFor("C", "OK", static_cast<qint16>(timeOut));
    QCOMPARE(reply.isEmpty(), WayOut(way) != WayOut::Match);
    QVERIFY2(clock.elapsed() < 2000, "ended by its event, not by the time-out");
    QCOMPARE(rig.ui, (QList<bool>{false, true}));
    QCOMPARE(rig.dialogs.shown.size(), messageShown ? 1 : 0);
    if (messageShown) {
        QVERIFY(rig.dialogs.shown.first().text.startsWith(kTimeOutText));
        QCOMPARE(rig.enabledAtMessage, QList<bool>{true});
    }
    QVERIFY(!rig.exchange.waiting());
}

void TestCommandExchange::idleTimeOut_data() {
    QTest::addColumn<bool>("idle");
    QTest::addColumn<QList<int>>("delays");
    QTest::addColumn<bool>("received");

    // Time-out 250 ms; the stream lasts well beyond it.
    QTest::newRow("idle: steady stream longer than the time-out")
        << true << repeated(45, 9) << true;
    QTest::newRow("idle: one gap longer than the time-out")
        << true << QList<int>{45, 45, 700, 45, 45, 45, 45, 45, 45} << false;
    QTest::newRow("plain: time-out counts from the send") << false << repeated(45, 9) << false;
}

void TestCommandExchange::idleTimeOut() {
    QFETCH(bool, idle);
    QFETCH(QList<int>, delays);
    QFETCH(bool, received);

    Rig rig;
    QByteArrayList chunks;
    QByteArray whole;
    for (int i = 0; i < delays.size() - 1; ++i)
        chunks.append(QByteArray("part") + QByteArray::number(i));
    chunks.append(QByteArray("\0\0", 2));
    for (const auto& c : chunks)
        whole += c;
    rig.replyWith(chunks, delays);

    const QByteArray waitfor("\0\0", 2);
    const QByteArray reply = idle ? rig.exchange.sendAndWaitFor2("\x1bW", waitfor, -250)
                                  : rig.exchange.sendAndWaitFor("\x1bW", waitfor, -250);
    QCOMPARE(reply, received ? whole : QByteArray());
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestCommandExchange::abort_data() {
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("idle");
    QTest::addColumn<int>("timeOut");

    QTest::newRow("requested before, no time-out") << true << false << 0;
    QTest::newRow("requested before, shown time-out") << true << false << 5000;
    QTest::newRow("requested before, idle wait") << true << true << 5000;
    QTest::newRow("requested during, no time-out") << false << false << 0;
    QTest::newRow("requested during, shown time-out") << false << false << 5000;
    QTest::newRow("requested during, idle wait") << false << true << 5000;
}

void TestCommandExchange::abort() {
    QFETCH(bool, before);
    QFETCH(bool, idle);
    QFETCH(int, timeOut);

    Rig rig;
    if (before)
        LinkFlags::instance().setAbortRequested(true);
    else
        QTimer::singleShot(30, &rig.port, [] { LinkFlags::instance().setAbortRequested(true); });

    QElapsedTimer clock;
    clock.start();
    const auto t = static_cast<qint16>(timeOut);
    const QByteArray reply = idle ? rig.exchange.sendAndWaitFor2("\x1bX", "OK", t)
                                  : rig.exchange.sendAndWaitFor("\x1bX", "OK", t);
    const qint64 elapsed = clock.elapsed();
    QVERIFY(reply.isEmpty());
    QCOMPARE(rig.port.written(), QByteArray("\x1bX"));
    QVERIFY(rig.dialogs.shown.isEmpty());
    QCOMPARE(rig.ui, (QList<bool>{false, true}));
    if (before)
        QVERIFY2(elapsed < 1000, qPrintable(QString::number(elapsed)));
    else
        QVERIFY2(elapsed >= 25 && elapsed < 2000, qPrintable(QString::number(elapsed)));
}

void TestCommandExchange::abortedWaitLeavesItsTimerRunning() {
    Rig rig;
    LinkFlags::instance().setAbortRequested(true);
    QVERIFY(rig.exchange.sendAndWaitFor("C", "OK", 40).isEmpty());
    QVERIFY(!rig.exchange.timeOut());
    // It fires later and sets the flag, which the next wait clears again.
    QTRY_VERIFY_WITH_TIMEOUT(rig.exchange.timeOut(), 2000);
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestCommandExchange::timeOutZeroWaitsForTheReply_data() {
    QTest::addColumn<bool>("idle");
    QTest::newRow("sendAndWaitFor") << false;
    QTest::newRow("sendAndWaitFor2") << true;
}

void TestCommandExchange::timeOutZeroWaitsForTheReply() {
    QFETCH(bool, idle);

    Rig rig;
    rig.replyWith({"late"}, {100});
    QElapsedTimer clock;
    clock.start();
    const QByteArray reply = idle ? rig.exchange.sendAndWaitFor2("C", "late", 0)
                                  : rig.exchange.sendAndWaitFor("C", "late", 0);
    QCOMPARE(reply, QByteArray("late"));
    QVERIFY2(clock.elapsed() >= 95, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestCommandExchange::timeOutZeroIgnoresLeftOverTimer() {
    Rig rig;
    LinkFlags::instance().setAbortRequested(true);
    QVERIFY(rig.exchange.sendAndWaitFor("A", "OK", 40).isEmpty()); // its timer runs on
    LinkFlags::instance().setAbortRequested(false);

    rig.replyWith({"OK"}, {150});
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(rig.exchange.sendAndWaitFor("B", "OK", 0), QByteArray("OK"));
    QVERIFY2(clock.elapsed() >= 140, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(rig.dialogs.shown.isEmpty());
}

void TestCommandExchange::startTimeOutTimer_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second"); // 0x7fff: not called
    QTest::addColumn<bool>("firedBy150");

    constexpr int none = 0x7fff;
    QTest::newRow("positive arms the timer") << 30 << none << true;
    QTest::newRow("zero arms nothing") << 0 << none << false;
    QTest::newRow("negative arms nothing") << -30 << none << false;
    QTest::newRow("zero leaves a running timer running") << 30 << 0 << true;
    QTest::newRow("negative leaves a running timer running") << 30 << -5 << true;
    QTest::newRow("re-arming starts the count afresh") << 30 << 600 << false;
}

void TestCommandExchange::startTimeOutTimer() {
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(bool, firedBy150);

    Rig rig;
    rig.exchange.startTimeOutTimer(static_cast<qint16>(first));
    QVERIFY(!rig.exchange.timeOut());
    if (second != 0x7fff) {
        rig.exchange.startTimeOutTimer(static_cast<qint16>(second));
        QVERIFY(!rig.exchange.timeOut());
    }
    bool reference = false;
    QTimer::singleShot(150, &rig.port, [&reference] { reference = true; });
    QTRY_VERIFY_WITH_TIMEOUT(reference, 5000);
    QCOMPARE(rig.exchange.timeOut(), firedBy150);

    // Arming clears the flag even when it arms nothing.
    rig.exchange.startTimeOutTimer(0);
    QVERIFY(!rig.exchange.timeOut());
    QVERIFY(rig.ui.isEmpty());
}

void TestCommandExchange::pause_data() {
    QTest::addColumn<int>("ms");
    QTest::addColumn<bool>("abortRequested");

    QTest::newRow("waits its time") << 60 << false;
    QTest::newRow("ignores abort") << 60 << true;
    QTest::newRow("zero returns at once") << 0 << false;
    QTest::newRow("negative returns at once") << -60 << false;
}

void TestCommandExchange::pause() {
    QFETCH(int, ms);
    QFETCH(bool, abortRequested);

    Rig rig;
    LinkFlags::instance().setAbortRequested(abortRequested);
    // Data arriving during a pause wakes it but does not end it.
    QTimer::singleShot(10, &rig.port, [&rig] { rig.port.feed("x"); });
    QElapsedTimer clock;
    clock.start();
    rig.exchange.pause(static_cast<qint16>(ms));
    const qint64 elapsed = clock.elapsed();
    if (ms > 0) {
        QVERIFY2(elapsed >= ms - 2, qPrintable(QString::number(elapsed)));
        QVERIFY(rig.exchange.timeOut());
    } else {
        QVERIFY2(elapsed < 50, qPrintable(QString::number(elapsed)));
        QVERIFY(!rig.exchange.timeOut());
    }
    QVERIFY2(rig.ui.isEmpty(), "a pause leaves the window usable");
    QVERIFY(rig.port.writes.isEmpty());
}

QTEST_GUILESS_MAIN(TestCommandExchange)
#include "tst_commandexchange.moc"
