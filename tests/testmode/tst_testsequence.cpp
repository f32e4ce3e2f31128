#include "core/commands.h"
#include "fakedialogs.h"
#include "link/commandexchange.h"
#include "link/fakeserialport.h"
#include "link/flags.h"
#include "link/receivehandler.h"
#include "sim/faketerminal.h"
#include "testbytes.h"
#include "testmode/testsequence.h"

#include <QtTest>
#include <memory>

using namespace testmode;
Q_DECLARE_METATYPE(TerminalOptions)

namespace {

// The person at the bench, answering from a script.
struct ScriptedPerson : TestPerson {
    QStringList shown;
    int retries = 0; // Retry answers before Cancel
    QString missingKeys;
    bool displayRight = true;
    std::function<void()> duringCheck;

    bool retryLinkTest(const QString& message) override {
        shown.append(message.section('\r', 0, 0));
        return retries-- > 0;
    }
    void geometryNotSupported(const QString& message) override { shown.append(message); }
    std::optional<QString> checkKeyboard() override {
        if (duringCheck) duringCheck();
        return missingKeys;
    }
    std::optional<bool> checkDisplay(int, int) override { return displayRight; }
};

// An exchange on a fake port, with the simulated terminal behind it unless the line is dead.
struct Line {
    FakeSerialPort port;
    FakeDialogs dialogs;
    ReceiveHandler receiver{port};
    CommandExchange exchange{receiver, dialogs};
    std::unique_ptr<FakeTerminal> terminal;
    ScriptedPerson person;

    explicit Line(std::optional<TerminalOptions> options) {
        LinkFlags::instance().setAbortRequested(false);
        port.open();
        if (options) terminal = std::make_unique<FakeTerminal>(port, *options);
    }
};

const QString kLinkFailed = QStringLiteral("Verbindungs- oder EEPROM-Fehler: Bitte prüfen:");

} // namespace

class TestSequence : public QObject {
    Q_OBJECT
  private slots:
    void stepBytes_data();
    void stepBytes();
    void linkTestDeadLine_data();
    void linkTestDeadLine();
    void run_data();
    void run();
};

void TestSequence::stepBytes_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QStringList>("shown");
    const QByteArray clear = bytes({27, '&', '#'});
    QTest::newRow("link test") << 0 << 20 << 4
                               << clear + bytes({27, 'C'}) + "Test 1:\rSchnittstelle" +
                                      bytes({27, '&', 'u'}) + QByteArray(31, '.') + "*"
                               << QStringList();
    QTest::newRow("standard key table")
        << 1 << 20 << 4
        << clear + "Test 2:\rUmkodiertabelle" + bytes({27, '&', 'u'}) +
               bytes({0,  1,  2,  3,  4,  5,  6,  7,  16, 17, 18, 19, 20, 21, 22, 23,
                      32, 33, 34, 35, 36, 37, 38, 39, 48, 49, 50, 51, 52, 53, 54, 55})
        << QStringList();
    const QByteArray geometry = clear + "Test 3:\rAufloesung" + bytes({27, '&', 'S'});
    QTest::newRow("20x4") << 2 << 20 << 4 << geometry + bytes({5}) << QStringList();
    QTest::newRow("8x2 is set to 16x4")
        << 2 << 8 << 2 << geometry + bytes({2})
        << QStringList{QStringLiteral(
               "Auflösung 8x2 wird nicht unterstützt!\rPT wurde auf 16x4 eingestellt!")};
    QByteArray texts = clear + "Test 4:SpeichereFesttext " + bytes({27, 'R'});
    for (int n = 0; n < 128; ++n)
        texts += QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')).toLatin1() + '\0';
    QTest::newRow("fixed texts") << 3 << 20 << 4 << texts + '\0' << QStringList();
    QTest::newRow("nothing") << 5 << 20 << 4 << QByteArray() << QStringList();
}

void TestSequence::stepBytes() {
    QFETCH(int, index);
    QFETCH(int, columns);
    QFETCH(int, rows);
    Line line{TerminalOptions{}};
    const StepResult r = testFunction(line.exchange, index, true, {columns, rows}, line.person);
    QFETCH(QByteArray, sent);
    QFETCH(QStringList, shown);
    QCOMPARE(line.port.written(), sent);
    QCOMPARE(line.person.shown, shown);
    QCOMPARE(r.text, QStringLiteral("OK"));
    QVERIFY(r.good);
    QCOMPARE(line.dialogs.messages(), QStringList());
}

void TestSequence::linkTestDeadLine_data() {
    QTest::addColumn<bool>("showMsgs");
    QTest::addColumn<int>("retries");
    QTest::newRow("silent, retry once then cancel") << false << 1;
    QTest::newRow("time-out messages, cancel") << true << 0;
}

