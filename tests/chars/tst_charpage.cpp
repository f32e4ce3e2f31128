#include "chars/charpage.h"
#include "core/commands.h"
#include "core/fileio.h"
#include "link/commandexchange.h"
#include "mainwindowfixture.h"
#include "sim/faketerminal.h"
#include "testbytes.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// The real main window on the fake port with the simulated terminal behind it, characters tab
// showing. `seen` runs for every write, before the terminal answers it.
struct Page {
    MainWindowFixture f;
    std::function<void(const QByteArray&)> seen;
    std::unique_ptr<FakeTerminal> term;
    MainWindow* w = nullptr;
    CharPage* page = nullptr;

    explicit Page(const TerminalOptions& options = {}) {
        f.port.onWrite = [this](const QByteArray& b) {
            if (seen) seen(b);
        };
        term = std::make_unique<FakeTerminal>(f.port, options);
        w = &f.start();
        page = w->findChild<CharPage*>();
        f.find<QTabBar>(QStringLiteral("TabStrip1"))->setCurrentIndex(3);
        w->show();
        f.port.clearWrites();
    }
    template <typename T = QAbstractButton> T* find(const QString& name) const {
        return page->findChild<T*>(name);
    }
    void click(const QString& name) const { QTest::mouseClick(find(name), Qt::LeftButton); }
    // Space-separated: a number clicks that pixel, L R U D the arrows, C and I the two buttons.
    void edit(const QString& script) const {
        const QHash<QString, QString> named{{"L", "left"},       {"R", "right"},
                                            {"U", "up"},         {"D", "down"},
                                            {"C", "cmdCGclear"}, {"I", "cmdCGinvert"}};
        for (const QString& step : script.split(u' ', Qt::SkipEmptyParts))
            click(named.value(step, QStringLiteral("cmdPixel_") + step));
    }
    QString hexLabels() const {
        QStringList texts;
        for (int r = 0; r < kPatternRows; ++r)
            texts << find<QLabel>(QStringLiteral("lblHexCode_%1").arg(r))->text();
        return texts.join(u' ');
    }
    QString eraseCaption() const { return find(QStringLiteral("cmdEraseUserDefChar"))->text(); }
};

// One complete definition as the line carries it, followed by the clear-display command.
QByteArray transfer(int place, int code, const CharacterRows& rows) {
    QByteArray b = cmd::defineCharacter() + cmd::byte(place) + cmd::byte(code);
    for (quint8 r : rows)
        b += cmd::byte(r);
    return b + cmd::byte(0) + cmd::clearDisplay();
}

} // namespace

class TestCharPage : public QObject {
    Q_OBJECT
  private slots:
    void editor_data();
    void editor();
    void files();
    void transfers_data();
    void transfers();
    void clickDuringTransferSendsNothing();
};

void TestCharPage::editor_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("labels");
    const QString empty = "&H00 &H00 &H00 &H00 &H00 &H00";
    QTest::newRow("start") << ""
                           << "&H00 " + empty;
    QTest::newRow("whole top row") << "0 1 2 3 4"
                                   << "&H1F " + empty;
    QTest::newRow("every click rotates") << "0 R R"
                                         << "&H04 " + empty;
    QTest::newRow("left wraps") << "0 L L"
                                << "&H02 " + empty;
    QTest::newRow("right wraps") << "4 R"
                                 << "&H10 " + empty;
    QTest::newRow("up twice") << "0 U U"
                              << "&H00 &H00 &H00 &H00 &H00 &H10 &H00";
    QTest::newRow("down wraps") << "34 D"
                                << "&H01 " + empty;
    QTest::newRow("invert") << "6 I"
                            << "&H1F &H17 &H1F &H1F &H1F &H1F &H1F";
    QTest::newRow("clear") << "6 I C"
                           << "&H00 " + empty;
}

void TestCharPage::editor() {
    QFETCH(QString, script);
    Page p;
    p.edit(script);
    QTEST(p.hexLabels(), "labels");
    for (int i = 0; i < kPatternPixels; ++i) // the buttons show the pattern: black is on
        QVERIFY(p.find(QStringLiteral("cmdPixel_%1").arg(i))
                    ->styleSheet()
                    .contains(p.page->pattern().pixel(i) ? "#000000" : "#ffffff"));
    QVERIFY(p.find(QStringLiteral("optCGRAM_0"))->isChecked());
    QCOMPARE(p.eraseCaption(), QStringLiteral("CG-RAM 1 auf Pultino löschen"));
    QVERIFY(p.f.port.writes.isEmpty());
}

