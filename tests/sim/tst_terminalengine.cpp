#include "core/commands.h"
#include "sim/simoptions.h"
#include "sim/terminalengine.h"

#include <QTest>

using namespace cmd;

Q_DECLARE_METATYPE(TerminalOptions)

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray z() {
    return QByteArray(1, '\0');
}

QByteArray cg(int place, int code, std::initializer_list<int> rows) {
    return defineCharacter() + byte(place) + byte(code) + bytes(rows);
}

QStringList padded(const QStringList& rows, int columns) {
    QStringList out;
    for (const auto& r : rows)
        out.append(r.leftJustified(columns));
    return out;
}

} // namespace

class TestTerminalEngine : public QObject {
    Q_OBJECT
  private slots:
    void display_data();
    void display();
    void replies_data();
    void replies();
    void imageStoresExactlyTheImage_data();
    void imageStoresExactlyTheImage();
    void imageWithoutClosingZeroGoesOnWithNextCommand();
    void fixedTextShown_data();
    void fixedTextShown();
    void keyTable();
    void cgram_data();
    void cgram();
    void keyboardModes_data();
    void keyboardModes();
    void busSelection_data();
    void busSelection();
    void displayType_data();
    void displayType();
    void speed_data();
    void speed();
    void faults_data();
    void faults();
    void fullEepromReadBack();
    void arguments_data();
    void arguments();
    void faultArguments();
};

// ---- display text and cursor -------------------------------------------------------------

void TestTerminalEngine::display_data() {
    QTest::addColumn<int>("columns");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("cursorRow");
    QTest::addColumn<int>("cursorColumn");
    QTest::addColumn<bool>("cursorOn");

    QTest::newRow("plain text") << 20 << QByteArray("Hallo") << QStringList{"Hallo", "", "", ""}
                                << 0 << 5 << false;
    QTest::newRow("wraps to the next row")
        << 20 << QByteArray("1234567890ABCDEFGHIJX")
        << QStringList{"1234567890ABCDEFGHIJ", "X", "", ""} << 1 << 1 << false;
    QTest::newRow("last row wraps to the first")
        << 20 << cursorPosition(3, 19) + "AB" << QStringList{"B", "", "", "                   A"}
        << 0 << 1 << false;
    QTest::newRow("CR starts the next row")
        << 20 << QByteArray("AB\rCD") << QStringList{"AB", "CD", "", ""} << 1 << 2 << false;
    QTest::newRow("CR on the last row goes to the first")
        << 20 << cursorPosition(3, 4) + "\rX" << QStringList{"X", "", "", ""} << 0 << 1 << false;
    QTest::newRow("NUL and LF move nothing")
        << 20 << QByteArray("A\0\nB", 4) << QStringList{"AB", "", "", ""} << 0 << 2 << false;
    QTest::newRow("clear empties and homes") << 20 << QByteArray("ABC\rDEF") + clearDisplay()
                                             << QStringList{"", "", "", ""} << 0 << 0 << false;
    QTest::newRow("cursor position, one column byte")
        << 20 << cursorPosition(1, 5) + "X" << QStringList{"", "     X", "", ""} << 1 << 6 << false;
    QTest::newRow("column 10 as one byte") << 20 << bytes({27, '[', 0, ';', 10, 'H'})
                                           << QStringList{"", "", "", ""} << 0 << 10 << false;
    QTest::newRow("column 11 as tens and units")
        << 20 << bytes({27, '[', 2, ';', 1, 1, 'H'}) + "Y"
        << QStringList{"", "", "           Y", ""} << 2 << 12 << false;
    QTest::newRow("column 39 as tens and units") << 40 << bytes({27, '[', 0, ';', 3, 9, 'H'})
                                                 << QStringList{"", "", "", ""} << 0 << 39 << false;
    QTest::newRow("column byte 27 is a column, not ESC")
        << 40 << cursorPosition(0, 27) + "Z" << QStringList{QString(27, ' ') + "Z", "", "", ""} << 0
        << 28 << false;
    QTest::newRow("position beyond the display is clamped")
        << 20 << cursorPosition(7, 30) << QStringList{"", "", "", ""} << 3 << 19 << false;
    QTest::newRow("cursor on") << 20 << cursorOn() << QStringList{"", "", "", ""} << 0 << 0 << true;
    QTest::newRow("cursor on, then off")
        << 20 << cursorOn() + cursorOff() << QStringList{"", "", "", ""} << 0 << 0 << false;
    QTest::newRow("unknown ESC letter dropped with its letter")
        << 20 << bytes({27, 'C'}) + "Test" << QStringList{"Test", "", "", ""} << 0 << 4 << false;
    QTest::newRow("unknown ESC & letter dropped")
        << 20 << bytes({27, '&', 'z'}) + "Hi" << QStringList{"Hi", "", "", ""} << 0 << 2 << false;
    QTest::newRow("broken cursor command, next ESC still understood")
        << 20 << bytes({27, '[', 1, 'X'}) + cursorOn() + "Hi" << QStringList{"Hi", "", "", ""} << 0
        << 2 << true;
    QTest::newRow("ESC in place of the row starts a new command")
        << 20 << bytes({27, '['}) + cursorOn() << QStringList{"", "", "", ""} << 0 << 0 << true;
    QTest::newRow("cursor command without H is dropped")
        << 20 << bytes({27, '[', 1, ';', 2, 'Q'}) + "ok" << QStringList{"ok", "", "", ""} << 0 << 2
        << false;
    QTest::newRow("ESC ESC & C") << 20 << bytes({27}) + cursorOn() << QStringList{"", "", "", ""}
                                 << 0 << 0 << true;
    QTest::newRow("the test window's demo text fills every row")
        << 16 << QByteArray("0123456789ABCDEF").repeated(4) + cursorOn() + cursorPosition(0, 0)
        << QStringList(4, "0123456789ABCDEF") << 0 << 0 << true;
}

