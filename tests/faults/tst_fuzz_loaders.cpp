// Every file loader against thousands of generated files and the paths a careless or hostile
// choice in the open dialog can give. Whatever the file, a loader must return, must leave its
// target exactly as it was when it reports a failure, and must keep its target's own rules (for
// fixed texts: no 0 inside a text).
//
// ZEPTAL_FUZZ_CASES and ZEPTAL_FUZZ_SEED change the number of generated files and the seed.

#include "chars/pattern.h"
#include "core/fileio.h"
#include "fixedtext/fixedtext.h"
#include "fixedtext/txtfile.h"
#include "keyboard/keytable.h"

#include <QtTest>
#include <sys/stat.h>

namespace {

// One load into a fresh target: why it failed ("" when loaded), the target before and after,
// and a rule of the target that no longer holds.
struct Load {
    QString error;
    QByteArray before, after;
    QString broken;
};

// The fixed-text store on a random display, filled with recognisable rows. A 0 ends a text on
// the terminal: the image must hold exactly one per text it carries (every text up to the last
// non-blank one) and the closing one, or later texts shift.
Load loadTxt(const QString& path, QRandomGenerator& rng) {
    const int rows = rng.bounded(1, kFixedTextRows + 1), columns = rng.bounded(8, 41);
    FixedTextStore store;
    for (int n = 0; n < kFixedTextCount; ++n)
        store.setText(n, {QString::number(n), "b", "", "d"});
    Load l{{}, festtextFileContents(store, kFixedTextRows), {}, {}};
    l.error = loadFesttextFile(store, path, rows, columns).error;
    l.after = festtextFileContents(store, kFixedTextRows);
    int last = 0;
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < kFixedTextRows; ++r) {
            const QString& row = store.entry(n, r);
            if (row.contains(QChar(0)))
                l.broken = QStringLiteral("0 in text %1 row %2").arg(n).arg(r);
            if (r < rows && row.count(u' ') != row.size()) last = n;
        }
    const auto zeros = buildFesttextImage(store, rows, columns).count('\0');
    if (l.broken.isEmpty() && zeros != last + 2)
        l.broken = QStringLiteral("0 in the image: %1 zeros for %2 texts").arg(zeros).arg(last + 1);
    return l;
}

// A short binary record: loaded whole with no reason given, or refused with one. Which bytes
// a load keeps is the business of the loaders' own tests.
Load record(const std::optional<QByteArray>& got, const QString& why) {
    return {got || !why.isEmpty() ? why : QStringLiteral("no reason given"),
            "as edited",
            got.value_or("as edited"),
            {}};
}

Load loadTst(const QString& path, QRandomGenerator&) {
    const KeyTableFile f = readKeyTableFile(path);
    return record(f.ok() ? std::optional(f.codes) : std::nullopt, f.error);
}

Load loadChr(const QString& path, QRandomGenerator&) {
    const ChrLoad f = loadChrFile(path);
    return record(f.definition ? std::optional(chrRecord(*f.definition)) : std::nullopt, f.error);
}

struct Loader {
    const char* name;
    Load (*load)(const QString&, QRandomGenerator&);
    qint64 minimum; // a regular file shorter than this must be refused
};
const Loader kLoaders[] = {
    {".TXT", loadTxt, 0}, {".TST", loadTst, 0}, {".CHR", loadChr, kChrRecordSize}};

// A case slower than this is counted as a hang; it is far above any real file's load time, so
// a busy machine never reaches it.
constexpr qint64 kHangMs = 10000;

// Loads `path` and checks the properties; returns what went wrong.
QString check(const Loader& loader, QRandomGenerator& rng, const QString& path, bool mustFail) {
    const QFileInfo info(path);
    mustFail = mustFail || (info.isFile() && info.size() < loader.minimum);
    QElapsedTimer clock;
    clock.start();
    const Load l = loader.load(path, rng);
    if (clock.elapsed() > kHangMs) return QStringLiteral("hang (%1 ms)").arg(clock.elapsed());
    if (!l.error.isEmpty() && l.after != l.before)
        return QStringLiteral("target changed by a failed load: ") + l.error;
    if (mustFail && l.error.isEmpty()) return QStringLiteral("loaded what it must refuse");
    if (!mustFail && !l.error.isEmpty()) return QStringLiteral("refused: ") + l.error;
    return l.broken;
}

