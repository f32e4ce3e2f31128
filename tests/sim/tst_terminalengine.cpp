#include "core/commands.h"
#include "sim/deadlinetimer.h"
#include "sim/simoptions.h"
#include "sim/terminalengine.h"
#include "testbytes.h"

#include <QRegularExpression>
#include <QTest>

using namespace cmd;

Q_DECLARE_METATYPE(TerminalOptions)

namespace {

const QByteArray z(1, '\0');

QByteArray cg(int place, int code, std::initializer_list<int> rows) {
    return defineCharacter() + byte(place) + byte(code) + bytes(rows);
}

// The display in one line: size, cursor position ("_" when shown), rows without trailing
// blanks.
QString display(const TerminalState& s) {
    static const QRegularExpression trailingBlanks(QStringLiteral(" +(?=\\||$)"));
    return QString::asprintf("%dx%d %d,%d%s ", s.columns, s.rows, s.cursorRow, s.cursorColumn,
                             s.cursorOn ? "_" : "") +
           s.rowsText().join(u'|').remove(trailingBlanks);
}

} // namespace

class TestTerminalEngine : public QObject {
    Q_OBJECT
  private slots:
    // What the terminal answers to the bytes and what it shows afterwards.
    void terminal_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("screen"); // empty: not looked at
        QTest::addColumn<TerminalOptions>("options");
        auto row = [](const char* name, const QByteArray& input, const QByteArray& reply,
                      const QString& screen = {}, const TerminalOptions& options = {}) {
            QTest::newRow(name) << input << reply << screen << options;
        };
        using O = TerminalOptions;
        const QByteArray none;
        row("wraps to the next row", "1234567890ABCDEFGHIJX", none,
            "20x4 1,1 1234567890ABCDEFGHIJ|X||");
        row("last row wraps to the first", cursorPosition(3, 19) + "AB", none,
            "20x4 0,1 B|||                   A");
        row("clear empties and homes", "ABC\rDEF" + clearDisplay(), none, "20x4 0,0 |||");
        row("cursor position, one column byte", cursorPosition(1, 5) + "X", none,
            "20x4 1,6 |     X||");
        row("column as tens and units", bytes({27, '[', 2, ';', 1, 1, 'H'}), none, "20x4 2,11 |||");
        row("column byte 27 is a column, not ESC", cursorPosition(0, 27), none, "40x4 0,27 |||",
            {.columns = 40});
        row("position beyond the display is clamped", cursorPosition(7, 30), none, "20x4 3,19 |||");
        row("unknown ESC letter dropped with its letter", bytes({27, 'C'}) + "Hi", none,
            "20x4 0,2 Hi|||");
        row("broken cursor command, next ESC still understood",
            bytes({27, '[', 1, 'X'}) + cursorOn() + "Hi", none, "20x4 0,2_ Hi|||");

        row("display type 16x2 starts empty", "abc" + storeDisplayType(1) + "X", none,
            "16x2 0,1 X|");
        row("display type 0 keeps a fitted 16x1", "abc" + storeDisplayType(0) + "X", none,
            "16x1 0,4 abcX", {.columns = 16, .rows = 1});

        const QByteArray stored = "AB\rCD" + z + "123456789ABC" + z + z;
        const QByteArray program = beginFixedTexts() + stored + z + "before";
        const O d8x2{.columns = 8, .rows = 2};
        row("text 0: CR starts a row", program + showFixedText(0), stored, "8x2 1,2 AB|CD", d8x2);
        row("text 1 wraps at the column count", program + showFixedText(1), stored,
            "8x2 1,4 12345678|9ABC", d8x2);
        row("text number above 127 is ignored", program + showFixedText(200), stored,
            "8x2 0,6 before|", d8x2);

        row("own bus address selected", selectTerminal(3) + versionQuery(), "1.80B", {},
            {.busAddress = 3});
        row("another one selected: deaf",
            selectTerminal(5) + versionQuery() + "text" + beginFixedTexts() + "A", none,
            "20x4 0,0 |||", {.busAddress = 3});
        row("selected again by address", selectTerminal(5) + "x" + selectTerminal(3) + "y", none,
            "20x4 0,1 y|||", {.busAddress = 3});

