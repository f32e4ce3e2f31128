#include "mainwindowfixture.h"

#include "core/commands.h"
#include "keyboard/keyboardpage.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const auto kSendFailed = QStringLiteral("Fehler beim Ändern der Tastaturtabelle!");
const auto kNotSupported =
    QStringLiteral("Das angeschlossene Pultino unterstützt die Tastaturkonfiguration nicht.");

// The real main window on the fake port with the keyboard tab showing, and the terminal's side
// of the key-table and mode commands.
struct KeyboardFixture : MainWindowFixture {
    int echoes = 32; // key-table bytes the terminal echoes
    QByteArray versionReply = "1.80B";
    QByteArray polled = "Q"; // the polling mode's buffered key
    std::function<void()> duringTransfer;
    KeyboardPage* page = nullptr;

    KeyboardFixture() {
        start();
        page = window->findChild<KeyboardPage*>();
        find<QTabBar>(QStringLiteral("TabStrip1"))->setCurrentIndex(4);
        window->show();
        port.onWrite = [this](const QByteArray& b) {
            if (b == cmd::versionQuery())
                port.feed(versionReply);
            else if (b == cmd::keyboardMode(0))
                port.feed(polled);
            else if (b.size() == 1 && echoes-- > 0)
                port.feed(b);
            if ((b.size() == 1 && echoes == 28) || b == cmd::versionQuery())
                if (duringTransfer) duringTransfer();
        };
        port.clearWrites();
    }
    QLineEdit* field(int k) const { return find<QLineEdit>(QStringLiteral("txtTaste_%1").arg(k)); }
    void click(const QString& name) const {
        QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton);
    }
    QString monitor() const { return find<QLabel>(QStringLiteral("lblReceiveData"))->text(); }
};

} // namespace

class TestKeyboardPage : public QObject {
    Q_OBJECT
  private slots:
    void transfers_data();
    void transfers();
    void editingAndLighting();
    void files();
};

void TestKeyboardPage::transfers_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("echoes");
    QTest::addColumn<QByteArray>("versionReply");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("monitor");
    QTest::addColumn<bool>("vanish"); // the port, after the 4th byte or the version query
    QByteArray table = cmd::byte(0);
    for (int k = 1; k < 31; ++k)
        table += char('A' + k);
    table.replace(26, 5, "+-*/$");
    table += '\xe4';
    const QByteArray mode = cmd::versionQuery();
    const QByteArray load = cmd::loadKeyTable();
    const auto row = [](const char* name, const char* button, int echoes, const char* version,
                        const QByteArray& written, const QString& message, const char* monitor,
                        bool vanish = false) {
        QTest::newRow(name) << QString::fromLatin1(button) << echoes << QByteArray(version)
                            << written << message << QString::fromLatin1(monitor) << vanish;
    };
    const QString lost =
        QStringLiteral("\rUrsache: Die Verbindung über COM1 (fake:COM1) ist unterbrochen.");
    row("send, code 0 included", "cmdSendKbdTable", 32, "", load + table, "", "");
    row("reset", "cmdClearKbdTable", 32, "", load + cmd::standardKeyTable(), "", "");
    row("no echo after one byte", "cmdSendKbdTable", 0, "", load + cmd::byte(0), kSendFailed, "");
    row("port lost in the table", "cmdSendKbdTable", 32, "", load + table.left(4),
        kSendFailed + lost, "", true);
    row("mode 7", "optMatrix_7", 0, "1.80B", mode + cmd::keyboardMode(7), "", "");
    row("polling shows the key", "optMatrix_0", 0, "1.6B", mode + cmd::keyboardMode(0), "", "Q");
    row("short version reply", "optMatrix_1", 0, "B", mode, kNotSupported, "");
    row("no version reply", "optMatrix_1", 0, "", mode, kNotSupported, "");
    row("port lost after the version", "optMatrix_7", 0, "1.80B", mode,
        QStringLiteral("Die Tastaturkonfiguration wurde nicht übertragen.") + lost, "", true);
}

