#include "mainwindowfixture.h"
#include "modaloperator.h"

#include "app/qtdialogs.h"
#include "chars/charops.h"
#include "chars/pattern.h"
#include "core/fileio.h"
#include "fixedtext/fixedtext.h"
#include "fixedtext/fixedtextops.h"
#include "fixedtext/txtfile.h"
#include "keyboard/keyboardops.h"
#include "keyboard/keytable.h"
#include "link/bytetrace.h"
#include "link/receivehandler.h"
#include "sim/ptyterminal.h"
#include "sim/simulatorwindow.h"
#include "testmode/testsequence.h"

#include <QDialog>
#include <QLabel>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The figures this part of the fault suite reports. A crash, a hang or a sanitizer report ends
// the process before the report, so a report always means none happened; a case that loses data
// fails.
int cases = 0, failed = 0;

// What a line gives back for one data byte sent alone.
using Line = std::function<QByteArray(char)>;
// An echo-checked transfer, telling whether it reported success.
using Transfer = std::function<bool(CommandExchange&)>;
// A save or a record onto a path: the reason it refuses, or an empty text.
using Writer = std::function<QString(const QString&)>;

bool passed(const testmode::StepResult& r) {
    return r.good && r.end == OpResult::Status::Done;
}

// A regular file, a FIFO, a device, a folder, or 0 for nothing.
mode_t kindOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

// A line of /proc/self/status in KiB, e.g. "VmRSS:".
qint64 statusKb(const QByteArray& field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ')[0].toLongLong();
    return -1;
}

const QString kMarkup = QStringLiteral("<img src=\"/dev/zero\">");

} // namespace

Q_DECLARE_METATYPE(Line)
Q_DECLARE_METATYPE(Transfer)
Q_DECLARE_METATYPE(Writer)

class TestTrust : public QObject {
    Q_OBJECT
  private slots:
    void init() { ++cases; }
    void cleanup() { failed += QTest::currentTestFailed(); }
    void cleanupTestCase() {
        qInfo("fault suite (line and files): %d cases run, 0 crashes, 0 hangs, 0 sanitizer "
              "reports, %d failed",
              cases, failed);
    }

    void noiseIsNoEcho_data() {
        QTest::addColumn<Transfer>("transfer");
        QTest::addColumn<Line>("line");
        QTest::addColumn<bool>("ok");
        const QList<std::pair<const char*, Transfer>> transfers = {
            {"key table", [](auto& x) { return sendKeyTable(x, QByteArray(32, 'k')).ok(); }},
            {"character", [](auto& x) { return storeCharacter(x, 3, 65, {}).ok(); }},
            {"fixed texts",
             [](auto& x) {
                 return programFixedTexts(x, {"ab\0\0", 4}).ok();
             }},
            {"test: key table",
             [](auto& x) { return passed(testmode::loadStandardKeyTable(x, false)); }},
            {"test: fixed texts",
             [](auto& x) { return passed(testmode::storeNumberedTexts(x, false)); }},
        };
        const QList<std::tuple<const char*, Line, bool>> lines = {
            {"echo", [](char b) { return QByteArray(1, b); }, true},
            {"noise, then the echo", [](char b) { return QByteArray(1, char(b ^ 0x5a)) + b; },
             false},
            {"the echo, then noise", [](char b) { return QByteArray(1, b) + '\xff'; }, false},
            // Random bytes that happen to hold the awaited one.
            {"noise around the echo", [](char b) { return "\x13\x80" + QByteArray(1, b) + '\0'; },
             false},
        };
        for (const auto& [what, transfer] : transfers)
            for (const auto& [how, line, ok] : lines)
                QTest::addRow("%s, %s", what, how) << transfer << line << ok;
    }

    // An echo is the next byte that arrives; noise never passes for one, whatever it holds.
    void noiseIsNoEcho() {
        QFETCH(Transfer, transfer);
        QFETCH(Line, line);
        QFETCH(bool, ok);
        FakeSerialPort port;
        ReceiveHandler receiver(port);
        FakeDialogs dialogs;
        CommandExchange exchange(receiver, dialogs);
        port.open();
        // Command heads are never echoed; data bytes go out one at a time.
        port.onWrite = [&](const QByteArray& b) {
            if (b.size() == 1) port.feed(line(b[0]));
        };
        // A transfer reported as stored that was never echoed is data lost.
        QCOMPARE(transfer(exchange), ok);
        QVERIFY(dialogs.messages().isEmpty());
    }

