#include "mainwindowfixture.h"

#include "core/commands.h"
#include "core/displaytypes.h"
#include "fixedtext/fixedtextpage.h"
#include "fixedtext/txtfile.h"
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

const QString kIdentical =
    QStringLiteral("Festtexte im Pultino sind mit den geladenen Festtexten identisch");
const QString kReadFailed = QStringLiteral("Fehler beim Auslesen der Festtexte!");

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
    int silentFrom = 0;           // image byte number from which no echo comes; 0: never
    bool silentRead = false;      // no answer to the read command
    QByteArray readReply;         // when set, the answer to the read command
    std::function<void()> onRead; // runs when the read command arrives
    std::function<void(int)> onImageByte;

    explicit EchoTerminal(FakeSerialPort& p) : port(p) {
        port.onWrite = [this](const QByteArray& b) { written(b); };
    }
    ~EchoTerminal() { port.onWrite = nullptr; }

    void written(const QByteArray& b) {
        if (b == cmd::beginFixedTexts()) {
            storing = true;
            eeprom.clear();
            received = 0;
        } else if (b == cmd::readFixedTexts()) {
            if (onRead) onRead();
            if (!silentRead) port.feed(readReply.isNull() ? eeprom : readReply);
        } else if (storing && b.size() == 1) {
            ++received;
            if (onImageByte) onImageByte(received);
            if (silentFrom && received >= silentFrom) return;
            eeprom += b;
            port.feed(b);
            if (eeprom.endsWith(QByteArray(2, '\0'))) storing = false;
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

    template <typename T> T* find(const QString& name) const { return page->findChild<T*>(name); }
    QPushButton* button(const char* name) const {
        return find<QPushButton>(QString::fromLatin1(name));
    }
    void click(const char* name) const {
        QPushButton* b = button(name);
        QVERIFY2(b, name);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QLineEdit* field(int i) const {
        return find<QLineEdit>(QStringLiteral("txtFesttext_%1").arg(i));
    }
    QString frameTitle() const { return page->frmFesttext->title(); }
    QString statusText() const { return w->panelText(4); }
    void selectDisplay(int index) {
        f.find<QComboBox>(QStringLiteral("cboDisplaytype"))->setCurrentIndex(index);
        w->cboDisplaytype_Click();
    }
    void activate() {
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
};

FixedTextStore fullStore(QChar c) {
    FixedTextStore store;
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < kFixedTextRows; ++r)
            store.setEntry(n, r, QString(40, c));
    return store;
}

} // namespace

class TestFixedTextPage : public QObject {
    Q_OBJECT
  private slots:
    void showClamps_data();
    void showClamps();
    void selectInputBox_data();
    void selectInputBox();
    void upDownSteps();
    void typedTextReachesStoreOnlyOnLeaving();
    void emptiedFieldStoresEmptyRow();
    void fillAndClear();
    void loadAndSaveUseCurrentGeometry();
    void fileErrorsNameTheFile();
    void programming();
    void programmingFailure_data();
    void programmingFailure();
    void programmingReadBackDiffers();
    void programmingIgnoresSecondOperation();
    void verify_data();
    void verify();
    void readBack_data();
    void readBack();
    void showText_data();
    void showText();
    void callUpControls();
};

void TestFixedTextPage::showClamps_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("expected");
    QTest::newRow("negative") << -3 << 0;
    QTest::newRow("5") << 5 << 5;
    QTest::newRow("above") << 200 << 127;
}

void TestFixedTextPage::showClamps() {
    QFETCH(int, id);
    QFETCH(int, expected);
    PageFixture p;
    QCOMPARE(p.frameTitle(), QStringLiteral("Festtext Nr. 0"));
    for (const char* hidden : {"FTProgressBar", "lblFTProgCaption", "lblFesttextID", "lblVerifyFT"})
        QVERIFY2(p.find<QWidget>(QString::fromLatin1(hidden))->isHidden(), hidden);
    p.page->store().setText(expected, {"a", "b", "c", "d"});
    p.page->showFesttext(id);
    QCOMPARE(id, expected);
    QCOMPARE(p.page->festtextNr(), expected);
    QCOMPARE(p.frameTitle(), QStringLiteral("Festtext Nr. %1").arg(expected));
    // All four fields, also those the display hides.
    QCOMPARE(p.field(0)->text(), QStringLiteral("a"));
    QCOMPARE(p.field(3)->text(), QStringLiteral("d"));
}