void TestSequence::linkTestDeadLine() {
    QFETCH(bool, showMsgs);
    QFETCH(int, retries);
    Line line{std::nullopt};
    line.person.retries = retries;
    const StepResult r = testFunction(line.exchange, 0, showMsgs, {}, line.person);
    QCOMPARE(line.port.written().count('.'), 31 * (retries + 1));
    QCOMPARE(line.port.written().count('*'), retries + 1);
    QCOMPARE(line.person.shown, QStringList(retries + 1, kLinkFailed));
    QCOMPARE(line.dialogs.messages().size(), showMsgs ? 32 : 0);
    QCOMPARE(r.text, QStringLiteral("abgebrochen"));
    QVERIFY(r.good);
    QVERIFY(LinkFlags::instance().abortRequested());
    // Once cancelled, a step sends nothing.
    line.port.clearWrites();
    QCOMPARE(testFunction(line.exchange, 1, false, {}, line.person).text,
             QStringLiteral("abgebrochen"));
    QCOMPARE(line.port.written(), QByteArray());
}

void TestSequence::run_data() {
    QTest::addColumn<TerminalOptions>("options");
    QTest::addColumn<QString>("fault");  // "dead", "keys", "display", "vanish", "abort"
    QTest::addColumn<QString>("states"); // P passed, F failed, C cancelled
    QTest::addColumn<QStringList>("texts");
    const QString ok = QStringLiteral("OK");
    const QString cancelled = QStringLiteral("abgebrochen");
    QTest::newRow("good terminal")
        << TerminalOptions{} << QString() << "PPPPPPP" << QStringList(7, ok);
    QTest::newRow("dead line") << TerminalOptions{} << "dead"
                               << "CCCCCCC" << QStringList(7, cancelled);
    TerminalOptions wrongEcho;
    wrongEcho.wrongEchoAt = 33; // beyond the 32 bytes of each key-table transfer
    QTest::newRow("wrong echo while storing fixed texts")
        << wrongEcho << QString() << "PPPFFPP"
        << QStringList{ok,
                       ok,
                       ok,
                       QStringLiteral("FEHLER BEIM SPEICHERN DER FESTTEXTE"),
                       QStringLiteral("FEHLER IN DEN FESTTEXTEN AN OFFSETADRESSE 33"),
                       ok,
                       ok};
    QTest::newRow("F2 never arrived")
        << TerminalOptions{} << "keys"
        << "PPFPPPP" << QStringList{ok, ok, QStringLiteral("TASTEN FEHLEN: F2"), ok, ok, ok, ok};
    QTest::newRow("display looks wrong")
        << TerminalOptions{} << "display"
        << "PFPPPPP"
        << QStringList{ok, QStringLiteral("DISPLAY ZEIGT NICHT DAS TESTBILD"), ok, ok, ok, ok, ok};
    QTest::newRow("port vanishes")
        << TerminalOptions{} << "vanish"
        << "PPCCCCC" << QStringList{ok, ok, cancelled, cancelled, cancelled, cancelled, cancelled};
    QTest::newRow("operator aborts")
        << TerminalOptions{} << "abort"
        << "PPCCCCC" << QStringList{ok, ok, cancelled, cancelled, cancelled, cancelled, cancelled};
}

void TestSequence::run() {
    QFETCH(TerminalOptions, options);
    QFETCH(QString, fault);
    QFETCH(QString, states);
    QFETCH(QStringList, texts);
    const bool dead = fault == "dead";
    Line line{dead ? std::nullopt : std::optional(options)};
    if (fault == "keys") line.person.missingKeys = QStringLiteral("F2 ");
    if (fault == "display") line.person.displayRight = false;
    if (fault == "vanish") line.person.duringCheck = [&] { line.port.vanish(); };
    if (fault == "abort")
        line.person.duringCheck = [] { LinkFlags::instance().setAbortRequested(true); };
    QStringList shownTexts(kTestCount);
    QString running;
    const RunResult result = runTests(line.exchange, {20, 4}, line.person,
                                      [&](int row, RowState state, const QString& text) {
                                          if (state == RowState::Running)
                                              running += QString::number(row);
                                          if (state > RowState::Running) shownTexts[row] = text;
                                      });
    QString got;
    for (RowState s : result.rows)
        got += s == RowState::Passed      ? 'P'
               : s == RowState::Failed    ? 'F'
               : s == RowState::Cancelled ? 'C'
                                          : '?';
    QCOMPARE(got, states);
    QCOMPARE(shownTexts, texts);
    QCOMPARE(result.portLost, fault == "vanish");
    QCOMPARE(result.allPassed(), states == "PPPPPPP");
    // A cancelled row after the first never started.
    QCOMPARE(running.size(), states.indexOf('C') < 0 ? 7 : states.indexOf('C') + 1);
    QCOMPARE(line.port.written().endsWith(QByteArray(16, ' ') + bytes({27, '&', '#'}) +
                                          "20x4\rTest-Ende"),
             fault != "vanish");
    QCOMPARE(line.dialogs.messages(), QStringList());
    if (!dead && states == "PPPPPPP") {
        QTRY_COMPARE(line.terminal->snapshot().rowsText().at(1).trimmed(),
                     QStringLiteral("Test-Ende"));
        QCOMPARE(line.terminal->snapshot().keyTable, cmd::standardKeyTable());
    }
}

QTEST_MAIN(TestSequence)
#include "tst_testsequence.moc"
