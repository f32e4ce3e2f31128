// Every file loader against thousands of generated files and the paths a careless or hostile
// choice in the open dialog can give. Whatever the file, a loader must return, must leave its
// target exactly as it was when it reports a failure, and must keep its target's own rules (for
// fixed texts: no 0 inside a text). A loader is one row of the table in loaders().
//
// ZEPTAL_FUZZ_CASES and ZEPTAL_FUZZ_SEED change the number of generated files and the seed.

#include "chars/pattern.h"
#include "core/fileio.h"
#include "fixedtext/fixedtext.h"
#include "fixedtext/txtfile.h"
#include "keyboard/keytable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <sys/stat.h>

namespace {

// One loader with a target of its own.
struct Subject {
    virtual ~Subject() = default;
    virtual QString load(const QString& path) = 0; // the failure reason, or "" when loaded
    virtual QByteArray state() const = 0;          // all of the target, for comparing
    virtual QString broken() const { return {}; }  // a rule of the target that no longer holds
    // Whether a sound loader must refuse a regular file of this size (below the size limit).
    virtual bool refuses(qint64 /*size*/) const { return false; }
};

// The file's bytes as a successful load must have taken them.
QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(64) : QByteArray();
}

struct Loader {
    const char* name;
    std::function<std::unique_ptr<Subject>(QRandomGenerator&)> make;
};

// The fixed-text store on a random display, filled with recognisable rows before each file.
struct TxtSubject : Subject {
    FixedTextStore store;
    int rows, columns;
    explicit TxtSubject(QRandomGenerator& rng)
        : rows(rng.bounded(1, kFixedTextRows + 1)), columns(rng.bounded(8, 41)) {
        for (int n = 0; n < kFixedTextCount; ++n)
            store.setText(n, {QString::number(n), "b", "", "d"});
    }
    QString load(const QString& path) override {
        return loadFesttextFile(store, path, rows, columns).error;
    }
    QByteArray state() const override { return festtextFileContents(store, kFixedTextRows); }
    // A 0 ends a text on the terminal: the image must hold exactly one per text it carries
    // (every text up to the last non-blank one) and the closing one, or later texts shift.
    QString broken() const override {
        int last = 0;
        for (int n = 0; n < kFixedTextCount; ++n)
            for (int r = 0; r < kFixedTextRows; ++r) {
                if (store.entry(n, r).contains(QChar(0)))
                    return QStringLiteral("0 in text %1 row %2").arg(n).arg(r);
                if (r < rows && store.entry(n, r).count(u' ') != store.entry(n, r).size()) last = n;
            }
        const auto zeros = buildFesttextImage(store, rows, columns).count('\0');
        if (zeros != last + 2)
            return QStringLiteral("0 in the image: %1 zeros for %2 texts").arg(zeros).arg(last + 1);
        return {};
    }
};

// A loader of a short binary record (key table, character): the target is replaced only by a
// whole load, and then holds the file's first bytes with the loader's corrections.
struct RecordSubject : Subject {
    using Read = std::function<std::optional<QByteArray>(const QString&, QString*)>;
    using Expect = std::function<QByteArray(QByteArray)>; // from the file's first bytes
    RecordSubject(Read r, Expect e, qint64 minimum) : read(r), expect(e), minimum(minimum) {}
    Read read;
    Expect expect;
    qint64 minimum;
    QByteArray target = "as edited";
    QString path;
    bool loaded = false;
    QString load(const QString& file) override {
        QString why;
        const auto got = read(path = file, &why);
        if ((loaded = got.has_value())) target = *got;
        return loaded || !why.isEmpty() ? why : QStringLiteral("no reason given");
    }
    QByteArray state() const override { return target; }
    bool refuses(qint64 size) const override { return size < minimum; }
    QString broken() const override {
        if (!loaded || target == expect(fileBytes(path))) return {};
        return QStringLiteral("loaded ") + QString::fromLatin1(target.toHex(' '));
    }
};

std::optional<QByteArray> readTst(const QString& path, QString* why) {
    const KeyTableFile file = readKeyTableFile(path);
    *why = file.error;
    return file.ok() ? std::optional(file.codes) : std::nullopt;
}

std::optional<QByteArray> readChr(const QString& path, QString* why) {
    const ChrLoad load = loadChrFile(path);
    *why = load.error;
    return load.definition ? std::optional(chrRecord(*load.definition)) : std::nullopt;
}