        const QByteArray eeprom("E111111110000000000000000;");
        const QByteArray image = bytes({'A', 0, 'B', 0, 0});
        row("EEPROM", eepromQuery(), eeprom);
        row("image echoed, the closing 0 not, read back",
            beginFixedTexts() + image + z + readFixedTexts(), image + image);
        row("without the closing 0 the next command is understood",
            beginFixedTexts() + image + readFixedTexts(), image + image);
        row("a new image replaces the old one",
            beginFixedTexts() + image + z + beginFixedTexts() + "C" + z + z + z + readFixedTexts(),
            image + "C" + z + z + "C" + z + z);
        row("key table echoed", loadKeyTable() + QByteArray(32, '\x1b'), QByteArray(32, '\x1b'));

        const QByteArray abcd = beginFixedTexts() + "ABCD" + z + z;
        row("no echo after byte 2", abcd, "AB", {}, {.noEchoAfter = 2});
        row("echo count restarts with each transfer",
            cg(0, 'A', {0, 0, 0, 0, 0, 0, 0, 0}) + loadKeyTable() + QByteArray(32, 'k'),
            bytes({'A', 0}) + "kk", {}, {.noEchoAfter = 2});
        row("wrong echo at byte 3", abcd, QByteArray("AB") + bytes({0xBC}) + "D" + z + z, {},
            {.wrongEchoAt = 3});
        row("silent to the version query", versionQuery(), none, {}, {.silentVersion = true});
        row("silent to the EEPROM query", eepromQuery(), none, {}, {.silentEeprom = true});
        row("too-short version reply", versionQuery(), "B", {}, {.shortVersionReply = true});
        // As the program does on a missing echo: it stops and sends two 0 bytes, then reads.
        row("full EEPROM stops echoing, read-back still ends in 0, 0",
            beginFixedTexts() + "AB" + z + "CDEF" + z + z + readFixedTexts(),
            "AB" + z + "CD" + "AB" + z + "CD" + z + z, {}, {.eepromCapacity = 5});
        const O noisy{.noise = bytes({0xFF, 0x00})};
        row("noise after each reply and echo", versionQuery() + loadKeyTable() + "a",
            "1.80B" + bytes({0xFF, 0, 'a', 0xFF, 0}), {}, noisy);
    }
    void terminal() {
        QFETCH(QByteArray, input);
        QFETCH(QString, screen);
        QFETCH(TerminalOptions, options);
        TerminalEngine e(options);
        QTEST(e.feed(input), "reply");
        if (!screen.isEmpty()) QCOMPARE(display(e.state()), screen);
    }

    void keys_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QByteArray>("sentAtPress");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArray>("answer");
        const QByteArray none;
        // Power-on: row in the high nibble, column in the low one.
        QTest::newRow("standard table")
            << none << QList<int>{0, 9, 31, 32} << bytes({0x00, 0x11, 0x37}) << none << none;
        QTest::newRow("not selected: nothing sent")
            << selectTerminal(5) << QList<int>{1} << none << none << none;
        QTest::newRow("polling: answered once on request")
            << keyboardMode(0) << QList<int>{10} << none << keyboardMode(0).repeated(2)
            << bytes({0x12});
        QTest::newRow("polling: the first unread key is kept")
            << keyboardMode(0) << QList<int>{1, 2} << none << keyboardMode(0) << bytes({0x01});
        QTest::newRow("leaving polling mode drops the buffer")
            << keyboardMode(0) << QList<int>{3} << none << keyboardMode(1) + keyboardMode(0)
            << none;
    }
    void keys() {
        QFETCH(QByteArray, before);
        QFETCH(QList<int>, keys);
        QFETCH(QByteArray, after);
        TerminalEngine e;
        e.feed(before);
        QVERIFY(e.idle());
        QByteArray sent;
        for (int k : keys)
            sent += e.pressKey(k);
        QTEST(sent, "sentAtPress");
        QTEST(e.feed(after), "answer");
    }

    void cgram_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("echo");
        QTest::addColumn<int>("placeOfA");
        const QByteArray a1 = cg(1, 'A', {1, 1, 1, 1, 1, 1, 1, 0});
        const QByteArray echo1 = bytes({'A', 1, 1, 1, 1, 1, 1, 1, 0});
        QTest::newRow("code and rows echoed, not the place") << a1 << echo1 << 1;
        QTest::newRow("code 10 unbinds") << a1 + cg(1, 10, {0, 0, 0, 0, 0, 0, 0, 0})
                                         << echo1 + bytes({10, 0, 0, 0, 0, 0, 0, 0, 0}) << -1;
        QTest::newRow("a code moves to the newest place")
            << a1 + cg(5, 'A', {4, 4, 4, 4, 4, 4, 4, 0})
            << echo1 + bytes({'A', 4, 4, 4, 4, 4, 4, 4, 0}) << 5;
        QTest::newRow("place 8 is no place: nothing echoed")
            << cg(8, 'A', {1, 2, 3, 4, 5, 6, 7, 0}) << QByteArray() << -1;
    }
    void cgram() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, echo);
        QFETCH(int, placeOfA);
        TerminalEngine e;
        QCOMPARE(e.feed(input), echo);
        QCOMPARE(e.state().placeForCode('A'), placeOfA);
        // The place shows the rows as echoed after the code.
        const auto& rows = e.state().cgram[qMax(0, placeOfA)].rows;
        if (placeOfA >= 0)
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(rows.data()), 8), echo.right(8));
        QCOMPARE(e.state().placeForCode(10), -1);
        QVERIFY(e.idle());
    }

    // An ESC inside a transfer followed by a quiet line breaks the transfer off and begins a
    // command; followed at once by more data it was a data byte.
    void escInTransfer_data() {
        QTest::addColumn<QByteArray>("input"); // ESC (if any) last, then the line goes quiet
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArray>("reply"); // to `after`
        QTest::addColumn<QByteArray>("kept");  // image read back | first three key codes
        const QByteArray esc(1, 27);
        const QByteArray table = bytes({0, 1, 2}); // power-on codes of keys 0..2
        const QByteArray v("&V");
        QTest::newRow("image: lone ESC ends it")
            << beginFixedTexts() + "AB" + esc << v << QByteArray("1.80B")
            << "AB" + z + z + "|" + table;
        QTest::newRow("image: ESC then data is data")
            << beginFixedTexts() + "A" + esc + "B" << z + z << z + z
            << "A" + esc + "B" + z + z + "|" + table;
        QTest::newRow("key table: lone ESC ends it, codes before it kept")
            << loadKeyTable() + "ab" + esc << v << QByteArray("1.80B")
            << z + z + "|ab" + table.mid(2);
        QTest::newRow("character: ESC as the last byte completes it")
            << cg(0, 'A', {1, 2, 3, 4, 5, 6, 7}) + esc << versionQuery() << QByteArray("1.80B")
            << z + z + "|" + table;
    }
    void escInTransfer() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, after);
        TerminalEngine e;
        e.feed(input);
        e.lineQuiet();
        QTEST(e.feed(after), "reply");
        QTEST(e.fixedTextImage() + "|" + e.state().keyTable.left(3), "kept");
    }

    void arguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QList<int>>("terminal"); // columns, rows, address, capacity, speed code
        QTest::newRow("display 16x2, address 7, capacity, 2400 baud")
            << QStringList{"--display-type",    "16x2", "--address", "7",
                           "--eeprom-capacity", "1900", "--speed",   "2400"}
            << QList<int>{16, 2, 7, 1900, 2};
        for (const char* refused :
             {"--speed 300", "--display-type 12x3", "--address 16", "--noise F"})
            QTest::newRow(refused) << QString::fromLatin1(refused).split(u' ') << QList<int>();
    }
    void arguments() {
        QFETCH(QStringList, args);
        QFETCH(QList<int>, terminal);
        SimulatorCommandLine cl;
        QString error;
        QCOMPARE(parseSimulatorArguments(QStringList{"pultino-sim"} + args, &cl, &error),
                 !terminal.isEmpty());
        QCOMPARE(error.isEmpty(), !terminal.isEmpty());
        const auto& t = cl.terminal;
        if (!terminal.isEmpty())
            QCOMPARE((QList<int>{t.columns, t.rows, t.busAddress, t.eepromCapacity, t.speedCode}),
                     terminal);
    }

    // Of a burst of answers only the newest bytes are kept, however long the burst.
    void feedKeepsTheNewestAnswers() {
        TerminalEngine e;
        for (int n : {2, 3})
            QCOMPARE(e.feed(versionQuery().repeated(n), 7), QByteArray("0B1.80B"));
    }

    // Stopped before its deadline, the line's pacing timer stays silent.
    void stoppedTimerStaysSilent() {
        DeadlineTimer timer;
        int fired = 0;
        connect(&timer, &DeadlineTimer::timeout, this, [&fired] { ++fired; });
        timer.start(2'000'000);
        timer.stop();
        QTest::qWait(30);
        QCOMPARE(fired, 0);
        timer.start(2'000'000);
        QTRY_COMPARE(fired, 1);
    }
};

QTEST_GUILESS_MAIN(TestTerminalEngine)
#include "tst_terminalengine.moc"
