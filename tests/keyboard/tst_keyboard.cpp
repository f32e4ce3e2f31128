#include "ptywindow.h"

#include "core/commands.h"
#include "core/fileio.h"
#include "keyboard/keyboardops.h"
#include "keyboard/keyboardpage.h"
#include "link/portlost.h"
#include "sim/faketerminal.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const auto kSendFailed = QStringLiteral("Fehler beim Ändern der Tastaturtabelle!");
const auto kLost =
    QStringLiteral("\rUrsache: Die Verbindung über COM1 (fake:COM1) ist unterbrochen.");

QLineEdit* field(const MainWindowFixture& f, int k) {
    return f.find<QLineEdit>(QStringLiteral("txtTaste_%1").arg(k));
}
QString monitor(const MainWindowFixture& f) {
    return f.find<QLabel>(QStringLiteral("lblReceiveData"))->text();
}

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT
  private slots:

    void fieldRules_data() {
        // The code read by a display button, a save or a transfer; the text after leaving the
        // field; the text after "ASCII-Anzeige".
        for (const char* column : {"typed", "code", "left", "shown"})
            QTest::addColumn<QString>(column);
        for (const char* row :
             {"&h0|0|&h0|&h0", "&hFF|255|&hFF|ÿ", "0x1f|31|&h1F|&h1F", "&H00|0|&h0|&h0",
              "0XfF|255|&hFF|ÿ", "&hD|13|&hD|&hD", "&h20|32|&h20| ", " |32| | ", "&hZZ|0|&h0|&h0",
              "&h4G|4|&h4|&h4", "&h|38|&|&", "|0|&hFF|&h0", "AB|65|A|A", "65|54|6|6", "ä|228|ä|ä",
              "€|128|€|€", "&h81|129|&h81|\u0081"}) {
            const QStringList c = QString::fromUtf8(row).split(u'|');
            QTest::newRow(row) << c[0] << c[1] << c[2] << c[3];
        }
    }

    void fieldRules() {
        QFETCH(QString, typed);
        const quint8 code = keyCode(typed);
        QTEST(QString::number(code), "code");
        QTEST(normalisedKeyText(typed), "left");
        QTEST(keyText(code, true), "shown");
        QVERIFY(keyCode(keyText(code, true)) == code && keyCode(keyText(code, false)) == code);
    }

    void files() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.TST"));
        const QByteArray table =
            keyCodes(defaultKeyTexts()).replace(0, 3, QByteArray("\0\xff\r", 3));
        QCOMPARE(fileio::writeFile(path, QByteArray(40, 'x')), QString());
        QCOMPARE(writeKeyTableFile(path, table), QString());
        QCOMPARE(readKeyTableFile(path).codes, table);
        QCOMPARE(fileio::readFile(path).data, table + QByteArray(8, 'x')); // the tail stays
        QCOMPARE(fileio::writeFile(path, "ab"), QString());
        QCOMPARE(readKeyTableFile(path).codes, "ab" + QByteArray(30, '\0'));

        // A folder cannot be read nor a missing folder written: a message naming the file, and the
        // fields and files stay as they were.
        MainWindowFixture f;
        f.open(f.port);
        f.showTab(4);
        f.dialogs.fileNames = {dir.path(), dir.filePath(QStringLiteral("no/k.TST"))};
        field(f, 0)->setText(QStringLiteral("z"));
        f.click("cmdLoadKbdTabelle");
        f.click("cmdSaveKbdTabelle");
        QVERIFY(f.dialogs.messages().filter(dir.path()).size() == 2 && field(f, 0)->text() == u'z');
    }

    void transfers_data() {
        for (const char* column : {"clicks", "version", "message", "monitor"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<int>("echoes"); // table bytes echoed; -1: the port vanishes after 4 bytes
        QTest::addColumn<QByteArray>("written");
        const QByteArray table("\0BCDEFGHIJKLMNOPQRSTUVWXYZ+-*/$\xe4",
                               32); // key 0 "&h0", key 31 "ä"
        const QByteArray load = cmd::loadKeyTable(), version = cmd::versionQuery();
        const auto row = [](const char* name, const char* clicks, const char* reply, int echoes,
                            const QByteArray& written, const QString& message = {},
                            const char* monitor = "") {
            QTest::newRow(name) << clicks << reply << message << monitor << echoes << written;
        };
        row("send, code 0 included", "Send", "", 32, load + table);
        row("reset", "Clear", "", 32, load + cmd::standardKeyTable());
        row("no echo after one byte", "Send", "", 0, load + table.left(1), kSendFailed);
        row("port lost in the table", "Send", "", -1, load + table.left(4),
            "LOST|" + kSendFailed + kLost);
        row("polling shows the key", "0", "1.6B", 0, version + cmd::keyboardMode(0), {}, "Q");
        const auto notSupported = QStringLiteral(
            "Das angeschlossene Pultino unterstützt die Tastaturkonfiguration nicht.");
        row("short version reply", "1", "B", 0, version, notSupported);
        row("port lost after the version", "7", "1.80B", -1, version,
            "LOST|" + QStringLiteral("Die Tastaturkonfiguration wurde nicht übertragen.") + kLost);
    }

    void transfers() {
        QFETCH(QString, clicks);
        QFETCH(QString, version);
        QFETCH(int, echoes);
        MainWindowFixture f;
        f.open(f.port);
        f.showTab(4);
        // The terminal's side; a second click while a transfer runs is ignored.
        int sent = 0;
        f.port.onWrite = [&](const QByteArray& b) {
            sent += b.size() == 1;
            if (b == cmd::versionQuery()) f.port.feed(version.toLatin1());
            if (b == cmd::keyboardMode(0)) f.port.feed("Q");
            if (b.size() == 1 && (echoes < 0 || sent <= echoes)) f.port.feed(b);
            if ((b.size() == 1 && sent == 4) || b == cmd::versionQuery()) {
                f.find<QPushButton>(QStringLiteral("cmdSendKbdTable"))->click();
                if (echoes < 0) f.port.vanish();
            }
        };
        field(f, 0)->setText(QStringLiteral("&h0"));
        field(f, 31)->setText(QStringLiteral("ä"));
        const bool mode = clicks.size() == 1; // the mode option, then its button
        if (mode) f.click(QStringLiteral("optMatrix_") + clicks);
        f.click(mode ? QStringLiteral("cmdSetKbdMode") : "cmd" + clicks + "KbdTable");
        QTEST(f.port.written(), "written");
        // LOST: what the main window says as the port goes, before the page says what it means.
        QTEST(f.dialogs.messages().join(u'|').replace(portLostMessage(f.port), "LOST"), "message");
        QTEST(monitor(f), "monitor");
        // Every way out: monitor on, status empty, window usable, the grid as edited.
        QVERIFY(LinkFlags::instance().showReceivedData && !f.window->inputBlocked() &&
                f.window->panelText(4).isEmpty());
        QCOMPARE(field(f, 0)->text() + field(f, 31)->text(), QStringLiteral("&h0ä"));
    }

    // The terminal takes 32 bytes whatever comes: a short table is filled up with zeros.
    void shortTableIsPadded() {
        MainWindowFixture f;
        FakeTerminal term(f.port);
        f.start();
        f.port.clearWrites();
        QVERIFY(sendKeyTable(f.window->exchange(), "AB", {}).ok());
        QCOMPARE(f.port.written(), cmd::loadKeyTable() + "AB" + QByteArray(30, '\0'));
    }

    // Over a pseudo-terminal to the simulated terminal, whose keys are pressed.
    void endToEnd() {
        PtyWindow p;
        const QString error = p.start(4);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        field(p, 0)->clear();
        QFocusEvent leave(QEvent::FocusOut); // leaving the empty field makes it &hFF
        QApplication::sendEvent(field(p, 0), &leave);
        field(p, 2)->setText(QStringLiteral("x"));
        field(p, 5)->setText(QStringLiteral("x"));
        p.click("cmdSendKbdTable");
        QCOMPARE(field(p, 0)->text() + field(p, 2)->text(), QStringLiteral("ÿx"));
        // Every field holding the code that arrives lights, and goes dark again by itself.
        p.term.pressKey(2);
        QTRY_COMPARE(monitor(p), QStringLiteral("x"));
        const auto* page = p.window->findChild<KeyboardPage*>();
        QVERIFY(page->isLit(2) && page->isLit(5) && !page->isLit(1));
        QTRY_VERIFY(!page->isLit(2) && !page->isLit(5));
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