    // Markup from the line, in a file name or a device path shows as the characters it is.
    void markupIsText() {
        MainWindowFixture f;
        f.start();
        f.port.feed(kMarkup.toLatin1());
        const auto* monitor = f.find<QLabel>(QStringLiteral("lblReceiveData"));
        QCOMPARE(std::pair(monitor->textFormat(), monitor->text()),
                 std::pair(Qt::PlainText, kMarkup));

        QtDialogs dialogs;
        std::pair<Qt::TextFormat, QString> shown;
        Operator op([&shown](QWidget* dialog) {
            for (QLabel* l : dialog->findChildren<QLabel*>())
                if (l->text().contains(kMarkup)) shown = {l->textFormat(), l->text()};
            static_cast<QDialog*>(dialog)->reject();
        });
        const QString file = QStringLiteral("/tmp/%1.CHR").arg(kMarkup);
        showFileFailure(dialogs, QStringLiteral("Datei \"%1\": %2"), file, QStringLiteral("x"));
        QCOMPARE(shown, std::pair(Qt::PlainText, QStringLiteral("Datei \"%1\": x").arg(file)));
        dialogs.inputBox(kMarkup, QStringLiteral("T"), QString());
        QCOMPARE(shown, std::pair(Qt::PlainText, kMarkup));

        TerminalLink link;
        SimulatorWindow sim(link, kMarkup);
        const auto* device = sim.findChild<QLabel*>(QStringLiteral("lblSimDevice"));
        QCOMPARE(device->textFormat(), Qt::PlainText);
        QVERIFY(device->text().endsWith(kMarkup));
        QCOMPARE(sim.findChild<QLabel*>(QStringLiteral("lblSimStatus"))->textFormat(),
                 Qt::PlainText);
    }

    void onlyRegularFilesAreWritten_data() {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<QString>("target");
        const QList<std::pair<const char*, Writer>> writers = {
            {"trace", [](const QString& p) { return ByteTrace().open(p); }},
            {".TXT", [](const QString& p) { return saveFesttextFile(FixedTextStore(), p, 4); }},
            {".CHR", [](const QString& p) { return saveChrFile(p, CharacterDefinition()); }},
            {".TST", [](const QString& p) { return writeKeyTableFile(p, QByteArray(32, 'k')); }},
        };
        for (const auto& [what, writer] : writers)
            for (const char* target : {"regular file", "new name", "FIFO without reader",
                                       "FIFO with reader", "device node", "folder"})
                QTest::addRow("%s onto a %s", what, target) << writer << QString(target);
    }

    // Every save and the trace write only to a regular file or a new name; anything else is
    // refused at once with a reason and stays what it was.
    void onlyRegularFilesAreWritten() {
        QFETCH(Writer, writer);
        QFETCH(QString, target);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ziel"));
        const QByteArray native = QFile::encodeName(path);
        QFile file(path);
        int reader = -1;
        if (target == u"regular file") QVERIFY(file.open(QIODevice::WriteOnly) && file.write("a"));
        if (target.startsWith(u"FIFO")) QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        if (target == u"FIFO with reader")
            reader = ::open(native.constData(), O_RDONLY | O_NONBLOCK);
        // A node of its own for the null device: a fault must never hit the system's.
        if (target == u"device node" && ::mknod(native.constData(), S_IFCHR | 0600, makedev(1, 3)))
            QSKIP("no device nodes can be made here");
        if (target == u"folder") QVERIFY(QDir().mkdir(path));
        file.close();
        const mode_t before = kindOf(path);
        const QString why = writer(path);
        char c;
        if (reader >= 0) QVERIFY(::read(reader, &c, 1) <= 0); // nothing arrived
        if (reader >= 0) ::close(reader);
        const bool regular = target == u"regular file" || target == u"new name";
        QCOMPARE(kindOf(path), regular ? mode_t(S_IFREG) : before);
        QVERIFY2(regular ? why.isEmpty()
                         : why.contains(QStringLiteral("keine gewöhnliche Datei")) ||
                               why.contains(QStringLiteral("Ordner")),
                 qPrintable(why));
    }

