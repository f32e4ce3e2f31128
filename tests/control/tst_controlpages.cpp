#include "controlwindow.h"

#include "core/commands.h"
#include "core/displaytypes.h"
#include "link/receivehandler.h"

#include <QGroupBox>
#include <QLabel>
#include <QTimer>

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

const QByteArray kClear = bytes({27, '&', '#'});
const QString kCr(QChar(13));
const QStringList kSpeeds = {"9600,n,8,2", "4800,n,8,2", "2400,n,8,2", "1200,n,8,2"};

// Chunks the terminal sends after a command, each `gapMs` after the one before.
struct Reply {
    QList<QByteArray> chunks;
    int gapMs = 0;
};

void answer(FakeSerialPort& port, const QByteArray& command, const Reply& reply) {
    port.onWrite = [&port, command, reply](const QByteArray& written) {
        if (written != command) return;
        for (int i = 0; i < reply.chunks.size(); ++i) {
            if (i == 0 && reply.gapMs == 0)
                port.feed(reply.chunks[i]);
            else
                QTimer::singleShot(reply.gapMs * (i + 1), &port,
                                   [&port, chunk = reply.chunks[i]] { port.feed(chunk); });
        }
    };
}

} // namespace

Q_DECLARE_METATYPE(Reply)

class TestControlPages : public QObject {
    Q_OBJECT
  private slots:
    void texts_data();
    void texts();
    void commandButtons_data();
    void commandButtons();
    void sendText_data();
    void sendText();
    void fieldButtons();
    void storeSpeed();
    void storeSpeedPortFailure_data();
    void storeSpeedPortFailure();
    void storeDisplayType_data();
    void storeDisplayType();
    void versionQuery_data();
    void versionQuery();
    void eepromQuery_data();
    void eepromQuery();
    void freeCommand();
    void enterMovesFocus_data();
    void enterMovesFocus();
};

void TestControlPages::texts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    auto row = [](const char* name, const QString& text, const QString& tip) {
        QTest::newRow(name) << QString(name) << text << tip;
    };
    row("Label5", "Textausgabe", "");
    row("cmdSendTextOutput", "Text Senden",
        "Klicken Sie hier, um den Text an das Pultino zu senden.");
    row("cmdClearDisplay", "Display löschen", "Klicken Sie hier, um das Display zu löschen.");
    row("cmdCursorSet", "Cursor setzen",
        "Klicken Sie hier, um den Cursor an die unten angegebene Position zu setzen.");
    row("cmtClearTxtOutputFields", "Felder löschen",
        "Klicken Sie hier, um die Eingabefelder zu löschen.");
    row("cmdSendBaudrate", "Pultino auf 9600,n,8,2 konfigurieren",
        "Klicken Sie hier, um die angegebene Baudrate im Pultino abzuspeichern.");
    row("cmdSendDisplayType", "Pultino für 20x4 Display konfigurieren",
        "Klicken Sie hier, um die angegebene Auflösung im Pultino abzuspeichern.");
    row("cmdSelectControlChar", "ESC einfügen",
        "Klicken Sie hier, um ein ESC-Zeichen in das Eingabefeld einzufügen.");
    row("Label14",
        "Die LCD-Displays haben keinen PC-kompatiblen Zeichensatz! Dies bedeutet, daß bei "
        "Zeichen außerhalb des Alphabets auf dem Display andere Zeichen/Symbole erscheinen "
        "können, als hier in den Eingabezeilen eingegeben werden! (Beispiel: Im "
        "ANSI-Zeichensatz unter Windows hat der Umlaut ä die Nr. 228 bzw. E4 hex, auf dem "
        "Display jedoch Nr. 225 bzw. E1 hex.)     Beachten Sie, daß der Zeichensatz vom Display "
        "und nicht vom Pultino abhängt. Im Pultino-Handbuch ist der Zeichensatz, der auf den "
        "meisten Displays verwendet wird, abgedruckt. Zeichen, die im Display-Zeichensatz "
        "nicht definiert sind, können mit dieser Software als benutzerdefinierte Zeichen "
        "erzeugt und im Pultino abgelegt werden. Auf diese Weise lassen sich dann auch z.B. die "
        "großen Umlaute Ä, Ö, Ü auf dem Display darstellen.",
        "BITTE HINWEIS LESEN!");
    row("Frame15", "Zeichen / Befehl an Pultino senden", "");
}