void TestFixedTextPage::selectInputBox_data() {
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<int>("expected");
    QTest::newRow("200") << std::optional<QString>("200") << 127;
    QTest::newRow("letters") << std::optional<QString>("abc") << 0;
    QTest::newRow("cancel") << std::optional<QString>() << 0;
    QTest::newRow("fraction") << std::optional<QString>("5.6") << 6;
    QTest::newRow("beyond 16 bits") << std::optional<QString>("40000") << 0;
}

void TestFixedTextPage::selectInputBox() {
    QFETCH(std::optional<QString>, answer);
    QFETCH(int, expected);
    PageFixture p;
    int start = 9;
    p.page->showFesttext(start);
    p.f.dialogs.inputs = {answer};
    p.click("cmdSelectFT");
    QCOMPARE(p.f.dialogs.shown.size(), 1);
    const auto& shown = p.f.dialogs.shown.first();
    QCOMPARE(shown.kind, QStringLiteral("input"));
    QCOMPARE(shown.text, QStringLiteral("Bitte Nr. des gewünschten Festtextes eingeben:"));
    QCOMPARE(shown.title, QStringLiteral("Festtext-Suche"));
    QCOMPARE(shown.file.defaultExt, QStringLiteral("0")); // the preset answer
    QCOMPARE(p.page->festtextNr(), expected);
    QCOMPARE(p.frameTitle(), QStringLiteral("Festtext Nr. %1").arg(expected));
}

void TestFixedTextPage::upDownSteps() {
    PageFixture p;
    auto* upDown = p.find<UpDown>(QStringLiteral("FTUpDown"));
    QVERIFY(upDown);
    auto* up = upDown->upButton();
    auto* down = upDown->downButton();
    int id = 5;
    p.page->showFesttext(id);

    QTest::mouseClick(up, Qt::LeftButton); // 0 -> 1: one text back
    QCOMPARE(p.page->festtextNr(), 4);
    QTest::mouseClick(up, Qt::LeftButton); // stays 1: nothing happens
    QCOMPARE(p.page->festtextNr(), 4);
    QTest::mouseClick(down, Qt::LeftButton); // 1 -> 0: one text on
    QCOMPARE(p.page->festtextNr(), 5);
    QTest::mouseClick(down, Qt::LeftButton);
    QCOMPARE(p.page->festtextNr(), 5);

    id = 0;
    p.page->showFesttext(id);
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(p.page->festtextNr(), 0);
    id = 127;
    p.page->showFesttext(id);
    QTest::mouseClick(down, Qt::LeftButton);
    QCOMPARE(p.page->festtextNr(), 127);
}

void TestFixedTextPage::typedTextReachesStoreOnlyOnLeaving() {
    PageFixture p;
    p.activate();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("typed.TXT"));
    p.field(1)->setFocus();
    QTest::keyClicks(p.field(1), QStringLiteral("Hallo"));
    QCOMPARE(p.page->store().entry(0, 1), QString());

    // The button takes the focus before its click runs, so the save sees the typed row.
    p.f.dialogs.fileNames = {path};
    p.click("cmdSaveFT");
    QCOMPARE(p.page->store().entry(0, 1), QStringLiteral("Hallo"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("\r\nHallo\r\n\r\n\r\n"));

    // Stepping with the up-down validates the field being edited first.
    int id = 3;
    p.page->showFesttext(id);
    p.field(0)->setFocus();
    QTest::keyClicks(p.field(0), QStringLiteral("X"));
    QTest::mouseClick(p.find<UpDown>(QStringLiteral("FTUpDown"))->upButton(), Qt::LeftButton);
    QCOMPARE(p.page->festtextNr(), 2);
    QCOMPARE(p.page->store().entry(3, 0), QStringLiteral("X"));
    QCOMPARE(p.page->store().entry(2, 0), QString());
}

