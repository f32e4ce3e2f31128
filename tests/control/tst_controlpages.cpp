#include "link/portlost.h"
#include "link/portsearch.h"
#include "mainwindowfixture.h"
#include "testbytes.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {

const QByteArray kClear = bytes({27, '&', '#'});
const QString kCr(QChar(13));
const QStringList kSpeeds = {"9600,n,8,2", "4800,n,8,2", "2400,n,8,2", "1200,n,8,2"};

QString twoCauses(const QString& what, const QString& version) {
    return "Das Pultino hat auf die " + what + " nicht reagiert." + kCr +
           "Dafür gibt es zwei mögliche Ursachen:" + kCr + "(A) Die Firmware-Version ist " +
           version + " oder älter." + kCr + "(B) Es ist kein Pultino angeschlossen";
}

// The real main window, shown, worked through its controls as a user would.
struct Fixture : MainWindowFixture {
    Fixture() { open(port); }
    QLineEdit* line(const QString& name) { return find<QLineEdit>(name); }
    QString status() { return window->panelText(4); }
};

} // namespace

class TestControlPages : public QObject {
    Q_OBJECT
  private slots:

    // Steps separated by '|': "list=n" chooses entry n, "field:text" types into a line field,
    // "tab=n" shows a tab, anything else clicks that button; only the last click's bytes count.
    void commandButtons_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::addColumn<QString>("status"); // while writing
        auto row = [](const char* name, const QString& steps, const QList<QByteArray>& expected,
                      const QString& status = {}) {
            QTest::newRow(name) << steps << expected << status;
        };
        const QString cursor = "cboDisplaytype=6|tab=1|lstRow=%1|lstCol=%2|cmdCursorSet";
        const QString text = "cboDisplaytype=6|tab=1|cmtClearTxtOutputFields|txtOutput_%1:%2|",
                      send = "cmdSendTextOutput";
        const auto at = [](int row) { return bytes({27, '[', row, ';', 0, 'H'}); };
        row("clear", "tab=1|cmdClearDisplay", {kClear});
        row("cursor column index 10", cursor.arg(1).arg(10), {bytes({27, '[', 1, ';', 10, 'H'})});
        row("cursor column index 11", cursor.arg(0).arg(11), {bytes({27, '[', 0, ';', 1, 1, 'H'})});
        row("cursor last place of 40x4", "cboDisplaytype=13|tab=1|lstRow=3|lstCol=39|cmdCursorSet",
            {bytes({27, '[', 3, ';', 3, 9, 'H'})});
        row("bus alle", "cmdBusAddress", {bytes({27, '&', 'A', 'Z'})});
        row("bus 0", "lstBusAddress=1|cmdBusAddress", {bytes({27, '&', 'A', 0})});
        row("bus 15", "lstBusAddress=16|cmdBusAddress", {bytes({27, '&', 'A', 15})});
        const QString storing = "Displaykonfiguration am Pultino...";
        row("store 16x1", "cboDisplaytype=1|cmdSendDisplayType",
            {"\x1b&S", bytes({0}), kClear, "16x1 Display"}, storing);
        row("store 8x2", "cboDisplaytype=0|cmdSendDisplayType",
            {"\x1b&S", bytes({0}), kClear, "  8x2 Display"}, storing);
        row("default texts of 8x2, hidden fields filled",
            "cboDisplaytype=0|tab=1|txtOutput_0:a|cmdDefaultTexte|cmdSendTextOutput",
            {kClear, at(0), "12345678", at(1), "12345678"});
        row("fields cleared", text.arg(0).arg("x") + "cmtClearTxtOutputFields|" + send, {kClear});
        row("empty fields skipped, a blank sent", text.arg(1).arg(" ") + send,
            {kClear, at(1), " "});
        row("Windows-1252, ? for no byte", text.arg(3).arg(QStringLiteral("a\u03A9€ä")) + send,
            {kClear, at(3), bytes({'a', '?', 128, 228})});
    }

    void commandButtons() {
        QFETCH(QString, steps);
        Fixture f;
        QStringList todo = steps.split(u'|');
        const QString last = todo.takeLast();
        for (const QString& step : std::as_const(todo)) {
            if (step.startsWith(QLatin1String("tab=")))
                f.showTab(step.mid(4).toInt());
            else if (step.contains(u'='))
                f.select(step.section(u'=', 0, 0), step.section(u'=', 1).toInt());
            else if (step.contains(u':'))
                f.line(step.section(u':', 0, 0))->setText(step.section(u':', 1));
            else
                f.click(step);
        }
        f.port.clearWrites();
        QString statusAtWrite;
        f.port.onWrite = [&](const QByteArray&) { statusAtWrite = f.status(); };
        f.click(last);
        QTEST(f.port.writes, "expected");
        QTEST(statusAtWrite, "status");
        QCOMPARE(f.status(), QString());
    }

    void storeSpeed_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("writes");
        QTest::newRow("all four speeds, then back") << "" << 14;
        QTest::newRow("closed port that cannot be opened") << "closed" << 0;
        QTest::newRow("vanishes: not reopened, though it could be") << "vanish" << 1;
        QTest::newRow("reopening at the old speed fails") << "restore" << 12;
    }

    void storeSpeed() {
        QFETCH(QString, fault);
        QFETCH(int, writes);
        Fixture f;
        f.select("cboBaudrate", 1);
        QStringList statusAtWrite;
        bool gone = false;
        f.port.onWrite = [&](const QByteArray&) {
            statusAtWrite.append(f.status());
            if (fault == "restore") {
                f.port.failOpen = f.port.settings() == kSpeeds[3];
            } else if (fault == "vanish" && !gone) {
                gone = true;
                f.port.vanish();
            }
        };
        if (fault == "closed") {
            f.port.close();
            f.port.failOpen = true;
        }
        f.click("cmdSendBaudrate");

        QCOMPARE(f.port.writesWithSettings.size(), writes);
        QCOMPARE(f.port.settings(), kSpeeds[1]);
        QCOMPARE(f.port.isOpen(), fault.isEmpty());
        QStringList messages;
        // The loss itself is told by the main window the moment it happens.
        if (fault == "vanish") messages << portLostMessage(f.port);
        if (!fault.isEmpty()) messages << "COM Port konnte nicht wieder geöffnet werden.";
        QCOMPARE(f.dialogs.messages(), messages);
        if (writes)
            QCOMPARE(statusAtWrite.first(), QString("Schnittstellenkonfiguration am Pultino..."));
        QCOMPARE(f.status(), QString());
        QTRY_VERIFY(f.window->centralWidget()->isEnabled());
        if (!fault.isEmpty()) return;
        QList<QPair<QString, QByteArray>> expected;
        for (const QString& speed : kSpeeds)
            expected << qMakePair(speed, QByteArray("\x1b&B")) << qMakePair(speed, bytes({1}))
                     << qMakePair(speed, kClear);
        expected << qMakePair(kSpeeds[1], kClear)
                 << qMakePair(kSpeeds[1], QByteArray("4800,n,8,2"));
        QCOMPARE(f.port.writesWithSettings, expected);
    }

    void queries_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QList<QByteArray>>("reply"); // a chunk every 250 ms
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        const auto row = [](const char* name, const char* button, const QList<QByteArray>& reply,
                            const QString& text, const QString& title) {
            QTest::newRow(name) << QString(button) << reply << text << title;
        };
        const QString version = twoCauses("Versionsabfrage", "1.5");
        const QString eeprom = twoCauses("EEPROM-Informationsabfrage", "1.6");
        const QString info = "EEPROM-Information", missing = kCr + kCr + searchHint();
        row("version", "cmdGetVersion", {"V1.7B"}, "Die Firmware-Version ist V1.7.", "ZEPTAL32");
        row("version, short", "cmdGetVersion", {"B"}, version, "Version");
        row("version, missing", "cmdGetVersion", {}, version + missing, "Version");
        row("EEPROM, streamed slowly", "cmdGetEEPROMInfo", {"E11111111", "00000000", "01010101;"},
            "EEPROM Nr. 1: Vorhanden" + kCr + "EEPROM Nr. 2: NICHT vorhanden oder defekt" + kCr +
                "EEPROM Nr. 3: Fehlerhaft" + kCr,
            info);
        row("EEPROM, 25 characters", "cmdGetEEPROMInfo", {"E11111111000000001111111;"}, eeprom,
            info);
        row("EEPROM, missing", "cmdGetEEPROMInfo", {}, eeprom + missing, info);
        // A port that is gone is named, never taken for an old firmware (empty: the port's loss).
        row("version, port closed", "cmdGetVersion", {"<closed>"}, {}, "ZEPTAL32");
        row("EEPROM, port lost while waiting", "cmdGetEEPROMInfo", {"<lost>"}, {}, "ZEPTAL32");
    }

    void queries() {
        QFETCH(QString, button);
        QFETCH(QList<QByteArray>, reply);
        QFETCH(QString, text);
        const bool isVersion = button == "cmdGetVersion";
        const QByteArray command(isVersion ? "\x1b&V" : "\x1b&E");
        Fixture f;
        const QByteArray fault = reply.value(0).startsWith('<') ? reply.takeFirst() : QByteArray();
        if (fault == "<closed>") f.port.close();
        f.port.onWrite = [&](const QByteArray& written) {
            if (written != command) return;
            if (fault == "<lost>") QTimer::singleShot(50, &f.port, [&f] { f.port.vanish(); });
            for (int i = 0; i < reply.size(); ++i)
                QTimer::singleShot(250 * (i + 1), &f.port,
                                   [&f, chunk = reply[i]] { f.port.feed(chunk); });
        };
        QString statusAtMessage;
        f.dialogs.onShow = [&](const FakeDialogs::Shown&) { statusAtMessage = f.status(); };
        f.click(button);
        QCOMPARE(f.port.writes,
                 fault == "<closed>" ? QList<QByteArray>{} : QList<QByteArray>{command});
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(f.dialogs.shown[0].text, text.isEmpty() ? portLostMessage(f.port) : text);
        QTEST(f.dialogs.shown[0].title, "title");
        QCOMPARE(statusAtMessage,
                 QString(isVersion ? "Versionsabfrage..." : "EEPROM-Information abfragen..."));
        QCOMPARE(f.find<QLabel>("lblReceiveData")->text(), QString());
        QCOMPARE(f.status(), QString());
        QTRY_VERIFY(f.window->centralWidget()->isEnabled());
    }

    void freeCommand() {
        Fixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QLineEdit* field = f.line("txtSendCommandText");
        field->setFocus();
        QTest::keyClicks(field, "xx&V");
        field->insert(QStringLiteral("ä€"));
        field->setSelection(0, 2);
        // The click takes the focus from the field, yet the selection is what gets replaced.
        f.click("cmdSelectControlChar");
        QCOMPARE(field->text(), QStringLiteral("\x1b&Vä€"));
        QCOMPARE(field->cursorPosition(), 1);
        QCOMPARE(f.window->focusWidget(), field);
        f.click("cmdSendCommandText");
        QCOMPARE(f.port.writes, QList<QByteArray>{bytes({27, '&', 'V', 228, 128})});
        QCOMPARE(field->text(), QStringLiteral("\x1b&Vä€"));
    }
};

QTEST_MAIN(TestControlPages)
#include "tst_controlpages.moc"