void TestKeyboardPage::transfers() {
    QFETCH(QString, button);
    QFETCH(int, echoes);
    QFETCH(QByteArray, versionReply);
    QFETCH(bool, vanish);
    KeyboardFixture f;
    f.echoes = echoes;
    f.versionReply = versionReply;
    f.field(0)->setText(QStringLiteral("&h0"));
    f.field(31)->setText(QStringLiteral("ä"));
    // A second click while the transfer runs is ignored.
    f.duringTransfer = [&] {
        f.find<QPushButton>(QStringLiteral("cmdSendKbdTable"))->click();
        if (vanish) f.port.vanish();
    };
    if (button.startsWith(QLatin1String("opt"))) {
        f.click(button);
        QCOMPARE(f.find<QPushButton>(QStringLiteral("cmdSetKbdMode"))->text(),
                 button.endsWith(u'0') ? QStringLiteral("Konfigurieren / Taste abfragen")
                                       : QStringLiteral("Tastatur konfigurieren"));
        button = QStringLiteral("cmdSetKbdMode");
    }
    f.click(button);
    QTEST(f.port.written(), "written");
    QTEST(f.dialogs.messages().join(u'|'), "message");
    QTEST(f.monitor(), "monitor");
    if (!f.dialogs.shown.isEmpty())
        QCOMPARE(f.dialogs.shown[0].title,
                 button.contains(u'M') && !vanish ? QStringLiteral("Hinweis") : kAppTitle);
    QVERIFY(LinkFlags::instance().showReceivedData);
    QCOMPARE(f.window->panelText(4), QString());
    QVERIFY(!f.window->inputBlocked());
    // The grid shows what was edited, in character form where it was a character.
    QCOMPARE((QStringList{f.field(0)->text(), f.field(1)->text(), f.field(31)->text()}),
             (QStringList{"&h0", "B", QStringLiteral("ä")}));
}

void TestKeyboardPage::editingAndLighting() {
    KeyboardFixture f;
    QCOMPARE(f.field(31)->toolTip(), QStringLiteral("Taste Nr. 32"));
    QApplication::setActiveWindow(f.window.get());
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.field(0)->setFocus();
    f.field(0)->setText(QStringLiteral("0x1f"));
    f.field(1)->setFocus();
    QCOMPARE(f.field(0)->text(), QStringLiteral("&h1F"));
    f.click(QStringLiteral("cmdHEX_ASCII_0"));
    QCOMPARE(f.field(1)->text(), QStringLiteral("&h42"));
    f.field(5)->setText(QStringLiteral("C"));
    f.click(QStringLiteral("cmdHEX_ASCII_1"));
    QCOMPARE(f.field(1)->text(), QStringLiteral("B"));

    // Every field holding the received code lights, and goes dark again by itself.
    f.port.feed("C");
    QCOMPARE(f.monitor(), QStringLiteral("C"));
    QVERIFY(f.page->isLit(2) && f.page->isLit(5) && !f.page->isLit(1));
    QTRY_VERIFY(!f.page->isLit(2) && !f.page->isLit(5));
    f.find<QTabBar>(QStringLiteral("TabStrip1"))->setCurrentIndex(0);
    f.port.feed("D");
    QVERIFY(!f.page->isLit(3));
}

void TestKeyboardPage::files() {
    KeyboardFixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("k.TST"));
    f.dialogs.fileNames = {path, ""};
    f.click(QStringLiteral("cmdSaveKbdTabelle"));
    f.field(0)->setText(QStringLiteral("z"));
    f.click(QStringLiteral("cmdSaveKbdTabelle")); // cancelled
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), keyCodes(defaultKeyTexts()));

    // A folder cannot be loaded, a missing folder not written: say so, keep fields and files.
    f.dialogs.fileNames = {dir.path(), dir.filePath(QStringLiteral("no/k.TST")), path};
    f.click(QStringLiteral("cmdLoadKbdTabelle"));
    f.click(QStringLiteral("cmdSaveKbdTabelle"));
    QCOMPARE(f.field(0)->text(), QStringLiteral("z"));
    const QStringList messages = f.dialogs.messages();
    QVERIFY(messages.size() == 2 && messages[0].contains(QDir::toNativeSeparators(dir.path())) &&
            messages[1].contains(QStringLiteral("no")));
    f.click(QStringLiteral("cmdLoadKbdTabelle"));
    QCOMPARE(f.field(0)->text(), QStringLiteral("A"));
    const auto& load = f.dialogs.shown.last().file;
    const auto& save = f.dialogs.shown.first().file;
    QCOMPARE((QStringList{load.title, save.title, load.filter, load.defaultExt}),
             (QStringList{"Tastaturtabelle aus Datei laden", "Tastaturtabelle in Datei speichern",
                          "Tastaturtabelle (*.TST)|*.tst|Alle Dateien (*.*)|*.*", ".TST"}));
    QVERIFY(load.mustExist && !load.confirmOverwrite && save.confirmOverwrite);
}

QTEST_MAIN(TestKeyboardPage)
#include "tst_keyboardpage.moc"
