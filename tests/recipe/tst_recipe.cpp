#include "recipefiles.h"

#include "sim/ptyterminal.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace recipefiles;

class TestRecipe : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void runs_data();
    void runs();
    void fullRecipeSetsTheTerminal();

  private:
    QTemporaryDir tmp_;
    QDir dir_;
};

void TestRecipe::initTestCase() {
    QVERIFY(tmp_.isValid());
    dir_ = QDir(tmp_.path());
    QVERIFY(writeAll(dir_));
    QVERIFY(write(dir_.filePath("EURO2.CHR"), kEuro));
    QVERIFY(write(dir_.filePath("SHORT.TST"), kKeys.left(31)));
    QVERIFY(write(dir_.filePath("plain"), {}));
    QVERIFY(dir_.mkpath("DIR.TST"));
}

void TestRecipe::runs_data() {
    QTest::addColumn<QByteArray>("entries"); // the recipe's entries after a good display
    QTest::addColumn<QStringList>("args");   // before "apply"; "@" is the test's folder
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said");       // a part of stdout and stderr
    QTest::addColumn<QByteArray>("notSent"); // never in the trace

    const QStringList sim{"--simulator"};
    const auto bad = [&](const char* name, const QByteArray& entry, const char* said) {
        QTest::newRow(name) << entry << sim << 2 << QString::fromUtf8(said) << QByteArray(" > ");
    };
    bad("missing file", "\"texts\": \"NICHTDA.TXT\"", "\"texts\": \"NICHTDA.TXT\" kann nicht");
    bad("bad JSON", "\"speed\": 9600,\n  \"texts\" \"LINIE3.TXT\"", "Zeile 4, Spalte 11: nach");
    bad("short key table", "\"keyTable\": \"SHORT.TST\"", "(31 statt 32 Bytes)");
    bad("unknown key", "\"colour\": 1", "Unbekannter Eintrag \"colour\"");
    bad("mode out of range", "\"keyboardMode\": 9", "\"keyboardMode\": 9 liegt nicht im Bereich");
    bad("mode as text", "\"keyboardMode\": \"2\"", "\"keyboardMode\" muss eine ganze Zahl sein");
    bad("place twice", "\"characters\": [\"EURO.CHR\", \"EURO2.CHR\"]", "belegen beide CG-RAM 3");
    bad("speed", "\"speed\": 9601", "\"speed\": 9601 ist keine Baudrate");
    bad("folder for a file", "\"texts\": \"DIR.TST\"", "\"texts\": \"DIR.TST\" kann nicht");
    bad("short character file", "\"characters\": [\"plain\"]", "ist keine Zeichendefinition");

    const QByteArray keysAndTexts = "\"keyTable\": \"LINIE3.TST\",\n  \"texts\": \"LINIE3.TXT\"";
    QTest::newRow("dry run opens no port")
        << keysAndTexts << QStringList{"--port", "@/plain", "apply", "--dry-run"} << 0
        << "3/3 Festtexte LINIE3.TXT (Display 40x4): 43 Bytes" << QByteArray(" * ge");
    QTest::newRow("image to stdout") << QByteArray("\"texts\": \"LINIE3.TXT\"")
                                     << QStringList{"--port", "@/plain", "apply", "--print-image"}
                                     << 0 << "Linie 3\rVariante B\r\r" << QByteArray(" * ge");
    QTest::newRow("wrong echo in the key table")
        << keysAndTexts << QStringList{"--simulator", "--simulator-option", "wrong-echo-at=5"} << 1
        << "2/3 Tastaturtabelle LINIE3.TST: FEHLER\n3/3 Festtexte LINIE3.TXT (Display 40x4): "
           "nicht ausgeführt"
        << QByteArray("> 1B 52 ");
}

void TestRecipe::runs() {
    QFETCH(QByteArray, entries);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, said);
    QFETCH(QByteArray, notSent);
    const QString recipe = dir_.filePath(QStringLiteral("row.pultino"));
    QVERIFY(write(recipe, "{\n  \"display\": \"40x4\",\n  " + entries + "\n}\n"));
    const QString trace = dir_.filePath(QStringLiteral("row.trace"));
    args.replaceInStrings(QStringLiteral("@"), dir_.path());
    if (!args.contains(QStringLiteral("apply"))) args << QStringLiteral("apply");
    const CliRun r = run(dir_, QStringList{"--trace", trace} + args + QStringList{recipe});
    QVERIFY2((r.out + r.err).contains(said), qPrintable(r.out + r.err));
    QCOMPARE(r.code, code);
    QFile traced(trace);
    QVERIFY(traced.open(QIODevice::ReadOnly));
    const QByteArray lines = traced.readAll();
    QVERIFY2(!lines.contains(notSent), lines.constData());
}

// The terminal hears only its stored speed, so the verification after the recipe answers only
// if the tool followed the terminal to its new speed and kept it for the next call.
void TestRecipe::fullRecipeSetsTheTerminal() {
    PtyTerminal term({.strictSpeed = true});
    QString error;
    QVERIFY2(term.start(&error), qPrintable(error));
    const CliRun r =
        run(dir_, {"--port", term.slavePath(), "-q", "apply", dir_.filePath("FULL.pultino")});
    QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    QCOMPARE(r.out.count(QStringLiteral(": OK\n")), 6);

    const TerminalState s = term.snapshot();
    QCOMPARE(s.displayCode, 12);
    QCOMPARE(s.keyTable, kKeys);
    QCOMPARE(s.keyboardMode, 5);
    QCOMPARE(s.cgram[2].code, 0x41);
    QCOMPARE(s.cgram[2].rows[0], quint8(0x1f));
    QCOMPARE(s.cgram[5].code, 0x5b);
    QCOMPARE(s.cgram[5].rows[5], quint8(0x0e));
    QCOMPARE(s.speedCode, 1);
    QVERIFY(s.eeprom.startsWith(QByteArray("Linie 3\rVariante B\r\r\0Bitte warten\r\r\r\0\0", 37)));

    const CliRun verified = run(
        dir_, {"--port", term.slavePath(), "-q", "texts", "verify", dir_.filePath("LINIE3.TXT")});
    QCOMPARE(verified.out, QStringLiteral("identisch\n"));
}

QTEST_GUILESS_MAIN(TestRecipe)
#include "tst_recipe.moc"
