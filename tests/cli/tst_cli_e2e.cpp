#include "core/fileio.h"
#include "fixedtext/fixedtext.h"
#include "sim/ptyterminal.h"

#include "clirunner.h"
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/stat.h>

namespace {

bool put(const QString& path, const QByteArray& data) {
    return fileio::writeFile(path, data).isEmpty();
}

// A .TXT file of 128 texts of four lines, every line `text(n, row)`.
bool writeTexts(const QString& path, const std::function<QString(int, int)>& text) {
    QByteArray data;
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < 4; ++r)
            data += text(n, r).toLatin1() + "\r\n";
    return put(path, data);
}

} // namespace

class TestCliEndToEnd : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void exitCodes_data();
    void exitCodes();
    void busyPortAndInterrupt();
    void settingsCommands();
    void scanUsesOnlyALoneTerminal();

  private:
    CliRun run(const QStringList& args) { return CliRunner(file("config")).run(args); }
    QString file(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
};

void TestCliEndToEnd::initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(writeTexts(file("texts.txt"), [](int n, int r) {
        return r == 0 ? QStringLiteral("Text %1").arg(n) : QString(r, QLatin1Char('*'));
    }));
    QVERIFY(
        writeTexts(file("full.txt"), [](int n, int) { return QString(40, QChar('A' + n % 26)); }));
    QVERIFY(put(file("plain"), {}));
    QCOMPARE(::mkfifo(QFile::encodeName(file("fifo")).constData(), 0600), 0);
}

void TestCliEndToEnd::exitCodes_data() {
    QTest::addColumn<QStringList>("args");    // "@" stands for the test's folder
    QTest::addColumn<QByteArray>("input");    // stdin
    QTest::addColumn<bool>("brokenSettings"); // the settings file cannot be written
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out"); // a part of stdout
    QTest::addColumn<QString>("err"); // a part of stderr
    // On the built-in simulated terminal.
    const auto row = [](const char* name, const QStringList& args, int code, const char* err,
                        const char* out = "", const QByteArray& input = {}, bool broken = false) {
        QTest::newRow(name) << QStringList{"--simulator", "-q"} + args << input << broken << code
                            << QString::fromUtf8(out) << QString::fromUtf8(err);
    };
    row("write and compare", {"texts", "write", "@/texts.txt", "--verify"}, 0, "", "identisch\n");
    row("wrong echo", {"--simulator-option", "wrong-echo-at=100", "texts", "write", "@/texts.txt"},
        1, "Echo bei Offset 99 (99 von");
    row("full EEPROM", {"--simulator-option=eeprom-capacity=1900", "texts", "write", "@/texts.txt"},
        1, "EEPROM-Speicher");
    // The first ten differing texts are listed.
    row("fresh terminal differs", {"texts", "verify", "@/texts.txt"}, 1,
        "erster Unterschied an Offset 0", "... und 118 weitere abweichende Festtexte\n");
    row("missing file", {"texts", "write", "@/missing.txt"}, 2, "missing.txt");
    QTest::newRow("no port") << QStringList{"--port", "@/plain", "version"} << QByteArray() << false
                             << 3 << ""
                             << "@/plain: keine nutzbare serielle Schnittstelle";
    // Every byte still goes out, but the tool does not call a silent terminal a success.
    const QByteArray chr = QByteArray::fromHex("02414142434445464700");
    row("character, echoes stop", {"--simulator-option", "no-echo-after=3", "char", "write", "-"},
        1, "Echo bei Offset 3 (3 von 9", "", chr);
    // A stray byte behind each echo is still waiting when the next byte goes out.
    row("character, noise behind the echoes", {"--simulator-option=noise=FF", "char", "write", "-"},
        1, "Echo bei Offset 1 (1 von 9", "", chr);
    row("key table, noise behind the echoes", {"--simulator-option=noise=FF", "keys", "write", "-"},
        1, "Echo bei Offset 1 (1 von 32", "", "ABCDEFGH");
    // A path that is no regular file is never written, nor waited on.
    row("texts read onto a FIFO", {"texts", "read", "@/fifo"}, 2, "keine gewöhnliche Datei");
    row("test run", {"test"}, 0, "", "Festtext-Test: OK\nTastaturbelegung: OK\n");
    row("old firmware", {"--simulator-option", "old-firmware", "eeprom"}, 1,
        "EEPROM-Informationsabfrage nicht reagiert");
    row("address out of range", {"address", "16"}, 2, "0..15");
    row("negative address is a value", {"address", "-1"}, 2, "0..15 erwartet, nicht \"-1\"");
    row("number out of range", {"texts", "show", "128"}, 2, "0..127");
    row("unknown option", {"--nonsense", "version"}, 2, "Unbekannte Option --nonsense.");
    row("unknown command", {"versoin"}, 2, "Unbekannter Befehl \"versoin\".");
    row("simulator option", {"--simulator-option", "nonsense", "version"}, 2,
        "Unbekannte Option \"nonsense\".");
    row("address all", {"address", "all"}, 0, "");
    row("erase alle", {"char", "erase", "alle"}, 0, "");
    row("speed with a leading zero", {"speed", "09600"}, 0, "");
    row("baud with a plus", {"--baud", "+4800", "version"}, 0, "", "1.80\n");
    QByteArray texts;
    for (int n = 0; n < kFixedTextCount; ++n)
        texts += "Text " + QByteArray::number(n) + "\r\n\r\n\r\n\r\n";
    row("texts from stdin", {"--display", "20x4", "texts", "write", "-", "--verify"}, 0, "",
        "identisch\n", texts);
    row("texts to stdout", {"--display", "20x4", "texts", "read", "-"}, 0, "", "\r\n\r\n");
    row("display not kept", {"display", "40x4"}, 2, "nicht in den Einstellungen", "", {}, true);
    row("speed not kept", {"speed", "4800"}, 2, "nicht in den Einstellungen", "", {}, true);
}

