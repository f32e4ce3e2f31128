#include "fixedtext/fixedtext.h"
#include "sim/ptyterminal.h"

#include "clirunner.h"
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/stat.h>

namespace {

// A .TXT file of 128 texts, `rows` lines each, every line `text(n, row)`.
void writeTexts(const QString& path, int rows, const std::function<QString(int, int)>& text) {
    QByteArray data;
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < rows; ++r)
            data += text(n, r).toLatin1() + "\r\n";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
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

  private:
    // The tool with a settings file of its own, so the user's stored port never counts.
    CliRun run(const QStringList& args) { return runCli(args, file("config")); }
    QString file(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
};

void TestCliEndToEnd::initTestCase() {
    QVERIFY(dir_.isValid());
    // Qt falls back to the user's own settings unless the folder exists.
    QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("config")));
    writeTexts(file("texts.txt"), 4, [](int n, int r) {
        return r == 0 ? QStringLiteral("Text %1").arg(n) : QString(r, QLatin1Char('*'));
    });
    writeTexts(file("full.txt"), 4, [](int n, int) { return QString(40, QChar('A' + n % 26)); });
    QFile keys(file("keys.tst"));
    QVERIFY(keys.open(QIODevice::WriteOnly) && keys.write("ABCDEFGH") == 8);
    QFile character(file("c.chr"));
    QVERIFY(character.open(QIODevice::WriteOnly) && character.write("\x02"
                                                                    "AABCDEFG",
                                                                    10) == 10);
    QFile plain(file("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    QCOMPARE(::mkfifo(QFile::encodeName(file("fifo")).constData(), 0600), 0);
}

void TestCliEndToEnd::exitCodes_data() {
    QTest::addColumn<QStringList>("args"); // "@" stands for the test's folder
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // a part of stderr
    const QStringList sim{"--simulator", "-q"};
    QTest::newRow("write and compare")
        << sim + QStringList{"texts", "write", "@/texts.txt", "--verify"} << 0 << "identisch\n"
        << "";
    QTest::newRow("wrong echo") << sim + QStringList{"--simulator-option", "wrong-echo-at=100",
                                                     "texts", "write", "@/texts.txt"}
                                << 1 << ""
                                << "Echo bei Offset 99 (99 von";
    QTest::newRow("full EEPROM") << sim + QStringList{"--simulator-option=eeprom-capacity=1900",
                                                      "texts", "write", "@/texts.txt"}
                                 << 1 << ""
                                 << "EEPROM-Speicher";
    QString differs = "Unterschied an Offset 0 (Festtext Nr. 0, Zeile 1)\nFesttext Nr. 0, Zeile 1: "
                      "Pultino \"\", Datei \"Text 0\"\n";
    for (int n = 1; n < 10; ++n)
        differs +=
            QStringLiteral("Festtext Nr. %1: fehlt im Pultino (Datei, Zeile 1: \"Text %1\")\n")
                .arg(n);
    QTest::newRow("fresh terminal differs")
        << sim + QStringList{"texts", "verify", "@/texts.txt"} << 1
        << differs + "... und 118 weitere abweichende Festtexte\n"
        << "erster Unterschied an Offset 0";
    QTest::newRow("missing file") << sim + QStringList{"texts", "write", "@/missing.txt"} << 2 << ""
                                  << "missing.txt";
    QTest::newRow("no port") << QStringList{"--port", "@/plain", "version"} << 3 << ""
                             << "@/plain: keine nutzbare serielle Schnittstelle";
    // Every byte still goes out, but the tool does not call a silent terminal a success.
    QTest::newRow("character, echoes stop")
        << sim + QStringList{"--simulator-option", "no-echo-after=3", "char", "write", "@/c.chr"}
        << 1 << ""
        << "Echo bei Offset 3 (3 von 9";
    // A stray byte behind each echo is still waiting when the next byte goes out.
    QTest::newRow("character, noise behind the echoes")
        << sim + QStringList{"--simulator-option=noise=FF", "char", "write", "@/c.chr"} << 1 << ""
        << "Echo bei Offset 1 (1 von 9";
    QTest::newRow("key table, noise behind the echoes")
        << sim + QStringList{"--simulator-option=noise=FF", "keys", "write", "@/keys.tst"} << 1
        << ""
        << "Echo bei Offset 1 (1 von 32";
    // A path that is no regular file is never written, nor waited on.
    QTest::newRow("trace onto a FIFO")
        << sim + QStringList{"--trace", "@/fifo", "version"} << 2 << ""
        << "keine gewöhnliche Datei";
    QTest::newRow("texts read onto a FIFO")
        << sim + QStringList{"texts", "read", "@/fifo"} << 2 << ""
        << "keine gewöhnliche Datei";
    QTest::newRow("test run")
        << sim + QStringList{"test"} << 0
        << "Schnittstellentest: OK\nDisplaygeometrie: OK, ohne "
           "Sichtprüfung\nTastatur-Test: OK, ohne Tastenprüfung\n"
           "Festtextprogrammierung: OK\nFesttext-Test: OK\n"
           "Tastaturbelegung: OK\nReserve (ohne Prüfung): OK\nTastatur- und Sichtprüfung "
           "übersprungen (ohne --interactive).\n"
        << "";
    QTest::newRow("version") << sim + QStringList{"version"} << 0 << "1.80\n"
                             << "";
    QTest::newRow("old firmware") << sim +
                                         QStringList{"--simulator-option", "old-firmware", "eeprom"}
                                  << 1 << ""
                                  << "EEPROM-Informationsabfrage nicht reagiert";
    QTest::newRow("address out of range") << sim + QStringList{"address", "16"} << 2 << ""
                                          << "0..15";
    QTest::newRow("number out of range") << sim + QStringList{"texts", "show", "128"} << 2 << ""
                                         << "0..127";
}

void TestCliEndToEnd::exitCodes() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    for (QString& arg : args)
        arg.replace(QLatin1Char('@'), dir_.path());
    err.replace(QLatin1Char('@'), dir_.path());
    const CliRun r = run(args);
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    QCOMPARE(r.code, code);
    QCOMPARE(r.out, out);
}

