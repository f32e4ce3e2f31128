#include "mainwindowfixture.h"

#include "core/commands.h"
#include "core/displaytypes.h"
#include "fixedtext/fixedtextpage.h"
#include "fixedtext/updown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

QString offsetMessage(qsizetype offset) {
    return QStringLiteral("Fehler in den gespeicherten Festtexten an Offsetadresse %1!")
        .arg(offset);
}

// The terminal's side of the fixed-text commands on the fake port: echoes image bytes into its
// EEPROM and answers the read command with what it holds, with faults to order.
struct EchoTerminal {
    FakeSerialPort& port;
    QByteArray eeprom;
    bool storing = false;
    int received = 0;
    int silentFrom = 0;                  // image byte from which no echo comes; 0: never
    std::optional<QByteArray> readReply; // answers the read command instead; empty: silence
    std::function<void(int)> seen;       // each image byte by number; 0: the read command

    explicit EchoTerminal(FakeSerialPort& p) : port(p) {
        port.onWrite = [this](const QByteArray& b) { written(b); };
    }
    ~EchoTerminal() { port.onWrite = nullptr; }

    void written(const QByteArray& b) {
        if (b == cmd::beginFixedTexts()) {
            storing = true;
        } else if (b == cmd::readFixedTexts()) {
            if (seen) seen(0);
            port.feed(readReply.value_or(eeprom));
        } else if (storing && b.size() == 1) {
            if (seen) seen(++received);
            if (silentFrom && received >= silentFrom) return;
            eeprom += b;
            port.feed(b);
            storing = !eeprom.endsWith(QByteArray(2, '\0'));
        }
    }
};

// The real main window on the fake port, with the fixed-text tab showing.
struct PageFixture {
    MainWindowFixture f;
    MainWindow* w = nullptr;
    FixedTextPage* page = nullptr;

    explicit PageFixture(int displayType = kDefaultDisplayTypeIndex) {
        f.settings->write(SettingsStore::kDisplayType, QString::number(displayType));
        w = &f.start();
        page = w->fixedTextPage();
        f.find<QTabBar>(QStringLiteral("TabStrip1"))->setCurrentIndex(2);
        w->show();
        f.port.clearWrites();
    }

    template <typename T = QWidget> T* find(const char* name) const {
        return page->findChild<T*>(QString::fromLatin1(name));
    }
    void click(const char* name) const {
        QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton);
    }
    QLineEdit* field(int i) const {
        return find<QLineEdit>(qPrintable(QStringLiteral("txtFesttext_%1").arg(i)));
    }
    void show(int id) const { page->showFesttext(id); }
    QString texts(int count) const { // the first texts, rows joined with "|"
        QStringList out;
        for (int n = 0; n < count; ++n)
            out << QStringList(page->store().text(n).begin(), page->store().text(n).end())
                       .join(u'|');
        return out.join(u',');
    }
    void selectDisplay(int index) const {
        f.find<QComboBox>(QStringLiteral("cboDisplaytype"))->setCurrentIndex(index);
        w->cboDisplaytype_Click();
    }
    QByteArray image() const {
        return buildFesttextImage(page->store(), w->displayRows(), w->displayColumns());
    }
};

} // namespace

class TestFixedTextPage : public QObject {
    Q_OBJECT
  private slots:
    void selectText_data();
    void selectText();
    void editor();
    void fillAndClear();
    void files();
    void programming_data();
    void programming();
    void clickInPauseAfterProgrammingIsDropped();
    void readCommands_data();
    void readCommands();
    void callUp_data();
    void callUp();
    void callUpControls();
};

void TestFixedTextPage::selectText_data() {
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<int>("expected");
    QTest::newRow("200") << std::optional<QString>("200") << 127;
    QTest::newRow("-3") << std::optional<QString>("-3") << 0;
    QTest::newRow("letters") << std::optional<QString>("abc") << 0;
    QTest::newRow("cancel") << std::optional<QString>() << 0;
    QTest::newRow("fraction") << std::optional<QString>("5.6") << 6;
    QTest::newRow("beyond 16 bits") << std::optional<QString>("40000") << 0;
}

