#include "control/controllogic.h"
#include "core/dialogs.h"
#include "link/fakeserialport.h"

#include <QTest>

using namespace control;

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

const QByteArray kClear = bytes({27, '&', '#'});
const QString kCr(QChar(13));

const QStringList kSpeeds = {"9600,n,8,2", "4800,n,8,2", "2400,n,8,2", "1200,n,8,2"};

} // namespace

class TestControlLogic : public QObject {
    Q_OBJECT
  private slots:
    void cursorSet_data();
    void cursorSet();
    void textOutput_data();
    void textOutput();
    void busAddress_data();
    void busAddress();
    void version_data();
    void version();
    void eeprom_data();
    void eeprom();
    void storeDisplayType_data();
    void storeDisplayType();
    void storeSpeed();
    void storeSpeedPortFailures_data();
    void storeSpeedPortFailures();
};

void TestControlLogic::cursorSet_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("first column of second row") << 1 << 0 << bytes({27, '[', 1, ';', 0, 'H'});
    QTest::newRow("column index 10 stays one byte") << 0 << 10 << bytes({27, '[', 0, ';', 10, 'H'});
    QTest::newRow("column index 11 is tens, units")
        << 2 << 11 << bytes({27, '[', 2, ';', 1, 1, 'H'});
    QTest::newRow("column index 20") << 0 << 20 << bytes({27, '[', 0, ';', 2, 0, 'H'});
    QTest::newRow("last column of a 40x4") << 3 << 39 << bytes({27, '[', 3, ';', 3, 9, 'H'});
}

void TestControlLogic::cursorSet() {
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(QByteArray, expected);
    QCOMPARE(cursorSetBytes(row, col), expected);
}

void TestControlLogic::textOutput_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<QByteArray>>("expected");
    const QStringList ruler8(4, "12345678");
    QTest::newRow("four empty fields: clear only")
        << QStringList(4, QString()) << 4 << QList<QByteArray>{kClear};
    QTest::newRow("hidden rows are not sent")
        << ruler8 << 2
        << QList<QByteArray>{kClear, bytes({27, '[', 0, ';', 0, 'H'}), "12345678",
                             bytes({27, '[', 1, ';', 0, 'H'}), "12345678"};
    QTest::newRow("empty middle row is skipped")
        << QStringList{"A", "", "C", ""} << 4
        << QList<QByteArray>{kClear, bytes({27, '[', 0, ';', 0, 'H'}), "A",
                             bytes({27, '[', 2, ';', 0, 'H'}), "C"};
    QTest::newRow("a single blank is not empty")
        << QStringList{"", " ", "", ""} << 4
        << QList<QByteArray>{kClear, bytes({27, '[', 1, ';', 0, 'H'}), " "};
    QTest::newRow("umlaut leaves as 228")
        << QStringList{QStringLiteral("ä"), "", "", ""} << 1
        << QList<QByteArray>{kClear, bytes({27, '[', 0, ';', 0, 'H'}), bytes({228})};
    QTest::newRow("character without a byte becomes ?")
        << QStringList{QStringLiteral("a\u03A9€"), "", "", ""} << 1
        << QList<QByteArray>{kClear, bytes({27, '[', 0, ';', 0, 'H'}), bytes({'a', '?', 128})};
}

void TestControlLogic::textOutput() {
    QFETCH(QStringList, fields);
    QFETCH(int, rows);
    QFETCH(QList<QByteArray>, expected);
    QCOMPARE(textOutputWrites(fields, rows), expected);
}

void TestControlLogic::busAddress_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("alle") << 0 << bytes({27, '&', 'A', 'Z'});
    QTest::newRow("nothing selected") << -1 << bytes({27, '&', 'A', 'Z'});
    QTest::newRow("address 0") << 1 << bytes({27, '&', 'A', 0});
    QTest::newRow("address 15") << 16 << bytes({27, '&', 'A', 15});
}

void TestControlLogic::busAddress() {
    QFETCH(int, index);
    QFETCH(QByteArray, expected);
    QCOMPARE(busAddressCommand(index), expected);
}

void TestControlLogic::version_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    const QString failure = "Das Pultino hat auf die Versionsabfrage nicht reagiert." + kCr +
                            "Dafür gibt es zwei mögliche Ursachen:" + kCr +
                            "(A) Die Firmware-Version ist 1.5 oder älter." + kCr +
                            "(B) Es ist kein Pultino angeschlossen";
    QTest::newRow("good") << QByteArray("V1.7B") << "Die Firmware-Version ist V1.7." << kAppTitle;
    QTest::newRow("exactly four") << QByteArray("2.0B") << "Die Firmware-Version ist 2.0B."
                                  << kAppTitle;
    QTest::newRow("garbage after")
        << QByteArray("1.8 B\r\n") << "Die Firmware-Version ist 1.8 ." << kAppTitle;
    QTest::newRow("awaited B alone is too short") << QByteArray("B") << failure << "Version";
    QTest::newRow("three characters") << QByteArray("1.B") << failure << "Version";
    QTest::newRow("no reply") << QByteArray() << failure << "Version";
}

void TestControlLogic::version() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, text);
    QFETCH(QString, title);
    const Message m = versionMessage(reply);
    QCOMPARE(m.text, text);
    QCOMPARE(m.title, title);
}

