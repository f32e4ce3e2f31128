#include "chars/charpage.h"
#include "core/commands.h"
#include "core/fileio.h"
#include "mainwindowfixture.h"
#include "sim/faketerminal.h"
#include "testbytes.h"

#include <QtTest>
#include <QtWidgets>

namespace {

constexpr int kClickInPause = 100;

// Clicks on the characters tab: a number is that pixel, L R U D the arrows, I and C the editor
// buttons, "=" types the address (the field is not left), anything else is a button's name.
void edit(MainWindow* w, const QString& script) {
    w->findChild<QTabBar*>("TabStrip1")->setCurrentIndex(3);
    const QHash<QString, QString> named{{"L", "left"}, {"R", "right"},       {"U", "up"},
                                        {"D", "down"}, {"I", "cmdCGinvert"}, {"C", "cmdCGclear"}};
    for (const QString& step : script.split(u' ', Qt::SkipEmptyParts)) {
        if (step.startsWith(u'='))
            w->findChild<QLineEdit*>("txtTauschAdresse")->setText(step.mid(1));
        else
            QTest::mouseClick(w->findChild<CharPage*>()->findChild<QAbstractButton*>(
                                  step[0].isDigit() ? "cmdPixel_" + step : named.value(step, step)),
                              Qt::LeftButton);
    }
}

// The erase button's caption, the address and the row labels.
QString shown(MainWindow* w) {
    QStringList s{w->findChild<QAbstractButton*>("cmdEraseUserDefChar")->text(),
                  w->findChild<QLineEdit*>("txtTauschAdresse")->text()};
    for (int r = 0; r < kPatternRows; ++r)
        s << w->findChild<QLabel*>(QStringLiteral("lblHexCode_%1").arg(r))->text();
    return s.join(u' ');
}

// One definition as the line carries it, then the clear-display command.
QByteArray transfer(int place, int code, const CharacterRows& rows) {
    return cmd::defineCharacter() + bytes({place, code}) +
           QByteArray(reinterpret_cast<const char*>(rows.data()), kPatternRows) + cmd::byte(0) +
           cmd::clearDisplay();
}

} // namespace

class TestChars : public QObject {
    Q_OBJECT
  private slots:

    // Rows in hexadecimal before and after the moves (L R U D, I invert, C clear), then the hex
    // text of the top row; "-" is an empty pattern.
    void editing_data() {
        QTest::addColumn<QString>("steps");
        QTest::newRow("right") << QString("10 R 08 &H08");
        QTest::newRow("left wraps") << QString("10 L 01 &H01");
        QTest::newRow("right wraps") << QString("01 R 10 &H10");
        QTest::newRow("down") << QString("10010A1F001304 D 0410010A1F0013 &H04");
        QTest::newRow("invert") << QString("- I 1F1F1F1F1F1F1F &H1F");
        QTest::newRow("invert twice, clear") << QString("10010A1F001304 IIC - &H00");
    }

    void editing() {
        QFETCH(QString, steps);
        const QStringList part = steps.split(u' ');
        const auto rows = [](const QString& hex) {
            const QByteArray b = QByteArray::fromHex(hex.toLatin1());
            CharacterRows r{};
            std::copy(b.begin(), b.end(), r.begin());
            return CharPattern::fromRows(r);
        };
        CharPattern p = rows(part[0]);
        const std::array move{&CharPattern::rotateLeft, &CharPattern::rotateRight,
                              &CharPattern::rotateUp,   &CharPattern::rotateDown,
                              &CharPattern::invert,     &CharPattern::clear};
        for (QChar m : part[1])
            (p.*move.at(QStringLiteral("LRUDIC").indexOf(m)))();
        QVERIFY(p == rows(part[2]));
        QCOMPARE(hexCodeText(p.rowCode(0)), part[3]);
        QVERIFY(part[1].contains(u'I') || p.litCount() == rows(part[0]).litCount());
    }

