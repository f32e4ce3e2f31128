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

// Every entry names itself: "<prefix><n>.<r>".
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
    void load_data();
    void load();
    void unreadableLeavesStore();
    void failedSaveLeavesNoHalfFile();

  private:
    QTemporaryDir dir_;
};

void TestTxtFile::split_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("CR LF") << QByteArray("a\r\n\r\nb\r\n") << 10 << QStringList{"a", "", "b"};
    QTest::newRow("LF only") << QByteArray("a\n\nb\n") << 10 << QStringList{"a", "", "b"};
    QTest::newRow("CR only") << QByteArray("a\rb\r") << 10 << QStringList{"a", "b"};
    QTest::newRow("last line without end") << QByteArray("a\r\nb") << 10 << QStringList{"a", "b"};
    QTest::newRow("empty file") << QByteArray() << 10 << QStringList{};
    QTest::newRow("cut to 5 columns, blanks kept")
        << QByteArray("123456789\r\n  2  \r\n") << 10 << QStringList{"12345", "  2  "};
    QTest::newRow("stops at maxLines") << QByteArray("a\nb\nc\n") << 2 << QStringList{"a", "b"};
    QTest::newRow("Windows-1252") << QByteArray("\xE4\x80\r\n") << 10
                                  << QStringList{QStringLiteral("ä€")};
}

void TestTxtFile::split() {
    QFETCH(QByteArray, data);
    QFETCH(int, maxLines);
    QFETCH(QStringList, expected);
    QCOMPARE(splitFesttextLines(data, maxLines, 5), expected);
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
    const QString path = dir_.filePath(QStringLiteral("round%1.TXT").arg(rows));
    QCOMPARE(saveFesttextFile(store, path, rows), QString());
    QCOMPARE(readAll(path).count("\r\n"), kFixedTextCount * rows);
    QVERIFY(readAll(path).startsWith("\xE4x 0.0\r\n"));

    FixedTextStore loaded;
    QCOMPARE(loadFesttextFile(loaded, path, rows, 40), QString());
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < kFixedTextRows; ++r)
            QCOMPARE(loaded.entry(n, r), r < rows ? store.entry(n, r) : QString());
}

void TestTxtFile::load_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    // Entries "n.r=text" checked after loading onto a store of "old<n>.<r>" entries.
    QTest::addColumn<QStringList>("expected");

    const QByteArray file16x4 = festtextFileContents(filled(QStringLiteral("f")), 4);
    QTest::newRow("16x4 file on 16x2")
        << file16x4 << 2 << 16
        << QStringList{"0.0=f0.0",   "0.1=f0.1",    "1.0=f0.2",    "1.1=f0.3",
                       "0.2=old0.2", "127.0=f63.2", "127.1=f63.3", "127.3=old127.3"};
    QByteArray lf = file16x4;
    lf.replace("\r\n", "\n");
    QTest::newRow("LF-only file") << lf << 4 << 16
                                  << QStringList{"0.0=f0.0", "127.3=f127.3", "64.2=f64.2"};
    QTest::newRow("30 characters on 20 columns")
        << QByteArray("123456789012345678901234567890\r\n") << 2 << 20
        << QStringList{"0.0=12345678901234567890", "0.1=old0.1"};
    QTest::newRow("4-line file changes only text 0")
        << QByteArray("a\r\nb\r\n\r\nd\r\n") << 4 << 20
        << QStringList{"0.0=a", "0.1=b", "0.2=", "0.3=d", "1.0=old1.0", "127.3=old127.3"};
}

void TestTxtFile::load() {
    QFETCH(QByteArray, file);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(QStringList, expected);
    const QString path = dir_.filePath(QStringLiteral("load.TXT"));
    QVERIFY(writeAll(path, file));
    FixedTextStore store = filled(QStringLiteral("old"));
    QCOMPARE(loadFesttextFile(store, path, rows, columns), QString());
    for (const QString& e : expected) {
        const QString key = e.section(QLatin1Char('='), 0, 0);
        QCOMPARE(store.entry(key.section(QLatin1Char('.'), 0, 0).toInt(),
                             key.section(QLatin1Char('.'), 1, 1).toInt()),
                 e.section(QLatin1Char('='), 1));
    }
}

void TestTxtFile::unreadableLeavesStore() {
    const FixedTextStore before = filled(QStringLiteral("keep"));
    for (const QString& path : {dir_.filePath(QStringLiteral("missing.TXT")), dir_.path()}) {
        FixedTextStore store = before;
        QVERIFY(!loadFesttextFile(store, path, 4, 20).isEmpty());
        QVERIFY(store == before);
    }
}

void TestTxtFile::failedSaveLeavesNoHalfFile() {
    QTemporaryDir own;
    // A target that cannot be created.
    const QString blocker = own.filePath(QStringLiteral("plainfile"));
    QVERIFY(writeAll(blocker, "x"));
    QVERIFY(!saveFesttextFile(filled(QStringLiteral("w")), blocker + "/sub.TXT", 4).isEmpty());

    // A disk that fills up in the middle of the file: the old file stays as it was.
    const QString path = own.filePath(QStringLiteral("old.TXT"));
    QVERIFY(writeAll(path, "old contents\r\n"));
    QString error;
    {
        FileSizeLimit limit(1000);
        error = saveFesttextFile(filled(QString(30, QLatin1Char('z'))), path, 4);
    }
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(path), QByteArray("old contents\r\n"));
    QCOMPARE(QDir(own.path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("old.TXT"), QStringLiteral("plainfile")}));
}

QTEST_GUILESS_MAIN(TestTxtFile)
#include "tst_txtfile.moc"