// A short table is filled up with 0.
QByteArray expectTst(const QByteArray& head) {
    return head.left(kKeyCount).leftJustified(kKeyCount, '\0');
}

// A place above 7 is 0, the code brought into 32..127, bits 5 to 7 of the rows dropped.
QByteArray expectChr(QByteArray b) {
    b.truncate(kChrRecordSize);
    if (static_cast<quint8>(b[0]) >= kCgramPlaces) b[0] = 0;
    b[1] = static_cast<char>(
        qBound(kFirstTauschAdresse, int(static_cast<quint8>(b[1])), kLastTauschAdresse));
    for (int r = 2; r < 2 + kPatternRows; ++r)
        b[r] = static_cast<char>(b[r] & 0x1f);
    b[kChrRecordSize - 1] = 0;
    return b;
}

const QList<Loader>& loaders() {
    static const QList<Loader> table = {
        {".TXT", [](QRandomGenerator& rng) { return std::make_unique<TxtSubject>(rng); }},
        {".TST",
         [](QRandomGenerator&) { return std::make_unique<RecordSubject>(readTst, expectTst, 0); }},
        {".CHR",
         [](QRandomGenerator&) {
             return std::make_unique<RecordSubject>(readChr, expectChr, kChrRecordSize);
         }},
    };
    return table;
}

// Bytes that are hard on a line reader.
QByteArray randomFile(QRandomGenerator& rng) {
    static const QByteArray hard("\0\r\n\x1b\xff\x80 ", 8);
    const auto pick = [&](const QByteArray& from) { return from.at(rng.bounded(from.size())); };
    const auto bytes = [&](qsizetype n) {
        QByteArray b(n + 4, Qt::Uninitialized);
        rng.fillRange(reinterpret_cast<quint32*>(b.data()), b.size() / 4);
        b.truncate(n);
        return b;
    };
    const auto printable = [&](qsizetype n) {
        QByteArray b = bytes(n);
        for (char& c : b)
            c = static_cast<char>(0x20 + static_cast<unsigned char>(c) % 0xE0);
        return b;
    };
    QByteArray data;
    switch (rng.bounded(8)) {
    case 0: // random bytes
        data = bytes(rng.bounded(4096));
        break;
    case 1: // mostly 0 bytes
        data = QByteArray(rng.bounded(2048), '\0');
        for (int i = rng.bounded(50); i > 0 && !data.isEmpty(); --i)
            data[rng.bounded(data.size())] = pick(hard);
        break;
    case 2: // lines ended by lone CRs
        for (int i = rng.bounded(600); i > 0; --i)
            data += printable(rng.bounded(45)) + '\r';
        break;
    case 3: // no line end at all
        data = printable(rng.bounded(1, 100000));
        break;
    case 4: // a few huge lines
        for (int i = rng.bounded(1, 4); i > 0; --i)
            data += printable(rng.bounded(5000, 100000)) + "\r\n";
        break;
    case 5: // many short lines, beyond what any display uses
        for (int i = rng.bounded(3000); i > 0; --i)
            data += printable(rng.bounded(3)) + (rng.bounded(2) ? "\n" : "\r\n");
        break;
    default: // text lines with every kind of end and hard bytes inside
        for (int i = rng.bounded(700); i > 0; --i) {
            data += printable(rng.bounded(50));
            for (int k = rng.bounded(3); k > 0; --k)
                data.insert(rng.bounded(data.size() + 1), pick(hard));
            data += QByteArray("\r\n\n\r\n\r").mid(rng.bounded(4), rng.bounded(1, 3));
        }
    }
    return data;
}

int envNumber(const char* name, int fallback) {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue(name, &ok);
    return ok && n > 0 ? n : fallback;
}

} // namespace

class TestFuzzLoaders : public QObject {
    Q_OBJECT
  private slots:
    void generatedFiles_data();
    void generatedFiles();
    void pathsThatAreNoFiles_data();
    void pathsThatAreNoFiles();

  private:
    // Loads `path` into a fresh subject and checks the properties; returns what went wrong.
    static QString check(const Loader& loader, QRandomGenerator& rng, const QString& path,
                         bool mustFail);
    QTemporaryDir dir_;
};

// A case slower than this is counted as a hang; it is far above any real file's load time, so
// a busy machine never reaches it.
constexpr qint64 kHangMs = 10000;