void TestTerminalEngine::display() {
    QFETCH(int, columns);
    QFETCH(QByteArray, input);
    QFETCH(QStringList, rows);
    TerminalOptions o;
    o.columns = columns;
    TerminalEngine e(o);
    QCOMPARE(e.feed(input), QByteArray());
    QCOMPARE(e.state().rowsText(), padded(rows, columns));
    QTEST(e.state().cursorRow, "cursorRow");
    QTEST(e.state().cursorColumn, "cursorColumn");
    QTEST(e.state().cursorOn, "cursorOn");
    QVERIFY(e.idle());
}

// ---- commands with and without replies ----------------------------------------------------

void TestTerminalEngine::replies_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("version") << versionQuery() << QByteArray("1.80B");
    QTest::newRow("EEPROM") << eepromQuery() << QByteArray("E111111110000000000000000;");
    QTest::newRow("read-back before anything was stored") << readFixedTexts() << z() + z();
    QTest::newRow("clear, cursor, position, show, mode, speed, type, bus: silent")
        << clearDisplay() + cursorOn() + cursorOff() + cursorPosition(1, 1) + showFixedText(0) +
               keyboardMode(1) + storeSpeed(0) + storeDisplayType(5) + selectTerminal(0) +
               selectAllTerminals()
        << QByteArray();
    QTest::newRow("polling mode without a key") << keyboardMode(0) << QByteArray();
    QTest::newRow("two queries in one write")
        << versionQuery() + eepromQuery() << QByteArray("1.80BE111111110000000000000000;");
    QTest::newRow("query after a broken sequence")
        << bytes({27, '&', 'B', 99}) + versionQuery() << QByteArray("1.80B");
}

void TestTerminalEngine::replies() {
    QFETCH(QByteArray, input);
    TerminalEngine e;
    QTEST(e.feed(input), "reply");
    QVERIFY(e.idle());
}

// ---- fixed-text image ---------------------------------------------------------------------

