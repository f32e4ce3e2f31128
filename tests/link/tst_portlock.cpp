#include "ptypeer.h"

#include "link/qtserialport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

// Another program's UUCP lock on the device keeps the port shut while its owner lives; a lock
// left by a dead process does not.
class TestPortLock : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        owner_.start(QStringLiteral("sleep"), {QStringLiteral("300")});
        QVERIFY(owner_.waitForStarted());
    }
    void cleanupTestCase() {
        owner_.kill();
        owner_.waitForFinished();
    }
    void lockFiles_data();
    void lockFiles();

  private:
    QProcess owner_;
};

void TestPortLock::lockFiles_data() {
    QTest::addColumn<QString>("form");     // ascii, binary or text
    QTest::addColumn<bool>("classicName"); // LCK.. and the device's last path part
    QTest::addColumn<bool>("ownerLives");
    QTest::newRow("ten characters") << "ascii" << false << true;
    QTest::newRow("binary int, classic name") << "binary" << true << true;
    QTest::newRow("dead owner") << "ascii" << false << false;
    QTest::newRow("no pid in it") << "text" << true << true;
}

void TestPortLock::lockFiles() {
    QFETCH(QString, form);
    QFETCH(bool, classicName);
    QFETCH(bool, ownerLives);
    PtyPair pty;
    QVERIFY(pty.ok());
    QTemporaryDir locks;
    // pid_max itself is never given to a process.
    QFile pidMax(QStringLiteral("/proc/sys/kernel/pid_max"));
    QVERIFY(pidMax.open(QIODevice::ReadOnly));
    const int pid = ownerLives ? int(owner_.processId()) : pidMax.readAll().trimmed().toInt();
    QByteArray content = QByteArray::number(pid).rightJustified(10, ' ') + '\n';
    if (form == QLatin1String("binary"))
        content = QByteArray(reinterpret_cast<const char*>(&pid), 4);
    if (form == QLatin1String("text")) content = "locked\n";
    const QString device = pty.slavePath();
    const QString name = classicName ? QFileInfo(device).fileName()
                                     : device.mid(5).replace(QLatin1Char('/'), QLatin1Char('_'));
    QFile lock(locks.filePath(QStringLiteral("LCK..") + name));
    QVERIFY(lock.open(QIODevice::WriteOnly) && lock.write(content) == content.size());
    lock.close();

    QtSerialPort port([&](int) { return device; });
    port.setLockDirectories({locks.path()});
    const bool busy = ownerLives && form != QLatin1String("text");
    QCOMPARE(port.open(), !busy);
    QVERIFY(lock.exists());
    if (busy) {
        QVERIFY2(port.errorString().contains(QStringLiteral("Prozess %1 (sleep)").arg(pid)),
                 qPrintable(port.errorString()));
    }
}

QTEST_GUILESS_MAIN(TestPortLock)
#include "tst_portlock.moc"
