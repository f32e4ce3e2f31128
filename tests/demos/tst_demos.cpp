#include "demos/bargraph.h"
#include "demos/demologic.h"
#include "fakedialogs.h"
#include "link/commandexchange.h"
#include "link/fakeserialport.h"
#include "link/receivehandler.h"
#include "testbytes.h"

#include <QtTest>

namespace {

// Moves only when a paint waits; what happens meanwhile is up to the test.
struct StepClock : DemoClock {
    qint64 t = 0;
    std::function<void()> duringWait;
    qint64 now() const override { return t; }
    void waitUntil(qint64 deadline, const std::function<bool()>&) override {
        if (auto during = std::exchange(duringWait, nullptr)) during();
        t = qMax(t, deadline);
    }
};

QByteArray home(int row) {
    return bytes({27, '[', row, ';', 0, 'H'});
}

} // namespace

class TestDemos : public QObject {
    Q_OBJECT
  private slots:
    void barBytes_data();
    void barBytes();
    void throttleDropsIntermediateValues();
    void animationCharacters();
    void marqueeLine_data();
    void marqueeLine();
};

void TestDemos::barBytes_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("showValue");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("0") << 0 << 16 << true << home(0) + QByteArray(16, ' ') + home(1) + "000";
    QTest::newRow("5, no partial cell")
        << 5 << 16 << true << home(0) + bytes({127}) + QByteArray(15, ' ') + home(1) + "005";
    QTest::newRow("7") << 7 << 16 << true
                       << home(0) + bytes({127, 124}) + QByteArray(14, ' ') + home(1) + "007";
    QTest::newRow("80 fills 16 cells")
        << 80 << 16 << true << home(0) + QByteArray(16, char(127)) + home(1) + "080";
    QTest::newRow("one row: no number")
        << 7 << 16 << false << home(0) + bytes({127, 124}) + QByteArray(14, ' ');
    QTest::newRow("100 on 20 cells")
        << 100 << 20 << true << home(0) + QByteArray(20, char(127)) + home(1) + "100";
}

void TestDemos::barBytes() {
    QFETCH(int, value);
    QFETCH(int, columns);
    QFETCH(bool, showValue);
    QTEST(demo::barBytes(value, columns, showValue), "expected");
}

void TestDemos::throttleDropsIntermediateValues() {
    FakeSerialPort port;
    port.open();
    ReceiveHandler receiver(port);
    FakeDialogs dialogs;
    CommandExchange exchange(receiver, dialogs);
    StepClock clock;
    clsBargraph bar({exchange, clock, {}});
    bar.setColumns(16);
    bar.displayRows = [] { return 2; };

    bar.Paint(1);
    clock.t = 50;
    clock.duringWait = [&] {
        for (int v = 10; v < 40; ++v)
            bar.Paint(v);
    };
    bar.Paint(5);
    QCOMPARE(port.writes,
             (QList<QByteArray>{demo::barBytes(1, 16, true), demo::barBytes(5, 16, true),
                                demo::barBytes(39, 16, true)}));
    QCOMPARE(clock.t, 2 * clsBargraph::kPaintSpacingMs);
}

void TestDemos::animationCharacters() {
    // Pixels of the cup's table, leftmost first; a row byte has the leftmost pixel in bit 4.
    const char* cup[7] = {"11111", "10001", "10001", "10001", "10001", "11011", "01110"};
    const auto patterns = demo::animationPatterns(0);
    for (int r = 0; r < 7; ++r)
        QCOMPARE(patterns[0][r], QByteArray(cup[r]).toInt(nullptr, 2));
    QCOMPARE(patterns[7], (CharacterRows{0, 0, 4, 2, 8, 0, 4}));
    QCOMPARE(demo::animationPatterns(1)[0], CharacterRows{});
    QList<int> frames;
    for (int f = 0; f < 8; ++f)
        frames << demo::steamCode(f);
    QCOMPARE(frames, (QList<int>{18, 19, 20, 21, 22, 23, 18, 19}));
    QCOMPARE(demo::barRowByte(0), quint8(0xF0));
    QCOMPARE(demo::barRowByte(4), quint8(0xFF));
}

void TestDemos::marqueeLine_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("expected");
    const QString t = QStringLiteral("Text");
    auto blanks = [](int n) { return QString(n, QLatin1Char(' ')); };
    QTest::newRow("step 1") << t << 1 << t + blanks(12);
    QTest::newRow("step 2") << t << 2 << blanks(1) + t + blanks(11);
    QTest::newRow("step 13") << t << 13 << blanks(12) + t;
    QTest::newRow("step 14 cut") << t << 14 << blanks(13) + "Tex";
    QTest::newRow("step 16") << t << 16 << blanks(15) + "T";
    QTest::newRow("step 17 starts again") << t << 17 << t + blanks(12);
    const QString longer = QStringLiteral("Ein Text länger als die Zeile");
    QTest::newRow("long, step 1") << longer << 1 << longer.left(16);
    QTest::newRow("long, step 3") << longer << 3 << blanks(2) + longer.left(14);
}

void TestDemos::marqueeLine() {
    QFETCH(QString, text);
    QFETCH(int, pos);
    QTEST(demo::marqueeLine(text, 16, pos), "expected");
}

QTEST_MAIN(TestDemos)
#include "tst_demos.moc"
