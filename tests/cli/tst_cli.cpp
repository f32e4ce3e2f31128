#include "cli/cli.h"
#include "core/numbers.h"
#include "fixedtext/textcompare.h"
#include "link/fakeserialport.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

using namespace cli;

class TestCli : public QObject {
    Q_OBJECT
  private slots:
    void commonOptions_data();
    void commonOptions();
    void displayAndText();
    void progressFigures_data();
    void progressFigures();
    void tracingPort();
    void verifyReport_data();
    void verifyReport();
    void wholeNumbers_data();
    void wholeNumbers();
};

void TestCli::commonOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("taken"); // port|baud|display|simulator options|quiet, or the error
    QTest::addColumn<QStringList>("rest");
    QTest::newRow("before, with =")
        << QStringList{"--port=/dev/ttyUSB0", "texts", "write", "a", "--verify"}
        << "/dev/ttyUSB0|||0" << QStringList{"texts", "write", "a", "--verify"};
    QTest::newRow("after the command")
        << QStringList{"version", "--port", "COM3", "-q", "--baud", "4800", "--display", "40x4"}
        << "COM3|4800|40x4|1" << QStringList{"version"};
    QTest::newRow("simulator options repeat")
        << QStringList{"--simulator-option", "line-rate", "--simulator-option=noise=FF", "eeprom"}
        << "||line-rate,noise=FF|0" << QStringList{"eeprom"};
    QTest::newRow("nothing taken after --") << QStringList{"send", "--", "--port", "x"} << "|||0"
                                            << QStringList{"send", "--", "--port", "x"};
    QTest::newRow("speed the terminal lacks")
        << QStringList{"--baud", "19200", "version"} << "error" << QStringList{};
    QTest::newRow("value missing at the end")
        << QStringList{"version", "--trace"} << "error" << QStringList{};
    QTest::newRow("empty value") << QStringList{"--port=", "version"} << "error" << QStringList{};
}

void TestCli::commonOptions() {
    QFETCH(QStringList, args);
    QFETCH(QString, taken);
    QFETCH(QStringList, rest);
    CommonOptions options;
    QStringList left;
    const QString error = takeCommonOptions(QStringList{"zeptal32-cli"} + args, &options, &left);
    if (taken == QLatin1String("error")) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QString seen =
        QStringList{options.port, options.baud ? QString::number(*options.baud) : QString(),
                    options.display.value_or(QString()) +
                        options.simulatorOptions.join(QLatin1Char(',')),
                    QString::number(options.quiet)}
            .join(QLatin1Char('|'));
    QCOMPARE(seen, taken);
    QCOMPARE(left, rest);
}

void TestCli::displayAndText() {
    QCOMPARE(displayFromText(QStringLiteral("8x2"))->index, 0);
    QCOMPARE(displayFromText(QStringLiteral(" 40X4"))->index, 13);
    QCOMPARE(displayFromText(QStringLiteral("16x1"))->columns, 16);
    QVERIFY(!displayFromText(QStringLiteral("21x4")));
    QCOMPARE(unescapeCommandText(QStringLiteral("\\e&C\\\\")), QString(QChar(27)) + "&C\\");
    QVERIFY(!unescapeCommandText(QStringLiteral("\\n")));
    QVERIFY(!unescapeCommandText(QStringLiteral("ab\\")));
}

void TestCli::progressFigures_data() {
    QTest::addColumn<qsizetype>("done");
    QTest::addColumn<qsizetype>("total");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");
    const auto row = [](const char* name, qsizetype done, qsizetype total, qint64 ms,
                        const char* text) {
        QTest::newRow(name) << done << total << ms << QString::fromLatin1(text);
    };
    row("no rate yet", 0, 100, 500, "0/100 Bytes  -- B/s  noch --:--");
    row("no time yet", 5, 100, 0, "5/100 Bytes  -- B/s  noch --:--");
    row("half way", 436, 20609, 1000, "436/20609 Bytes  436 B/s  noch 0:46");
    row("hours", 1, 10000, 1000, "1/10000 Bytes  1 B/s  noch 2:46:39");
    row("done", 100, 100, 3000, "100/100 Bytes  33 B/s  noch 0:00");
}

