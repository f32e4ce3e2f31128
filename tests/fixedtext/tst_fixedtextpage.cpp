#include "link/portlost.h"
#include "ptywindow.h"

#include "core/commands.h"
#include "core/fileio.h"
#include "fixedtext/fixedtextpage.h"
#include "fixedtext/updown.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// The terminal's side of the fixed-text commands on the fake port: echoes image bytes into its
// EEPROM and answers the read command with what it holds, with faults to order.
struct EchoTerminal {
    FakeSerialPort& port;
    QByteArray eeprom;
    bool storing = false;
    int received = 0;
    int silentFrom = 0;                  // image byte from which no echo comes; 0: never
    int vanishAt = -1;                   // the port vanishes at this image byte; 0: on reading
    std::optional<QByteArray> readReply; // answers the read command instead; empty: silence
    std::function<void(int)> seen;       // each image byte by number; 0: the read command
    std::function<void()> cut;           // at vanishAt instead of the port vanishing

    explicit EchoTerminal(FakeSerialPort& p) : port(p) {
        port.onWrite = [this](const QByteArray& b) { written(b); };
    }
    ~EchoTerminal() { port.onWrite = nullptr; }

    void written(const QByteArray& b) {
        if (b == cmd::beginFixedTexts()) {
            storing = true;
        } else if (b == cmd::readFixedTexts()) {
            if (seen) seen(0);
            if (vanishAt == 0) return cut ? cut() : port.vanish();
            port.feed(readReply.value_or(eeprom));
        } else if (storing && b.size() == 1) {
            ++received;
            if (seen) seen(received);
            if (received == vanishAt) return cut ? cut() : port.vanish();
            if (silentFrom && received >= silentFrom) return;
            eeprom += b;
            port.feed(b);
            storing = !eeprom.endsWith(QByteArray(2, '\0'));
        }
    }
};

// The real main window on the fake port, with the fixed-text tab showing and, with `defaults`,
// every text its number.
struct PageFixture : MainWindowFixture {
    FixedTextPage* page;
    explicit PageFixture(int displayType = kDefaultDisplayTypeIndex, bool defaults = false) {
        settings->write(SettingsStore::kDisplayType, QString::number(displayType));
        page = start().fixedTextPage();
        if (defaults) page->store().fillDefaults();
        showTab(2);
        window->show();
        port.clearWrites();
    }
    QLineEdit* field(int i) const {
        return find<QLineEdit>(QStringLiteral("txtFesttext_%1").arg(i));
    }
    void show(int id) const { page->showFesttext(id); }
    QString texts(int count) const { // the first texts, rows joined with "|"
        QStringList out;
        for (int n = 0; n < count; ++n)
            out << QStringList(page->store().text(n).begin(), page->store().text(n).end())
                       .join(u'|');
        return out.join(u',');
    }
    QByteArray image() const {
        return buildFesttextImage(page->store(), window->displayRows(), window->displayColumns());
    }
};

} // namespace

class TestFixedTextPage : public QObject {
    Q_OBJECT
  private slots:

    void editingAndLeavingFields() {
        PageFixture p;
        QApplication::setActiveWindow(p.window.get());
        QVERIFY(QTest::qWaitForWindowActive(p.window.get()));
        QToolButton* up = p.find<UpDown>("FTUpDown")->upButton();
        QToolButton* down = p.find<UpDown>("FTUpDown")->downButton();
        const auto step = [&](int from, QToolButton* b) {
            p.show(from);
            QTest::mouseClick(b, Qt::LeftButton);
            return p.page->festtextNr();
        };
        // Up is one text back, down one on, every click (the up-down itself only holds 0 or 1).
        QCOMPARE((QList<int>{step(5, up), step(4, up), step(3, up), step(3, down), step(4, down),
                             step(0, up), step(127, down)}),
                 (QList<int>{4, 3, 2, 4, 5, 0, 127}));

        // Typed text reaches the store on leaving the field, also for a click on a button.
        p.field(1)->setFocus();
        QTest::keyClicks(p.field(1), QStringLiteral("Hallo"));
        QCOMPARE(p.page->store().entry(127, 1), QString());
        p.click("cmdSaveFT"); // the file dialog is cancelled
        QCOMPARE(p.page->store().entry(127, 1), QStringLiteral("Hallo"));
        p.show(3);
        p.field(0)->setFocus();
        QTest::keyClicks(p.field(0), QStringLiteral("X"));
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(p.page->festtextNr(), 2);
        QCOMPARE(p.page->store().text(3), FixedText{"X"});
    }