void TestCliEndToEnd::exitCodes() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(bool, brokenSettings);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    args.replaceInStrings(QStringLiteral("@"), dir_.path());
    err.replace(QLatin1Char('@'), dir_.path());
    // Each call with settings of its own; a folder where the settings file should be: no one,
    // root included, can write it.
    const QString config = file(QStringLiteral("calls/") + QTest::currentDataTag());
    if (brokenSettings) QVERIFY(QDir().mkpath(config + QStringLiteral("/ZEPTAL32/ZEPTAL32.ini")));
    const CliRun r = CliRunner(config).run(args, input);
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    QVERIFY2(r.out.contains(out), qPrintable(r.out.left(200)));
    QCOMPARE(r.code, code);
}

// A second process on the same port is turned away; Ctrl-C ends a transfer with the two 0 bytes
// that close the terminal's storing.
void TestCliEndToEnd::busyPortAndInterrupt() {
    PtyTerminal term({.lineRate = true}); // the full image then takes most of a minute
    QString error;
    QVERIFY2(term.start(&error), qPrintable(error));
    QProcess writer;
    CliRunner(file("config"))
        .start(writer, {"--port", term.slavePath(), "--display", "40x4", "--trace",
                        file("abort.trace"), "texts", "write", file("full.txt")});
    // The first line of progress comes once the port is open and in use.
    const QString progress = CliRunner::waitForError(writer, QStringLiteral("Speichern: 0 %"));
    QVERIFY2(progress.contains(QLatin1String("Speichern: 0 %")), qPrintable(progress));

    const CliRun second = run({"--port", term.slavePath(), "version"});
    QCOMPARE(second.code, 3);
    QVERIFY2(second.err.contains(QLatin1String("von einem anderen Programm verwendet")),
             qPrintable(second.err));

    ::kill(static_cast<pid_t>(writer.processId()), SIGINT);
    QVERIFY(writer.waitForFinished(60000));
    QCOMPARE(writer.exitCode(), 130);
    QVERIFY(
        QString::fromUtf8(writer.readAllStandardError()).contains(QLatin1String("Abgebrochen")));
    QVERIFY(tracedBytes(file("abort.trace")).endsWith(QByteArray(2, '\0')));
}

// The terminal hears only its stored speed, so the query after "speed" answers only if the
// tool reopened the port at the new speed and kept it for the next run.
void TestCliEndToEnd::settingsCommands() {
    PtyTerminal term({.strictSpeed = true});
    QString error;
    QVERIFY2(term.start(&error), qPrintable(error));
    const QStringList port{"--port", term.slavePath(), "-q"};
    QCOMPARE(run(port + QStringList{"send", "\\e&C"}).code, 0);
    QTRY_VERIFY(term.snapshot().cursorOn);
    QCOMPARE(run(port + QStringList{"address", "7"}).code, 0);
    QTRY_VERIFY(!term.snapshot().selected);
    QCOMPARE(run(port + QStringList{"address", "alle"}).code, 0);
    QTRY_VERIFY(term.snapshot().selected);
    QCOMPARE(run(port + QStringList{"display", "40x4"}).code, 0);
    QTRY_COMPARE(term.snapshot().displayCode, 12);
    QCOMPARE(run(port + QStringList{"speed", "4800"}).code, 0);
    QTRY_COMPARE(term.snapshot().speedCode, 1);
    QVERIFY(QFile::exists(file("config/ZEPTAL32/ZEPTAL32.ini")));
    const CliRun version = run(port + QStringList{"version"});
    QCOMPARE(version.out, QStringLiteral("1.80\n"));
    QCOMPARE(version.code, 0);
}

// With two terminals answering, --use keeps neither.
void TestCliEndToEnd::scanUsesOnlyALoneTerminal() {
    PtyTerminal term;
    QVERIFY(term.start());
    const QString config = file("scan");
    const CliRun r = CliRunner(config).run({"--simulator", "scan", "--use", term.slavePath()});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out.count(QStringLiteral("Pultino mit 9600,n,8,2")), 2);
    QVERIFY2(r.err.contains(QLatin1String("nichts gespeichert")), qPrintable(r.err));
    QFile ini(config + QStringLiteral("/ZEPTAL32/ZEPTAL32.ini"));
    QVERIFY(!ini.open(QIODevice::ReadOnly) || !ini.readAll().contains("Einstellungen="));
}

QTEST_GUILESS_MAIN(TestCliEndToEnd)
#include "tst_cli_e2e.moc"