void TestControlLogic::eeprom_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    const QString failure = "Das Pultino hat auf die EEPROM-Informationsabfrage nicht reagiert." +
                            kCr + "Dafür gibt es zwei mögliche Ursachen:" + kCr +
                            "(A) Die Firmware-Version ist 1.6 oder älter." + kCr +
                            "(B) Es ist kein Pultino angeschlossen";
    QTest::newRow("present, absent, mixed")
        << QByteArray("E111111110000000001011111;")
        << "EEPROM Nr. 1: Vorhanden" + kCr + "EEPROM Nr. 2: NICHT vorhanden oder defekt" + kCr +
               "EEPROM Nr. 3: Fehlerhaft" + kCr;
    QTest::newRow("all present, trailing text ignored")
        << QByteArray("x111111111111111111111111;garbage")
        << "EEPROM Nr. 1: Vorhanden" + kCr + "EEPROM Nr. 2: Vorhanden" + kCr +
               "EEPROM Nr. 3: Vorhanden" + kCr;
    QTest::newRow("first character is not part of a group")
        << QByteArray("1000000001111111100000000;")
        << "EEPROM Nr. 1: NICHT vorhanden oder defekt" + kCr + "EEPROM Nr. 2: Vorhanden" + kCr +
               "EEPROM Nr. 3: NICHT vorhanden oder defekt" + kCr;
    QTest::newRow("non-digit group is faulty")
        << QByteArray(";1111111122222222;0000000;")
        << "EEPROM Nr. 1: Vorhanden" + kCr + "EEPROM Nr. 2: Fehlerhaft" + kCr +
               "EEPROM Nr. 3: Fehlerhaft" + kCr;
    QTest::newRow("25 characters is too short")
        << QByteArray("E11111111000000001111111;") << failure;
    QTest::newRow("no reply") << QByteArray() << failure;
}

void TestControlLogic::eeprom() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, text);
    const Message m = eepromMessage(reply);
    QCOMPARE(m.text, text);
    QCOMPARE(m.title, QStringLiteral("EEPROM-Information"));
}

void TestControlLogic::storeDisplayType_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::newRow("16x1") << 0 << "16x1"
                          << QList<QByteArray>{"\x1b&S", bytes({0}), kClear, "16x1 Display"};
    QTest::newRow("8x2 keeps its blanks")
        << 0 << "  8x2" << QList<QByteArray>{"\x1b&S", bytes({0}), kClear, "  8x2 Display"};
    QTest::newRow("40x4") << 12 << "40x4"
                          << QList<QByteArray>{"\x1b&S", bytes({12}), kClear, "40x4 Display"};
}

void TestControlLogic::storeDisplayType() {
    QFETCH(int, code);
    QFETCH(QString, item);
    QFETCH(QList<QByteArray>, expected);
    QCOMPARE(storeDisplayTypeWrites(code, item), expected);
}

void TestControlLogic::storeSpeed() {
    FakeSerialPort port;
    port.setSettings("2400,n,8,2");
    port.open();
    QVERIFY(storeSpeedAtAllRates(port, kSpeeds, 1, "4800,n,8,2"));

    QList<QPair<QString, QByteArray>> expected;
    for (const QString& speed : kSpeeds)
        expected << qMakePair(speed, QByteArray("\x1b&B")) << qMakePair(speed, bytes({1}))
                 << qMakePair(speed, kClear);
    expected << qMakePair(QString("2400,n,8,2"), kClear)
             << qMakePair(QString("2400,n,8,2"), QByteArray("4800,n,8,2"));
    QCOMPARE(port.writesWithSettings, expected);
    QVERIFY(port.isOpen());
    QCOMPARE(port.settings(), QString("2400,n,8,2"));
}

void TestControlLogic::storeSpeedPortFailures_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("writesAtFirstSpeed");
    QTest::newRow("closed port that cannot be opened") << "closed" << 0;
    QTest::newRow("vanishes at the first write") << "vanish" << 1;
    QTest::newRow("vanishes and reopens later") << "vanish-reopenable" << 1;
    QTest::newRow("reopening at the old speed fails") << "restore" << 3;
}

void TestControlLogic::storeSpeedPortFailures() {
    QFETCH(QString, fault);
    QFETCH(int, writesAtFirstSpeed);
    FakeSerialPort port;
    port.setSettings("4800,n,8,2");
    if (fault == "closed") {
        port.failOpen = true;
    } else {
        port.open();
        port.onWrite = [&](const QByteArray&) {
            if (fault == "restore") {
                if (port.settings() == kSpeeds[3]) port.failOpen = true;
                return;
            }
            port.onWrite = nullptr;
            port.vanish();
            port.failOpen = fault == "vanish";
        };
    }

    QVERIFY(!storeSpeedAtAllRates(port, kSpeeds, 0, "9600,n,8,2"));
    QVERIFY(!port.isOpen());
    // The port is left at the speed the window shows, not at the last one tried.
    QCOMPARE(port.settings(), QString("4800,n,8,2"));
    int atFirst = 0;
    for (const auto& w : port.writesWithSettings)
        atFirst += w.first == kSpeeds[0];
    QCOMPARE(atFirst, writesAtFirstSpeed);
    if (fault.startsWith("vanish")) QCOMPARE(port.writes.size(), 1);
}

QTEST_GUILESS_MAIN(TestControlLogic)
#include "tst_controllogic.moc"
