#include "fixedtext/fixedtext.h"
#include "fixedtext/txtfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

FixedTextStore filled(const QString& prefix) {
    FixedTextStore store;
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < kFixedTextRows; ++r)
            store.setEntry(n, r, QStringLiteral("%1%2.%3").arg(prefix).arg(n).arg(r));
    return store;
}

// Writes beyond `bytes` fail for this process while it lives, as on a full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }

  private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};

} // namespace

class TestTxtFile : public QObject {
    Q_OBJECT
  private slots:
    void split_data();
    void split();
    void roundTrip_data();
    void roundTrip();
    void defaultsOnTwoRows();
    void fourRowFileOnTwoRows();
    void longLineIsCut();
    void shortFileTouchesOnlyWhatItReaches();
    void lfOnlyLoadsTheSame();
    void unreadableLeavesStore_data();
    void unreadableLeavesStore();
    void unwritableWritesNothing();
    void failedWriteKeepsOldFile();

  private:
    QTemporaryDir dir_;
};

void TestTxtFile::split_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << 10 << 20 << QStringList{"a", "b"};
    QTest::newRow("LF only") << QByteArray("a\nb\n") << 10 << 20 << QStringList{"a", "b"};
    QTest::newRow("CR only") << QByteArray("a\rb\r") << 10 << 20 << QStringList{"a", "b"};
    QTest::newRow("empty lines") << QByteArray("\r\n\r\nc\r\n") << 10 << 20
                                 << QStringList{"", "", "c"};
    QTest::newRow("LF LF is two lines") << QByteArray("\n\n") << 10 << 20 << QStringList{"", ""};
    QTest::newRow("CR CR LF is two lines")
        << QByteArray("x\r\r\n") << 10 << 20 << QStringList{"x", ""};
    QTest::newRow("last line without end")
        << QByteArray("a\r\nb") << 10 << 20 << QStringList{"a", "b"};
    QTest::newRow("empty file") << QByteArray() << 10 << 20 << QStringList{};
    QTest::newRow("cut to columns")
        << QByteArray("123456789\r\n12\r\n") << 10 << 5 << QStringList{"12345", "12"};
    QTest::newRow("stops at maxLines")
        << QByteArray("a\nb\nc\nd\n") << 2 << 20 << QStringList{"a", "b"};
    QTest::newRow("Windows-1252") << QByteArray("\xE4\x80\r\n") << 10 << 20
                                  << QStringList{QStringLiteral("ä€")};
    QTest::newRow("leading and trailing blanks kept")
        << QByteArray("  a  \r\n") << 10 << 20 << QStringList{"  a  "};
}

void TestTxtFile::split() {
    QFETCH(QByteArray, data);
    QFETCH(int, maxLines);
    QFETCH(int, columns);
    QFETCH(QStringList, expected);
    QCOMPARE(splitFesttextLines(data, maxLines, columns), expected);
}

void TestTxtFile::roundTrip_data() {
    QTest::addColumn<int>("rows");
    for (int rows = 1; rows <= 4; ++rows)
        QTest::addRow("%d rows", rows) << rows;
}

void TestTxtFile::roundTrip() {
    QFETCH(int, rows);
    FixedTextStore store = filled(QStringLiteral("äx "));
    store.setEntry(7, 0, QString());
    store.setEntry(8, 0, QStringLiteral("  lead"));
    const QString path = dir_.filePath(QStringLiteral("round%1.TXT").arg(rows));
    QCOMPARE(saveFesttextFile(store, path, rows), QString());
    QCOMPARE(readAll(path).count("\r\n"), kFixedTextCount * rows);

    FixedTextStore loaded;
    QCOMPARE(loadFesttextFile(loaded, path, rows, 40), QString());
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < kFixedTextRows; ++r)
            QCOMPARE(loaded.entry(n, r), r < rows ? store.entry(n, r) : QString());
}

void TestTxtFile::defaultsOnTwoRows() {
    FixedTextStore store;
    store.fillDefaults();
    const QString path = dir_.filePath(QStringLiteral("defaults.TXT"));
    QCOMPARE(saveFesttextFile(store, path, 2), QString());
    QByteArray expected;
    for (int n = 0; n < kFixedTextCount; ++n)
        expected += QByteArray::number(n).rightJustified(3, '0') + "\r\n\r\n";
    QCOMPARE(readAll(path), expected);
}