void TestFixedTextPage::emptiedFieldStoresEmptyRow() {
    PageFixture p;
    p.activate();
    p.page->store().setText(0, {"abc", "def", "", ""});
    int id = 0;
    p.page->showFesttext(id);
    p.selectDisplay(5); // 20x2: the fields are emptied, the store is not
    QCOMPARE(p.field(0)->text(), QString());
    QCOMPARE(p.page->store().entry(0, 0), QStringLiteral("abc"));
    p.field(0)->setFocus();
    p.field(1)->setFocus();
    QCOMPARE(p.page->store().entry(0, 0), QString());
    QCOMPARE(p.page->store().entry(0, 1), QStringLiteral("def"));
}

void TestFixedTextPage::fillAndClear() {
    PageFixture p;
    p.click("cmdDefaultFT");
    QCOMPARE(p.page->store().text(127), (FixedText{"127", "", "", ""}));
    QCOMPARE(p.field(0)->text(), QStringLiteral("000"));

    int id = 7;
    p.page->showFesttext(id);
    p.click("cmdClearFTWin");
    QCOMPARE(p.page->store().text(7), FixedText{});
    QCOMPARE(p.page->store().text(8), (FixedText{"008", "", "", ""}));
    QCOMPARE(p.page->festtextNr(), 7);

    p.click("cmdClearAllFT");
    QVERIFY(p.page->store() == FixedTextStore{});
    QCOMPARE(p.page->festtextNr(), 0);
    QVERIFY(p.f.port.writes.isEmpty());
}

void TestFixedTextPage::loadAndSaveUseCurrentGeometry() {
    PageFixture p(3); // 16x4
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.TXT"));
    p.page->store().fillDefaults();
    p.page->store().setEntry(0, 3, QStringLiteral("vierte"));
    p.click("cmdSaveFT"); // cancelled: nothing written
    QVERIFY(!QFile::exists(path));
    p.f.dialogs.fileNames = {path};
    p.click("cmdSaveFT");
    QVERIFY(p.f.dialogs.messages().isEmpty());

    p.selectDisplay(2); // 16x2
    p.click("cmdClearAllFT");
    p.page->store().setEntry(5, 3, QStringLiteral("keep"));
    int id = 9;
    p.page->showFesttext(id);
    p.f.dialogs.fileNames = {path};
    p.click("cmdLoadFT");
    QCOMPARE(p.page->festtextNr(), 0);
    QCOMPARE(p.page->store().text(0), (FixedText{"000", "", "", ""}));
    QCOMPARE(p.page->store().text(1), (FixedText{"", "vierte", "", ""}));
    QCOMPARE(p.page->store().text(2), (FixedText{"001", "", "", ""}));
    QCOMPARE(p.page->store().text(5), (FixedText{"", "", "", "keep"}));

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

void TestFixedTextPage::fileErrorsNameTheFile() {
    PageFixture p;
    p.page->store().fillDefaults();
    const FixedTextStore before = p.page->store();
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("fehlt.TXT"));
    const QString blocked = dir.filePath(QStringLiteral("datei"));
    QFile block(blocked);
    QVERIFY(block.open(QIODevice::WriteOnly));
    block.close();

    p.f.dialogs.fileNames = {missing, blocked + QStringLiteral("/neu.TXT")};
    p.click("cmdLoadFT");
    p.click("cmdSaveFT");
    const QStringList messages = p.f.dialogs.messages();
    QCOMPARE(messages.size(), 2);
    QVERIFY(messages.at(0).contains(QStringLiteral("fehlt.TXT")));
    QVERIFY(messages.at(0).contains(QStringLiteral("nicht aus der Datei")));
    QVERIFY(messages.at(1).contains(QStringLiteral("neu.TXT")));
    QVERIFY(messages.at(1).contains(QStringLiteral("nicht in der Datei")));
    QVERIFY(p.page->store() == before);
    QVERIFY(!QFile::exists(missing));
}