void TestCli::progressFigures() {
    QFETCH(qsizetype, done);
    QFETCH(qsizetype, total);
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(cli::progressFigures(done, total, ms), text);
}

// Only what really goes on the line is traced, each burst as hex and as text with a dot for
// what does not print, and a lost port still reaches the exchange.
void TestCli::tracingPort() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trace.txt"));
    FakeSerialPort fake;
    ByteTrace trace;
    QVERIFY(trace.open(path).isEmpty());
    TracingSerialPort port(fake, trace);
    QSignalSpy lost(&port, &SerialPort::lost);
    QSignalSpy data(&port, &SerialPort::dataReceived);
    port.write("dropped");
    QVERIFY(port.open());
    port.write(QByteArray("\x1b\0\x7f\xe4 ~", 6));
    fake.feed("1.80B");
    QCOMPARE(data.size(), 1);
    QCOMPARE(port.readAll(), QByteArray("1.80B"));
    fake.vanish();
    QCOMPARE(lost.size(), 1);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList lines;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.isEmpty()) lines.append(QString::fromUtf8(line.simplified()).section(' ', 1));
    QVERIFY(lines.value(0).startsWith("ZEPTAL32 Byte-Protokoll, begonnen"));
    QCOMPARE(lines.mid(1),
             (QStringList{"* geöffnet fake:COM1 9600,n,8,2", "> 1B 00 7F E4 20 7E |.... ~|",
                          "< 31 2E 38 30 42 |1.80B|", "* verloren fake:COM1"}));
}

void TestCli::verifyReport_data() {
    QTest::addColumn<QByteArray>("terminal");
    QTest::addColumn<QStringList>("lines");
    // texts verify against a file of text 0 "AB" / "CD" and text 1 "EF" on a 16x2 display.
    const auto offset = [](int n) {
        return QStringLiteral("Fehler in den gespeicherten Festtexten an Offsetadresse %1!").arg(n);
    };
    QTest::newRow("one row changed")
        << QByteArray("AB\rCD\0EX\r\0\0", 11)
        << QStringList{offset(7), "(Festtext Nr. 1, Zeile 1)",
                       "Festtext Nr. 1, Zeile 1: Pultino \"EX\", Datei \"EF\""};
    QTest::newRow("text added")
        << QByteArray("AB\rCD\0EF\r\0GH\r\0\0", 15)
        << QStringList{offset(10), "(hinter dem letzten Festtext, Nr. 1)",
                       "Festtext Nr. 2: nur im Pultino, nicht in der Datei (Pultino, Zeile 1: "
                       "\"GH\")"};
    QTest::newRow("text missing at the end")
        << QByteArray("AB\rCD\0\0", 7)
        << QStringList{offset(6), "(Festtext Nr. 1, Zeile 1)",
                       "Festtext Nr. 1: fehlt im Pultino (Datei, Zeile 1: \"EF\")"};
    QTest::newRow("closing 0 of a text")
        << QByteArray("AB\rCDXEF\r\0\0", 11)
        << QStringList{offset(5), "(Festtext Nr. 0, Zeile 2)",
                       "Festtext Nr. 0, Zeile 2: Pultino \"CDXEF\", Datei \"CD\"",
                       "Festtext Nr. 1: fehlt im Pultino (Datei, Zeile 1: \"EF\")"};
    QTest::newRow("identical") << QByteArray("AB\rCD\0EF\r\0\0", 11) << QStringList{};
}

void TestCli::verifyReport() {
    QFETCH(QByteArray, terminal);
    QFETCH(QStringList, lines);
    const QByteArray file("AB\rCD\0EF\r\0\0", 11);
    const FesttextComparison comparison = compareFesttextImages(terminal, file, 16);
    QCOMPARE(comparisonReport(comparison), lines);
    QCOMPARE(comparisonJson(comparison)["texts"].toArray().size(), qMax(0, int(lines.size()) - 2));
}

void TestCli::wholeNumbers_data() {
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

void TestCli::wholeNumbers() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(parseWholeNumber(text, -10, 10000).value_or(-99), value);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
