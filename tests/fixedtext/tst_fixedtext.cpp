#include "fixedtext/fixedtext.h"

#include "core/displaytypes.h"

#include <QTest>

namespace {

struct Entry {
    int n;
    int row;
    QString text;
};
using Entries = QList<Entry>;
using Texts = QList<QStringList>;

// `fill` goes into all 512 entries first, then the single entries.
FixedTextStore makeStore(const QString& fill, const Entries& entries) {
    FixedTextStore store;
    if (!fill.isEmpty())
        for (int n = 0; n < kFixedTextCount; ++n)
            for (int r = 0; r < kFixedTextRows; ++r)
                store.setEntry(n, r, fill);
    for (const auto& e : entries)
        store.setEntry(e.n, e.row, e.text);
    return store;
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

Texts textsOf(const QList<FixedText>& texts) {
    Texts out;
    for (const auto& t : texts)
        out.append(QStringList(t.begin(), t.end()));
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Entries)
Q_DECLARE_METATYPE(Texts)

class TestFixedText : public QObject {
    Q_OBJECT
  private slots:
    void image_data();
    void image();
    void readBack_data();
    void readBack();
    void readBackLeavesUnreachedTexts();
    void imageSurvivesReadBack_data();
    void imageSurvivesReadBack();
    void difference_data();
    void difference();
    void roundedNumber_data();
    void roundedNumber();
};

void TestFixedText::image_data() {
    QTest::addColumn<QString>("fill");
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("two rows ABC DE") << QString() << Entries{{0, 0, "ABC"}, {0, 1, "DE"}} << 2 << 16
                                     << bytes({65, 66, 67, 13, 68, 69, 0, 0});
    QTest::newRow("one row, empty text 0 is a blank")
        << QString() << Entries{{1, 0, "A"}} << 1 << 16 << bytes({32, 0, 65, 0, 0});
    QTest::newRow("empty store, 4 rows")
        << QString() << Entries{} << 4 << 20 << bytes({13, 13, 13, 0, 0});
    QTest::newRow("empty store, 2 rows") << QString() << Entries{} << 2 << 16 << bytes({13, 0, 0});
    QTest::newRow("empty store, 1 row") << QString() << Entries{} << 1 << 16 << bytes({32, 0, 0});
    QTest::newRow("blank text on 1 row")
        << QString() << Entries{{0, 0, "   "}, {1, 0, "B"}} << 1 << 16 << bytes({32, 0, 66, 0, 0});
    QTest::newRow("row of exactly C characters has no CR")
        << QString() << Entries{{0, 0, "ABCDEFGH"}, {0, 1, "X"}} << 2 << 8
        << QByteArray("ABCDEFGHX\0\0", 11);
    QTest::newRow("row one short of C has a CR")
        << QString() << Entries{{0, 0, "ABCDEFG"}, {0, 1, "X"}} << 2 << 8
        << QByteArray("ABCDEFG\rX\0\0", 11);
    QTest::newRow("trailing blanks removed before the CR test")
        << QString() << Entries{{0, 0, "ABCDEFG "}, {0, 1, "X"}} << 2 << 8
        << QByteArray("ABCDEFG\rX\0\0", 11);
    QTest::newRow("AB and three blanks")
        << QString() << Entries{{0, 0, "AB   "}} << 2 << 16 << bytes({65, 66, 13, 0, 0});
    QTest::newRow("leading blanks stay") << QString() << Entries{{0, 0, "  A"}, {0, 1, " B"}} << 2
                                         << 16 << QByteArray("  A\r B\0\0", 8);
    QTest::newRow("no CR after the last row")
        << QString() << Entries{{0, 2, "C"}} << 3 << 16 << QByteArray("\r\rC\0\0", 5);
    QTest::newRow("only text 5 sends texts 0 to 5")
        << QString() << Entries{{5, 1, "Z"}} << 2 << 16
        << QByteArray("\r\0\r\0\r\0\r\0\r\0\rZ\0\0", 14);
    QTest::newRow("blank-only texts do not count as last")
        << QString() << Entries{{2, 0, "Q"}, {9, 0, "   "}, {127, 1, " "}} << 2 << 16
        << QByteArray("\r\0\r\0Q\r\0\0", 8);
    QTest::newRow("rows beyond the display are not sent")
        << QString() << Entries{{0, 2, "hidden"}, {3, 3, "X"}} << 2 << 16 << bytes({13, 0, 0});
    QTest::newRow("text 127 is the last")
        << QString() << Entries{{127, 0, "E"}} << 1 << 8
        << QByteArray(" \0", 2).repeated(127) + "E" + QByteArray(2, '\0');
    QTest::newRow("Windows-1252 bytes") << QString() << Entries{{0, 0, QStringLiteral("ä€ß")}} << 1
                                        << 16 << bytes({0xE4, 0x80, 0xDF, 0, 0});
    QTest::newRow("40x4 full store") << QString(40, QLatin1Char('X')) << Entries{} << 4 << 40
                                     << (QByteArray(160, 'X') + '\0').repeated(128) + '\0';
    QTest::newRow("16x4 full store is not sent short")
        << QString(16, QLatin1Char('y')) << Entries{} << 4 << 16
        << (QByteArray(64, 'y') + '\0').repeated(128) + '\0';
}

void TestFixedText::image() {
    QFETCH(QString, fill);
    QFETCH(Entries, entries);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QByteArray, expected);
    QCOMPARE(buildFesttextImage(makeStore(fill, entries), rows, columns), expected);
}

void TestFixedText::readBack_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("columns");
    QTest::addColumn<Texts>("expected");