void TestControlPages::texts() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    ControlWindow f;
    f.startWithPages();
    // The shell may carry a page title of the same name; both read the same.
    QWidget* w = f.find<QWidget>(name);
    QVERIFY(w);
    if (auto* b = qobject_cast<QPushButton*>(w))
        QCOMPARE(b->text(), text);
    else if (auto* l = qobject_cast<QLabel*>(w))
        QCOMPARE(l->text(), text);
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        QCOMPARE(g->title(), text);
    QCOMPARE(w->toolTip(), toolTip);
}

void TestControlPages::commandButtons_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("displayType");
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("clear display") << 1 << 6 << "" << 0 << 0 << "cmdClearDisplay" << kClear;
    QTest::newRow("cursor on") << 1 << 6 << "" << 0 << 0 << "cmdCursorEin" << bytes({27, '&', 'C'});
    QTest::newRow("cursor off") << 1 << 6 << "" << 0 << 0 << "cmdCursorAus"
                                << bytes({27, '&', 'D'});
    QTest::newRow("cursor row 2, column 11 (index 10)")
        << 1 << 6 << "cursor" << 1 << 10 << "cmdCursorSet" << bytes({27, '[', 1, ';', 10, 'H'});
    QTest::newRow("cursor column 12 (index 11)")
        << 1 << 6 << "cursor" << 0 << 11 << "cmdCursorSet" << bytes({27, '[', 0, ';', 1, 1, 'H'});
    QTest::newRow("cursor last place of 40x4")
        << 1 << 13 << "cursor" << 3 << 39 << "cmdCursorSet" << bytes({27, '[', 3, ';', 3, 9, 'H'});
    QTest::newRow("cursor first place")
        << 1 << 0 << "cursor" << 0 << 0 << "cmdCursorSet" << bytes({27, '[', 0, ';', 0, 'H'});
    QTest::newRow("bus alle") << 0 << 6 << "bus" << 0 << 0 << "cmdBusAddress"
                              << bytes({27, '&', 'A', 'Z'});
    QTest::newRow("bus 0") << 0 << 6 << "bus" << 1 << 0 << "cmdBusAddress"
                           << bytes({27, '&', 'A', 0});
    QTest::newRow("bus 15") << 0 << 6 << "bus" << 16 << 0 << "cmdBusAddress"
                            << bytes({27, '&', 'A', 15});
}

void TestControlPages::commandButtons() {
    QFETCH(int, tab);
    QFETCH(int, displayType);
    QFETCH(QString, list);
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(QString, button);
    QFETCH(QByteArray, expected);
    ControlWindow f;
    MainWindow& w = f.startWithPages();
    w.show();
    f.selectDisplayType(displayType);
    f.showTab(tab);
    if (list == "cursor") {
        auto* row = f.find<QComboBox>("lstRow");
        auto* col = f.find<QComboBox>("lstCol");
        QVERIFY(first < row->count() && second < col->count());
        row->setCurrentIndex(first);
        col->setCurrentIndex(second);
    } else if (list == "bus") {
        auto* bus = f.find<QComboBox>("lstBusAddress");
        QCOMPARE(bus->count(), 17);
        QCOMPARE(bus->currentText(), QString("alle"));
        bus->setCurrentIndex(first);
    }
    f.port.clearWrites();
    f.click(button);
    QCOMPARE(f.port.writes, QList<QByteArray>{expected});
    QCOMPARE(w.panelText(4), QString());
}