// A second process on the same port is turned away; Ctrl-C ends a transfer with the two 0 bytes
// that close the terminal's storing.
void TestCliEndToEnd::busyPortAndInterrupt() {
    TerminalOptions options;
    options.lineRate = true; // the full image then takes most of a minute
    PtyTerminal term(options);
    QString error;
    QVERIFY2(term.start(&error), qPrintable(error));
    QProcess writer;
    startCli(writer,
             {"--port", term.slavePath(), "--display", "40x4", "--trace", file("abort.trace"),
              "texts", "write", file("full.txt")},
             file("config"));
    writer.setReadChannel(QProcess::StandardError);
    QString progress; // the first line of progress comes once the port is open and in use
    while (!progress.contains(QLatin1String("Speichern: 0 %")) && writer.waitForReadyRead(60000))
        progress += QString::fromUtf8(writer.readAllStandardError());
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
    QFile trace(file("abort.trace"));
    QVERIFY(trace.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = trace.readAll().trimmed().split('\n');
    QVERIFY(lines.size() > 3);
    QVERIFY2(lines[lines.size() - 2].endsWith("> 00 00 |..|"), lines[lines.size() - 2].constData());
    QVERIFY(lines.last().endsWith("* geschlossen"));
}

// The terminal hears only its stored speed, so the query after "speed" answers only if the
// tool reopened the port at the new speed and kept it for the next run.
void TestCliEndToEnd::settingsCommands() {
    TerminalOptions options;
    options.strictSpeed = true;
    PtyTerminal term(options);
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

QTEST_GUILESS_MAIN(TestCliEndToEnd)
#include "tst_cli_e2e.moc"