    QTest::newRow("AB CD and EF") << bytes({65, 66, 13, 67, 68, 0, 69, 70, 0, 0}) << 16
                                  << Texts{{"AB", "CD", "", ""}, {"EF", "", "", ""}};
    QTest::newRow("20 bytes wrap on 8 columns") << QByteArray("ABCDEFGHIJKLMNOPQRST\0\0", 22) << 8
                                                << Texts{{"ABCDEFGH", "IJKLMNOP", "QRST", ""}};
    QTest::newRow("empty text in the middle")
        << QByteArray("A\0\0B\0\0", 6) << 16
        << Texts{{"A", "", "", ""}, {"", "", "", ""}, {"B", "", "", ""}};
    QTest::newRow("CR at a full row opens the row after it")
        << QByteArray("ABCD\rEF\0\0", 9) << 4 << Texts{{"ABCD", "\rEF", "", ""}};
    QTest::newRow("CR in a short row")
        << QByteArray("ABC\rEF\0\0", 8) << 4 << Texts{{"ABC", "EF", "", ""}};
    QTest::newRow("fifth row dropped")
        << QByteArray("AABBCCDDEE\0\0", 12) << 2 << Texts{{"AA", "BB", "CC", "DD"}};
    QTest::newRow("fifth row by CR dropped")
        << QByteArray("\r\r\r\rX\0\0", 7) << 16 << Texts{{"", "", "", ""}};
    QTest::newRow("bytes after the last terminator ignored")
        << QByteArray("A\0BC\0", 5) << 16 << Texts{{"A", "", "", ""}};
    QTest::newRow("blank of a one-row text")
        << QByteArray(" \0A\0\0", 5) << 16 << Texts{{" ", "", "", ""}, {"A", "", "", ""}};
    QTest::newRow("Windows-1252 decoded")
        << bytes({0xE4, 0x80, 0, 0}) << 16 << Texts{{QStringLiteral("ä€"), "", "", ""}};
    QTest::newRow("empty reply") << QByteArray() << 16 << Texts{};
    QTest::newRow("last byte only") << QByteArray(1, '\0') << 16 << Texts{};

    Texts many;
    for (int i = 0; i < kFixedTextCount; ++i)
        many.append({"T", "", "", ""});
    QTest::newRow("texts after 127 dropped")
        << QByteArray("T\0", 2).repeated(130) + '\0' << 16 << many;
}

void TestFixedText::readBack() {
    QFETCH(QByteArray, reply);
    QFETCH(int, columns);
    QFETCH(Texts, expected);
    QCOMPARE(textsOf(parseFesttextReply(reply, columns)), expected);
}

void TestFixedText::readBackLeavesUnreachedTexts() {
    FixedTextStore store = makeStore(QStringLiteral("old"), {});
    applyFesttexts(store, parseFesttextReply(bytes({65, 66, 13, 67, 68, 0, 69, 70, 0, 0}), 16));
    QCOMPARE(store.text(0), (FixedText{"AB", "CD", "", ""}));
    QCOMPARE(store.text(1), (FixedText{"EF", "", "", ""}));
    for (int n = 2; n < kFixedTextCount; ++n)
        QCOMPARE(store.text(n), (FixedText{"old", "old", "old", "old"}));
}