void TestFixedTextPage::selectText() {
    QFETCH(std::optional<QString>, answer);
    QFETCH(int, expected);
    PageFixture p;
    p.page->store().setText(expected, {"a", "b", "c", "d"});
    p.show(9);
    p.f.dialogs.inputs = {answer};
    p.click("cmdSelectFT");
    const auto& shown = p.f.dialogs.shown.value(0);
    QCOMPARE(shown.kind, QStringLiteral("input"));
    QCOMPARE(shown.text, QStringLiteral("Bitte Nr. des gewünschten Festtextes eingeben:"));
    QCOMPARE(shown.title, QStringLiteral("Festtext-Suche"));
    QCOMPARE(shown.file.defaultExt, QStringLiteral("0")); // the preset answer
    QCOMPARE(p.page->festtextNr(), expected);
    QCOMPARE(p.page->frmFesttext->title(), QStringLiteral("Festtext Nr. %1").arg(expected));
    QCOMPARE(p.field(3)->text(), QStringLiteral("d")); // also the rows the display hides
}

void TestFixedTextPage::editor() {
    PageFixture p;
    QApplication::setActiveWindow(p.w);
    QVERIFY(QTest::qWaitForWindowActive(p.w));
    auto* upDown = p.find<UpDown>("FTUpDown");
    // Up is one text back, down one on; the up-down holds 0 or 1, so a second click the same way
    // does nothing.
    QList<int> seen;
    p.show(5);
    for (QToolButton* b :
         {upDown->upButton(), upDown->upButton(), upDown->downButton(), upDown->downButton()}) {
        QTest::mouseClick(b, Qt::LeftButton);
        seen << p.page->festtextNr();
    }
    p.show(0);
    QTest::mouseClick(upDown->upButton(), Qt::LeftButton);
    seen << p.page->festtextNr();
    p.show(127);
    QTest::mouseClick(upDown->downButton(), Qt::LeftButton);
    seen << p.page->festtextNr();
    QCOMPARE(seen, (QList<int>{4, 4, 5, 5, 0, 127}));

    // Typed text reaches the store on leaving the field, also by a click on a button.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("typed.TXT"));
    p.field(1)->setFocus();
    QTest::keyClicks(p.field(1), QStringLiteral("Hallo"));
    QCOMPARE(p.page->store().entry(127, 1), QString());
    p.f.dialogs.fileNames = {path};
    p.click("cmdSaveFT");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().endsWith("\r\nHallo\r\n\r\n\r\n"));
    p.show(3);
    p.field(0)->setFocus();
    QTest::keyClicks(p.field(0), QStringLiteral("X"));
    QTest::mouseClick(upDown->upButton(), Qt::LeftButton);
    QCOMPARE(p.page->festtextNr(), 2);
    QCOMPARE(p.page->store().text(3), FixedText{"X"});

    // A field the display change emptied stores an empty row when left.
    p.page->store().setText(2, {"abc", "def"});
    p.show(2);
    p.selectDisplay(5); // 20x2
    QCOMPARE(p.field(0)->text(), QString());
    QCOMPARE(p.page->store().entry(2, 0), QStringLiteral("abc"));
    p.field(0)->setFocus();
    p.field(1)->setFocus();
    QCOMPARE(p.page->store().text(2), (FixedText{"", "def"}));
}

void TestFixedTextPage::fillAndClear() {
    PageFixture p;
    p.click("cmdDefaultFT");
    QCOMPARE(p.page->store().text(127), FixedText{"127"});
    QCOMPARE(p.field(0)->text(), QStringLiteral("000"));
    p.show(7);
    p.click("cmdClearFTWin");
    QCOMPARE(p.page->store().text(7), FixedText{});
    QCOMPARE(p.page->store().text(8), FixedText{"008"});
    QCOMPARE(p.page->festtextNr(), 7);
    p.click("cmdClearAllFT");
    QVERIFY(p.page->store() == FixedTextStore{});
    QCOMPARE(p.page->festtextNr(), 0);
    QVERIFY(p.f.port.writes.isEmpty());
}

