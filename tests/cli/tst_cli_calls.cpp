#include "clirunner.h"

#include "core/numbers.h"

#include <QTemporaryDir>
#include <QtTest>

// How the tool reads its command line and its files: words, numbers, "-" for stdin and stdout,
// the messages for what it cannot take.
class TestCliCalls : public QObject {
    Q_OBJECT
  private slots:
    void wholeNumbers_data();
    void wholeNumbers();
    void calls_data();
    void calls();

  private:
    QTemporaryDir dir_;
};

void TestCliCalls::wholeNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -99: refused
    QTest::newRow("plain") << "9600" << 9600;
    QTest::newRow("leading zeros") << "09600" << 9600;
    QTest::newRow("plus") << "+5" << 5;
    QTest::newRow("minus, in range") << "-3" << -3;
    QTest::newRow("below the range") << "-11" << -99;
    QTest::newRow("far past int") << "99999999999999999999" << -99;
    QTest::newRow("sign alone") << "+" << -99;
    QTest::newRow("blank around") << " 5" << -99;
    QTest::newRow("decimal") << "5.0" << -99;
    QTest::newRow("hex") << "0x10" << -99;
}

void TestCliCalls::wholeNumbers() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(parseWholeNumber(text, -10, 10000).value_or(-99), value);
}

void TestCliCalls::calls_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");    // stdin
    QTest::addColumn<bool>("brokenSettings"); // the settings file cannot be written
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out"); // a part of stdout
    QTest::addColumn<QString>("err"); // a part of stderr
    // On the built-in simulated terminal.
    const auto row = [](const char* name, const QStringList& args, int code, const char* err,
                        const QByteArray& input = {}, const char* out = "", bool broken = false) {
        QTest::newRow(name) << QStringList{"--simulator", "-q"} + args << input << broken << code
                            << QString::fromUtf8(out) << QString::fromUtf8(err);
    };
    QByteArray texts;
    for (int n = 0; n < 128; ++n)
        texts += "Text " + QByteArray::number(n) + "\r\n\r\n\r\n\r\n";
    row("unknown option", {"--nonsense", "version"}, 2, "Unbekannte Option --nonsense.");
    row("unknown command", {"versoin"}, 2, "Unbekannter Befehl \"versoin\".");
    row("negative address is a value", {"address", "-1"}, 2, "0..15 erwartet, nicht \"-1\"");
    row("simulator option", {"--simulator-option", "nonsense", "version"}, 2,
        "Unbekannte Option \"nonsense\".");
    row("address all", {"address", "all"}, 0, "");
    row("erase alle", {"char", "erase", "alle"}, 0, "");
    row("speed with a leading zero", {"speed", "09600"}, 0, "");
    row("baud with a plus", {"--baud", "+4800", "version"}, 0, "", {}, "1.80\n");
    row("texts from stdin", {"--display", "20x4", "texts", "write", "-", "--verify"}, 0, "", texts,
        "identisch\n");
    row("texts to stdout", {"--display", "20x4", "texts", "read", "-"}, 0, "", {}, "\r\n\r\n");
    row("key table from stdin", {"keys", "write", "-"}, 0, "", "ABCDEFGH");
    row("character from stdin", {"char", "write", "-"}, 0, "",
        QByteArray::fromHex("02414142434445464700"));
    row("display not kept", {"display", "40x4"}, 2, "nicht in den Einstellungen", {}, "", true);
    row("speed not kept", {"speed", "4800"}, 2, "nicht in den Einstellungen", {}, "", true);
}

void TestCliCalls::calls() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(bool, brokenSettings);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const QString config = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()));
    // A folder where the settings file should be: no one, root included, can write it.
    if (brokenSettings) QVERIFY(QDir().mkpath(config + QStringLiteral("/ZEPTAL32/ZEPTAL32.ini")));
    const CliRun r = CliRunner(config).run(args, input);
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    QVERIFY2(r.out.contains(out), qPrintable(r.out.left(200)));
    QCOMPARE(r.code, code);
}

QTEST_GUILESS_MAIN(TestCliCalls)
#include "tst_cli_calls.moc"
