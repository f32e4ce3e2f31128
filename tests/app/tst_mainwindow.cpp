#include "mainwindowfixture.h"

#include "app/about.h"
#include "link/commandexchange.h"
#include "link/receivehandler.h"

#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <sys/stat.h>

namespace {

// The terminal's echo of each write, a moment later from the event loop.
void echoLater(FakeSerialPort& port) {
    port.onWrite = [&port](const QByteArray& b) {
        QTimer::singleShot(1, &port, [&port, b] { port.feed(b); });
    };
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
  private slots:

    void startWithFilledStore_data() {
        // Stored port ("!": it cannot open), line settings and display type ("-": none); the port
        // and settings used; panel 1; the display type stored afterwards.
        for (const char* column :
             {"com", "line", "display", "portNumber", "portSettings", "panel1", "storedDisplay"})
            QTest::addColumn<QString>(column);
        for (const char* row :
             {"-|-|-|1|9600,n,8,2|LCD 20x4 |6", "3|4800,n,8,2|13|3|4800,n,8,2|LCD 40x4 |13",
              "2|19200,n,8,1|0|2|9600,n,8,2|LCD 8x2 |0", "8|1200,N,8,2|1|8|9600,n,8,2|LCD 16x1 |1",
              "x|bogus|6|1|9600,n,8,2|LCD 20x4 |6", "1|2400,n,8,2|99|1|2400,n,8,2|LCD 20x4 |6",
              "4!|-|-|4|9600,n,8,2|LCD 20x4 |6"}) {
            const QStringList c = QString::fromLatin1(row).split(u'|');
            QTest::newRow(row) << c[0] << c[1] << c[2] << c[3] << c[4] << c[5] << c[6];
        }
    }

    void startWithFilledStore() {
        QFETCH(QString, com);
        QFETCH(QString, line);
        QFETCH(QString, display);
        MainWindowFixture f;
        const auto store = [&f](const QString& key, const QString& v) {
            if (v != u"-") f.settings->write(key, v);
        };
        const bool fails = f.port.failOpen = com.endsWith(u'!');
        store(SettingsStore::kComPort, com.remove(u'!'));
        store(SettingsStore::kLineSettings, line);
        store(SettingsStore::kDisplayType, display);
        MainWindow& w = f.start();

        QTEST(QString::number(f.port.portNumber()), "portNumber");
        QTEST(f.port.settings(), "portSettings");
        QTEST(f.settings->read(SettingsStore::kLineSettings), "portSettings");
        QTEST(w.panelText(1), "panel1");
        QTEST(f.settings->read(SettingsStore::kDisplayType), "storedDisplay");
        QCOMPARE(f.find<QComboBox>("cboBaudrate")->currentText(), f.port.settings());
        QCOMPARE(f.settings->read(SettingsStore::kComPort), QString::number(f.port.portNumber()));
        QCOMPARE(f.port.isOpen(), !fails);
        QCOMPARE(
            w.panelText(2),
            QStringLiteral("COM%1 %2").arg(f.port.portNumber()).arg(fails ? "geschlossen " : ""));
        QCOMPARE(w.panelText(3), f.port.settings() + ' ');
        QCOMPARE(w.currentTab(), 1);
        // A port that cannot open is told once, and the window is usable all the same.
        QCOMPARE(f.dialogs.messages().join(u'+'),
                 fails ? "Schnittstelle COM4 konnte nicht geöffnet werden!\rBitte andere "
                         "Schnittstelle einstellen!"
                       : "");
        QVERIFY(w.isEnabled());
        // Start-up sends nothing to the terminal.
        QVERIFY(f.port.writes.isEmpty());
    }

    void portChoice_data() {
        QTest::addColumn<bool>("openBefore");
        QTest::addColumn<bool>("reopenFails");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("openAfter");
        QTest::addColumn<QString>("panel");
        QTest::newRow("open port moves") << true << false << ""
                                         << "3" << true << "COM3 ";
        const QString inUse = QStringLiteral("COM Port konnte nicht geöffnet werden.\rCOM3 wird "
                                             "evtl. bereits von einem anderen Programm verwendet");
        QTest::newRow("port in use")
            << true << true << inUse << "1" << false << "COM3 geschlossen ";
        QTest::newRow("closed port opens") << false << false << ""
                                           << "3" << true << "COM3 ";
        // Saved all the same: the next start uses the port the window shows.
        QTest::newRow("closed port in use")
            << false << true << inUse << "3" << false << "COM3 geschlossen ";
    }

    void portChoice() {
        QFETCH(bool, openBefore);
        QFETCH(bool, reopenFails);
        MainWindowFixture f;
        MainWindow& w = f.start();
        if (!openBefore) f.port.close();
        f.port.failOpen = reopenFails;
        auto* list = f.find<QComboBox>("cboComPort");
        list->setCurrentIndex(2);
        w.cboComPort_Click();
        QTEST(w.panelText(2), "panel");
        QTEST(f.dialogs.messages().join(QString()), "message");
        QTEST(f.settings->read(SettingsStore::kComPort), "stored");
        QTEST(f.port.isOpen(), "openAfter");
        QCOMPARE(f.port.portNumber(), 3);
    }

    void receiveMonitor() {
        MainWindowFixture f;
        MainWindow& w = f.start();
        auto* monitor = f.find<QLabel>("lblReceiveData");
        f.port.feed("OK");
        f.port.feed(QByteArray(1, 13));
        f.port.feed(QByteArray(70, 'a') + "XYZ");
        QCOMPARE(monitor->text(), (QStringLiteral("OK<&HD>") + QString(70, 'a') + "XYZ").right(63));
        f.find<QPushButton>("cmdClearReceived")->click();
        QCOMPARE(monitor->text(), QString());
        QCOMPARE(w.receiver().buffer().left(3), QByteArray("OK\r"));
        w.setReceiveMonitor(false);
        f.port.feed("hidden");
        QCOMPARE(monitor->text(), QString());
        w.setReceiveMonitor(true);
        f.port.feed("A");
        QCOMPARE(monitor->text(), QStringLiteral("A"));
    }

    void windowDisabledDuringExchange() {
        MainWindowFixture f;
        MainWindow& w = f.start();
        w.show();
        auto* clear = f.find<QPushButton>("cmdClearReceived");
        int clicks = 0;
        connect(clear, &QPushButton::clicked, [&] { ++clicks; });
        // A click during the wait is dropped; a wait that lasts greys the window out; a time-out
        // message finds it usable again.
        QList<bool> blockedWhileWaiting;
        bool greyedOut = false;
        f.port.onWrite = [&](const QByteArray&) {
            blockedWhileWaiting << w.inputBlocked();
            QTimer::singleShot(1, [&] { QTest::mouseClick(clear, Qt::LeftButton); });
            QTimer::singleShot(400, [&] { greyedOut = !clear->isEnabled(); });
        };
        f.dialogs.onShow = [&](const FakeDialogs::Shown&) {
            blockedWhileWaiting << w.inputBlocked();
        };
        QCOMPARE(w.exchange().sendAndWaitFor(QByteArray("\x1b&V"), "B", 500), QByteArray());
        QVERIFY(greyedOut);
        QCOMPARE(blockedWhileWaiting, (QList<bool>{true, false}));
        QCOMPARE(clicks, 0);
        QCOMPARE(f.dialogs.messages(),
                 QStringList{QStringLiteral("TimeOut auf COM. (Keine Antwort auf 'ESC &V')")});
        QTRY_VERIFY(clear->isEnabled());
        QTest::mouseClick(clear, Qt::LeftButton);
        QCOMPARE(clicks, 1);
    }

    void pauseSurvivesAWaitInside() {
        MainWindowFixture f;
        MainWindow& w = f.start();
        echoLater(f.port);
        // The window is usable in a pause: a command started then matches and stops the timer.
        QTimer::singleShot(10, [&] { w.exchange().sendAndWaitFor("A", "A", -500); });
        // Rescues a pause that would otherwise never end.
        QTimer::singleShot(2000, [&] { w.exchange().startTimeOutTimer(1); });
        QElapsedTimer clock;
        clock.start();
        w.exchange().pause(100);
        QVERIFY2(clock.elapsed() < 1000, "the pause hung after the inner wait");
        QVERIFY(clock.elapsed() >= 100);
    }

    void operatorEndsAWait_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("quits");
        QTest::newRow("Escape") << "escape" << 0;
        QTest::newRow("closing the window") << "close" << 1;
        QTest::newRow("Programm beenden") << "quit" << 1;
    }