    void upDownStaysInItsRange() {
        UpDown box(0, 127);
        box.setValue(-5);
        QCOMPARE(box.value(), 0);
        box.setValue(300);
        QCOMPARE(box.value(), 127);
    }

    void storeButtonsAndFiles() {
        PageFixture p(3); // 16x4
        p.click("cmdDefaultFT");
        QCOMPARE(p.page->store().text(127), FixedText{"127"});
        QCOMPARE(p.field(0)->text(), QStringLiteral("000"));
        p.page->store().setEntry(0, 3, QStringLiteral("vierte"));
        p.show(7);
        p.click("cmdClearFTWin");
        QCOMPARE(p.texts(9).section(u',', 6), QStringLiteral("006|||,|||,008|||"));
        QCOMPARE(p.page->festtextNr(), 7);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.TXT"));
        p.click("cmdSaveFT"); // cancelled
        p.dialogs.fileNames = {path};
        p.click("cmdSaveFT");
        QVERIFY(p.port.writes.isEmpty());

        // Loaded with the rows of the display of the moment, onto what the store holds.
        p.select("cboDisplaytype", 2); // 16x2
        p.click("cmdClearAllFT");
        QVERIFY(p.page->store() == FixedTextStore{});
        QCOMPARE(p.page->festtextNr(), 0);
        p.page->store().setEntry(5, 3, QStringLiteral("keep"));
        p.show(9);
        p.dialogs.fileNames = {path};
        p.click("cmdLoadFT");
        QCOMPARE(p.page->festtextNr(), 0);
        QCOMPARE(p.texts(6), QStringLiteral("000|||,|vierte||,001|||,|||,002|||,|||keep"));
        // Zeros would end a text early on the terminal: they are loaded as blanks, and said.
        QCOMPARE(fileio::writeFile(path, QByteArray("AB\0CD\r\n\0\0\r\n", 11)), QString());
        p.dialogs.fileNames = {path};
        p.click("cmdLoadFT");
        QCOMPARE(p.texts(2), QStringLiteral("AB CD|  ||,|vierte||"));
        QVERIFY(p.dialogs.messages().value(0).contains(
            QStringLiteral("\"%1\" enthält 3 Nullzeichen").arg(path)));
    }

    void programming_data() {
        QTest::addColumn<int>("displayType");
        QTest::addColumn<int>("silentFrom");
        QTest::addColumn<QByteArray>("extra"); // after the image in the read-back
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("looks"); // at byte 8, the read command, the message
        const QString line = QStringLiteral(
            "Wahrscheinliche Ursache: Übertragungsfehler. Bitte ggf. neu versuchen!");
        const QString eeprom =
            QStringLiteral("Wahrscheinliche Ursache: Nicht genügend EEPROM-Speicher verfügbar.");
        const QString head = QStringLiteral("Fehler beim Speichern der Festtexte!\r(");
        const QString small = "897 1 - quiet", read = "- - #00ff00 quiet", big = "20609 0 - quiet";
        QTest::newRow("verified") << 6 << 0 << QByteArray() << QString()
                                  << QStringList{small, read};
        QTest::newRow("one extra byte read back")
            << 6 << 0 << QByteArray("X")
            << "Fehler in den gespeicherten Festtexten an Offsetadresse 897!\r(hinter dem letzten "
               "Festtext, Nr. 127)"
            << QStringList{small, read, "- - #ff0000 quiet"};
        QTest::newRow("first byte")
            << 6 << 1 << QByteArray() << head + "0 von 897 Bytes gespeichert.)\r" + line
            << QStringList{"897 0 - quiet"};
        QTest::newRow("byte 1900")
            << 13 << 1900 << QByteArray() << head + "1899 von 20609 Bytes gespeichert.)\r" + line
            << QStringList{big, "20609 11 - quiet"};
        QTest::newRow("byte 1901")
            << 13 << 1901 << QByteArray() << head + "1900 von 20609 Bytes gespeichert.)\r" + eeprom
            << QStringList{big, "20609 11 - quiet"};
    }

