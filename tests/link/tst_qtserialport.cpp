#include "fakedialogs.h"
#include "link/commandexchange.h"
#include "link/flags.h"
#include "link/qtserialport.h"
#include "link/receivehandler.h"
#include "ptypeer.h"

#include <QtTest>

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

    // What the driver takes is what the port reads back; a refused text leaves the line as it
    // was, and the exchange goes on at the old settings.
    void lineSettings_data() {
        QTest::addColumn<bool>("whileClosed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("settings"); // read back afterwards
        QTest::addColumn<int>("speed");
        QTest::addColumn<bool>("twoStopBits");
        QTest::newRow("set while closed, applied on open") << true << "2400,N,8,2"
                                                           << "2400,n,8,2" << int(B2400) << true;
        QTest::newRow("even parity refused by the pseudo-terminal")
            << false << "9600,e,8,2"
            << "4800,n,8,1" << int(B4800) << false;
    }
    void lineSettings() {
        QFETCH(bool, whileClosed);
        QFETCH(QString, text);
        QFETCH(QString, settings);
        QFETCH(int, speed);
        QFETCH(bool, twoStopBits);
        PtyRig rig;
        QVERIFY(rig.port.setSettings("4800,n,8,1"));
        if (!whileClosed) QVERIFY(rig.open());
        QCOMPARE(rig.port.setSettings(text), settings == text.toLower());
        if (whileClosed) QVERIFY(rig.open());
        QCOMPARE(rig.port.settings(), settings);
        QCOMPARE(rig.line(), std::make_pair(speed, twoStopBits));
        // The port layer's own words, not those for a malformed text.
        if (settings != text.toLower())
            QVERIFY(!rig.port.errorString().isEmpty() &&
                    !rig.port.errorString().contains(QStringLiteral("Ungültig")));
        QCOMPARE(rig.exchange.sendAndWaitFor("Z", "Z", -3000), QByteArray("Z"));
    }

    // The far end hangs up during a wait: the wait ends at once, as a lost port.
    void hangUp_data() {
        QTest::addColumn<int>("timeOut");
        QTest::newRow("during a silent wait") << -5000;
        QTest::newRow("during a wait without time-out") << 0;
    }
    void hangUp() {
        QFETCH(int, timeOut);
        PtyRig rig(false);
        QVERIFY(rig.open());
        QSignalSpy lost(&rig.port, &SerialPort::lost);
        QTimer::singleShot(30, &rig.port, [&rig] { rig.pty.closeMaster(); });
        // Should the hang-up go unnoticed, the wait without time-out fails, not hangs.
        QTimer::singleShot(4000, &rig.port, [] { LinkFlags::instance().setAbortRequested(true); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(rig.exchange.sendAndWaitFor("\x1b&V", "&V", qint16(timeOut)).isEmpty());
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        // The loss is told by whoever watches the port, never as a silent terminal.
        QCOMPARE(rig.dialogs.messages(), QStringList());
        QCOMPARE(rig.exchange.lastEnd(), CommandExchange::WaitEnd::PortLost);
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 3000);
        QVERIFY(!rig.port.isOpen());
        QVERIFY2(rig.port.errorString().contains(rig.pty.slavePath()),
                 qPrintable(rig.port.errorString()));
    }

    // A stand-in for the adapter's driver; the pseudo-terminal's own refuses the flag, which
    // every other test here opens through.
    void lowLatency_data() {
        QTest::addColumn<int>("flags");     // the stand-in's flags at open
        QTest::addColumn<bool>("takesBit"); // the stand-in keeps the bit when it is set
        QTest::addColumn<bool>("lowWhileOpen");
        const int bit = LowLatency::flagBit();
        const int other = 0x40; // some other flag of the driver, left alone
        QTest::newRow("adapter takes the flag") << other << true << true;
        QTest::newRow("adapter that had it already") << (other | bit) << true << true;
        QTest::newRow("driver accepts but ignores it") << other << false << false;
    }
    void lowLatency() {
        QFETCH(int, flags);
        QFETCH(bool, takesBit);
        std::optional<int> device = flags; // the stand-in's flags
        PtyRig rig;
        rig.port.setLowLatencyDriver({[&](int) { return device; },
                                      [&](int, int f) {
                                          if (takesBit || !(f & LowLatency::flagBit())) device = f;
                                          return true;
                                      }});
        for (int round = 0; round < 2; ++round) {
            QVERIFY2(rig.open(), qPrintable(rig.port.errorString()));
            QTEST(rig.port.lowLatency(), "lowWhileOpen");
            QCOMPARE(rig.exchange.sendAndWaitFor("Z", "Z", -3000), QByteArray("Z"));
            rig.port.close();
            QVERIFY(!rig.port.lowLatency());
            QCOMPARE(*device, flags);
        }
    }

    // Another program's UUCP lock on the device keeps the port shut while its owner lives; a
    // lock left by a dead process, or one without a pid, does not.
    void lockFiles_data() {
        QTest::addColumn<QByteArray>("form");  // ascii, binary or text
        QTest::addColumn<bool>("classicName"); // LCK.. and the device's last path part
        QTest::addColumn<bool>("ownerLives");
        QTest::newRow("ten characters") << QByteArray("ascii") << false << true;
        QTest::newRow("binary int, classic name") << QByteArray("binary") << true << true;
        QTest::newRow("dead owner") << QByteArray("ascii") << false << false;
        QTest::newRow("no pid in it") << QByteArray("text") << true << true;
    }
    void lockFiles() {
        QFETCH(QByteArray, form);
        QFETCH(bool, classicName);
        QFETCH(bool, ownerLives);
        QProcess owner;
        owner.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(owner.waitForStarted());
        const auto end = qScopeGuard([&owner] {
            owner.kill();
            owner.waitForFinished();
        });
        // pid_max itself is never given to a process.
        QFile pidMax(QStringLiteral("/proc/sys/kernel/pid_max"));
        QVERIFY(pidMax.open(QIODevice::ReadOnly));
        const int pid = ownerLives ? int(owner.processId()) : pidMax.readAll().trimmed().toInt();
        const QByteArray content =
            form == "binary" ? QByteArray(reinterpret_cast<const char*>(&pid), 4)
            : form == "text" ? QByteArray("locked\n")
                             : QByteArray::number(pid).rightJustified(10) + '\n';
        PtyRig rig(false);
        QString device = rig.pty.slavePath();
        QTemporaryDir locks;
        QFile lock(locks.filePath("LCK.." + (classicName ? QFileInfo(device).fileName()
                                                         : device.mid(5).replace(u'/', u'_'))));
        QVERIFY(lock.open(QIODevice::WriteOnly) && lock.write(content) == content.size());
        lock.close();
        rig.port.setLockDirectories({locks.path()});
        const bool busy = ownerLives && form != "text";
        QCOMPARE(rig.open(), !busy);
        QVERIFY(lock.exists());
        if (busy)
            QVERIFY2(rig.port.errorString().contains(QStringLiteral("Prozess %1 (sleep)").arg(pid)),
                     qPrintable(rig.port.errorString()));
    }
};

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