void TestFixedTextPage::files() {
    PageFixture p(3); // 16x4
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.TXT"));
    p.page->store().fillDefaults();
    p.page->store().setEntry(0, 3, QStringLiteral("vierte"));
    p.click("cmdSaveFT"); // cancelled
    p.f.dialogs.fileNames = {path};
    p.click("cmdSaveFT");

    // Loaded with the rows of the display of the moment, onto what the store holds.
    p.selectDisplay(2); // 16x2
    p.click("cmdClearAllFT");
    p.page->store().setEntry(5, 3, QStringLiteral("keep"));
    p.show(9);
    p.f.dialogs.fileNames = {path};
    p.click("cmdLoadFT");
    QCOMPARE(p.page->festtextNr(), 0);
    QCOMPARE(p.texts(6), QStringLiteral("000|||,|vierte||,001|||,|||,002|||,|||keep"));

    // A file that cannot be read or written is named; the store stays as it was.
    const FixedTextStore before = p.page->store();
    p.f.dialogs.fileNames = {dir.filePath(QStringLiteral("fehlt.TXT")), path + "/neu.TXT"};
    p.click("cmdLoadFT");
    p.click("cmdSaveFT");
    QVERIFY(p.page->store() == before);
    const QStringList messages = p.f.dialogs.messages();
    QCOMPARE(messages.size(), 2);
    QVERIFY(messages.at(0).contains(QStringLiteral("fehlt.TXT\"")));
    QVERIFY(messages.at(0).contains(QStringLiteral("nicht aus der Datei")));
    QVERIFY(messages.at(1).contains(QStringLiteral("neu.TXT\"")));
    QVERIFY(messages.at(1).contains(QStringLiteral("nicht in der Datei")));

    const auto& save = p.f.dialogs.shown.at(0);
    const auto& open = p.f.dialogs.shown.at(2);
    QCOMPARE(save.file.title, QStringLiteral("Festtexte in Datei speichern"));
    QCOMPARE(open.file.title, QStringLiteral("Festtexte aus Datei laden"));
    QVERIFY(save.file.confirmOverwrite && !save.file.mustExist);
    QVERIFY(open.file.mustExist && !open.file.confirmOverwrite);
    for (const auto& d : {open, save}) {
        QCOMPARE(d.file.filter, QStringLiteral("Festtexte (*.TXT)|*.txt|Alle Dateien (*.*)|*.*"));
        QCOMPARE(d.file.defaultExt, QStringLiteral(".TXT"));
    }
}

void TestFixedTextPage::programming_data() {
    QTest::addColumn<int>("displayType");
    QTest::addColumn<int>("silentFrom");
    QTest::addColumn<QByteArray>("extra"); // after the image in the read-back
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shownUnder"); // what the message box covers
    const QString line =
        QStringLiteral("Wahrscheinliche Ursache: Übertragungsfehler. Bitte ggf. neu versuchen!");
    const QString eeprom =
        QStringLiteral("Wahrscheinliche Ursache: Nicht genügend EEPROM-Speicher verfügbar.");
    const QString head = QStringLiteral("Fehler beim Speichern der Festtexte!\r(");
    QTest::newRow("verified") << 6 << 0 << QByteArray() << QString() << QString();
    QTest::newRow("one extra byte read back")
        << 6 << 0 << QByteArray("X") << offsetMessage(897) << "#ff0000";
    QTest::newRow("first byte") << 6 << 1 << QByteArray()
                                << head + "0 von 897 Bytes gespeichert.)\r" + line << "progress";
    QTest::newRow("byte 1900") << 13 << 1900 << QByteArray()
                               << head + "1899 von 20609 Bytes gespeichert.)\r" + line
                               << "progress";
    QTest::newRow("byte 1901") << 13 << 1901 << QByteArray()
                               << head + "1900 von 20609 Bytes gespeichert.)\r" + eeprom
                               << "progress";
}