    void programming() {
        QFETCH(int, displayType);
        QFETCH(int, silentFrom);
        QFETCH(QByteArray, extra);
        QFETCH(QString, message);
        PageFixture p(displayType, true);
        const QString full(40, u'F');
        for (int n = 0; n < kFixedTextCount && displayType == 13; ++n)
            p.page->store().setText(n, {full, full, full, full});
        const QByteArray image = p.image();
        EchoTerminal t(p.port);
        t.silentFrom = silentFrom;
        if (!extra.isEmpty()) t.readReply = image + extra;
        auto* progress = p.find<QProgressBar>("FTProgressBar");
        auto* number = p.find<QLabel>("lblFesttextID");
        auto* label = p.find<QLabel>("lblVerifyFT");
        // Progress bar maximum, text number, verify label colour ("-": hidden), receive monitor.
        const auto look = [&] {
            return QStringLiteral("%1 %2 %3 %4")
                .arg(progress->isHidden() ? "-" : QString::number(progress->maximum()))
                .arg(number->isHidden() ? "-" : number->text())
                .arg(label->isHidden() ? "-" : label->palette().color(QPalette::Window).name())
                .arg(LinkFlags::instance().showReceivedData ? "monitor" : "quiet");
        };
        QStringList seen;
        QString status;
        t.seen = [&](int i) {
            if (i == 0 || i == 8) seen << look();
            status = p.window->panelText(4);
        };
        p.dialogs.onShow = [&](const FakeDialogs::Shown&) { seen << look(); };

        p.click("cmdSendFT");
        QCOMPARE(p.dialogs.messages(), message.isEmpty() ? QStringList() : QStringList{message});
        QTEST(seen, "looks");
        QCOMPARE(status, QStringLiteral("Festtexte im Pultino speichern..."));
        // A failure ends the terminal's storing with two zeros and reads nothing back.
        QCOMPARE(p.port.written(), cmd::beginFixedTexts() +
                                       (silentFrom ? image.left(silentFrom) + QByteArray(2, '\0')
                                                   : image + cmd::byte(0) + cmd::readFixedTexts()));
        QCOMPARE(look(), QStringLiteral("- - - monitor"));
        QVERIFY(p.find<QWidget>("lblFTProgCaption")->isHidden());
        QCOMPARE(label->palette().color(QPalette::Window), QColor(0, 255, 0));
        QCOMPARE(p.window->panelText(4), QString());
    }