    void tauschAdresse_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("normalised");
        QTest::addColumn<int>("value"); // as the store button reads a field not left
        const char* table[][3] = {{"", "127", "0"},       {"31", "32", "31"},
                                  {"128", "127", "128"},  {"999", "127", "999"},
                                  {"abc", "32", "0"},     {"-5", "32", "-5"},
                                  {"65", "65", "65"},     {"045", "45", "45"},
                                  {"99.5", "100", "100"}, {"98,5", "98", "98"}};
        for (const auto& row : table)
            QTest::newRow(row[0]) << row[0] << row[1] << QByteArray(row[2]).toInt();
    }

    void tauschAdresse() {
        QFETCH(QString, typed);
        QTEST(normaliseTauschAdresse(typed), "normalised");
        QTEST(tauschAdresseValue(typed), "value");
    }

    void transfers_data() {
        QTest::addColumn<QString>("script"); // editor steps; the last one starts the transfer
        QTest::addColumn<int>(
            "fault"); // no echo after this many bytes; port lost at the -nth write
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("message"); // its start
        QTest::addColumn<int>("timeOuts");    // waits that ended without their echo
        QByteArray eight;
        for (int place = 0; place < kCgramPlaces; ++place)
            eight += transfer(place, 10, {30, 27, 31, 31, 31, 31, 31});
        QTest::newRow("empty, place 3, address 65") << "optCGRAM_2 =65 cmdSaveUserDefChar" << 0
                                                    << transfer(2, 65, {}) + "A" << QString() << 0;
        QTest::newRow("top row &H1F, raw 10, 13, 27")
            << "0 1 2 3 4 6 8 11 12 14 15 16 18 19 optCGRAM_7 cmdSaveUserDefChar" << 0
            << transfer(7, 127, {31, 10, 13, 27}) + "\x7f" << QString() << 0;
        QTest::newRow("every arrow click rotates")
            << "0 R R U U 30 optCGRAM_1 =x cmdEraseUserDefChar" << 0
            << transfer(1, 10, {0, 0, 0, 0, 0, 4, 16}) << QString() << 0;
        QTest::newRow("erase all")
            << "4 L L 34 D I optCGRAM_4 =1 cmdEraseAllUserDefChar" << 0 << eight << QString() << 0;
        QTest::newRow("silent after 7 bytes")
            << "3 C =32 cmdSaveUserDefChar" << 7 << transfer(0, 32, {}) + " " << QString() << 3;
        QTest::newRow("invalid address")
            << "=200 cmdSaveUserDefChar" << 0 << QByteArray()
            << "Ungültige Tausch-Adresse!\rWert muß im Bereich von 32 bis 127 liegen!\r"
               "Zeichendefinition wird NICHT gespeichert!"
            << 0;
        QTest::newRow("port lost") << "cmdEraseAllUserDefChar" << -4 << transfer(0, 10, {}).left(7)
                                   << "Die Schnittstelle COM1 " << 0;
        QTest::newRow("clicks in the pause") << "cmdSaveUserDefChar" << kClickInPause
                                             << transfer(0, 127, {}) + "\x7f" << QString() << 0;
    }

    void transfers() {
        QFETCH(QString, script);
        QFETCH(int, fault);
        QFETCH(QString, message);
        MainWindowFixture f;
        int timeOuts = 0, clicks = 0, exposed = 0; // writes with the status or the monitor wrong
        qint64 cleared = -1;
        QElapsedTimer clock;
        f.port.onWrite = [&](const QByteArray& b) {
            MainWindow* w = f.window.get();
            timeOuts += w->exchange().lastEnd() == CommandExchange::WaitEnd::TimeOut;
            exposed += w->panelText(4).isEmpty() || LinkFlags::instance().showReceivedData;
            if (cleared >= 0) QVERIFY(clock.elapsed() - cleared >= 190); // the settling pause
            cleared = b == cmd::clearDisplay() ? clock.elapsed() : -1;
            if (f.port.writes.size() == -fault) f.port.vanish();
            // Neither the buttons nor the editor may act then, so no transfer runs inside another.
            if (fault == kClickInPause && cleared >= 0 && !clicks++)
                QTimer::singleShot(0, w, [w] {
                    const QString all =
                        "cmdSaveUserDefChar cmdEraseUserDefChar cmdEraseAllUserDefChar";
                    edit(w, all + " 0");
                    for (const QString& name : all.split(u' '))
                        w->findChild<QAbstractButton*>(name)->click();
                });
        };
        FakeTerminal term(f.port,
                          {.noEchoAfter = fault > 0 && fault != kClickInPause ? fault : -1});
        f.start().show();
        f.port.clearWrites();
        edit(f.window.get(), script.section(u' ', 0, -2));
        clock.start();
        edit(f.window.get(), script.section(u' ', -1));
        QTEST(f.port.written(), "line");
        QTEST(timeOuts, "timeOuts");
        QVERIFY((fault == kClickInPause) == (clicks == 1)); // and the pixel click was dropped:
        QVERIFY(fault != kClickInPause || !f.window->findChild<CharPage*>()->pattern().pixel(0));
        const QStringList messages = f.dialogs.messages();
        QVERIFY(message.isEmpty() ? messages.isEmpty() : messages.value(0).startsWith(message));
        QCOMPARE(exposed, 0);
        QVERIFY(LinkFlags::instance().showReceivedData);
        // Only a terminal that did not take the character leaves word in the status line.
        QCOMPARE(f.window->panelText(4),
                 timeOuts ? QStringLiteral("Das Pultino hat das Zeichen nicht bestätigt (kein oder "
                                           "falsches Echo bei Byte 8 von 9).")
                          : QString());
    }

    void files() {
        MainWindowFixture f;
        MainWindow* w = &f.start();
        QTemporaryDir dir;
        const QString path = dir.filePath("a.CHR"), other = dir.filePath("b.CHR");
        QVERIFY(fileio::writeFile(other, bytes({9, 20, 255, 0, 0, 0, 0, 0, 0, 7})).isEmpty());
        QVERIFY(fileio::writeFile(dir.filePath("c.CHR"), "short").isEmpty());
        f.dialogs.fileNames = {path,       other, dir.filePath("fehlt.CHR"), dir.filePath("c.CHR"),
                               dir.path(), path};
        edit(w, "optCGRAM_2 =065 cmdSaveZeichen cmdLoadZeichen"); // saved as leaving would make it
        QCOMPARE(fileio::readFile(path).data, bytes({2, 65, 0, 0, 0, 0, 0, 0, 0, 0}));
        const QString loaded =
            "CG-RAM 1 auf Pultino löschen 32 &H1F" + QString(" &H00").repeated(6);
        QCOMPARE(shown(w), loaded);
        // A file that cannot be read, is too short or cannot be written is named with the reason;
        // nothing changes.
        edit(w, "cmdLoadZeichen cmdLoadZeichen cmdSaveZeichen");
        QCOMPARE(shown(w), loaded);
        const QStringList m = f.dialogs.messages();
        QVERIFY(m.size() == 3 && m[0].contains("fehlt.CHR\" geladen werden:\rDie Datei existiert"));
        QVERIFY(m[1].contains("c.CHR\" geladen werden:\rDie Datei ist kürzer als 10 Bytes"));
        QVERIFY(
            m[2].contains(QStringLiteral("\"%1\" gespeichert werden:\rUnter diesem Namen gibt es "
                                         "bereits einen Ordner.")
                              .arg(dir.path())));
        edit(w, "cmdLoadZeichen");
        QCOMPARE(shown(w), "CG-RAM 3 auf Pultino löschen 65" + QString(" &H00").repeated(7));
    }
};

QTEST_MAIN(TestChars)
#include "tst_chars.moc"