void TestControlPages::sendText_data() {
    QTest::addColumn<int>("displayType");
    QTest::addColumn<QStringList>("fields"); // null: leave the ruler the geometry put there
    QTest::addColumn<QList<QByteArray>>("expected");
    const auto at = [](int row) { return bytes({27, '[', row, ';', 0, 'H'}); };
    QTest::newRow("two rows, hidden fields filled")
        << 0 << QStringList() << QList<QByteArray>{kClear, at(0), "12345678", at(1), "12345678"};
    QTest::newRow("one row of 40x1")
        << 11 << QStringList() << QList<QByteArray>{kClear, at(0), rulerText(40).toLatin1()};
    QTest::newRow("four empty fields")
        << 6 << QStringList(4, QString()) << QList<QByteArray>{kClear};
    QTest::newRow("single blank") << 6 << QStringList{"", " ", "", ""}
                                  << QList<QByteArray>{kClear, at(1), " "};
    QTest::newRow("no byte for a character")
        << 6 << QStringList{QStringLiteral("a\u03A9€"), "", "", ""}
        << QList<QByteArray>{kClear, at(0), bytes({'a', '?', 128})};
    QTest::newRow("umlaut is 228") << 6 << QStringList{"", "", "", QStringLiteral("Bär")}
                                   << QList<QByteArray>{kClear, at(3), bytes({'B', 228, 'r'})};
}

void TestControlPages::sendText() {
    QFETCH(int, displayType);
    QFETCH(QStringList, fields);
    QFETCH(QList<QByteArray>, expected);
    ControlWindow f;
    f.startWithPages().show();
    f.selectDisplayType(displayType);
    f.showTab(1);
    for (int i = 0; i < fields.size(); ++i)
        f.line(QString("txtOutput_%1").arg(i))->setText(fields[i]);
    f.port.clearWrites();
    f.click("cmdSendTextOutput");
    QCOMPARE(f.port.writes, expected);
}

void TestControlPages::fieldButtons() {
    ControlWindow f;
    f.startWithPages().show();
    f.selectDisplayType(3); // 16x4
    f.showTab(1);
    auto* rows = f.find<QComboBox>("lstRow");
    auto* cols = f.find<QComboBox>("lstCol");
    rows->setCurrentIndex(2);
    cols->setCurrentIndex(9);
    f.line("txtOutput_1")->setText("abc");
    f.port.clearWrites();

    f.click("cmtClearTxtOutputFields");
    for (int i = 0; i < 4; ++i)
        QVERIFY(f.line(QString("txtOutput_%1").arg(i))->text().isEmpty());

    f.click("cmdDefaultTexte");
    for (int i = 0; i < 4; ++i)
        QCOMPARE(f.line(QString("txtOutput_%1").arg(i))->text(), QString("1234567890ABCDEF"));
    QCOMPARE(rows->currentIndex(), 0);
    QCOMPARE(cols->currentIndex(), 0);
    QCOMPARE(cols->count(), 16);
    QVERIFY(f.port.writes.isEmpty());
}

void TestControlPages::storeSpeed() {
    ControlWindow f;
    MainWindow& w = f.startWithPages();
    w.show();
    f.selectSpeed(1);
    f.port.clearWrites();
    QStringList statusAtWrite;
    f.port.onWrite = [&](const QByteArray&) { statusAtWrite.append(w.panelText(4)); };

    f.click("cmdSendBaudrate");

    QList<QPair<QString, QByteArray>> expected;
    for (const QString& speed : kSpeeds)
        expected << qMakePair(speed, QByteArray("\x1b&B")) << qMakePair(speed, bytes({1}))
                 << qMakePair(speed, kClear);
    expected << qMakePair(kSpeeds[1], kClear) << qMakePair(kSpeeds[1], QByteArray("4800,n,8,2"));
    QCOMPARE(f.port.writesWithSettings, expected);
    QVERIFY(f.port.isOpen());
    QVERIFY(f.dialogs.shown.isEmpty());
    QCOMPARE(statusAtWrite.first(), QString("Schnittstellenkonfiguration am Pultino..."));
    QCOMPARE(w.panelText(4), QString());
}

void TestControlPages::storeSpeedPortFailure_data() {
    QTest::addColumn<bool>("closedBefore");
    QTest::newRow("port closed and cannot open") << true;
    QTest::newRow("port vanishes during the round") << false;
}