    void readCommands_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("reply"); // "IMAGE" stands for the image of the store
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("texts"); // afterwards
        const QString unchanged = QStringLiteral("000|||,001|||,002|||");
        const QString readFailed = QStringLiteral("Fehler beim Auslesen der Festtexte!");
        QTest::newRow("verify: identical")
            << "cmdVerifyFT" << QByteArray("IMAGE")
            << "Festtexte im Pultino sind mit den geladenen Festtexten identisch" << unchanged;
        // The offset, where it lies, each differing text with both versions of its row (the
        // report's first four lines; the texts missing on the terminal follow).
        QTest::newRow("verify: byte 4 differs")
            << "cmdVerifyFT" << QByteArray("000\rCD\0EF\0\0", 11)
            << "Fehler in den gespeicherten Festtexten an Offsetadresse 4!"
               "\r(Festtext Nr. 0, Zeile 2)\rFesttext Nr. 0, Zeile 2: Pultino \"CD\", Datei "
               "\"\"\rFesttext Nr. 1, Zeile 1: Pultino \"EF\", Datei \"001\""
            << unchanged;
        QTest::newRow("read: complete") << "cmdAuslesenFT" << QByteArray("000\rCD\0EF\0\0", 11)
                                        << QString() << "000|CD||,EF|||,002|||";
        QTest::newRow("read: silent") << "cmdAuslesenFT" << QByteArray() << readFailed << unchanged;
        QTest::newRow("read: stops in mid-stream")
            << "cmdAuslesenFT" << QByteArray("000\rCD\0EF", 9) << readFailed << unchanged;
    }

    void readCommands() {
        QFETCH(QString, button);
        QFETCH(QByteArray, reply);
        QFETCH(QString, message);
        PageFixture p(2, true); // 16x2
        p.show(40);
        EchoTerminal t(p.port);
        t.readReply = reply.replace("IMAGE", p.image());
        QString status;
        bool monitorOff = false;
        t.seen = [&](int) {
            status = p.window->panelText(4);
            monitorOff = !LinkFlags::instance().showReceivedData;
        };

        p.click(button);
        QCOMPARE(p.port.written(), cmd::readFixedTexts());
        QCOMPARE(p.dialogs.messages().join(u'|').section(u'\r', 0, 3), message);
        QCOMPARE(status, button == u"cmdVerifyFT"
                             ? QStringLiteral("Festtexte im Pultino überprüfen...")
                             : QStringLiteral("Festtexte aus Pultino auslesen..."));
        QVERIFY(monitorOff);
        QTEST(p.texts(3), "texts");
        // A complete read-back shows text 0; anything else leaves the editor alone.
        QCOMPARE(p.page->festtextNr(), message.isEmpty() ? 0 : 40);
        QCOMPARE(p.field(1)->text(), p.page->store().entry(p.page->festtextNr(), 1));
        QCOMPARE(p.window->panelText(4), QString());
        QVERIFY(LinkFlags::instance().showReceivedData);
    }

    void lostPort_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("vanishAt"); // image byte; 0: on the read command
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("abort"); // the operator ends the wait instead
        const QString cause = QStringLiteral("Ursache: Die Verbindung über COM1 (fake:COM1) ist "
                                             "unterbrochen.");
        const QString head =
            QStringLiteral("Fehler beim Speichern der Festtexte!\r(4 von 641 Bytes "
                           "gespeichert.)\r");
        QTest::newRow("program") << "cmdSendFT" << 5 << head + cause << false;
        QTest::newRow("program, read-back")
            << "cmdSendFT" << 0 << "Fehler beim Auslesen der Festtexte!\r" + cause << false;
        QTest::newRow("program, aborted")
            << "cmdSendFT" << 5 << head + "Die Übertragung wurde abgebrochen." << true;
        QTest::newRow("verify, aborted") << "cmdVerifyFT" << 0 << QString() << true;
    }

    // A vanished port is named in place of a guessed terminal fault or a comparison with nothing;
    // an operation the operator ended is not reported as a fault of the terminal either.
    void lostPort() {
        QFETCH(QString, button);
        QFETCH(int, vanishAt);
        QFETCH(QString, message);
        QFETCH(bool, abort);
        PageFixture p(2, true); // 16x2
        const FixedTextStore before = p.page->store();
        EchoTerminal t(p.port);
        t.vanishAt = vanishAt;
        if (abort) t.cut = [] { LinkFlags::instance().setAbortRequested(true); };
        p.click(button);
        LinkFlags::instance().setAbortRequested(false);
        // The main window tells of the loss as it happens; the page then says what it means.
        QStringList expected;
        if (!abort) expected << portLostMessage(p.port);
        if (!message.isEmpty()) expected << message;
        QCOMPARE(p.dialogs.messages(), expected);
        QVERIFY(p.page->store() == before);
    }

    void callUp_data() {
        // Step boxes clicked in this order, the number typed, the text called up, the number after.
        for (const char* column : {"boxes", "typed", "sent", "after"})
            QTest::addColumn<QString>(column);
        for (const char* row :
             {"0|127|127|0", "1|0|0|127", "0|5|5|6", "01| 5 |5|4", "11|5|5|5", "|200|127|127",
              "|255.6|0|0", "|12abc|0|0", "|12.5|12|12", "|13.5|14|14", "|9,7|10|10"}) {
            const QStringList c = QString::fromLatin1(row).split(u'|');
            QTest::newRow(row) << c[0] << c[1] << c[2] << c[3];
        }
    }

    void callUp() {
        QFETCH(QString, boxes);
        QFETCH(QString, typed);
        QFETCH(QString, sent);
        QFETCH(QString, after);
        PageFixture p;
        for (QChar box : boxes)
            QTest::mouseClick(p.find<QCheckBox>(box == u'0' ? "chkAutoIncFT_0" : "chkAutoIncFT_1"),
                              Qt::LeftButton);
        p.find<QLineEdit>("txtFTAbruf")->setText(typed);
        p.click("cmdShowFT");
        QCOMPARE(p.port.written(), cmd::showFixedText(sent.toInt()));
        QCOMPARE(p.find<QLineEdit>("txtFTAbruf")->text(), after);
        QCOMPARE(p.find<UpDown>("FTSelect")->value(), after.toInt());
    }

    // End to end over a pty with the simulated terminal.
    void programVerifyReadBackShow() {
        PtyWindow s({}, 6); // a 20x4 display
        const QString error = s.start(2);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        FixedTextPage* page = s.window->fixedTextPage();

        s.click("cmdDefaultFT");
        page->store().setEntry(9, 2, QStringLiteral("Grüße"));
        const FixedTextStore programmed = page->store();
        s.click("cmdSendFT");
        QCOMPARE(s.term.fixedTextImage(), buildFesttextImage(programmed, 4, 20));
        s.click("cmdClearAllFT");
        s.click("cmdAuslesenFT");
        QCOMPARE(s.dialogs.messages(), QStringList());
        QVERIFY(page->store() == programmed);

        page->findChild<QLineEdit*>("txtFTAbruf")->setText(QStringLiteral("9"));
        s.click("cmdShowFT");
        QTRY_COMPARE(s.term.snapshot().rowsText(),
                     (QStringList{QStringLiteral("009").leftJustified(20), QString(20, ' '),
                                  QStringLiteral("Grüße").leftJustified(20), QString(20, ' ')}));
    }
};

QTEST_MAIN(TestFixedTextPage)
#include "tst_fixedtextpage.moc"