    // A wait that no answer will end (no time-out at all) ends by the operator's hand; closing the
    // window then ends the program, and otherwise the next command works again.
    void operatorEndsAWait() {
        QFETCH(QString, how);
        MainWindowFixture f;
        MainWindow& w = f.start();
        w.show();
        w.exchange().setLimits(CommandExchange::kMaxReplyBytes, 20000);
        auto* clear = f.find<QPushButton>("cmdClearReceived");
        QTimer::singleShot(20, &w, [&] {
            if (how == "escape") QTest::keyClick(clear, Qt::Key_Escape);
            if (how == "close") w.close();
            if (how == "quit") QTest::mouseClick(f.find<QPushButton>("btnQuit"), Qt::LeftButton);
        });
        QCOMPARE(w.exchange().sendAndWaitFor("\x1bW", QByteArray(2, '\0'), 0), QByteArray());
        QCOMPARE(w.exchange().lastEnd(), CommandExchange::WaitEnd::Aborted);
        QTEST(f.quitCount, "quits");
        QVERIFY(f.dialogs.shown.isEmpty());
        QTest::mouseClick(clear, Qt::LeftButton);
        echoLater(f.port);
        QCOMPARE(w.exchange().sendAndWaitFor("A", "A", -2000), QByteArray("A"));
    }