void TestTerminalEngine::imageStoresExactlyTheImage_data() {
    QTest::addColumn<QByteArray>("image");

    QTest::newRow("two rows, one text") << bytes({65, 66, 67, 13, 68, 69, 0, 0});
    QTest::newRow("empty store on four rows") << bytes({13, 13, 13, 0, 0});
    QTest::newRow("one-row display, blank text") << bytes({32, 0, 65, 0, 0});
    QTest::newRow("ESC and command letters are data") << clearDisplay() + "R" + z() + z();
    QTest::newRow("W inside an image is data")
        << readFixedTexts() + z() + versionQuery() + z() + z();
    QByteArray counted;
    for (int n = 0; n < 128; ++n)
        counted += QByteArray::number(n).rightJustified(3, '0') + z();
    QTest::newRow("the test window's 128 numbered texts") << counted + z();
}

void TestTerminalEngine::imageStoresExactlyTheImage() {
    QFETCH(QByteArray, image);
    TerminalEngine e;
    QCOMPARE(e.feed(beginFixedTexts()), QByteArray());
    // Byte by byte, as the program sends it: every byte echoed, the extra 0 not.
    QByteArray echoes;
    for (char c : image)
        echoes += e.feed(QByteArray(1, c));
    QCOMPARE(echoes, image);
    QCOMPARE(e.feed(z()), QByteArray());
    QVERIFY(e.idle());
    QCOMPARE(e.state().eeprom, image);
    QCOMPARE(e.feed(readFixedTexts()), image);
    // Back to normal: text goes to the display again.
    e.feed(clearDisplay() + "ok");
    QCOMPARE(e.state().rowsText()[0].trimmed(), QStringLiteral("ok"));
}

void TestTerminalEngine::imageWithoutClosingZeroGoesOnWithNextCommand() {
    TerminalEngine e;
    const QByteArray image = bytes({'A', 0, 'B', 0, 0});
    QCOMPARE(e.feed(beginFixedTexts() + image + readFixedTexts()), image + image);
    // A second, shorter programming replaces the first image entirely.
    const QByteArray shorter = bytes({'C', 0, 0});
    QCOMPARE(e.feed(beginFixedTexts() + shorter + z()), shorter);
    QCOMPARE(e.feed(readFixedTexts()), shorter);
}

void TestTerminalEngine::fixedTextShown_data() {
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("n");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("text 0: CR starts a row") << 16 << 4 << 0 << QStringList{"AB", "CD", "", ""};
    QTest::newRow("text 1 wraps at the column count")
        << 8 << 2 << 1 << QStringList{"12345678", "9ABC"};
    QTest::newRow("text 2 is empty") << 16 << 2 << 2 << QStringList{"", ""};
    QTest::newRow("a text beyond the image shows nothing") << 16 << 2 << 9 << QStringList{"", ""};
    QTest::newRow("number above 127 is ignored") << 16 << 2 << 200 << QStringList{"before", ""};
}

void TestTerminalEngine::fixedTextShown() {
    QFETCH(int, columns);
    QFETCH(int, rows);
    QFETCH(int, n);
    QFETCH(QStringList, shown);
    TerminalOptions o;
    o.columns = columns;
    o.rows = rows;
    TerminalEngine e(o);
    e.feed(beginFixedTexts() + "AB\rCD" + z() + "123456789ABC" + z() + z() + z() + z());
    e.feed("before" + showFixedText(n));
    QCOMPARE(e.state().rowsText(), padded(shown, columns));
}

// ---- key table and keyboard ---------------------------------------------------------------

