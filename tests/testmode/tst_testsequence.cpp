#include "fakedialogs.h"
#include "link/fakeserialport.h"
#include "link/flags.h"
#include "link/receivehandler.h"
#include "sim/faketerminal.h"
#include "testmode/testsequence.h"

#include <QtTest>
#include <memory>

using namespace testmode;

namespace {

// The person at the bench and an exchange on a fake port, with the simulated terminal behind
// it unless the line is dead.
struct Line : TestPerson {
    FakeSerialPort port;
    FakeDialogs dialogs;
    ReceiveHandler receiver{port};
    CommandExchange exchange{receiver, dialogs};
    std::unique_ptr<FakeTerminal> terminal;
    QStringList shown;
    int retries = 0; // Retry answers before Cancel
    QString fault;

    explicit Line(std::optional<TerminalOptions> options) {
        LinkFlags::instance().setAbortRequested(false);
        port.open();
        if (options) terminal = std::make_unique<FakeTerminal>(port, *options);
    }
    bool retryLinkTest(const QString& message) override {
        shown.append(message.section('\r', 0, 0));
        return retries-- > 0;
    }
    void geometryNotSupported(const QString& message) override { shown.append(message); }
    std::optional<QString> checkKeyboard() override {
        if (fault == "vanish") port.vanish();
        if (fault == "abort") LinkFlags::instance().setAbortRequested(true);
        return fault == "keys" ? QStringLiteral("F2 ") : QString();
    }
    std::optional<bool> checkDisplay(int, int) override { return fault != "display"; }
};

} // namespace

class TestSequence : public QObject {
    Q_OBJECT
  private slots:
    void stepBytes_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QStringList>("shown");
        const QByteArray clear("\x1b&#");
        QTest::newRow("link test")
            << 0 << 20 << clear + "\033CTest 1:\rSchnittstelle\033&u" + QByteArray(31, '.') + "*"
            << QStringList();
        QTest::newRow("standard key table")
            << 1 << 20
            << clear + "Test 2:\rUmkodiertabelle\x1b&u" +
                   QByteArray("\0\1\2\3\4\5\6\7\20\21\22\23\24\25\26\27 !\"#$%&'01234567", 32)
            << QStringList();
        QTest::newRow("20x4") << 2 << 20 << clear + "Test 3:\rAufloesung\x1b&S\x05"
                              << QStringList();
        QTest::newRow("8x2 is set to 16x4")
            << 2 << 8 << clear + "Test 3:\rAufloesung\x1b&S\x02"
            << QStringList{QStringLiteral(
                   "Auflösung 8x2 wird nicht unterstützt!\rPT wurde auf 16x4 eingestellt!")};
        QByteArray texts = clear + "Test 4:SpeichereFesttext \x1bR";
        for (int n = 0; n < 128; ++n)
            texts += QByteArray::number(n).rightJustified(3, '0') + '\0';
        QTest::newRow("fixed texts") << 3 << 20 << texts + '\0' << QStringList();
    }

    void stepBytes() {
        QFETCH(int, index);
        QFETCH(int, columns);
        Line line{TerminalOptions{}};
        const StepResult r =
            testFunction(line.exchange, index, true, {columns, columns == 8 ? 2 : 4}, line);
        QTEST(line.port.written(), "sent");
        QTEST(line.shown, "shown");
        QCOMPARE(r.text, QStringLiteral("OK"));
        QCOMPARE(line.dialogs.messages(), QStringList());
    }

    // On a dead line the operator is asked to check it after each try; a retry sends it all again.
    void linkTestDeadLine() {
        Line line{std::nullopt};
        line.retries = 1;
        const StepResult r = testFunction(line.exchange, 0, false, {}, line);
        QCOMPARE(line.port.written().count('*'), 2);
        QCOMPARE(line.shown,
                 QStringList(2, QStringLiteral("Verbindungs- oder EEPROM-Fehler: Bitte prüfen:")));
        QCOMPARE(line.dialogs.messages(), QStringList());
        QCOMPARE(r.text, QStringLiteral("abgebrochen"));
    }

    // What follows the closing 0, 0 in the read-back is not part of the stored texts.
    void readBackTail() {
        Line line{std::nullopt};
        line.port.onWrite = [&](const QByteArray&) { line.port.feed(numberedTextsImage() + "X"); };
        QCOMPARE(checkNumberedTexts(line.exchange).text, QStringLiteral("OK"));
    }

    void run_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("rows"); // state letter and text
        auto rows = [](const char* states, QStringList failures = {}) {
            QStringList r;
            for (const char* c = states; *c; ++c)
                r << (*c == 'P'   ? "P OK"
                      : *c == 'C' ? "C abgebrochen"
                                  : "F " + failures.takeFirst());
            return r;
        };
        QTest::newRow("good terminal") << QString() << rows("PPPPPPP");
        QTest::newRow("dead line") << "dead" << rows("CCCCCCC");
        QTest::newRow("wrong echo while storing fixed texts")
            << "wrong echo"
            << rows("PPPFFPP", {"FEHLER BEIM SPEICHERN DER FESTTEXTE",
                                "FEHLER IN DEN FESTTEXTEN AN OFFSETADRESSE 33"});
        QTest::newRow("F2 never arrived") << "keys" << rows("PPFPPPP", {"TASTEN FEHLEN: F2"});
        QTest::newRow("display looks wrong")
            << "display" << rows("PFPPPPP", {"DISPLAY ZEIGT NICHT DAS TESTBILD"});
        QTest::newRow("port vanishes") << "vanish" << rows("PPCCCCC");
        QTest::newRow("operator aborts") << "abort" << rows("PPCCCCC");
    }

    void run() {
        QFETCH(QString, fault);
        QFETCH(QStringList, rows);
        TerminalOptions options;
        if (fault == "wrong echo") options.wrongEchoAt = 33; // beyond the key-table transfers
        Line line{fault == "dead" ? std::nullopt : std::optional(options)};
        line.fault = fault;
        QStringList shown(kTestCount);
        int started = 0;
        const RunResult result =
            runTests(line.exchange, {20, 4}, line, [&](int row, RowState s, const QString& text) {
                started += s == RowState::Running;
                if (s > RowState::Running) shown[row] = QString("?PFC"[int(s) - 1]) + ' ' + text;
            });
        QCOMPARE(shown, rows);
        QCOMPARE(result.portLost, fault == "vanish");
        QCOMPARE(result.allPassed(), fault.isEmpty());
        // A row after a cancelled one never starts.
        const auto firstCancelled = rows.indexOf(QStringLiteral("C abgebrochen"));
        QCOMPARE(started, firstCancelled < 0 ? 7 : firstCancelled + 1);
        QCOMPARE(line.port.written().endsWith("                \x1b&#20x4\rTest-Ende"),
                 fault != "vanish");
        QCOMPARE(line.dialogs.messages(), QStringList());
    }
};

QTEST_MAIN(TestSequence)
#include "tst_testsequence.moc"
