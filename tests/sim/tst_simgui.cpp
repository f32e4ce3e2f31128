#include "core/commands.h"
#include "link/fakeserialport.h"
#include "sim/bytelogwidget.h"
#include "sim/faketerminal.h"
#include "sim/keypadwidget.h"
#include "sim/lcdfont.h"
#include "sim/lcdwidget.h"
#include "sim/simulatorsession.h"
#include "sim/simulatorwindow.h"

#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace cmd;

namespace {

// Which dots of cell (row, column) are dark in a picture of the widget, found by sampling the
// centre of every dot: the display is centred and its dot pitch is the largest that fits.
std::array<quint8, 8> litDots(const QImage& img, const TerminalState& s, int row, int column) {
    const int unitW = s.columns * 6 - 1 + 6;
    const int unitH = s.rows * 9 - 1 + 6;
    const int pitch = std::max(1, std::min(img.width() / unitW, img.height() / unitH));
    const int x0 = (img.width() - unitW * pitch) / 2 + (3 + column * 6) * pitch;
    const int y0 = (img.height() - unitH * pitch) / 2 + (3 + row * 9) * pitch;
    std::array<quint8, 8> rows{};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 5; ++x) {
            const QColor c =
                img.pixelColor(x0 + x * pitch + pitch / 2 - 1, y0 + y * pitch + pitch / 2 - 1);
            if (c.lightness() < 80) rows[y] |= static_cast<quint8>(1 << (4 - x));
        }
    return rows;
}

} // namespace

class TestSimGui : public QObject {
    Q_OBJECT
  private slots:
    void lcdDrawsFontCgramAndCursor_data();
    void lcdDrawsFontCgramAndCursor();
    void fontCoversPrintableAscii();
    void keypadSendsTheKeyTablesCodes();
    void keypadInPollingModeFillsTheBuffer();
    void windowFollowsTheTerminal();
    void logShowsBothDirections();
    void sessionServesAPty();
};

void TestSimGui::lcdDrawsFontCgramAndCursor_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QByteArray>("expectedRows"); // 8 bytes

    auto glyph = [](quint8 code) {
        const auto g = lcdGlyph(code);
        return QByteArray(reinterpret_cast<const char*>(g.data()), 8);
    };
    QTest::newRow("A from the font") << QByteArray("A") << 0 << 0 << glyph('A');
    QTest::newRow("g on row 2") << cursorPosition(2, 7) + "g" << 2 << 7 << glyph('g');
    const QByteArray pattern("\x1f\x11\x0a\x04\x0a\x11\x1f\x00", 8);
    QTest::newRow("a code bound to a CG-RAM place shows its rows")
        << defineCharacter() + byte(4) + "A" + pattern + clearDisplay() + "A" << 0 << 0 << pattern;
    QTest::newRow("unbinding brings the font back")
        << defineCharacter() + byte(4) + "A" + pattern + defineCharacter() + byte(4) + byte(10) +
               QByteArray(8, '\0') + clearDisplay() + "A"
        << 0 << 0 << glyph('A');
    QByteArray withCursor = glyph('B');
    withCursor[7] = 0x1F;
    QTest::newRow("cursor underline when on")
        << QByteArray("B") + cursorOn() + cursorPosition(0, 0) << 0 << 0 << withCursor;
    QTest::newRow("no underline when off")
        << QByteArray("B") + cursorOff() + cursorPosition(0, 0) << 0 << 0 << glyph('B');
    QTest::newRow("40x4 after the display type changes")
        << storeDisplayType(12) + cursorPosition(3, 39) + "Z" << 3 << 39 << glyph('Z');
    QTest::newRow("a umlaut at the display's code 225")
        << QByteArray("\xe1") << 0 << 0 << glyph(225);
}

void TestSimGui::lcdDrawsFontCgramAndCursor() {
    QFETCH(QByteArray, input);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QByteArray, expectedRows);
    TerminalEngine e;
    e.feed(input);
    LcdWidget lcd;
    lcd.setState(e.state());
    lcd.resize(lcd.sizeHint());
    const QImage img = lcd.grab().toImage();
    const auto lit = litDots(img, e.state(), row, column);
    for (int y = 0; y < 8; ++y)
        QCOMPARE(int(lit[y]), int(static_cast<quint8>(expectedRows[y])));
    // The neighbouring blank cell stays dark-free.
    if (column + 1 < e.state().columns && e.state().lines[row][column + 1] == ' ') {
        const auto blank = litDots(img, e.state(), row, column + 1);
        for (int y = 0; y < 7; ++y)
            QCOMPARE(int(blank[y]), 0);
    }
}