void TestTerminalEngine::keyTable() {
    TerminalEngine e;
    // Power-on: row in the high nibble, column in the low one.
    QCOMPARE(e.pressKey(0), bytes({0x00}));
    QCOMPARE(e.pressKey(9), bytes({0x11}));
    QCOMPARE(e.pressKey(31), bytes({0x37}));
    QCOMPARE(e.pressKey(32), QByteArray());

    QByteArray table;
    for (int k = 0; k < 32; ++k)
        table.append(static_cast<char>(k == 1 ? 27 : k == 2 ? 13 : k == 3 ? 0 : 'a' + k % 26));
    QCOMPARE(e.feed(loadKeyTable()), QByteArray());
    QByteArray echoes;
    for (char c : table)
        echoes += e.feed(QByteArray(1, c));
    QCOMPARE(echoes, table);
    QVERIFY(e.idle());
    QCOMPARE(e.state().keyTable, table);
    QCOMPARE(e.pressKey(1), bytes({27}));
    QCOMPARE(e.pressKey(4), QByteArray("e"));
    // The next byte is display text again.
    e.feed("x");
    QCOMPARE(e.state().rowsText()[0].trimmed(), QStringLiteral("x"));
}

void TestTerminalEngine::keyboardModes_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QByteArray>("sentAtPress");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("unbuffered: sent at once")
        << keyboardMode(1) << QList<int>{10} << bytes({0x12}) << QByteArray() << QByteArray();
    QTest::newRow("polling: buffered, answered on request")
        << keyboardMode(0) << QList<int>{10} << QByteArray() << keyboardMode(0) << bytes({0x12});
    QTest::newRow("polling: answered once") << keyboardMode(0) << QList<int>{10} << QByteArray()
                                            << keyboardMode(0) + keyboardMode(0) << bytes({0x12});
    QTest::newRow("polling: the first unread key is kept")
        << keyboardMode(0) << QList<int>{1, 2} << QByteArray() << keyboardMode(0) << bytes({0x01});
    QTest::newRow("leaving polling mode drops the buffer")
        << keyboardMode(0) << QList<int>{3} << QByteArray() << keyboardMode(2) + keyboardMode(0)
        << QByteArray();
    QTest::newRow("a mode digit beyond 7 is ignored")
        << keyboardMode(0) + bytes({27, '&', 'P', '9'}) << QList<int>{4} << QByteArray()
        << keyboardMode(0) << bytes({0x04});
    QTest::newRow("repeat mode sends every press")
        << keyboardMode(7) << QList<int>{8, 8} << bytes({0x10, 0x10}) << QByteArray()
        << QByteArray();
}

void TestTerminalEngine::keyboardModes() {
    QFETCH(QByteArray, before);
    QFETCH(QList<int>, keys);
    QFETCH(QByteArray, after);
    TerminalEngine e;
    QCOMPARE(e.feed(before), QByteArray());
    QByteArray sent;
    for (int k : keys)
        sent += e.pressKey(k);
    QTEST(sent, "sentAtPress");
    QTEST(e.feed(after), "answer");
}

// ---- bus ---------------------------------------------------------------------------------

void TestTerminalEngine::busSelection_data() {
    QTest::addColumn<int>("own");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QString>("row0");

    QTest::newRow("own address selected")
        << 3 << selectTerminal(3) + versionQuery() << QByteArray("1.80B") << true << "";
    QTest::newRow("another one selected: deaf")
        << 3 << selectTerminal(5) + versionQuery() + "text" + beginFixedTexts() + "A"
        << QByteArray() << false << "";
    QTest::newRow("selected again by address")
        << 3 << selectTerminal(5) + "x" + selectTerminal(3) + "y" << QByteArray() << true << "y";
    QTest::newRow("selected again by all")
        << 0 << selectTerminal(9) + selectAllTerminals() + "z" << QByteArray() << true << "z";
    QTest::newRow("selection split over noise")
        << 0 << selectTerminal(9) + bytes({27, 27, '&', 'A', 0}) + "w" << QByteArray() << true
        << "w";
    QTest::newRow("address 15") << 15 << selectTerminal(0) + selectTerminal(15) << QByteArray()
                                << true << "";
    QTest::newRow("address beyond 15 ignored")
        << 0 << bytes({27, '&', 'A', 16}) << QByteArray() << true << "";
}

void TestTerminalEngine::busSelection() {
    QFETCH(int, own);
    QFETCH(QByteArray, input);
    TerminalOptions o;
    o.busAddress = own;
    TerminalEngine e(o);
    QTEST(e.feed(input), "reply");
    QTEST(e.state().selected, "selected");
    QTEST(e.state().rowsText()[0].trimmed(), "row0");
    if (!e.state().selected) QCOMPARE(e.pressKey(0), QByteArray());
}

