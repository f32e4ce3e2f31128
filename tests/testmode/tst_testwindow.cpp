#include "core/settings.h"
#include "fakedialogs.h"
#include "link/devicemap.h"
#include "link/fakeserialport.h"
#include "link/flags.h"
#include "link/receivehandler.h"
#include "modal.h"
#include "sim/faketerminal.h"
#include "testbytes.h"
#include "testmode/displaytest.h"
#include "testmode/kbdtest.h"
#include "testmode/progressform.h"
#include "testmode/testmainwindow.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The test window on a fake port, with the simulated terminal behind it.
struct Bench {
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("ZEPTAL32.ini"))};
    DeviceMap devices{settings};
    FakeSerialPort port;
    FakeDialogs dialogs;
    FakeTerminal terminal{port};
    TestMainWindow window{port, dialogs, settings, devices};
    Bench() { LinkFlags::instance().setAbortRequested(false); }
};

void click(QWidget* w, const char* name) {
    w->findChild<QPushButton*>(QString::fromLatin1(name))->click();
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT
  private slots:
    void startUp_data();
    void startUp();
    void run_data();
    void run();
    void keyboardTest_data();
    void keyboardTest();
    void displayTest();
    void demoText();
};

void TestWindow::startUp_data() {
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("port opens") << false << "COM3: 4800,n,8,2" << QStringList();
    QTest::newRow("port busy") << true << "Schnittstelle inaktiv. Keine Verbindung zum PT/BX."
                               << QStringList(2, QStringLiteral("Schnittstellenfehler"));
}

void TestWindow::startUp() {
    QFETCH(bool, busy);
    QFETCH(QStringList, titles);
    Bench b;
    b.settings.write(SettingsStore::kComPort, QStringLiteral("3"));
    b.settings.write(SettingsStore::kLineSettings, QStringLiteral("4800,n,8,2"));
    b.port.failOpen = busy;
    QStringList modals;
    ModalAnswerer answerer([&](QWidget* w) {
        modals.append(w->objectName());
        w->close();
    });
    b.window.startUp();
    QFETCH(QString, status);
    QCOMPARE(b.window.statusText(), status);
    QStringList shownTitles;
    for (const auto& s : b.dialogs.shown)
        shownTitles.append(s.title);
    QCOMPARE(shownTitles, titles);
    QCOMPARE(modals, busy ? QStringList{QStringLiteral("frmProperties")} : QStringList());
    QCOMPARE(b.window.testCols() * 10 + b.window.testRows(), 204);
}

void TestWindow::run_data() {
    QTest::addColumn<QString>("action"); // what the operator does at the display check
    QTest::addColumn<QStringList>("colours");
    QTest::newRow("full run") << QString() << QStringList(7, "#00ff00");
    QTest::newRow("Abbrechen") << "cancel" << QStringList{"#00ff00"} + QStringList(6, "#ffff00");
    QTest::newRow("leaving the window") << "leave" << QStringList();
}

void TestWindow::run() {
    QFETCH(QString, action);
    QFETCH(QStringList, colours);
    Bench b;
    b.window.startUp();
    b.window.show();
    QPointer<ProgressForm> form;
    QStringList shown;
    QString keysResult;
    ModalAnswerer answerer([&](QWidget* w) {
        if (w->objectName() == "ProgressForm") {
            form = static_cast<ProgressForm*>(w);
        } else if (w->objectName() == "KbdTest") {
            b.port.feed("12"); // two keys in one chunk
            b.port.feed("34");
            click(w, "OKCommand");
        } else if (w->objectName() == "frmDisplayTest") {
            form = static_cast<ProgressForm*>(w->parentWidget());
            if (action == "cancel") click(form, "CancelCommand");
            if (action == "leave") b.window.close();
            click(w, "Command1");
        }
    });
    // Once the run is over and the button reads "OK": what the rows show, then OK.
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (!form || form->CancelCommand->text() != "OK" || !shown.isEmpty()) return;
        for (QLabel* l : form->ResultLabel)
            shown.append(l->palette().color(QPalette::Window).name());
        keysResult = form->KbdTestResult->text();
        click(form, "CancelCommand");
    });
    done.start(5);
    click(&b.window, "StartCommand");
    QVERIFY(!form);
    QCOMPARE(b.window.isVisible(), action != "leave");
    QCOMPARE(shown, colours);
    QCOMPARE(keysResult, action == "cancel" ? "KbdTestResult" : QString());
    QCOMPARE(b.dialogs.messages(), QStringList());
    QVERIFY(b.port.written().endsWith("20x4\rTest-Ende"));
}

void TestWindow::keyboardTest_data() {
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<int>("how"); // 0 click, 1 shift + click, 2 space key
    QTest::addColumn<QString>("missing");
    QTest::newRow("none pressed") << QByteArrayList() << 0 << "F1 F2 F3 F4 ";
    QTest::newRow("F3 twice, 5 and A ignored")
        << QByteArrayList{"3", "5", "A", "3"} << 0 << "F1 F2 F4 ";
    QTest::newRow("two keys in one chunk") << QByteArrayList{"1", "42"} << 2 << "F3 ";
    QTest::newRow("shift + click") << QByteArrayList{"1"} << 1 << "";
}

void TestWindow::keyboardTest() {
    QFETCH(QByteArrayList, chunks);
    QFETCH(int, how);
    FakeSerialPort port;
    port.open();
    ReceiveHandler receiver(port);
    KbdTest test(receiver);
    test.show();
    for (const QByteArray& c : chunks)
        port.feed(c);
    if (how == 2)
        QTest::keyClick(test.OKCommand, Qt::Key_Space);
    else
        QTest::mouseClick(test.OKCommand, Qt::LeftButton,
                          how == 1 ? Qt::ShiftModifier : Qt::NoModifier);
    QVERIFY(!test.isVisible());
    QFETCH(QString, missing);
    QCOMPARE(test.missingKeys(), missing);
    QCOMPARE(test.F[3]->palette().color(QPalette::Window) == QColor(0, 255, 0),
             chunks.join().contains('4'));
    QVERIFY(!LinkFlags::instance().keyCaptureActive);
    QVERIFY(receiver.buffer().isEmpty());
}

void TestWindow::displayTest() {
    for (const char* answer : {"Command1", "Command2", ""}) {
        DisplayTest test(16, 2);
        test.show();
        if (*answer)
            click(&test, answer);
        else
            test.close();
        QVERIFY(!test.isVisible());
        QCOMPARE(test.displayTestOk(), QByteArray(answer) == "Command1");
    }
}

void TestWindow::demoText() {
    Bench b;
    b.window.startUp();
    b.window.cmbPTCols->setCurrentText(QStringLiteral("16"));
    b.window.cmbPTCols_Click();
    b.window.cmbPTRows->setCurrentText(QStringLiteral("2"));
    b.window.cmbPTRows_Click();
    click(&b.window, "DemoCommand");
    QCOMPARE(b.port.written(), bytes({27, '&', '#'}) + "0123456789ABCDEF0123456789ABCDEF" +
                                   bytes({27, '&', 'C', 27, '[', 0, ';', 0, 'H'}));
}

QTEST_MAIN(TestWindow)
#include "tst_testwindow.moc"