void TestFixedTextPage::programming() {
    QFETCH(int, displayType);
    QFETCH(int, silentFrom);
    QFETCH(QByteArray, extra);
    QFETCH(QString, message);
    QFETCH(QString, shownUnder);
    PageFixture p(displayType);
    p.page->store().fillDefaults();
    const QString full(40, u'F');
    for (int n = 0; n < kFixedTextCount && displayType == 13; ++n)
        p.page->store().setText(n, {full, full, full, full});
    const QByteArray image = p.image();
    EchoTerminal t(p.f.port);
    t.silentFrom = silentFrom;
    if (!extra.isEmpty()) t.readReply = image + extra;
    QString atText1, status, under, atRead;
    bool monitorOff = true;
    auto* progress = p.find<QProgressBar>("FTProgressBar");
    auto* verifyLabel = p.find<QLabel>("lblVerifyFT");
    t.seen = [&](int i) {
        if (i == 8) // the first byte of text 1
            atText1 = QStringLiteral("%1 %2 %3")
                          .arg(!progress->isHidden())
                          .arg(progress->maximum())
                          .arg(p.find<QLabel>("lblFesttextID")->text());
        if (i == 0)
            atRead =
                QStringLiteral("%1 %2").arg(!verifyLabel->isHidden()).arg(!progress->isHidden());
        monitorOff = monitorOff && !LinkFlags::instance().showReceivedData;
        status = p.w->panelText(4);
    };
    p.f.dialogs.onShow = [&](const FakeDialogs::Shown&) {
        under = !progress->isHidden()      ? QStringLiteral("progress")
                : !verifyLabel->isHidden() ? verifyLabel->palette().color(QPalette::Window).name()
                                           : QString();
    };

    p.click("cmdSendFT");
    QCOMPARE(p.f.dialogs.messages(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(under, shownUnder);
    QVERIFY(monitorOff);
    QCOMPARE(status, QStringLiteral("Festtexte im Pultino speichern..."));
    if (silentFrom) {
        // The terminal's storing is ended with two zeros; nothing is read back.
        QCOMPARE(p.f.port.writes.last(), QByteArray(2, '\0'));
        QVERIFY(!p.f.port.written().contains(cmd::readFixedTexts()));
    } else {
        QCOMPARE(p.f.port.written(),
                 cmd::beginFixedTexts() + image + cmd::byte(0) + cmd::readFixedTexts());
        QCOMPARE(atText1, QStringLiteral("1 %1 1").arg(image.size()));
        QCOMPARE(atRead, QStringLiteral("1 0"));
    }
    for (const char* name : {"FTProgressBar", "lblFTProgCaption", "lblFesttextID", "lblVerifyFT"})
        QVERIFY2(p.find(name)->isHidden(), name);
    QCOMPARE(verifyLabel->palette().color(QPalette::Window), QColor(0, 255, 0));
    QVERIFY(LinkFlags::instance().showReceivedData);
    QCOMPARE(p.w->panelText(4), QString());
}

// The pause after the image is no wait for an echo, yet the operator's clicks must not reach the
// window then, nor start a second exchange inside the first.
void TestFixedTextPage::clickInPauseAfterProgrammingIsDropped() {
    PageFixture p;
    p.page->store().fillDefaults();
    EchoTerminal t(p.f.port);
    t.seen = [&](int i) {
        if (i != 897) return;
        QTimer::singleShot(50, &p.f.port, [&] {
            QTest::mouseClick(p.find<QPushButton>("cmdClearAllFT"), Qt::LeftButton);
            p.find<QPushButton>("cmdVerifyFT")->click();
        });
    };
    p.click("cmdSendFT");
    QCOMPARE(p.page->store().text(5), FixedText{"005"});
    QCOMPARE(p.f.port.written().count(cmd::readFixedTexts()), 1);
    QCOMPARE(p.f.dialogs.messages(), QStringList());
}

void TestFixedTextPage::readCommands_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("reply"); // "IMAGE" stands for the image of the store
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("texts"); // afterwards
    const QString unchanged = QStringLiteral("000|||,001|||,002|||");
    const QString readFailed = QStringLiteral("Fehler beim Auslesen der Festtexte!");
    QTest::newRow("verify: identical")
        << "cmdVerifyFT" << QByteArray("IMAGE")
        << "Festtexte im Pultino sind mit den geladenen Festtexten identisch" << unchanged;
    QTest::newRow("verify: one extra byte")
        << "cmdVerifyFT" << QByteArray("IMAGEX") << offsetMessage(641) << unchanged;
    QTest::newRow("verify: byte 4 differs")
        << "cmdVerifyFT" << QByteArray("000\rCD\0EF\0\0", 11) << offsetMessage(4) << unchanged;
    QTest::newRow("verify: silent")
        << "cmdVerifyFT" << QByteArray() << offsetMessage(0) << unchanged;
    QTest::newRow("read: complete") << "cmdAuslesenFT" << QByteArray("000\rCD\0EF\0\0", 11)
                                    << QString() << "000|CD||,EF|||,002|||";
    QTest::newRow("read: silent") << "cmdAuslesenFT" << QByteArray() << readFailed << unchanged;
    QTest::newRow("read: stops in mid-stream")
        << "cmdAuslesenFT" << QByteArray("000\rCD\0EF", 9) << readFailed << unchanged;
}

void TestFixedTextPage::readCommands() {
    QFETCH(QString, button);
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);
    QFETCH(QString, texts);
    PageFixture p(2); // 16x2
    p.page->store().fillDefaults();
    p.show(40);
    EchoTerminal t(p.f.port);
    t.readReply = reply.replace("IMAGE", p.image());
    QString status;
    bool monitorOff = false;
    t.seen = [&](int) {
        status = p.w->panelText(4);
        monitorOff = !LinkFlags::instance().showReceivedData;
    };

    p.click(qPrintable(button));
    QCOMPARE(p.f.port.written(), cmd::readFixedTexts());
    QCOMPARE(p.f.dialogs.messages(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(status, button == u"cmdVerifyFT"
                         ? QStringLiteral("Festtexte im Pultino überprüfen...")
                         : QStringLiteral("Festtexte aus Pultino auslesen..."));
    QVERIFY(monitorOff);
    QCOMPARE(p.texts(3), texts);
    // A complete read-back shows text 0; anything else leaves the editor alone.
    QCOMPARE(p.page->festtextNr(), message.isEmpty() ? 0 : 40);
    QCOMPARE(p.field(1)->text(), p.page->store().entry(p.page->festtextNr(), 1));
    QCOMPARE(p.w->panelText(4), QString());
    QVERIFY(LinkFlags::instance().showReceivedData);
}

void TestFixedTextPage::callUp_data() {
    QTest::addColumn<int>("box"); // -1: none
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("sent");
    QTest::addColumn<int>("after");
    QTest::newRow("forward from 127") << 0 << "127" << 127 << 0;
    QTest::newRow("backward from 0") << 1 << "0" << 0 << 127;
    QTest::newRow("forward") << 0 << "5" << 5 << 6;
    QTest::newRow("backward") << 1 << " 5 " << 5 << 4;
    QTest::newRow("200 is limited") << -1 << "200" << 127 << 127;
    QTest::newRow("300") << -1 << "300" << 0 << 0;
    QTest::newRow("rounded to 256") << -1 << "255.6" << 0 << 0;
    QTest::newRow("letters") << -1 << "12abc" << 0 << 0;
    QTest::newRow("infinity") << -1 << "inf" << 0 << 0;
    QTest::newRow("half to even, down") << -1 << "12.5" << 12 << 12;
    QTest::newRow("half to even, up") << -1 << "13.5" << 14 << 14;
    QTest::newRow("decimal comma") << -1 << "9,7" << 10 << 10;
}

void TestFixedTextPage::callUp() {
    QFETCH(int, box);
    QFETCH(QString, typed);
    QFETCH(int, sent);
    QFETCH(int, after);
    PageFixture p;
    if (box >= 0) p.find<QCheckBox>(box ? "chkAutoIncFT_1" : "chkAutoIncFT_0")->setChecked(true);
    p.find<QLineEdit>("txtFTAbruf")->setText(typed);
    p.click("cmdShowFT");
    QCOMPARE(p.f.port.written(), cmd::showFixedText(sent));
    QCOMPARE(p.find<QLineEdit>("txtFTAbruf")->text(), QString::number(after));
    QCOMPARE(p.find<UpDown>("FTSelect")->value(), after);
}

void TestFixedTextPage::callUpControls() {
    PageFixture p;
    QApplication::setActiveWindow(p.w);
    QVERIFY(QTest::qWaitForWindowActive(p.w));
    auto* forward = p.find<QCheckBox>("chkAutoIncFT_0");
    auto* backward = p.find<QCheckBox>("chkAutoIncFT_1");
    QTest::mouseClick(forward, Qt::LeftButton);
    QTest::mouseClick(backward, Qt::LeftButton);
    QVERIFY(backward->isChecked() && !forward->isChecked());
    QTest::mouseClick(backward, Qt::LeftButton);
    QVERIFY(!backward->isChecked() && !forward->isChecked());

    auto* field = p.find<QLineEdit>("txtFTAbruf");
    auto* select = p.find<UpDown>("FTSelect");
    QTest::mouseClick(select->upButton(), Qt::LeftButton);
    QCOMPARE(field->text(), QStringLiteral("1"));
    // Leaving the field sets the up-down to a valid number and to nothing else.
    for (const char* typed : {"42", "abc", "128"}) {
        field->setFocus();
        field->setText(QString::fromLatin1(typed));
        select->setFocus();
        QCOMPARE(select->value(), 42);
    }
}

QTEST_MAIN(TestFixedTextPage)
#include "tst_fixedtextpage.moc"