void TestFixedText::imageSurvivesReadBack_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    for (const auto& type : kDisplayTypes)
        QTest::newRow(type.text) << type.rows << type.columns;
}

// Whatever the editor can hold comes back from the terminal as it went in, trailing blanks aside.
void TestFixedText::imageSurvivesReadBack() {
    QFETCH(int, rows);
    QFETCH(int, columns);
    FixedTextStore store;
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < rows; ++r) {
            const int length = (n * 7 + r * 3) % (columns + 1);
            QString row;
            for (int i = 0; i < length; ++i)
                row.append(QChar(i == 0 && n % 5 == 0 ? ' ' : u'a' + (n + r + i) % 26));
            store.setEntry(n, r, row);
        }
    store.setEntry(3, 0, QStringLiteral("ÄÖÜ"));
    store.setEntry(4, 0, QStringLiteral("x"));
    for (int r = 1; r < rows; ++r)
        store.setEntry(4, r, QString());

    FixedTextStore back;
    applyFesttexts(back, parseFesttextReply(buildFesttextImage(store, rows, columns), columns));
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < kFixedTextRows; ++r) {
            QString expected = r < rows ? store.entry(n, r) : QString();
            while (expected.endsWith(QLatin1Char(' ')))
                expected.chop(1);
            if (rows == 1 && r == 0 && expected.isEmpty()) expected = QStringLiteral(" ");
            QCOMPARE(back.entry(n, r), expected);
        }
}

void TestFixedText::difference_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("expected"); // -1: identical

    const QByteArray image("AB\rCD\0EF\0\0", 10);
    QTest::newRow("identical") << image << image << -1;
    QTest::newRow("one extra byte at the end") << image + 'X' << image << 10;
    QTest::newRow("reply one byte short") << image.left(9) << image << 9;
    QTest::newRow("silent terminal") << QByteArray() << image << 0;
    QTest::newRow("differs at 3") << QByteArray("AB\rXD\0EF\0\0", 10) << image << 3;
    QTest::newRow("differs at 0") << QByteArray("XB\rCD\0EF\0\0", 10) << image << 0;
}

void TestFixedText::difference() {
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, image);
    QFETCH(int, expected);
    const auto d = firstDifference(reply, image);
    QCOMPARE(d ? static_cast<int>(*d) : -1, expected);
}

void TestFixedText::roundedNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("expected"); // -999: no number

    QTest::newRow("200") << "200" << 0 << 255 << 200;
    QTest::newRow("300 out of range") << "300" << 0 << 255 << -999;
    QTest::newRow("-5 out of range") << "-5" << 0 << 255 << -999;
    QTest::newRow("-5 in range") << "-5" << -32768 << 32767 << -5;
    QTest::newRow("letters") << "abc" << 0 << 255 << -999;
    QTest::newRow("empty") << "" << 0 << 255 << -999;
    QTest::newRow("blanks around") << " 7 " << 0 << 255 << 7;
    QTest::newRow("half rounds to even, down") << "12.5" << 0 << 255 << 12;
    QTest::newRow("half rounds to even, up") << "13.5" << 0 << 255 << 14;
    QTest::newRow("decimal comma") << "1,6" << 0 << 255 << 2;
    QTest::newRow("rounded into range") << "255.4" << 0 << 255 << 255;
    QTest::newRow("rounded out of range") << "255.6" << 0 << 255 << -999;
    QTest::newRow("32768 is no 16-bit number") << "32768" << -32768 << 32767 << -999;
    QTest::newRow("-32768 is") << "-32768" << -32768 << 32767 << -32768;
    QTest::newRow("infinity") << "inf" << -32768 << 32767 << -999;
    QTest::newRow("number then letters") << "12abc" << 0 << 255 << -999;
}

void TestFixedText::roundedNumber() {
    QFETCH(QString, text);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, expected);
    QCOMPARE(parseRoundedNumber(text, min, max).value_or(-999), expected);
}

QTEST_GUILESS_MAIN(TestFixedText)
#include "tst_fixedtext.moc"
