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
    const QStringList sim{"--simulator", "-q"};
    QByteArray texts;
    for (int n = 0; n < 128; ++n)
        texts += "Text " + QByteArray::number(n) + "\r\n\r\n\r\n\r\n";
    QTest::newRow("unknown option")
        << QStringList{"--nonsense", "version"} << QByteArray() << false << 2 << ""
        << "Unbekannte Option --nonsense.";
    QTest::newRow("unknown command") << QStringList{"versoin"} << QByteArray() << false << 2 << ""
                                     << "Unbekannter Befehl \"versoin\".";
    QTest::newRow("negative address is a value")
        << sim + QStringList{"address", "-1"} << QByteArray() << false << 2 << ""
        << "0..15 erwartet, nicht \"-1\"";
    QTest::newRow("simulator option")
        << sim + QStringList{"--simulator-option", "nonsense", "version"} << QByteArray() << false
        << 2 << ""
        << "Unbekannte Option \"nonsense\".";
    QTest::newRow("address all") << sim + QStringList{"address", "all"} << QByteArray() << false
                                 << 0 << ""
                                 << "";
    QTest::newRow("erase alle") << sim + QStringList{"char", "erase", "alle"} << QByteArray()
                                << false << 0 << ""
                                << "";
    QTest::newRow("speed with a leading zero")
        << sim + QStringList{"speed", "09600"} << QByteArray() << false << 0 << ""
        << "";
    QTest::newRow("baud with a plus")
        << sim + QStringList{"--baud", "+4800", "version"} << QByteArray() << false << 0 << "1.80\n"
        << "";
    QTest::newRow("texts from stdin")
        << sim + QStringList{"--display", "20x4", "texts", "write", "-", "--verify"} << texts
        << false << 0 << "identisch\n"
        << "";
    QTest::newRow("texts to stdout") << sim + QStringList{"--display", "20x4", "texts", "read", "-"}
                                     << QByteArray() << false << 0 << "\r\n\r\n"
                                     << "";
    QTest::newRow("key table from stdin")
        << sim + QStringList{"keys", "write", "-"} << QByteArray("ABCDEFGH") << false << 0 << ""
        << "";
    QTest::newRow("character from stdin") << sim + QStringList{"char", "write", "-"}
                                          << QByteArray("\x02"
                                                        "AABCDEFG\0",
                                                        10)
                                          << false << 0 << ""
                                          << "";
    QTest::newRow("display not kept")
        << sim + QStringList{"display", "40x4"} << QByteArray() << true << 2 << ""
        << "nicht in den Einstellungen";
    QTest::newRow("speed not kept")
        << sim + QStringList{"speed", "4800"} << QByteArray() << true << 2 << ""
        << "nicht in den Einstellungen";
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
