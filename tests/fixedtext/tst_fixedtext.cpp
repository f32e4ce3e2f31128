#include "core/fileio.h"
#include "fixedtext/fixedtext.h"
#include "fixedtext/txtfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

namespace {

// A byte string with its embedded zeros, without the literal's own.
template <qsizetype N> QByteArray raw(const char (&s)[N]) {
    return QByteArray(s, N - 1);
}

// `store` with "n.r=text" entries set; "*=text" sets every entry.
FixedTextStore withEntries(FixedTextStore store, const QStringList& entries) {
    for (const QString& e : entries) {
        const QString key = e.section(u'=', 0, 0), value = e.section(u'=', 1);
        for (int n = 0; n < kFixedTextCount; ++n)
            for (int r = 0; r < kFixedTextRows; ++r)
                if (key == u"*" || key == QStringLiteral("%1.%2").arg(n).arg(r))
                    store.setEntry(n, r, value);
    }
    return store;
}

// Every entry names itself: "<prefix><n>.<r>".
FixedTextStore filled(const QString& prefix) {
    FixedTextStore store;
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < kFixedTextRows; ++r)
            store.setEntry(n, r, QStringLiteral("%1%2.%3").arg(prefix).arg(n).arg(r));
    return store;
}

} // namespace

class TestFixedText : public QObject {
    Q_OBJECT
  private slots:

    void image_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("ABC DE") << QStringList{"0.0=ABC", "0.1=DE"} << 2 << 16
                                << raw("ABC\rDE\0\0");
        QTest::newRow("1 row: empty text is a blank")
            << QStringList{"1.0=A"} << 1 << 16 << raw(" \0A\0\0");
        QTest::newRow("empty store, 4 rows") << QStringList{} << 4 << 20 << raw("\r\r\r\0\0");
        QTest::newRow("row of C characters: no CR")
            << QStringList{"0.0=ABCDEFGH", "0.1=X"} << 2 << 8 << raw("ABCDEFGHX\0\0");
        QTest::newRow("C-1 characters and a blank: CR")
            << QStringList{"0.0=ABCDEFG ", "0.1=X"} << 2 << 8 << raw("ABCDEFG\rX\0\0");
        QTest::newRow("leading blanks stay")
            << QStringList{"0.0=  A", "0.1= B"} << 2 << 16 << raw("  A\r B\0\0");
        QTest::newRow("blank texts and hidden rows do not count")
            << QStringList{"2.0=Q", "9.0=   ", "20.3=hidden"} << 2 << 16 << raw("\r\0\r\0Q\r\0\0");
        QTest::newRow("Windows-1252")
            << QStringList{QStringLiteral("0.0=ä€ß")} << 1 << 16 << raw("\xE4\x80\xDF\0\0");
        QTest::newRow("a 0 typed or pasted into a row goes out as a blank")
            << QStringList{QStringLiteral("0.0=AB") + QChar(0) + "CD", "1.0=" + QString(QChar(0)),
                           "2.0=E"}
            << 1 << 16 << raw("AB CD\0 \0E\0\0");
        QTest::newRow("40x4 full store") << QStringList{"*=" + QString(40, 'X')} << 4 << 40
                                         << (QByteArray(160, 'X') + '\0').repeated(128) + '\0';
    }

    void image() {
        QFETCH(QStringList, entries);
        QFETCH(int, rows);
        QFETCH(int, columns);
        QTEST(buildFesttextImage(withEntries({}, entries), rows, columns), "expected");
    }

    void readBack_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("AB CD, EF")
            << raw("AB\rCD\0EF\0\0") << 16 << QStringList{"AB|CD||", "EF|||"};
        QTest::newRow("20 bytes on 8 columns")
            << raw("ABCDEFGHIJKLMNOPQRST\0\0") << 8 << QStringList{"ABCDEFGH|IJKLMNOP|QRST|"};
        QTest::newRow("CR after a full row is a character, Windows-1252")
            << raw("ABCD\r\xE4\0\0") << 4 << QStringList{QStringLiteral("ABCD|\rä||")};
        QTest::newRow("fifth row dropped, bytes after the last 0 ignored")
            << raw("AABBCCDDEE\0BC\0") << 2 << QStringList{"AA|BB|CC|DD"};
        QTest::newRow("texts after 127 dropped")
            << raw("T\0").repeated(130) + '\0' << 16 << QStringList(128, "T|||");
    }

    void readBack() {
        QFETCH(QByteArray, reply);
        QFETCH(int, columns);
        QStringList texts;
        for (const FixedText& t : parseFesttextReply(reply, columns))
            texts.append(QStringList(t.begin(), t.end()).join(u'|'));
        QTEST(texts, "expected");
    }

    // Saved and loaded again on every row count, through Windows-1252.
    void fileRoundTrip() {
        const FixedTextStore store = withEntries(filled(QStringLiteral("äx ")), {"7.0="});
        const QString path = dir_.filePath(QStringLiteral("round.TXT"));
        for (int rows = 1; rows <= kFixedTextRows; ++rows) {
            QCOMPARE(saveFesttextFile(store, path, rows), QString());
            const QByteArray file = fileio::readFile(path).data;
            QVERIFY(file.startsWith("\xE4x 0.0\r\n") &&
                    file.count("\r\n") == kFixedTextCount * rows);
            FixedTextStore loaded;
            QCOMPARE(loadFesttextFile(loaded, path, rows, 40).error, QString());
            QCOMPARE(festtextFileContents(loaded, rows), file);
        }
    }

    void load_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QStringList>("expected"); // "n.r=text", loaded onto "old<n>.<r>" entries
        QTest::addColumn<int>("blanked");
        QTest::newRow("16x4 file on 16x2")
            << festtextFileContents(filled(QStringLiteral("f")), 4) << 2 << 16
            << QStringList{"0.0=f0.0",   "0.1=f0.1",    "1.0=f0.2",    "1.1=f0.3",
                           "0.2=old0.2", "127.0=f63.2", "127.1=f63.3", "127.3=old127.3"}
            << 0;
        QTest::newRow("30 characters on 20 columns, blanks kept")
            << QByteArray("  345678901234567890123456789 \r\n") << 2 << 20
            << QStringList{"0.0=  345678901234567890", "0.1=old0.1"} << 0;
        QTest::newRow("4-line file changes only text 0")
            << QByteArray("a\r\nb\r\n\r\nd\r\n") << 4 << 20
            << QStringList{"0.0=a", "0.1=b", "0.2=", "0.3=d", "1.0=old1.0"} << 0;
        QTest::newRow("LF, CR, last line without end")
            << QByteArray("a\n\nb\rc") << 4 << 20 << QStringList{"0.0=a", "0.1=", "0.2=b", "0.3=c"}
            << 0;
        QTest::newRow("0 bytes become blanks; those cut off are not counted")
            << raw("AB\0CD\r\n\0\r\n12345678\0\0") << 1 << 8
            << QStringList{"0.0=AB CD", "1.0= ", "2.0=12345678", "3.0=old3.0"} << 2;
    }

    void load() {
        QFETCH(QByteArray, file);
        QFETCH(int, rows);
        QFETCH(int, columns);
        QFETCH(QStringList, expected);
        const QString path = dir_.filePath(QStringLiteral("load.TXT"));
        QCOMPARE(fileio::writeFile(path, file), QString());
        FixedTextStore store = filled(QStringLiteral("old"));
        const FesttextLoad load = loadFesttextFile(store, path, rows, columns);
        QCOMPARE(load.error, QString());
        QTEST(load.blanked, "blanked");
        QVERIFY(withEntries(store, expected) == store);
    }

    // A disk that fills up in the middle of the file: the old file stays whole and no other is
    // left.
    void failedSaveLeavesOldFile() {
        QTemporaryDir own;
        const QString path = own.filePath(QStringLiteral("old.TXT"));
        QCOMPARE(fileio::writeFile(path, "old contents\r\n"), QString());
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit limit = old;
        limit.rlim_cur = 1000;
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        const QString error = saveFesttextFile(filled(QString(30, u'z')), path, 4);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
        QVERIFY(!error.isEmpty());
        QCOMPARE(fileio::readFile(path).data, QByteArray("old contents\r\n"));
        QCOMPARE(QDir(own.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.TXT")});
    }

  private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestFixedText)
#include "tst_fixedtext.moc"
