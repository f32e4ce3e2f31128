#include "mainwindowfixture.h"

#include "core/commands.h"
#include "keyboard/keyboardpage.h"
#include "link/qtserialport.h"
#include "sim/ptyterminal.h"
#include "sim/simulatorwindow.h"

#include <QtTest>
#include <QtWidgets>

class TestKeyboardEndToEnd : public QObject {
    Q_OBJECT
  private slots:
    void programPressResetPoll();
};

// The real main window on the real serial port code, over a pseudo-terminal to the simulated
// terminal, whose keypad is clicked as a technician would.
void TestKeyboardEndToEnd::programPressResetPoll() {
    MainWindowFixture f;
    PtyTerminal term;
    QString error;
    QVERIFY2(term.start(&error), qPrintable(error));
    f.devices->bindTemporarily(1, term.slavePath());
    QtSerialPort serial([&](int n) { return f.devices->device(n); });
    f.window = std::make_unique<MainWindow>(serial, f.dialogs, *f.settings, *f.devices);
    const auto closeFirst = qScopeGuard([&] { f.window.reset(); });
    f.window->startUp();
    QVERIFY(serial.isOpen());
    f.find<QTabBar>(QStringLiteral("TabStrip1"))->setCurrentIndex(4);
    f.window->show();
    SimulatorWindow sim(term.link(), term.slavePath());
    auto* page = f.window->findChild<KeyboardPage*>();
    const auto click = [&](const char* name) {
        QTest::mouseClick(f.find<QAbstractButton>(QString::fromLatin1(name)), Qt::LeftButton);
    };
    const auto press = [&](int key) {
        QTest::mouseClick(sim.findChild<QPushButton*>(QStringLiteral("key_%1").arg(key)),
                          Qt::LeftButton);
    };
    auto* monitor = f.find<QLabel>(QStringLiteral("lblReceiveData"));

    f.find<QLineEdit>(QStringLiteral("txtTaste_2"))->setText(QStringLiteral("x"));
    click("cmdSendKbdTable");
    QCOMPARE(f.dialogs.messages(), QStringList());
    QByteArray table = "ABxDEFGHIJKLMNOPQRSTUVWXYZ+-*/$%";
    QCOMPARE(term.snapshot().keyTable, table);
    QTRY_VERIFY(sim.findChild<QPushButton*>(QStringLiteral("key_2"))->text().endsWith(u'x'));
    press(2);
    QTRY_COMPARE(monitor->text(), QStringLiteral("x"));
    QVERIFY(page->isLit(2));

    click("cmdClearKbdTable");
    QCOMPARE(term.snapshot().keyTable, cmd::standardKeyTable());
    QTRY_VERIFY(sim.findChild<QPushButton*>(QStringLiteral("key_2"))->text().startsWith("02h"));
    press(2);
    QTRY_COMPARE(monitor->text(), QStringLiteral("<&H2>"));

    // Polling: a pressed key waits in the terminal until the button asks for it.
    click("optMatrix_0");
    click("cmdSetKbdMode");
    QTRY_COMPARE(term.snapshot().keyboardMode, 0);
    press(1);
    QTRY_VERIFY(sim.statusText().contains(QStringLiteral("Puffer: 01h")));
    QCOMPARE(monitor->text(), QString());
    click("cmdSetKbdMode");
    QTRY_COMPARE(monitor->text(), QStringLiteral("<&H1>"));
    QCOMPARE(f.dialogs.messages(), QStringList());
}

QTEST_MAIN(TestKeyboardEndToEnd)
#include "tst_keyboard_e2e.moc"