// ---- stored settings ----------------------------------------------------------------------

void TestTerminalEngine::displayType_data() {
    QTest::addColumn<int>("startColumns");
    QTest::addColumn<int>("startRows");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");

    QTest::newRow("16x2") << 20 << 4 << 1 << 16 << 2;
    QTest::newRow("40x4") << 20 << 4 << 12 << 40 << 4;
    QTest::newRow("24x1") << 20 << 4 << 6 << 24 << 1;
    QTest::newRow("code 0 from 20x4 is 8x2") << 20 << 4 << 0 << 8 << 2;
    QTest::newRow("code 0 keeps a fitted 16x1") << 16 << 1 << 0 << 16 << 1;
    QTest::newRow("unknown code 13 changes nothing") << 20 << 4 << 13 << 20 << 4;
}

void TestTerminalEngine::displayType() {
    QFETCH(int, startColumns);
    QFETCH(int, startRows);
    QFETCH(int, code);
    QFETCH(int, columns);
    QFETCH(int, rows);
    TerminalOptions o;
    o.columns = startColumns;
    o.rows = startRows;
    TerminalEngine e(o);
    e.feed("abc" + storeDisplayType(code) + "X");
    QCOMPARE(e.state().columns, columns);
    QCOMPARE(e.state().rows, rows);
    QCOMPARE(e.state().lines.size(), rows);
    for (const auto& line : e.state().lines)
        QCOMPARE(line.size(), columns);
    const bool changed = columns != startColumns || rows != startRows;
    QCOMPARE(e.state().rowsText()[0].trimmed(),
             changed ? QStringLiteral("X") : QStringLiteral("abcX"));
}

void TestTerminalEngine::speed_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("baud");

    QTest::newRow("power-on") << QByteArray() << 9600;
    QTest::newRow("4800") << storeSpeed(1) << 4800;
    QTest::newRow("1200") << storeSpeed(3) << 1200;
    QTest::newRow("code 4 ignored") << storeSpeed(2) + storeSpeed(4) << 2400;
}

void TestTerminalEngine::speed() {
    QFETCH(QByteArray, input);
    TerminalEngine e;
    e.feed(input);
    QTEST(e.state().baud(), "baud");
    QVERIFY(e.idle());
}

// ---- CG-RAM -------------------------------------------------------------------------------

void TestTerminalEngine::cgram_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("echo");
    QTest::addColumn<int>("place");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("placeOfA");

    QTest::newRow("place 3 bound to A: code and rows echoed, not the place")
        << cg(3, 'A', {31, 17, 17, 31, 17, 17, 17, 0})
        << bytes({'A', 31, 17, 17, 31, 17, 17, 17, 0}) << 3 << int('A') << 3;
    QTest::newRow("rows 10, 13, 27 are data")
        << cg(0, 'A', {10, 13, 27, 0, 0, 0, 0, 0}) << bytes({'A', 10, 13, 27, 0, 0, 0, 0, 0}) << 0
        << int('A') << 0;
    QTest::newRow("code 10 unbinds")
        << cg(2, 'A', {1, 1, 1, 1, 1, 1, 1, 0}) + cg(2, 10, {0, 0, 0, 0, 0, 0, 0, 0})
        << bytes({'A', 1, 1, 1, 1, 1, 1, 1, 0}) + bytes({10, 0, 0, 0, 0, 0, 0, 0, 0}) << 2 << -1
        << -1;
    QTest::newRow("a code moves to the newest place")
        << cg(1, 'A', {0, 0, 0, 0, 0, 0, 0, 0}) + cg(5, 'A', {4, 4, 4, 4, 4, 4, 4, 0})
        << bytes({'A', 0, 0, 0, 0, 0, 0, 0, 0}) + bytes({'A', 4, 4, 4, 4, 4, 4, 4, 0}) << 1 << -1
        << 5;
    QTest::newRow("the animation demo's code 16")
        << cg(7, 16, {1, 2, 4, 8, 16, 8, 4, 0}) << bytes({16, 1, 2, 4, 8, 16, 8, 4, 0}) << 7 << 16
        << -1;
    QTest::newRow("place 8 is no place: nothing echoed")
        << cg(8, 'A', {1, 2, 3, 4, 5, 6, 7, 0}) << QByteArray() << 0 << -1 << -1;
}