void TestControlPages::storeSpeedPortFailure() {
    QFETCH(bool, closedBefore);
    ControlWindow f;
    MainWindow& w = f.startWithPages();
    w.show();
    if (closedBefore) {
        f.port.close();
        f.port.failOpen = true;
    } else {
        f.port.onWrite = [&](const QByteArray& written) {
            if (written == kClear) f.port.vanish();
        };
    }
    f.click("cmdSendBaudrate");
    QCOMPARE(f.dialogs.messages(), QStringList{"COM Port konnte nicht wieder geöffnet werden."});
    QVERIFY(!f.port.isOpen());
    QCOMPARE(f.port.settings(), QString("9600,n,8,2"));
    QCOMPARE(w.panelText(4), QString());
    QTRY_VERIFY(w.centralWidget()->isEnabled());
}

void TestControlPages::storeDisplayType_data() {
    QTest::addColumn<int>("displayType");
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::newRow("16x1") << 1 << QList<QByteArray>{"\x1b&S", bytes({0}), kClear, "16x1 Display"};
    QTest::newRow("8x2") << 0 << QList<QByteArray>{"\x1b&S", bytes({0}), kClear, "  8x2 Display"};
    QTest::newRow("32x2") << 10 << QList<QByteArray>{"\x1b&S", bytes({9}), kClear, "32x2 Display"};
}

void TestControlPages::storeDisplayType() {
    QFETCH(int, displayType);
    QFETCH(QList<QByteArray>, expected);
    ControlWindow f;
    MainWindow& w = f.startWithPages();
    w.show();
    f.selectDisplayType(displayType);
    f.port.clearWrites();
    QString statusAtWrite;
    f.port.onWrite = [&](const QByteArray&) { statusAtWrite = w.panelText(4); };
    f.click("cmdSendDisplayType");
    QCOMPARE(f.port.writes, expected);
    QCOMPARE(statusAtWrite, QString("Displaykonfiguration am Pultino..."));
    QCOMPARE(w.panelText(4), QString());
}

void TestControlPages::versionQuery_data() {
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    const QString failure = "Das Pultino hat auf die Versionsabfrage nicht reagiert." + kCr +
                            "Dafür gibt es zwei mögliche Ursachen:" + kCr +
                            "(A) Die Firmware-Version ist 1.5 oder älter." + kCr +
                            "(B) Es ist kein Pultino angeschlossen";
    QTest::newRow("good") << Reply{{"V1.7B"}} << "Die Firmware-Version ist V1.7."
                          << "ZEPTAL32";
    QTest::newRow("good in two pieces")
        << Reply{{"2.", "01 B"}, 30} << "Die Firmware-Version ist 2.01."
        << "ZEPTAL32";
    QTest::newRow("short") << Reply{{"B"}} << failure << "Version";
    QTest::newRow("missing") << Reply{} << failure << "Version";
    QTest::newRow("no B") << Reply{{"V1.7"}} << failure << "Version";
}

void TestControlPages::versionQuery() {
    QFETCH(Reply, reply);
    QFETCH(QString, text);
    QFETCH(QString, title);
    ControlWindow f;
    MainWindow& w = f.startWithPages();
    w.show();
    answer(f.port, cmd::versionQuery(), reply);
    QString statusAtMessage;
    f.dialogs.onShow = [&](const FakeDialogs::Shown&) { statusAtMessage = w.panelText(4); };
    f.click("cmdGetVersion");
    QCOMPARE(f.port.writes, QList<QByteArray>{cmd::versionQuery()});
    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown[0].text, text);
    QCOMPARE(f.dialogs.shown[0].title, title);
    QCOMPARE(statusAtMessage, QString("Versionsabfrage..."));
    QCOMPARE(f.find<QLabel>("lblReceiveData")->text(), QString());
    QCOMPARE(w.panelText(4), QString());
    QTRY_VERIFY(w.centralWidget()->isEnabled());
}

