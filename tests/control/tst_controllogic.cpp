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

const QString kCr(QChar(13));

const QStringList kSpeeds = {"9600,n,8,2", "4800,n,8,2", "2400,n,8,2", "1200,n,8,2"};

} // namespace

class TestControlLogic : public QObject {
    Q_OBJECT
  private slots:
    void cursorSet_data();
    void cursorSet();
    void eeprom_data();
    void eeprom();
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
