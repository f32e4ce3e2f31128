#include "fixedtext/fixedtext.h"

#include "core/displaytypes.h"

#include <QTest>

namespace {

// "n.r=text" entries; "*=text" fills all 512 entries first.
FixedTextStore makeStore(const QStringList& entries) {
    FixedTextStore store;
    for (const QString& e : entries) {
        const qsizetype eq = e.indexOf(QLatin1Char('='));
        const QString key = e.left(eq);
        if (key == QLatin1String("*")) {
            for (int n = 0; n < kFixedTextCount; ++n)
                store.setText(n, {e.mid(eq + 1), e.mid(eq + 1), e.mid(eq + 1), e.mid(eq + 1)});
        } else {
            store.setEntry(key.section(QLatin1Char('.'), 0, 0).toInt(),
                           key.section(QLatin1Char('.'), 1, 1).toInt(), e.mid(eq + 1));
        }
    }
    return store;
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

} // namespace

class TestFixedText : public QObject {
    Q_OBJECT
  private slots:
    void image_data();
    void image();
    void readBack_data();
    void readBack();
    void imageSurvivesReadBack_data();
    void imageSurvivesReadBack();
    void difference_data();
    void difference();
    void roundedNumber_data();
    void roundedNumber();
};

void TestFixedText::image_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("ABC DE") << QStringList{"0.0=ABC", "0.1=DE"} << 2 << 16
                            << bytes({65, 66, 67, 13, 68, 69, 0, 0});
    QTest::newRow("1 row: empty text is a blank")
        << QStringList{"1.0=A"} << 1 << 16 << bytes({32, 0, 65, 0, 0});
    QTest::newRow("1 row: blank text")
        << QStringList{"0.0=   ", "1.0=B"} << 1 << 16 << bytes({32, 0, 66, 0, 0});
    QTest::newRow("empty store, 4 rows") << QStringList{} << 4 << 20 << bytes({13, 13, 13, 0, 0});
    QTest::newRow("empty store, 1 row") << QStringList{} << 1 << 16 << bytes({32, 0, 0});
    QTest::newRow("row of C characters: no CR")
        << QStringList{"0.0=ABCDEFGH", "0.1=X"} << 2 << 8 << QByteArray("ABCDEFGHX\0\0", 11);
    QTest::newRow("C-1 characters and a blank: CR")
        << QStringList{"0.0=ABCDEFG ", "0.1=X"} << 2 << 8 << QByteArray("ABCDEFG\rX\0\0", 11);
    QTest::newRow("AB and three blanks")
        << QStringList{"0.0=AB   "} << 2 << 16 << bytes({65, 66, 13, 0, 0});
    QTest::newRow("leading blanks stay")
        << QStringList{"0.0=  A", "0.1= B"} << 2 << 16 << QByteArray("  A\r B\0\0", 8);
    QTest::newRow("no CR after the last row")
        << QStringList{"0.2=C"} << 3 << 16 << QByteArray("\r\rC\0\0", 5);
    QTest::newRow("only text 5") << QStringList{"5.1=Z"} << 2 << 16
                                 << QByteArray("\r\0", 2).repeated(5) + QByteArray("\rZ\0\0", 4);
    QTest::newRow("blank texts and hidden rows do not count")
        << QStringList{"2.0=Q", "9.0=   ", "20.3=hidden"} << 2 << 16
        << QByteArray("\r\0\r\0Q\r\0\0", 8);
    QTest::newRow("Windows-1252") << QStringList{QStringLiteral("0.0=ä€ß")} << 1 << 16
                                  << bytes({0xE4, 0x80, 0xDF, 0, 0});
    QTest::newRow("40x4 full store") << QStringList{"*=" + QString(40, 'X')} << 4 << 40
                                     << (QByteArray(160, 'X') + '\0').repeated(128) + '\0';
}

void TestFixedText::image() {
    QFETCH(QStringList, entries);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QByteArray, expected);
    QCOMPARE(buildFesttextImage(makeStore(entries), rows, columns), expected);
}