void TestCharPage::files() {
    Page p;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.CHR"));
    auto* address = p.find<QLineEdit>(QStringLiteral("txtTauschAdresse"));
    QCOMPARE(address->text(), QStringLiteral("127"));
    p.click(QStringLiteral("optCGRAM_2"));
    QCOMPARE(p.eraseCaption(), QStringLiteral("CG-RAM 3 auf Pultino löschen"));
    address->setText(QStringLiteral("065")); // saving takes the address as leaving the field does
    p.f.dialogs.fileNames = {path};
    p.click(QStringLiteral("cmdSaveZeichen"));
    QCOMPARE(address->text(), QStringLiteral("65"));
    QCOMPARE(fileio::readFile(path).data, bytes({2, 65, 0, 0, 0, 0, 0, 0, 0, 0}));

    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes({9, 20, 255, 0, 0, 0, 0, 0, 0, 7})));
    f.close();
    p.f.dialogs.fileNames = {path};
    p.click(QStringLiteral("cmdLoadZeichen"));
    QVERIFY(p.find(QStringLiteral("optCGRAM_0"))->isChecked());
    QCOMPARE(p.eraseCaption(), QStringLiteral("CG-RAM 1 auf Pultino löschen"));
    QCOMPARE(address->text(), QStringLiteral("32"));
    QCOMPARE(p.hexLabels(), QStringLiteral("&H1F &H00 &H00 &H00 &H00 &H00 &H00"));

    // A short file and a file that cannot be written are named; nothing changes.
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("short"));
    f.close();
    p.f.dialogs.fileNames = {path, dir.path()};
    p.click(QStringLiteral("cmdLoadZeichen"));
    p.click(QStringLiteral("cmdSaveZeichen"));
    QCOMPARE(p.hexLabels(), QStringLiteral("&H1F &H00 &H00 &H00 &H00 &H00 &H00"));
    QCOMPARE(fileio::readFile(path).data, QByteArray("short"));
    const QStringList messages = p.f.dialogs.messages();
    QCOMPARE(messages.size(), 2);
    QVERIFY(messages[0].startsWith(QStringLiteral("Die Zeichendefinition konnte nicht aus der "
                                                  "Datei \"%1\" geladen werden:\rDie Datei ist "
                                                  "kürzer als 10 Bytes")
                                       .arg(path)));
    QVERIFY(messages[1].contains(QStringLiteral("\"%1\" gespeichert werden").arg(dir.path())));
    const auto& save = p.f.dialogs.shown.at(0).file;
    QCOMPARE(save.title, QStringLiteral("Zeichendefinition in Datei speichern"));
    QCOMPARE(save.filter, QStringLiteral("Zeichendefinition (*.CHR)|*.chr|Alle Dateien (*.*)|*.*"));
    QVERIFY(save.confirmOverwrite && p.f.dialogs.shown.at(1).file.mustExist);
}

void TestCharPage::transfers_data() {
    QTest::addColumn<QString>("script"); // editor steps, then the place clicked
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("noEchoAfter"); // -1: the terminal echoes every byte
    QTest::addColumn<int>("vanishAt");    // the port vanishes at this write; 0: never
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("timeOuts"); // waits seen ending without their echo
    const CharacterRows none{};
    const QString store = "cmdSaveUserDefChar";
    const QString invalid =
        "Ungültige Tausch-Adresse!\rWert muß im Bereich von 32 bis 127 liegen!\r"
        "Zeichendefinition wird NICHT gespeichert!";
    QTest::newRow("empty pattern, place 3, address 65")
        << "optCGRAM_2"
        << "65" << store << -1 << 0 << transfer(2, 65, none) + "A"
        << "" << 0;
    QTest::newRow("top row &H1F, raw 10, 13, 27")
        << "0 1 2 3 4 6 8 11 12 14 15 16 18 19 optCGRAM_7"
        << "127" << store << -1 << 0 << transfer(7, 127, {31, 10, 13, 27}) + "\x7f"
        << "" << 0;
    QTest::newRow("silent after the 7th byte")
        << "optCGRAM_0"
        << "32" << store << 7 << 0 << transfer(0, 32, none) + " "
        << "" << 3;
    QTest::newRow("invalid address") << "optCGRAM_0"
                                     << "200" << store << -1 << 0 << QByteArray() << invalid << 0;
    QTest::newRow("letters as address") << "optCGRAM_0"
                                        << "x" << store << -1 << 0 << QByteArray() << invalid << 0;
    QTest::newRow("erase one sends the editor's rows")
        << "0 optCGRAM_5"
        << "abc"
        << "cmdEraseUserDefChar" << -1 << 0 << transfer(5, 10, {16}) << "" << 0;
    QByteArray all;
    for (int place = 0; place < kCgramPlaces; ++place)
        all += transfer(place, 10, none);
    QTest::newRow("erase all") << "optCGRAM_4"
                               << "127"
                               << "cmdEraseAllUserDefChar" << -1 << 0 << all << "" << 0;
    QTest::newRow("port lost at the 4th byte")
        << "optCGRAM_0"
        << "127"
        << "cmdEraseAllUserDefChar" << -1 << 4 << transfer(0, 10, none).left(7)
        << "Die Schnittstelle COM1 " << 0;
}