void TestFixedTextPage::programming() {
    PageFixture p;
    EchoTerminal t(p.f.port);
    p.page->store().fillDefaults();
    const QByteArray image = buildFesttextImage(p.page->store(), 4, 20);
    int shownText = -1;
    bool progressShown = false;
    bool monitorOff = true;
    QString status;
    t.onImageByte = [&](int i) {
        if (i == 8) { // the first byte of text 1
            progressShown =
                !p.find<QProgressBar>(QStringLiteral("FTProgressBar"))->isHidden() &&
                p.find<QProgressBar>(QStringLiteral("FTProgressBar"))->maximum() == image.size();
            shownText = p.find<QLabel>(QStringLiteral("lblFesttextID"))->text().toInt();
        }
        monitorOff = monitorOff && !LinkFlags::instance().showReceivedData;
        status = p.statusText();
    };
    bool verifyShown = false;
    t.onRead = [&] {
        verifyShown = !p.find<QLabel>(QStringLiteral("lblVerifyFT"))->isHidden() &&
                      p.find<QWidget>(QStringLiteral("FTProgressBar"))->isHidden();
    };

    p.click("cmdSendFT");
    QCOMPARE(p.f.dialogs.messages(), QStringList());
    QCOMPARE(p.f.port.written(),
             cmd::beginFixedTexts() + image + cmd::byte(0) + cmd::readFixedTexts());
    QCOMPARE(t.eeprom, image);
    QVERIFY(progressShown);
    QCOMPARE(shownText, 1);
    QVERIFY(monitorOff);
    QCOMPARE(status, QStringLiteral("Festtexte im Pultino speichern..."));
    QVERIFY(verifyShown);
    QVERIFY(LinkFlags::instance().showReceivedData);
    QCOMPARE(p.statusText(), QString());
    QVERIFY(p.find<QWidget>(QStringLiteral("FTProgressBar"))->isHidden());
    QVERIFY(p.find<QWidget>(QStringLiteral("lblVerifyFT"))->isHidden());
}

void TestFixedTextPage::programmingFailure_data() {
    QTest::addColumn<bool>("full");
    QTest::addColumn<int>("silentFrom");
    QTest::addColumn<QString>("expected");
    const QString line =
        QStringLiteral("Wahrscheinliche Ursache: Übertragungsfehler. Bitte ggf. neu versuchen!");
    const QString eeprom =
        QStringLiteral("Wahrscheinliche Ursache: Nicht genügend EEPROM-Speicher verfügbar.");
    const QString head = QStringLiteral("Fehler beim Speichern der Festtexte!\r(");
    QTest::newRow("first byte") << false << 1 << head + "0 von 897 Bytes gespeichert.)\r" + line;
    QTest::newRow("byte 1900") << true << 1900
                               << head + "1899 von 20609 Bytes gespeichert.)\r" + line;
    QTest::newRow("byte 1901") << true << 1901
                               << head + "1900 von 20609 Bytes gespeichert.)\r" + eeprom;
}

void TestFixedTextPage::programmingFailure() {
    QFETCH(bool, full);
    QFETCH(int, silentFrom);
    QFETCH(QString, expected);
    PageFixture p(full ? 13 : kDefaultDisplayTypeIndex);
    if (full)
        p.page->store() = fullStore(QLatin1Char('F'));
    else
        p.page->store().fillDefaults();
    EchoTerminal t(p.f.port);
    t.silentFrom = silentFrom;
    bool progressDuringMessage = false;
    p.f.dialogs.onShow = [&](const FakeDialogs::Shown&) {
        progressDuringMessage = !p.find<QWidget>(QStringLiteral("FTProgressBar"))->isHidden();
    };

    p.click("cmdSendFT");
    QCOMPARE(p.f.dialogs.messages(), QStringList{expected});
    QCOMPARE(p.f.dialogs.shown.first().title, kAppTitle);
    QVERIFY(progressDuringMessage);
    // The terminal's storing is ended with two zeros; nothing is read back.
    QCOMPARE(p.f.port.writes.last(), QByteArray(2, '\0'));
    QVERIFY(!p.f.port.written().contains(cmd::readFixedTexts()));
    QVERIFY(p.find<QWidget>(QStringLiteral("FTProgressBar"))->isHidden());
    QVERIFY(p.find<QWidget>(QStringLiteral("lblFesttextID"))->isHidden());
    QVERIFY(LinkFlags::instance().showReceivedData);
    QCOMPARE(p.statusText(), QString());
}

