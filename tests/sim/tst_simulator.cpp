#include "core/commands.h"
#include "link/fakeserialport.h"
#include "sim/bytelogwidget.h"
#include "sim/faketerminal.h"
#include "sim/lcdfont.h"
#include "sim/lcdwidget.h"
#include "sim/linkbatcher.h"
#include "sim/ptyterminal.h"
#include "sim/simulatorsession.h"
#include "sim/simulatorwindow.h"

#include <QImage>
#include <QPushButton>
#include <QtTest>
#include <fcntl.h>
#include <unistd.h>

using namespace cmd;
using Direction = ByteLogWidget::Direction;

namespace {

// The in-process terminal on the fake port, and its window.
struct Sim {
    FakeSerialPort port;
    FakeTerminal term;
    SimulatorWindow w{term.link(), QStringLiteral("/dev/pts/99")};
    QByteArray received;

    explicit Sim(const TerminalOptions& o = {}, int baud = 9600) : term(port, o) { reopen(baud); }
    void reopen(int baud) {
        port.close();
        port.setSettings(QStringLiteral("%1,n,8,2").arg(baud));
        port.open();
    }
    QPushButton* key(int k) { return w.findChild<QPushButton*>(QStringLiteral("key_%1").arg(k)); }
    // What the terminal has sent once there are at least `n` bytes.
    QByteArray take(qsizetype n) {
        (void)QTest::qWaitFor([&] { return (received += port.readAll()).size() >= n; }, 5000);
        return std::exchange(received, {});
    }
};

// Which dots of cell (row, column) are dark in a picture of the widget, found by sampling the
// centre of every dot: the display is centred and its dot pitch is the largest that fits.
QByteArray litDots(const QImage& img, const TerminalState& s, int row, int column) {
    const int unitW = s.columns * 6 - 1 + 6;
    const int unitH = s.rows * 9 - 1 + 6;
    const int pitch = std::max(1, std::min(img.width() / unitW, img.height() / unitH));
    const int x0 = (img.width() - unitW * pitch) / 2 + (3 + column * 6) * pitch;
    const int y0 = (img.height() - unitH * pitch) / 2 + (3 + row * 9) * pitch;
    QByteArray rows(8, '\0');
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 5; ++x) {
            const QColor c =
                img.pixelColor(x0 + x * pitch + pitch / 2 - 1, y0 + y * pitch + pitch / 2 - 1);
            if (c.lightness() < 80) rows[y] = char(rows[y] | (1 << (4 - x)));
        }
    return rows;
}