void TestCharPage::transfers() {
    QFETCH(QString, script);
    QFETCH(QString, address);
    QFETCH(QString, button);
    QFETCH(int, noEchoAfter);
    QFETCH(int, vanishAt);
    QFETCH(QByteArray, line);
    QFETCH(QString, message);
    TerminalOptions options;
    options.noEchoAfter = noEchoAfter;
    Page p(options);
    p.edit(script.section(u' ', 0, -2));
    p.click(script.section(u' ', -1));
    p.find<QLineEdit>(QStringLiteral("txtTauschAdresse"))->setText(address);

    // Each write sees how the wait before it ended, the status text and the monitor switch.
    int timeOuts = 0;
    QSet<QString> during;
    QElapsedTimer clock;
    qint64 cleared = -1;
    p.seen = [&](const QByteArray& b) {
        timeOuts += p.w->exchange().lastEnd() == CommandExchange::WaitEnd::TimeOut;
        during << p.w->panelText(4) + (LinkFlags::instance().showReceivedData ? " on" : " off");
        if (cleared >= 0) QVERIFY(clock.elapsed() - cleared >= 190); // the settling pause
        cleared = b == cmd::clearDisplay() ? clock.elapsed() : -1;
        if (p.f.port.writes.size() == vanishAt) p.f.port.vanish();
    };
    clock.start();
    p.click(button);
    QCOMPARE(p.f.port.written(), line);
    QTEST(timeOuts, "timeOuts");
    const QStringList messages = p.f.dialogs.messages();
    QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) QVERIFY(messages[0].startsWith(message));
    if (!line.isEmpty()) {
        const QString status = button == u"cmdSaveUserDefChar" ? "Benutzerdefiniertes Zeichen "
                                                                 "im Pultino speichern..."
                               : button == u"cmdEraseUserDefChar"
                                   ? "Benutzerdefiniertes Zeichen im Pultino löschen..."
                                   : "Alle benutzerdefinierten Zeichen im Pultino löschen...";
        QCOMPARE(during, QSet<QString>{status + " off"});
    }
    QCOMPARE(p.w->panelText(4), QString());
    QVERIFY(LinkFlags::instance().showReceivedData);
}

// The settling pause lets events through; a click on any of the three terminal buttons must not
// start a second transfer inside the first, and the editor takes no clicks meanwhile.
void TestCharPage::clickDuringTransferSendsNothing() {
    Page p;
    int clicked = 0;
    p.seen = [&](const QByteArray& b) {
        if (b != cmd::clearDisplay()) return;
        QTimer::singleShot(0, p.page, [&] {
            for (const QString name : {"cmdSaveUserDefChar", "cmdEraseUserDefChar",
                                       "cmdEraseAllUserDefChar", "cmdPixel_0"}) {
                p.click(name);
                if (name != u"cmdPixel_0") p.find(name)->click();
            }
            ++clicked;
        });
    };
    p.click(QStringLiteral("cmdSaveUserDefChar"));
    QCOMPARE(clicked, 1);
    QCOMPARE(p.f.port.written(), transfer(0, 127, {}) + "\x7f");
    QCOMPARE(p.hexLabels(), QStringLiteral("&H00 &H00 &H00 &H00 &H00 &H00 &H00"));
}

QTEST_MAIN(TestCharPage)
#include "tst_charpage.moc"