    // The OEM logo beside the program replaces the built-in one; an unreadable file does not, and
    // one that is no file at all does not hold up the start.
    void logoFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("oemShown");
        QTest::newRow("picture") << "picture" << true;
        QTest::newRow("not a picture") << "text" << false;
        QTest::newRow("named pipe without writer") << "fifo" << false;
    }

    void logoFile() {
        QFETCH(QString, kind);
        QFETCH(bool, oemShown);
        const QString path =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("OEMLOGO.JPG"));
        QFile::remove(path);
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::red);
        if (kind == u"fifo") QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (kind == u"picture") QVERIFY(image.save(path, "JPG"));
        if (kind == u"text") QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        MainWindowFixture f;
        f.start();
        QFile::remove(path);
        auto* page = f.find<QWidget>("Frame1_1");
        QCOMPARE(f.find<QLabel>("imgOEMlogo")->isVisibleTo(page), oemShown);
        QCOMPARE(f.find<QLabel>("imgLogo")->isVisibleTo(page), !oemShown);
        QVERIFY(f.dialogs.shown.isEmpty());
    }

    // The about box opens by a click on the copyright label; links through the seam, and on a
    // machine without any serial port the program's own system information.
    void aboutFromCopyrightLabel() {
        MainWindowFixture f;
        f.start();
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto* about = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
            about->openUrl = [&](const QUrl& url) { return seen.append(url.scheme()), false; };
            about->useRegistry = false;
            about->listPorts = [] { return QList<SystemPort>{}; };
            QTest::mouseClick(about->lblInternet[0], Qt::LeftButton);
            QTest::mouseClick(about->lblInternet[1], Qt::LeftButton);
            about->cmdSysInfo->click();
            seen << about->findChild<QPlainTextEdit*>()->toPlainText().section('\n', -2);
            about->cmdOK->click();
        });
        QTest::mouseClick(f.find<QLabel>(QStringLiteral("lblCopyright")), Qt::LeftButton);
        QCOMPARE(seen, (QStringList{"https", "mailto",
                                    "  Das System meldet keine seriellen Schnittstellen.\n"}));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