    // A record that can no longer be written (a full disk) is told once, and ends.
    void traceWriteFailureToldOnce() {
        QTemporaryDir dir;
        ByteTrace trace;
        QStringList told;
        trace.onFailure = [&told](const QString& why) { told << why; };
        QCOMPARE(trace.open(dir.filePath(QStringLiteral("spur.log"))), QString());
        // A file size limit fails the writes beyond it the way a full disk does.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = 4096;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        for (int i = 0; i < 500; ++i)
            trace.sent(QByteArray(16, 'x'));
        ::setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(told.size(), 1);
        QVERIFY(told[0].contains(QStringLiteral("spur.log")));
        QVERIFY(!trace.isOpen());
    }

    // A program that asks and never reads: the simulated terminal's memory stays bounded.
    void simulatorNobodyReads() {
        TerminalOptions o;
        o.initialImage = QByteArray(30000, 'i') + QByteArray(2, '\0');
        PtyTerminal term(o);
        QVERIFY(term.start());
        const int fd =
            ::open(QFile::encodeName(term.slavePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        qint64 taken = 0;
        connect(&term.link(), &TerminalLink::received, this,
                [&taken](const QByteArray& b) { taken += b.size(); });
        const qint64 before = statusKb("VmRSS:");
        // Best effort: the peak from here on, else the peak of the whole run.
        if (QFile clear(QStringLiteral("/proc/self/clear_refs")); clear.open(QIODevice::WriteOnly))
            clear.write("5");
        // 2000 read-backs of 30 KB each: 60 MB of answers nobody reads.
        const QByteArray requests = QByteArray("\x1bW").repeated(2000);
        QElapsedTimer clock;
        clock.start();
        for (qsizetype sent = 0; sent < requests.size() && clock.elapsed() < 60000;) {
            const ssize_t n =
                ::write(fd, requests.constData() + sent, size_t(requests.size() - sent));
            sent += std::max<ssize_t>(n, 0);
            if (n <= 0) QTest::qWait(5);
        }
        QTRY_COMPARE_WITH_TIMEOUT(taken, requests.size(), 120000);
        // The terminal takes each burst only once it has answered the one before: when the
        // version query, a burst of its own, is in, every read-back has been answered.
        QCOMPARE(::write(fd, "\x1b&V", 3), ssize_t(3));
        QTRY_COMPARE_WITH_TIMEOUT(taken, requests.size() + 3, 120000);
        // AddressSanitizer holds freed memory back (256 MB by default) to catch a use after free;
        // the unbounded terminal grew by over 600 MB without it.
#ifdef __SANITIZE_ADDRESS__
        constexpr qint64 kFreedHeldMb = 256;
#else
        constexpr qint64 kFreedHeldMb = 0;
#endif
        const qint64 grown = qMax(statusKb("VmHWM:"), statusKb("VmRSS:")) - before;
        qInfo("simulated terminal grew by %lld KiB", grown);
        QVERIFY2(grown < (200 + kFreedHeldMb) * 1024, qPrintable(QString::number(grown)));
        // The newest answers are still there, never more than the terminal keeps. The first of
        // them may be slow to come on a loaded machine, the rest follow at once.
        qint64 got = 0;
        char buf[65536];
        for (pollfd p{fd, POLLIN, 0}; ::poll(&p, 1, got ? 2000 : 60000) > 0; p.revents = 0) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            got += n;
        }
        ::close(fd);
        QVERIFY2(got > 0 && got <= TerminalLink::kMaxQueuedOutput + 65536,
                 qPrintable(QString::number(got)));
    }

    // An oversize settings file is told once at start-up, kept whole, and the operator's later
    // choices are stored again.
    void oversizeSettings() {
        MainWindowFixture f;
        const QByteArray big =
            "[Einstellungen]\nDisplayTyp=3\n[Fremd]\nx=" + QByteArray(fileio::kMaxFileSize, 'x');
        QVERIFY(fileio::writeFile(f.settings->fileName(), big).isEmpty());
        MainWindow& w = f.start();
        QCOMPARE(f.dialogs.messages().filter(QStringLiteral("größer als")).size(), 1);
        f.find<QComboBox>(QStringLiteral("cboDisplaytype"))->setCurrentIndex(9);
        w.cboDisplaytype_Click();
        QCOMPARE(f.settings->read(SettingsStore::kDisplayType), QStringLiteral("9"));
        const QString backup = f.settings->fileName() + QStringLiteral(".zu-gross");
        QVERIFY(fileio::readFile(backup, big.size()).data == big);
    }
};

QTEST_MAIN(TestTrust)
#include "tst_trust.moc"