void TestControlPages::eepromQuery_data() {
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<QString>("text");
    const QString failure = "Das Pultino hat auf die EEPROM-Informationsabfrage nicht reagiert." +
                            kCr + "Dafür gibt es zwei mögliche Ursachen:" + kCr +
                            "(A) Die Firmware-Version ist 1.6 oder älter." + kCr +
                            "(B) Es ist kein Pultino angeschlossen";
    QTest::newRow("mixed, streamed slowly")
        << Reply{{"E11111111", "00000000", "01010101;"}, 250}
        << "EEPROM Nr. 1: Vorhanden" + kCr + "EEPROM Nr. 2: NICHT vorhanden oder defekt" + kCr +
               "EEPROM Nr. 3: Fehlerhaft" + kCr;
    QTest::newRow("all present") << Reply{{"E111111111111111111111111;"}}
                                 << "EEPROM Nr. 1: Vorhanden" + kCr + "EEPROM Nr. 2: Vorhanden" +
                                        kCr + "EEPROM Nr. 3: Vorhanden" + kCr;
    QTest::newRow("short") << Reply{{"E1111;"}} << failure;
    QTest::newRow("missing") << Reply{} << failure;
}

void TestControlPages::eepromQuery() {
    QFETCH(Reply, reply);
    QFETCH(QString, text);
    ControlWindow f;
    MainWindow& w = f.startWithPages();
    w.show();
    answer(f.port, cmd::eepromQuery(), reply);
    QString statusAtMessage;
    f.dialogs.onShow = [&](const FakeDialogs::Shown&) { statusAtMessage = w.panelText(4); };
    f.click("cmdGetEEPROMInfo");
    QCOMPARE(f.port.writes, QList<QByteArray>{cmd::eepromQuery()});
    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown[0].text, text);
    QCOMPARE(f.dialogs.shown[0].title, QString("EEPROM-Information"));
    QCOMPARE(statusAtMessage, QString("EEPROM-Information abfragen..."));
    QCOMPARE(f.find<QLabel>("lblReceiveData")->text(), QString());
    QCOMPARE(w.panelText(4), QString());
}

void TestControlPages::freeCommand() {
    ControlWindow f;
    MainWindow& w = f.startWithPages();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QLineEdit* field = f.line("txtSendCommandText");
    field->setFocus();
    QTest::keyClicks(field, "xx&V");
    field->setSelection(0, 2);

    // The click takes the focus from the field, yet the selection is what gets replaced.
    f.click("cmdSelectControlChar");
    QCOMPARE(field->text(), QString("\x1b&V"));
    QCOMPARE(field->cursorPosition(), 1);
    QCOMPARE(w.focusWidget(), field);

    // Without a selection the character goes in at the caret.
    field->setCursorPosition(3);
    f.click("cmdSelectControlChar");
    QCOMPARE(field->text(), QString("\x1b&V\x1b"));
    QCOMPARE(field->cursorPosition(), 4);

    field->setText(QString("\x1b&V"));
    f.port.clearWrites();
    f.click("cmdSendCommandText");
    f.click("cmdSendCommandText");
    QCOMPARE(f.port.writes, (QList<QByteArray>{bytes({27, 38, 86}), bytes({27, 38, 86})}));
    QCOMPARE(field->text(), QString("\x1b&V"));
    QCOMPARE(w.panelText(4), QString());

    field->setText(QStringLiteral("ä€"));
    f.port.clearWrites();
    f.click("cmdSendCommandText");
    QCOMPARE(f.port.writes, QList<QByteArray>{bytes({228, 128})});
}

void TestControlPages::enterMovesFocus_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("keypad");
    QTest::newRow("command field, Return") << 0 << "txtSendCommandText" << false;
    QTest::newRow("command field, keypad Enter") << 0 << "txtSendCommandText" << true;
    QTest::newRow("output line") << 1 << "txtOutput_0" << false;
}

void TestControlPages::enterMovesFocus() {
    QFETCH(int, tab);
    QFETCH(QString, field);
    QFETCH(bool, keypad);
    ControlWindow f;
    MainWindow& w = f.startWithPages();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    f.showTab(tab);
    QLineEdit* edit = f.line(field);
    edit->setFocus();
    QTest::keyClicks(edit, "\x1b&V");
    QVERIFY(edit->hasFocus());
    QWidget* next = edit->nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisible() || !next->isEnabled())
        next = next->nextInFocusChain();

    if (keypad)
        QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
    else
        QTest::keyClick(edit, Qt::Key_Return);

    QCOMPARE(w.focusWidget(), next);
    QVERIFY(f.port.writes.isEmpty());
}

QTEST_MAIN(TestControlPages)
#include "tst_controlpages.moc"