void TestSimGui::fontCoversPrintableAscii() {
    // Every printable character but the blank lights at least one dot, and no two look alike.
    QSet<QByteArray> seen;
    for (int c = 33; c < 127; ++c) {
        const auto g = lcdGlyph(static_cast<quint8>(c));
        const QByteArray key(reinterpret_cast<const char*>(g.data()), 8);
        QVERIFY2(key != QByteArray(8, '\0'), qPrintable(QString(QChar(c))));
        QVERIFY2(!seen.contains(key), qPrintable(QString(QChar(c))));
        seen.insert(key);
        QCOMPARE(int(g[7]), 0); // the eighth row is the cursor's
    }
}

void TestSimGui::keypadSendsTheKeyTablesCodes() {
    FakeSerialPort port;
    port.open();
    FakeTerminal term(port);
    SimulatorWindow w(term.link(), QStringLiteral("fake"));
    auto* key = w.findChild<QPushButton*>(QStringLiteral("key_17"));
    QVERIFY(key);
    QCOMPARE(key->text(), QStringLiteral("21h\n!"));
    QTest::mouseClick(key, Qt::LeftButton);
    QByteArray got;
    QTRY_COMPARE(got += port.readAll(), QByteArray("!"));

    // A new table changes what the keys send and what they show.
    port.write(loadKeyTable() + QByteArray(17, 'a') + "Q" + QByteArray(14, 'a'));
    QTRY_COMPARE(key->text(), QStringLiteral("51h\nQ"));
    QByteArray echoes;
    QTRY_COMPARE((echoes += port.readAll()).size(), 32);
    QTest::mouseClick(key, Qt::LeftButton);
    got.clear();
    QTRY_COMPARE(got += port.readAll(), QByteArray("Q"));
}

void TestSimGui::keypadInPollingModeFillsTheBuffer() {
    FakeSerialPort port;
    port.open();
    FakeTerminal term(port);
    SimulatorWindow w(term.link(), QStringLiteral("fake"));
    port.write(keyboardMode(0));
    QTRY_VERIFY(w.statusText().contains(QStringLiteral("Puffer leer")));
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("key_31")), Qt::LeftButton);
    QTRY_VERIFY(w.statusText().contains(QStringLiteral("Puffer: 37h")));
    QCOMPARE(port.readAll(), QByteArray());
    port.write(keyboardMode(0));
    QByteArray got;
    QTRY_COMPARE(got += port.readAll(), QByteArray("7"));
}

void TestSimGui::windowFollowsTheTerminal() {
    FakeSerialPort port;
    port.open();
    FakeTerminal term(port);
    SimulatorWindow w(term.link(), QStringLiteral("/dev/pts/99"));
    QVERIFY(w.windowTitle().contains(QStringLiteral("/dev/pts/99")));
    QVERIFY(w.statusText().startsWith(QStringLiteral("Display 20x4 · 9600 Baud · Bus-Adresse 0")));
    port.write(storeDisplayType(9) + storeSpeed(3) + selectTerminal(4) + "ignored");
    QTRY_VERIFY(w.statusText().contains(QStringLiteral("(nicht selektiert)")));
    QVERIFY(w.statusText().startsWith(QStringLiteral("Display 32x2 · 1200 Baud")));
    QCOMPARE(w.lcd()->state().columns, 32);
    QCOMPARE(w.lcd()->state().rowsText()[0].trimmed(), QString());
}

void TestSimGui::logShowsBothDirections() {
    FakeSerialPort port;
    port.open();
    FakeTerminal term(port);
    SimulatorWindow w(term.link(), QStringLiteral("fake"));
    port.write(versionQuery());
    QTRY_VERIFY(w.log()->text().contains(QStringLiteral("Pultino → PC")));
    const QString text = w.log()->text();
    QVERIFY2(text.contains(QStringLiteral("PC → Pultino  1B 26 56")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("31 2E 38 30 42")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral(".&V")));
    QVERIFY(text.contains(QStringLiteral("1.80B")));
    QCOMPARE(ByteLogWidget::formatBytes(QByteArray(17, 'x')).count(QLatin1Char('x')), 17);
}

void TestSimGui::sessionServesAPty() {
    SimulatorSession session;
    QString error;
    QVERIFY2(session.start(&error), qPrintable(error));
    QVERIFY(session.devicePath().startsWith(QLatin1String("/dev/")));
    QVERIFY(!session.window());
    session.showWindow();
    QVERIFY(session.window());
    QVERIFY(session.window()->isVisible());
    session.showWindow(); // a second call shows the same window
    QVERIFY(session.window()->windowTitle().contains(session.devicePath()));
}

QTEST_MAIN(TestSimGui)
#include "tst_simgui.moc"