void TestFixedTextPage::programmingReadBackDiffers() {
    PageFixture p;
    p.page->store().fillDefaults();
    const QByteArray image = buildFesttextImage(p.page->store(), 4, 20);
    EchoTerminal t(p.f.port);
    t.readReply = image + 'X';
    QColor colorDuringMessage;
    bool labelDuringMessage = false;
    p.f.dialogs.onShow = [&](const FakeDialogs::Shown&) {
        auto* label = p.find<QLabel>(QStringLiteral("lblVerifyFT"));
        labelDuringMessage = !label->isHidden();
        colorDuringMessage = label->palette().color(QPalette::Window);
    };
    p.click("cmdSendFT");
    QCOMPARE(p.f.dialogs.messages(), QStringList{offsetMessage(image.size())});
    QVERIFY(labelDuringMessage);
    QCOMPARE(colorDuringMessage, QColor(255, 0, 0));
    auto* label = p.find<QLabel>(QStringLiteral("lblVerifyFT"));
    QVERIFY(label->isHidden());
    QCOMPARE(label->palette().color(QPalette::Window), QColor(0, 255, 0));
}

void TestFixedTextPage::programmingIgnoresSecondOperation() {
    PageFixture p;
    p.page->store().fillDefaults();
    EchoTerminal t(p.f.port);
    // In the pause after the image the exchange does not hold the window: the operator's clicks
    // must not reach it, and no second exchange may start inside the first.
    t.onImageByte = [&](int i) {
        if (i != 897) return;
        QTimer::singleShot(50, &p.f.port, [&] {
            QTest::mouseClick(p.button("cmdClearAllFT"), Qt::LeftButton);
            p.button("cmdVerifyFT")->click();
        });
    };
    p.click("cmdSendFT");
    QCOMPARE(p.page->store().text(5), (FixedText{"005", "", "", ""}));
    QCOMPARE(p.f.port.written().count(cmd::readFixedTexts()), 1);
    QCOMPARE(p.f.dialogs.messages(), QStringList());
    QVERIFY(LinkFlags::instance().showReceivedData);
}

void TestFixedTextPage::verify_data() {
    QTest::addColumn<QString>("reply"); // "image", "extra", "silent", "changed"
    QTest::addColumn<QString>("expected");
    QTest::newRow("identical") << "image" << kIdentical;
    QTest::newRow("one extra byte") << "extra" << offsetMessage(897);
    QTest::newRow("silent terminal") << "silent" << offsetMessage(0);
    QTest::newRow("byte 5 differs") << "changed" << offsetMessage(5);
}

void TestFixedTextPage::verify() {
    QFETCH(QString, reply);
    QFETCH(QString, expected);
    PageFixture p;
    p.page->store().fillDefaults();
    QByteArray image = buildFesttextImage(p.page->store(), 4, 20);
    EchoTerminal t(p.f.port);
    if (reply == QLatin1String("extra"))
        t.readReply = image + 'X';
    else if (reply == QLatin1String("changed"))
        t.readReply = image, t.readReply[5] = 'Z';
    else if (reply == QLatin1String("silent"))
        t.silentRead = true;
    else
        t.readReply = image;
    QString status;
    t.onRead = [&] { status = p.statusText(); };

    p.click("cmdVerifyFT");
    QCOMPARE(p.f.port.written(), cmd::readFixedTexts());
    QCOMPARE(p.f.dialogs.messages(), QStringList{expected});
    QCOMPARE(status, QStringLiteral("Festtexte im Pultino überprüfen..."));
    QCOMPARE(p.statusText(), QString());
    QVERIFY(LinkFlags::instance().showReceivedData);
}

void TestFixedTextPage::readBack_data() {
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("texts"); // texts 0 to 2, rows joined with "|"
    QTest::newRow("complete") << false << QByteArray("AB\rCD\0EF\0\0", 10) << QStringList{}
                              << QStringList{"AB|CD||", "EF|||", "002|||"};
    QTest::newRow("silent terminal") << true << QByteArray() << QStringList{kReadFailed}
                                     << QStringList{"000|||", "001|||", "002|||"};
    QTest::newRow("stops in mid-stream")
        << false << QByteArray("AB\rCD\0EF", 8) << QStringList{kReadFailed}
        << QStringList{"000|||", "001|||", "002|||"};
}