QString TestFuzzLoaders::check(const Loader& loader, QRandomGenerator& rng, const QString& path,
                               bool mustFail) {
    const auto subject = loader.make(rng);
    const QFileInfo info(path);
    if (info.isFile() && info.size() <= fileio::kMaxFileSize && subject->refuses(info.size()))
        mustFail = true;
    const QByteArray before = subject->state();
    QElapsedTimer clock;
    clock.start();
    const QString error = subject->load(path);
    if (clock.elapsed() > kHangMs) return QStringLiteral("hang (%1 ms)").arg(clock.elapsed());
    if (!error.isEmpty() && subject->state() != before)
        return QStringLiteral("target changed by a failed load: ") + error;
    if (mustFail && error.isEmpty()) return QStringLiteral("loaded what it must refuse");
    if (!mustFail && !error.isEmpty()) return QStringLiteral("refused: ") + error;
    return subject->broken();
}

void TestFuzzLoaders::generatedFiles_data() {
    QTest::addColumn<int>("row");
    for (qsizetype i = 0; i < loaders().size(); ++i)
        QTest::newRow(loaders().at(i).name) << static_cast<int>(i);
}

void TestFuzzLoaders::generatedFiles() {
    QFETCH(int, row);
    const Loader& loader = loaders().at(row);
    const int cases = envNumber("ZEPTAL_FUZZ_CASES", 3000);
    const auto seed = static_cast<quint32>(envNumber("ZEPTAL_FUZZ_SEED", 8));
    QRandomGenerator rng(seed);
    const QString path = dir_.filePath(QStringLiteral("fuzz.bin"));
    QStringList faults;
    int oversized = 0;
    int run = 0;
    for (; run < cases && faults.size() < 5; ++run) {
        const QByteArray data = randomFile(rng);
        // Now and then the same bytes at the head of a file beyond the size limit (sparse).
        const bool oversize = rng.bounded(50) == 0;
        oversized += oversize;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(data), data.size());
        if (oversize) QVERIFY(file.resize(fileio::kMaxFileSize + 1 + rng.bounded(1 << 20)));
        file.close();
        const QString fault = check(loader, rng, path, oversize);
        if (!fault.isEmpty()) faults << QStringLiteral("case %1: %2").arg(run).arg(fault);
    }
    const auto count = [&](const char* kind) {
        return static_cast<int>(faults.filter(QLatin1String(kind)).size());
    };
    qInfo("%s: %d generated files run (%d beyond the size limit), seed %u: %d hangs, %d with "
          "data lost, %d with a 0 inside a text, %lld faults in all",
          loader.name, run, oversized, seed, count("hang"), count("changed"), count("0 in"),
          static_cast<long long>(faults.size()));
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
}

void TestFuzzLoaders::pathsThatAreNoFiles_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("mustFail");
    const QList<std::pair<const char*, bool>> kinds = {{"missing", true},
                                                       {"folder", true},
                                                       {"named pipe", true},
                                                       {"/dev/zero", true},
                                                       {"link to /dev/zero", true},
                                                       {"link loop", true},
                                                       {"2 GiB", true},
                                                       {"limit + 1", true},
                                                       {"exactly the limit", false},
                                                       {"empty", false}};
    for (qsizetype i = 0; i < loaders().size(); ++i)
        for (const auto& [kind, mustFail] : kinds)
            QTest::addRow("%s %s", loaders().at(i).name, kind)
                << static_cast<int>(i) << QString::fromLatin1(kind) << mustFail;
}

void TestFuzzLoaders::pathsThatAreNoFiles() {
    QFETCH(int, row);
    QFETCH(QString, kind);
    QFETCH(bool, mustFail);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("x"));
    QFile file(path);
    if (kind == u"folder") {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("x")));
    } else if (kind == u"named pipe") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"/dev/zero") {
        path = kind;
    } else if (kind == u"link to /dev/zero") {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    } else if (kind == u"link loop") {
        QVERIFY(QFile::link(path, path));
    } else if (kind != u"missing") {
        QVERIFY(file.open(QIODevice::WriteOnly));
        const qint64 limit = fileio::kMaxFileSize;
        if (kind == u"exactly the limit")
            QCOMPARE(file.write(QByteArray("0\r\n\0\r", 5).repeated(limit / 5 + 1).left(limit)),
                     limit);
        else if (kind != u"empty")
            QVERIFY(file.resize(kind == u"2 GiB" ? qint64(2) << 30 : limit + 1));
        file.close();
    }
    QRandomGenerator rng(1);
    const QString fault = check(loaders().at(row), rng, path, mustFail);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

QTEST_GUILESS_MAIN(TestFuzzLoaders)
#include "tst_fuzz_loaders.moc"
