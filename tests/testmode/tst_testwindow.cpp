#include "link/receivehandler.h"
#include "modaloperator.h"
#include "ptywindow.h"
#include "sim/faketerminal.h"
#include "testmode/kbdtest.h"
#include "testmode/testmainwindow.h"

#include <QtTest>

class TestWindow : public QObject {
    Q_OBJECT
  private slots:
    void leaveRun_data() {
        QTest::addColumn<bool>("closeWindow"); // else "Abbrechen", at the display check
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("Abbrechen")
            << false
            << QStringList{"#00ff00 OK"} + QStringList(6, QStringLiteral("#ffff00 abgebrochen"));
        QTest::newRow("leaving the window") << true << QStringList();
    }

    void leaveRun() {
        QFETCH(bool, closeWindow);
        MainWindowFixture f;
        FakeTerminal terminal(f.port);
        TestMainWindow window(f.port, f.dialogs, *f.settings, *f.devices);
        LinkFlags::instance().setAbortRequested(true); // left over from an earlier run
        window.startUp();
        window.show();
        Operator op([&](QWidget* w) {
            if (w->objectName() != "frmDisplayTest") return;
            if (closeWindow)
                window.close();
            else
                click(w->parentWidget(), "CancelCommand");
            click(w, "Command1");
        });
        window.StartCommand->click();
        QVERIFY(!op.form);
        QCOMPARE(window.isVisible(), !closeWindow);
        QTEST(op.rows, "rows");
        QCOMPARE(op.keysResult, QString()); // the key test never ran
        QCOMPARE(f.dialogs.messages(), QStringList());
        QVERIFY(f.port.written().endsWith("20x4\rTest-Ende"));
    }

    void keyboardTest_data() {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<int>("how"); // 0 click, 1 shift + click, 2 Space and Return on OK first
        QTest::addColumn<QString>("missing");
        QTest::newRow("none pressed") << QByteArrayList() << 0 << "F1 F2 F3 F4 ";
        QTest::newRow("F3 twice, 5 and A ignored")
            << QByteArrayList{"3", "5", "A", "3"} << 0 << "F1 F2 F4 ";
        QTest::newRow("two keys in one chunk, keys on OK first")
            << QByteArrayList{"1", "42"} << 2 << "F3 ";
        QTest::newRow("shift + click") << QByteArrayList{"1"} << 1 << "";
    }

    void keyboardTest() {
        QFETCH(QByteArrayList, chunks);
        QFETCH(int, how);
        FakeSerialPort port;
        port.open();
        ReceiveHandler receiver(port);
        KbdTest test(receiver);
        test.show();
        for (const QByteArray& c : chunks)
            port.feed(c);
        if (how == 2) {
            test.OKCommand->setFocus();
            QTest::keyClick(test.OKCommand, Qt::Key_Space);
            QTest::keyClick(test.OKCommand, Qt::Key_Return);
            QVERIFY(test.isVisible());
        }
        QTest::mouseClick(test.OKCommand, Qt::LeftButton,
                          how == 1 ? Qt::ShiftModifier : Qt::NoModifier);
        QVERIFY(!test.isVisible());
        QTEST(test.missingKeys(), "missing");
        QCOMPARE(test.F[3]->palette().color(QPalette::Window) == QColor(0, 255, 0),
                 chunks.join().contains('4'));
        QVERIFY(!LinkFlags::instance().keyCaptureActive);
        QVERIFY(receiver.buffer().isEmpty());
    }

    // As `zeptal32 --test --simulator` runs: the real serial port code over a pseudo-terminal.
    void fullRunOverPty() {
        PtyWindow s;
        QString error;
        QVERIFY2(s.session.start(&error), qPrintable(error));
        s.devices->bindTemporarily(1, s.term.slavePath());
        s.settings->write(SettingsStore::kLineSettings, QStringLiteral("4800,n,8,2"));
        TestMainWindow window(s.serial, s.dialogs, *s.settings, *s.devices);
        window.startUp();
        QCOMPARE(window.statusText(), QStringLiteral("COM1: 4800,n,8,2"));
        window.show();
        const QStringList demo = testmode::demoPicture(20, 4);
        Operator op([&](QWidget* w) {
            if (auto* kbd = qobject_cast<KbdTest*>(w)) {
                // The keys that send "1" to "4" under the key table just loaded.
                for (char c : QByteArray("1234"))
                    s.term.pressKey(static_cast<int>(s.term.snapshot().keyTable.indexOf(c)));
                QTRY_COMPARE_WITH_TIMEOUT(kbd->missingKeys(), QString(), 20000);
                QTest::mouseClick(kbd->OKCommand, Qt::LeftButton);
            } else if (w->objectName() == "frmDisplayTest") {
                QTRY_COMPARE_WITH_TIMEOUT(s.term.snapshot().rowsText(), demo, 20000);
                click(w, "Command1");
            }
        });
        op.picture = QStringLiteral("test-run.png");
        window.StartCommand->click();
        QCOMPARE(op.rows, QStringList(7, QStringLiteral("#00ff00 OK")));
        QCOMPARE(op.keysResult, QString()); // every key arrived
        QCOMPARE(s.dialogs.messages(), QStringList());
        QCOMPARE(s.term.fixedTextImage(), testmode::numberedTextsImage());
        // The run's last words are on the display before the demo picture is asked for again.
        QTRY_COMPARE_WITH_TIMEOUT(s.term.snapshot().rowsText().mid(0, 2).join('|'),
                                  QStringLiteral("20x4                |Test-Ende           "),
                                  20000);
        window.DemoCommand->click();
        QTRY_COMPARE_WITH_TIMEOUT(s.term.snapshot().rowsText(), demo, 20000);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_testwindow.moc"