void TestTerminalEngine::cgram() {
    QFETCH(QByteArray, input);
    QFETCH(int, place);
    QFETCH(int, code);
    TerminalEngine e;
    QTEST(e.feed(input), "echo");
    QCOMPARE(e.state().cgram[place].code, code);
    QTEST(e.state().placeForCode('A'), "placeOfA");
    if (code >= 0) {
        const QByteArray rows = input.right(8);
        for (int r = 0; r < 8; ++r)
            QCOMPARE(int(e.state().cgram[place].rows[r]), static_cast<quint8>(rows[r]) & 0x1F);
        QVERIFY(e.idle());
    }
}

// ---- faults -------------------------------------------------------------------------------

void TestTerminalEngine::faults_data() {
    QTest::addColumn<TerminalOptions>("options");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("reply");

    TerminalOptions o;
    o.noEchoAfter = 2;
    QTest::newRow("no echo after byte 2")
        << o << beginFixedTexts() + "ABCD" + z() + z() << QByteArray("AB");
    QTest::newRow("echo count restarts with each transfer")
        << o << cg(0, 'A', {0, 0, 0, 0, 0, 0, 0, 0}) + loadKeyTable() + QByteArray(32, 'k')
        << bytes({'A', 0}) + "kk";
    QTest::newRow("replies are not echoes") << o << versionQuery() << QByteArray("1.80B");
    o.noEchoAfter = 0;
    QTest::newRow("no echo at all") << o << loadKeyTable() + QByteArray(32, 'k') << QByteArray();

    o = {};
    o.wrongEchoAt = 3;
    QTest::newRow("wrong echo at byte 3") << o << beginFixedTexts() + "ABCD" + z() + z()
                                          << QByteArray("AB") + bytes({0xBC}) + "D" + z() + z();

    o = {};
    o.silentVersion = true;
    QTest::newRow("silent to the version query") << o << versionQuery() << QByteArray();
    QTest::newRow("silent version, EEPROM still answered")
        << o << eepromQuery() << QByteArray("E111111110000000000000000;");
    o.silentEeprom = true;
    QTest::newRow("old firmware: both silent")
        << o << versionQuery() + eepromQuery() << QByteArray();

    o = {};
    o.shortVersionReply = true;
    QTest::newRow("too-short version reply") << o << versionQuery() << QByteArray("B");

    o = {};
    o.eepromCapacity = 4;
    QTest::newRow("full EEPROM stops echoing")
        << o << beginFixedTexts() + "ABCDEF" + z() + z() + z() << QByteArray("ABCD");

    o = {};
    o.noise = bytes({0xFF, 0x00});
    QTest::newRow("noise after a reply")
        << o << versionQuery() << QByteArray("1.80B") + bytes({0xFF, 0});
    QTest::newRow("noise after each echo")
        << o << loadKeyTable() + "ab" << bytes({'a', 0xFF, 0, 'b', 0xFF, 0});
    QTest::newRow("no noise without a reply")
        << o << QByteArray("text") + clearDisplay() << QByteArray();

    o = {};
    o.versionReply = "2.01 Bus";
    QTest::newRow("own version text") << o << versionQuery() << QByteArray("2.01 Bus");
}

void TestTerminalEngine::faults() {
    QFETCH(TerminalOptions, options);
    QFETCH(QByteArray, input);
    TerminalEngine e(options);
    QTEST(e.feed(input), "reply");
}