QByteArray glyph(quint8 code) {
    const auto g = lcdGlyph(code);
    return QByteArray(reinterpret_cast<const char*>(g.data()), 8);
}

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT
  private slots:
    void lineRateTiming() {
        Sim sim({.speedCode = 3, .lineRate = true}, 1200);
        const qint64 byteNs = TerminalLink::byteTimeNs(1200);
        QElapsedTimer clock;
        clock.start();
        sim.port.write(cursorOn());
        // Still on the line: the command is not there before its last bit.
        QTRY_VERIFY(sim.term.snapshot().cursorOn);
        QVERIFY(clock.nsecsElapsed() >= 3 * byteNs);
        clock.restart();
        sim.port.write(versionQuery());
        QCOMPARE(sim.take(5), QByteArray("1.80B"));
        // Three bytes in, five bytes out, one after the other.
        QVERIFY(clock.nsecsElapsed() >= 8 * byteNs);
    }

    void strictSpeed() {
        Sim sim({.strictSpeed = true});
        QSignalSpy lost(&sim.term.link(), &TerminalLink::garbled);
        // The store-speed button's way: the command reaches the terminal at the old speed, then
        // again at the new one, and is lost at a third.
        for (int baud : {9600, 4800, 2400}) {
            sim.reopen(baud);
            sim.port.write(storeSpeed(1));
        }
        QCOMPARE(sim.term.snapshot().baud(), 4800);
        QCOMPARE(lost.count(), 1);
        sim.reopen(4800);
        sim.port.write(versionQuery());
        QVERIFY(sim.port.readAll().isEmpty()); // answered from the event loop, like a real line
        QCOMPARE(sim.take(5), QByteArray("1.80B"));
    }

    void lcdDrawsFontCgramAndCursor_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QByteArray>("dots");
        const QByteArray pattern("\x1f\x11\x0a\x04\x0a\x11\x1f\x00", 8);
        QByteArray withCursor = glyph('B');
        withCursor[7] = 0x1F;
        QTest::newRow("g from the font") << cursorPosition(2, 7) + "g" << 2 << 7 << glyph('g');
        QTest::newRow("a code bound to a CG-RAM place shows its rows")
            << defineCharacter() + byte(4) + "A" + pattern + clearDisplay() + "A" << 0 << 0
            << pattern;
        QTest::newRow("cursor underline when on")
            << QByteArray("B") + cursorOn() + cursorPosition(0, 0) << 0 << 0 << withCursor;
    }
    void lcdDrawsFontCgramAndCursor() {
        QFETCH(QByteArray, input);
        QFETCH(int, row);
        QFETCH(int, column);
        TerminalEngine e;
        e.feed(input);
        LcdWidget lcd;
        lcd.setState(e.state());
        lcd.resize(lcd.sizeHint());
        const QImage img = lcd.grab().toImage();
        QTEST(litDots(img, e.state(), row, column), "dots");
        // The neighbouring cell is blank.
        QCOMPARE(litDots(img, e.state(), row, column > 0 ? column - 1 : 1), QByteArray(8, '\0'));
    }

    void keypadAndLog() {
        Sim sim;
        QCOMPARE(sim.key(17)->text(), QStringLiteral("21h\n!"));
        QTest::mouseClick(sim.key(17), Qt::LeftButton);
        QCOMPARE(sim.take(1), QByteArray("!"));
        // A new table changes what the keys send and what they show.
        const QByteArray table = QByteArray(17, 'a') + "Q" + QByteArray(14, 'a');
        sim.port.write(loadKeyTable() + table);
        QCOMPARE(sim.take(32), table);
        QTRY_COMPARE(sim.key(17)->text(), QStringLiteral("51h\nQ"));
        QTest::mouseClick(sim.key(17), Qt::LeftButton);
        QCOMPARE(sim.take(1), QByteArray("Q"));
        // The log shows both directions.
        sim.port.write(versionQuery());
        QTRY_VERIFY(sim.w.log()->text().contains(QStringLiteral("Pultino → PC  31 2E 38 30 42")));
        const QString text = sim.w.log()->text();
        for (const char* part : {"PC → Pultino  1B 26 56", ".&V", "1.80B"})
            QVERIFY2(text.contains(QString::fromUtf8(part)), qPrintable(text));
        QCOMPARE(ByteLogWidget::formatBytes(QByteArray(17, 'x')).count(QLatin1Char('x')), 17);
    }

    // How the window keeps up with a busy line: the reports of the terminal's thread arrive
    // batched, and the byte log keeps its newest lines.
    void batchesKeepEveryByteInOrder_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("echoed transfer")
            << beginFixedTexts() + QByteArray(150, 'A') << QByteArray(150, 'A');
        QTest::newRow("text without answer") << QByteArray(150, 'x') << QByteArray();
    }
    void batchesKeepEveryByteInOrder() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, answer);
        // Line-rate timing makes the terminal's thread report every byte on its own.
        PtyTerminal term({.lineRate = true});
        QVERIFY(term.start());
        LinkBatcher batcher(term.link());
        QMap<Direction, QByteArray> seen;
        int frames = 0;
        bool changed = false;
        connect(&batcher, &LinkBatcher::frame, this,
                [&](const LinkBatcher::Traffic& traffic, bool stateChanged) {
                    ++frames;
                    changed = changed || stateChanged;
                    for (const auto& [direction, bytes] : traffic)
                        seen[direction] += bytes;
                });
        const int fd = ::open(qPrintable(term.slavePath()), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(::write(fd, input.constData(), size_t(input.size())), input.size());
        QTRY_COMPARE_WITH_TIMEOUT(seen.value(Direction::ToTerminal), input, 10000);
        QTRY_COMPARE(seen.value(Direction::FromTerminal), answer);
        QVERIFY(changed);
        // One frame a byte would be hundreds; the batcher hands over about one a frame time.
        QVERIFY2(frames <= clock.elapsed() / 10 + 2, qPrintable(QString::number(frames)));
        ::close(fd);
    }

    void logKeepsTheNewestLines_data() {
        QTest::addColumn<QList<int>>("chunksPerFlush");
        QTest::newRow("one flush over the limit") << QList<int>{3 * ByteLogWidget::kMaxLines};
        QTest::newRow("trimmed after several flushes")
            << QList<int>{1000, ByteLogWidget::kMaxLines, 600};
    }
    void logKeepsTheNewestLines() {
        QFETCH(QList<int>, chunksPerFlush);
        ByteLogWidget log;
        int next = 0;
        QStringList lines;
        for (int count : chunksPerFlush) {
            // Alternating directions: a line each, numbered by its two bytes.
            for (int i = 0; i < count; ++i, ++next)
                log.append(next % 2 ? Direction::FromTerminal : Direction::ToTerminal,
                           QByteArray(1, char(next >> 8)) + char(next & 0xFF));
            lines = log.text().split(QLatin1Char('\n'));
        }
        QVERIFY2(lines.size() >= ByteLogWidget::kMaxLines &&
                     lines.size() <= ByteLogWidget::kMaxLines * 5 / 4,
                 qPrintable(QString::number(lines.size())));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const int expected = next - int(lines.size()) + int(i);
            QCOMPARE(lines[i].mid(14, 5).remove(QLatin1Char(' ')).toInt(nullptr, 16), expected);
            QCOMPARE(lines[i].startsWith(ByteLogWidget::prefix(Direction::FromTerminal)),
                     expected % 2 == 1);
        }
    }
};

QTEST_MAIN(TestSimulator)
#include "tst_simulator.moc"