// Bytes that are hard on a line reader.
QByteArray randomFile(QRandomGenerator& rng) {
    static const QByteArray hard("\0\r\n\x1b\xff\x80 ", 8);
    const auto pick = [&] { return hard.at(rng.bounded(hard.size())); };
    const auto bytes = [&](qsizetype n, bool printable) {
        QByteArray b(n + 4, Qt::Uninitialized);
        rng.fillRange(reinterpret_cast<quint32*>(b.data()), b.size() / 4);
        b.truncate(n);
        if (printable)
            for (char& c : b)
                c = static_cast<char>(0x20 + static_cast<unsigned char>(c) % 0xE0);
        return b;
    };
    QByteArray data;
    switch (rng.bounded(8)) {
    case 0: // random bytes
        return bytes(rng.bounded(4096), false);
    case 1: // mostly 0 bytes
        data = QByteArray(rng.bounded(2048), '\0');
        for (int i = rng.bounded(50); i > 0 && !data.isEmpty(); --i)
            data[rng.bounded(data.size())] = pick();
        return data;
    case 2: // lines ended by lone CRs
        for (int i = rng.bounded(600); i > 0; --i)
            data += bytes(rng.bounded(45), true) + '\r';
        return data;
    case 3: // no line end at all
        return bytes(rng.bounded(1, 100000), true);
    case 4: // a few huge lines
        for (int i = rng.bounded(1, 4); i > 0; --i)
            data += bytes(rng.bounded(5000, 100000), true) + "\r\n";
        return data;
    case 5: // many short lines, beyond what any display uses
        for (int i = rng.bounded(3000); i > 0; --i)
            data += bytes(rng.bounded(3), true) + (rng.bounded(2) ? "\n" : "\r\n");
        return data;
    default: // text lines with every kind of end and hard bytes inside
        for (int i = rng.bounded(700); i > 0; --i) {
            data += bytes(rng.bounded(50), true);
            for (int k = rng.bounded(3); k > 0; --k)
                data.insert(rng.bounded(data.size() + 1), pick());
            data += QByteArray("\r\n\n\r\n\r").mid(rng.bounded(4), rng.bounded(1, 3));
        }
        return data;
    }
}

int envNumber(const char* name, int fallback) {
    const int n = qEnvironmentVariableIntValue(name);
    return n > 0 ? n : fallback;
}

} // namespace

class TestFuzzLoaders : public QObject {
    Q_OBJECT
  private slots:
    void generatedFiles_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kLoaders)); ++i)
            QTest::newRow(kLoaders[i].name) << i;
    }
    void generatedFiles() {
        QFETCH(int, row);
        const int cases = envNumber("ZEPTAL_FUZZ_CASES", 3000);
        const auto seed = static_cast<quint32>(envNumber("ZEPTAL_FUZZ_SEED", 8));
        QRandomGenerator rng(seed);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fuzz.bin"));
        QStringList faults;
        int run = 0;
        for (; run < cases && faults.size() < 5; ++run) {
            QVERIFY(fileio::writeFile(path, randomFile(rng)).isEmpty());
            const QString fault = check(kLoaders[row], rng, path, false);
            if (!fault.isEmpty()) faults << QStringLiteral("case %1: %2").arg(run).arg(fault);
        }
        const auto count = [&](const char* kind) {
            return int(faults.filter(QLatin1String(kind)).size());
        };
        qInfo("%s: %d generated files run, seed %u: %d hangs, %d with data lost, %d with a 0 "
              "inside a text, %d faults in all",
              kLoaders[row].name, run, seed, count("hang"), count("changed"), count("0 in"),
              int(faults.size()));
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }

    void pathsThatAreNoFiles_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("kind");
        for (int i = 0; i < int(std::size(kLoaders)); ++i)
            for (const char* kind :
                 {"missing", "folder", "named pipe", "/dev/zero", "link to /dev/zero", "link loop",
                  "2 GiB", "limit + 1", "exactly the limit", "empty"})
                QTest::addRow("%s %s", kLoaders[i].name, kind) << i << QString::fromLatin1(kind);
    }
    void pathsThatAreNoFiles() {
        QFETCH(int, row);
        QFETCH(QString, kind);
        // Only the last two are files a loader may take.
        const bool mustFail = kind != u"exactly the limit" && kind != u"empty";
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("x"));
        QFile file(path);
        const qint64 limit = fileio::kMaxFileSize;
        if (kind == u"folder") {
            QVERIFY(QDir().mkdir(path));
        } else if (kind == u"named pipe") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == u"/dev/zero") {
            path = kind;
        } else if (kind.startsWith(u"link")) {
            QVERIFY(QFile::link(kind == u"link loop" ? path : QStringLiteral("/dev/zero"), path));
        } else if (kind == u"exactly the limit") {
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(QByteArray("0\r\n\0\r", 5).repeated(limit / 5 + 1).left(limit)),
                     limit);
        } else if (kind != u"missing") {
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(kind == u"2 GiB"   ? qint64(2) << 30
                                : kind == u"empty" ? 0
                                                   : limit + 1));
        }
        file.close();
        QRandomGenerator rng(1);
        const QString fault = check(kLoaders[row], rng, path, mustFail);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
};

QTEST_GUILESS_MAIN(TestFuzzLoaders)
#include "tst_fuzz_loaders.moc"