void TestTerminalEngine::fullEepromReadBack() {
    TerminalOptions o;
    o.eepromCapacity = 5;
    TerminalEngine e(o);
    // As the program does on a missing echo: it stops and sends two 0 bytes.
    QCOMPARE(e.feed(beginFixedTexts() + "AB" + z() + "CDEF"), QByteArray("AB") + z() + "CD");
    QCOMPARE(e.feed(z() + z()), QByteArray());
    QVERIFY(e.idle());
    QCOMPARE(e.state().eeprom, QByteArray("AB") + z() + "CD");
    // The read-back still ends the way the program waits for.
    QCOMPARE(e.feed(readFixedTexts()), QByteArray("AB") + z() + "CD" + z() + z());
}

// ---- pultino-sim command line -------------------------------------------------------------

void TestTerminalEngine::arguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("capacity");

    QTest::newRow("defaults") << QStringList{} << true << 20 << 4 << 0 << 32768;
    QTest::newRow("display 16x2, address 7")
        << QStringList{"--display-type", "16x2", "--address", "7"} << true << 16 << 2 << 7 << 32768;
    QTest::newRow("display 8x2 without its blanks")
        << QStringList{"--display-type", "8x2"} << true << 8 << 2 << 0 << 32768;
    QTest::newRow("capacity") << QStringList{"--eeprom-capacity", "1900"} << true << 20 << 4 << 0
                              << 1900;
    QTest::newRow("unknown display")
        << QStringList{"--display-type", "12x3"} << false << 0 << 0 << 0 << 0;
    QTest::newRow("address 16") << QStringList{"--address", "16"} << false << 0 << 0 << 0 << 0;
    QTest::newRow("address text") << QStringList{"--address", "x"} << false << 0 << 0 << 0 << 0;
    QTest::newRow("bad noise") << QStringList{"--noise", "F"} << false << 0 << 0 << 0 << 0;
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << false << 0 << 0 << 0 << 0;
}

void TestTerminalEngine::arguments() {
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    SimulatorCommandLine cl;
    QString error;
    QCOMPARE(parseSimulatorArguments(QStringList{"pultino-sim"} + args, &cl, &error), ok);
    QCOMPARE(error.isEmpty(), ok);
    if (!ok) return;
    QTEST(cl.terminal.columns, "columns");
    QTEST(cl.terminal.rows, "rows");
    QTEST(cl.terminal.busAddress, "address");
    QTEST(cl.terminal.eepromCapacity, "capacity");
}

void TestTerminalEngine::faultArguments() {
    SimulatorCommandLine cl;
    QString error;
    QVERIFY(parseSimulatorArguments({"pultino-sim", "--no-echo-after", "5", "--wrong-echo-at", "3",
                                     "--old-firmware", "--short-version", "--noise", "0xFF,00",
                                     "--line-rate", "--strict-speed", "--headless",
                                     "--version-reply", "1.62B", "--screenshot", "/tmp/x.png"},
                                    &cl, &error));
    QCOMPARE(cl.terminal.noEchoAfter, 5);
    QCOMPARE(cl.terminal.wrongEchoAt, 3);
    QVERIFY(cl.terminal.silentVersion);
    QVERIFY(cl.terminal.silentEeprom);
    QVERIFY(cl.terminal.shortVersionReply);
    QCOMPARE(cl.terminal.noise, bytes({0xFF, 0x00}));
    QVERIFY(cl.terminal.lineRate);
    QVERIFY(cl.terminal.strictSpeed);
    QVERIFY(cl.headless);
    QCOMPARE(cl.terminal.versionReply, QByteArray("1.62B"));
    QCOMPARE(cl.screenshot, QStringLiteral("/tmp/x.png"));
    // Each query can be silenced on its own.
    QVERIFY(parseSimulatorArguments({"pultino-sim", "--silent-eeprom"}, &cl, &error));
    QVERIFY(!cl.terminal.silentVersion);
    QVERIFY(cl.terminal.silentEeprom);
}

QTEST_GUILESS_MAIN(TestTerminalEngine)
#include "tst_terminalengine.moc"