void TestTxtFile::fourRowFileOnTwoRows() {
    const QString path = dir_.filePath(QStringLiteral("16x4.TXT"));
    QCOMPARE(saveFesttextFile(filled(QStringLiteral("f")), path, 4), QString());

    FixedTextStore store = filled(QStringLiteral("old"));
    QCOMPARE(loadFesttextFile(store, path, 2, 16), QString());
    for (int n = 0; n < kFixedTextCount; ++n) {
        // Two lines per text: new text n holds old rows 2n%4, 2n%4+1 of old text n/2.
        const int old = n / 2;
        const int first = (n % 2) * 2;
        QCOMPARE(store.entry(n, 0), QStringLiteral("f%1.%2").arg(old).arg(first));
        QCOMPARE(store.entry(n, 1), QStringLiteral("f%1.%2").arg(old).arg(first + 1));
        QCOMPARE(store.entry(n, 2), QStringLiteral("old%1.2").arg(n));
        QCOMPARE(store.entry(n, 3), QStringLiteral("old%1.3").arg(n));
    }
}

void TestTxtFile::longLineIsCut() {
    const QString path = dir_.filePath(QStringLiteral("long.TXT"));
    QVERIFY(writeAll(path, "123456789012345678901234567890\r\nshort\r\n"));
    FixedTextStore store;
    QCOMPARE(loadFesttextFile(store, path, 2, 20), QString());
    QCOMPARE(store.entry(0, 0), QStringLiteral("12345678901234567890"));
    QCOMPARE(store.entry(0, 1), QStringLiteral("short"));
}

void TestTxtFile::shortFileTouchesOnlyWhatItReaches() {
    const QString path = dir_.filePath(QStringLiteral("four.TXT"));
    QVERIFY(writeAll(path, "a\r\nb\r\n\r\nd\r\n"));
    const FixedTextStore before = filled(QStringLiteral("k"));
    FixedTextStore store = before;
    QCOMPARE(loadFesttextFile(store, path, 4, 20), QString());
    QCOMPARE(store.text(0), (FixedText{"a", "b", "", "d"}));
    for (int n = 1; n < kFixedTextCount; ++n)
        QCOMPARE(store.text(n), before.text(n));
}

void TestTxtFile::lfOnlyLoadsTheSame() {
    FixedTextStore source = filled(QStringLiteral("lf"));
    QByteArray crlf = festtextFileContents(source, 3);
    QByteArray lf = crlf;
    lf.replace("\r\n", "\n");
    const QString a = dir_.filePath(QStringLiteral("crlf.TXT"));
    const QString b = dir_.filePath(QStringLiteral("lf.TXT"));
    QVERIFY(writeAll(a, crlf));
    QVERIFY(writeAll(b, lf));
    FixedTextStore fromCrLf;
    FixedTextStore fromLf;
    QCOMPARE(loadFesttextFile(fromCrLf, a, 3, 20), QString());
    QCOMPARE(loadFesttextFile(fromLf, b, 3, 20), QString());
    QVERIFY(fromCrLf == fromLf);
    QCOMPARE(fromLf.entry(127, 2), QStringLiteral("lf127.2"));
}

void TestTxtFile::unreadableLeavesStore_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("missing") << dir_.filePath(QStringLiteral("missing.TXT"));
    QTest::newRow("directory") << dir_.path();
}

void TestTxtFile::unreadableLeavesStore() {
    QFETCH(QString, path);
    const FixedTextStore before = filled(QStringLiteral("keep"));
    FixedTextStore store = before;
    QVERIFY(!loadFesttextFile(store, path, 4, 20).isEmpty());
    QVERIFY(store == before);
}

void TestTxtFile::unwritableWritesNothing() {
    const QString blocker = dir_.filePath(QStringLiteral("plainfile"));
    QVERIFY(writeAll(blocker, "x"));
    const QString path = blocker + QStringLiteral("/sub.TXT");
    QVERIFY(!saveFesttextFile(filled(QStringLiteral("w")), path, 4).isEmpty());
    QVERIFY(!QFile::exists(path));
    QCOMPARE(readAll(blocker), QByteArray("x"));
}

void TestTxtFile::failedWriteKeepsOldFile() {
    QTemporaryDir own;
    const QString path = own.filePath(QStringLiteral("old.TXT"));
    QVERIFY(writeAll(path, "old contents\r\n"));
    QString error;
    {
        FileSizeLimit limit(1000); // the 40x4 file is far larger
        error = saveFesttextFile(filled(QString(30, QLatin1Char('z'))), path, 4);
    }
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(path), QByteArray("old contents\r\n"));
    QCOMPARE(QDir(own.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.TXT")});
}

QTEST_GUILESS_MAIN(TestTxtFile)
#include "tst_txtfile.moc"