void TestFixedTextPage::readBack() {
    QFETCH(bool, silent);
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, texts);
    PageFixture p(2); // 16x2
    p.page->store().fillDefaults();
    int id = 40;
    p.page->showFesttext(id);
    EchoTerminal t(p.f.port);
    t.silentRead = silent;
    t.readReply = reply;
    QString status;
    t.onRead = [&] { status = p.statusText(); };

    p.click("cmdAuslesenFT");
    QCOMPARE(p.f.dialogs.messages(), messages);
    QCOMPARE(status, QStringLiteral("Festtexte aus Pultino auslesen..."));
    for (int n = 0; n < 3; ++n) {
        const FixedText& text = p.page->store().text(n);
        QCOMPARE(QStringList(text.begin(), text.end()).join(QLatin1Char('|')), texts.at(n));
    }
    // A complete reply shows text 0; a failed one leaves the editor alone.
    QCOMPARE(p.page->festtextNr(), messages.isEmpty() ? 0 : 40);
    QCOMPARE(p.field(1)->text(), p.page->store().entry(p.page->festtextNr(), 1));
    QCOMPARE(p.statusText(), QString());
    QVERIFY(LinkFlags::instance().showReceivedData);
}

void TestFixedTextPage::showText_data() {
    QTest::addColumn<int>("box"); // -1: none
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("sent");
    QTest::addColumn<QString>("after");
    QTest::newRow("forward from 127") << 0 << "127" << 127 << "0";
    QTest::newRow("backward from 0") << 1 << "0" << 0 << "127";
    QTest::newRow("forward") << 0 << "5" << 5 << "6";
    QTest::newRow("backward") << 1 << "5" << 5 << "4";
    QTest::newRow("200 is limited") << -1 << "200" << 127 << "127";
    QTest::newRow("300") << -1 << "300" << 0 << "0";
    QTest::newRow("-5") << -1 << "-5" << 0 << "0";
    QTest::newRow("abc") << -1 << "abc" << 0 << "0";
    QTest::newRow("fraction") << -1 << "9.7" << 10 << "10";
}

void TestFixedTextPage::showText() {
    QFETCH(int, box);
    QFETCH(QString, typed);
    QFETCH(int, sent);
    QFETCH(QString, after);
    PageFixture p;
    if (box >= 0) p.find<QCheckBox>(QStringLiteral("chkAutoIncFT_%1").arg(box))->setChecked(true);
    p.find<QLineEdit>(QStringLiteral("txtFTAbruf"))->setText(typed);
    p.click("cmdShowFT");
    QCOMPARE(p.f.port.written(), cmd::showFixedText(sent));
    QCOMPARE(p.find<QLineEdit>(QStringLiteral("txtFTAbruf"))->text(), after);
    QCOMPARE(p.find<UpDown>(QStringLiteral("FTSelect"))->value(), after.toInt());
}

void TestFixedTextPage::callUpControls() {
    PageFixture p;
    p.activate();
    auto* forward = p.find<QCheckBox>(QStringLiteral("chkAutoIncFT_0"));
    auto* backward = p.find<QCheckBox>(QStringLiteral("chkAutoIncFT_1"));
    QTest::mouseClick(forward, Qt::LeftButton);
    QTest::mouseClick(backward, Qt::LeftButton);
    QVERIFY(backward->isChecked() && !forward->isChecked());
    QTest::mouseClick(backward, Qt::LeftButton);
    QVERIFY(!backward->isChecked() && !forward->isChecked());

    auto* field = p.find<QLineEdit>(QStringLiteral("txtFTAbruf"));
    auto* select = p.find<UpDown>(QStringLiteral("FTSelect"));
    QTest::mouseClick(select->upButton(), Qt::LeftButton);
    QCOMPARE(field->text(), QStringLiteral("1"));
    // Leaving the field sets the up-down to a valid number and to nothing else.
    for (const char* typed : {"42", "abc", "128"}) {
        field->setFocus();
        field->setText(QString::fromLatin1(typed));
        select->setFocus();
        QCOMPARE(select->value(), 42);
    }
    QCOMPARE(field->text(), QStringLiteral("128"));
}

QTEST_MAIN(TestFixedTextPage)
#include "tst_fixedtextpage.moc"