void TestFixedText::readBack_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QStringList>("expected"); // the texts' rows joined with "|"

    QTest::newRow("AB CD, EF") << bytes({65, 66, 13, 67, 68, 0, 69, 70, 0, 0}) << 16
                               << QStringList{"AB|CD||", "EF|||"};
    QTest::newRow("20 bytes on 8 columns") << QByteArray("ABCDEFGHIJKLMNOPQRST\0\0", 22) << 8
                                           << QStringList{"ABCDEFGH|IJKLMNOP|QRST|"};
    QTest::newRow("empty text") << QByteArray("A\0\0B\0\0", 6) << 16
                                << QStringList{"A|||", "|||", "B|||"};
    QTest::newRow("CR after a full row is a character")
        << QByteArray("ABCD\rEF\0\0", 9) << 4 << QStringList{"ABCD|\rEF||"};
    QTest::newRow("fifth row dropped")
        << QByteArray("AABBCCDDEE\0\0", 12) << 2 << QStringList{"AA|BB|CC|DD"};
    QTest::newRow("fifth row by CR dropped")
        << QByteArray("\r\r\r\rX\0\0", 7) << 16 << QStringList{"|||"};
    QTest::newRow("bytes after the last 0 ignored")
        << QByteArray("A\0BC\0", 5) << 16 << QStringList{"A|||"};
    QTest::newRow("Windows-1252") << bytes({0xE4, 0x80, 0, 0}) << 16
                                  << QStringList{QStringLiteral("ä€|||")};
    QTest::newRow("empty reply") << QByteArray() << 16 << QStringList{};
    QTest::newRow("texts after 127 dropped")
        << QByteArray("T\0", 2).repeated(130) + '\0' << 16 << QStringList(128, "T|||");
}

void TestFixedText::readBack() {
    QFETCH(QByteArray, reply);
    QFETCH(int, columns);
    QFETCH(QStringList, expected);
    QStringList texts;
    for (const FixedText& t : parseFesttextReply(reply, columns))
        texts.append(QStringList(t.begin(), t.end()).join(QLatin1Char('|')));
    QCOMPARE(texts, expected);
}

void TestFixedText::imageSurvivesReadBack_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    for (const auto& type : kDisplayTypes)
        QTest::newRow(type.text) << type.rows << type.columns;
}

// What the editor can hold comes back from the terminal as it went in, trailing blanks aside.
void TestFixedText::imageSurvivesReadBack() {
    QFETCH(int, rows);
    QFETCH(int, columns);
    FixedTextStore store;
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < rows; ++r) {
            QString row;
            for (int i = 0; i < (n * 7 + r * 3) % (columns + 1); ++i)
                row.append(QChar(i == 0 && n % 5 == 0 ? u' ' : u'a' + (n + r + i) % 26));
            store.setEntry(n, r, row);
        }
    store.setEntry(3, 0, QStringLiteral("ÄÖÜ"));

    FixedTextStore back;
    applyFesttexts(back, parseFesttextReply(buildFesttextImage(store, rows, columns), columns));
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < kFixedTextRows; ++r) {
            QString expected = r < rows ? store.entry(n, r) : QString();
            while (expected.endsWith(QLatin1Char(' ')))
                expected.chop(1);
            if (rows == 1 && expected.isEmpty() && r == 0) expected = QStringLiteral(" ");
            QCOMPARE(back.entry(n, r), expected);
        }
}

void TestFixedText::difference_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("expected"); // -1: identical
    QTest::newRow("identical") << QByteArray("AB\rCD\0\0", 7) << -1;
    QTest::newRow("one extra byte") << QByteArray("AB\rCD\0\0X", 8) << 7;
    QTest::newRow("one byte short") << QByteArray("AB\rCD\0", 6) << 6;
    QTest::newRow("silent terminal") << QByteArray() << 0;
    QTest::newRow("differs at 3") << QByteArray("AB\rXD\0\0", 7) << 3;
}

void TestFixedText::difference() {
    QFETCH(QByteArray, reply);
    QFETCH(int, expected);
    const auto d = firstDifference(reply, QByteArray("AB\rCD\0\0", 7));
    QCOMPARE(d ? static_cast<int>(*d) : -1, expected);
}

void TestFixedText::roundedNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("expected"); // -999: no number; the range is -max-1 .. max

    QTest::newRow("letters") << "abc" << 255 << -999;
    QTest::newRow("empty") << "" << 255 << -999;
    QTest::newRow("blanks around") << " 7 " << 255 << 7;
    QTest::newRow("half to even, down") << "12.5" << 255 << 12;
    QTest::newRow("half to even, up") << "13.5" << 255 << 14;
    QTest::newRow("decimal comma") << "1,6" << 255 << 2;
    QTest::newRow("rounded out of range") << "255.6" << 255 << -999;
    QTest::newRow("beyond 16 bits") << "32768" << 32767 << -999;
    QTest::newRow("16-bit minimum") << "-32768" << 32767 << -32768;
    QTest::newRow("infinity") << "inf" << 32767 << -999;
    QTest::newRow("number then letters") << "12abc" << 255 << -999;
}

void TestFixedText::roundedNumber() {
    QFETCH(QString, text);
    QFETCH(int, max);
    QFETCH(int, expected);
    QCOMPARE(parseRoundedNumber(text, -max - 1, max).value_or(-999), expected);
}

QTEST_GUILESS_MAIN(TestFixedText)
#include "tst_fixedtext.moc"
