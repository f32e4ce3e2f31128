#include "../fixedtext/simwindow.h"
#include "chars/charpage.h"
#include "sim/lcdfont.h"
#include "sim/lcdwidget.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

namespace {

// The dark dots of cell (row, column) in a picture of the simulated display, one byte a dot row
// (bit 4 the leftmost dot), found by sampling the centre of every dot.
QByteArray litDots(const TerminalState& s, int row, int column) {
    LcdWidget lcd;
    lcd.setState(s);
    lcd.resize(lcd.sizeHint());
    const QImage img = lcd.grab().toImage();
    const int unitW = s.columns * 6 + 5, unitH = s.rows * 9 + 5;
    const int pitch = std::max(1, std::min(img.width() / unitW, img.height() / unitH));
    const int x0 = (img.width() - unitW * pitch) / 2 + (3 + column * 6) * pitch + pitch / 2 - 1;
    const int y0 = (img.height() - unitH * pitch) / 2 + (3 + row * 9) * pitch + pitch / 2 - 1;
    QByteArray rows(8, '\0');
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 5; ++x)
            if (img.pixelColor(x0 + x * pitch, y0 + y * pitch).lightness() < 80)
                rows[y] = char(rows[y] | (1 << (4 - x)));
    return rows;
}

QByteArray glyph(quint8 code) {
    const auto g = lcdGlyph(code);
    return QByteArray(reinterpret_cast<const char*>(g.data()), 8);
}

} // namespace

class TestCharsEndToEnd : public QObject {
    Q_OBJECT
  private slots:
    void drawStoreShowErase();
};

void TestCharsEndToEnd::drawStoreShowErase() {
    SimWindow s(TerminalOptions{}, 6); // 20x4
    const QString error = s.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    s.window->findChild<QTabBar*>(QStringLiteral("TabStrip1"))->setCurrentIndex(3);
    auto* page = s.window->findChild<CharPage*>();
    const auto click = [&](const QString& name) {
        QTest::mouseClick(page->findChild<QAbstractButton*>(name), Qt::LeftButton);
    };
    // An arrow: the top row full, a diagonal, the corners of the bottom row.
    for (int pixel : {0, 1, 2, 3, 4, 6, 12, 18, 24, 30, 34})
        click(QStringLiteral("cmdPixel_%1").arg(pixel));
    const QByteArray drawn = QByteArray("\x1f\x08\x04\x02\x01\x00\x11", 7) + '\0';
    click(QStringLiteral("optCGRAM_3"));
    page->findChild<QLineEdit*>(QStringLiteral("txtTauschAdresse"))->setText(QStringLiteral("65"));

    click(QStringLiteral("cmdSaveUserDefChar"));
    QCOMPARE(s.dialogs.messages(), QStringList());
    QCOMPARE(s.term.snapshot().cgram[3].code, 65);
    // Wherever the code is written, the drawn pixels show; other codes keep their own.
    s.port.write("BA");
    QTRY_COMPARE(s.term.snapshot().rowsText().at(0), QStringLiteral("ABA").leftJustified(20));
    const TerminalState stored = s.term.snapshot();
    QCOMPARE(litDots(stored, 0, 0), drawn);
    QCOMPARE(litDots(stored, 0, 2), drawn);
    QCOMPARE(litDots(stored, 0, 1), glyph('B'));

    click(QStringLiteral("cmdEraseUserDefChar"));
    s.port.write("A");
    QTRY_COMPARE(s.term.snapshot().rowsText().at(0), QStringLiteral("A").leftJustified(20));
    QCOMPARE(s.term.snapshot().cgram[3].code, -1);
    QCOMPARE(litDots(s.term.snapshot(), 0, 0), glyph('A'));
}

QTEST_MAIN(TestCharsEndToEnd)
#include "tst_chars_e2e.moc"
