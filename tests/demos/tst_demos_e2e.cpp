#include "demorun.h"
#include "sim/lcdwidget.h"
#include "simwindow.h"

#include <QPushButton>
#include <QSlider>

namespace {

// The simulated display as the simulator's window draws it; saved as a picture for the README
// when ZEPTAL_SCREENSHOT_DIR is set.
std::unique_ptr<LcdWidget> display(const TerminalState& state, const char* name) {
    auto lcd = std::make_unique<LcdWidget>();
    lcd->setState(state);
    lcd->resize(lcd->sizeHint());
    const QString dir = qEnvironmentVariable("ZEPTAL_SCREENSHOT_DIR");
    if (!dir.isEmpty()) lcd->grab().save(QDir(dir).filePath(QString::fromLatin1(name)));
    return lcd;
}

std::array<quint8, 8> sameRows(quint8 row) {
    return {row, row, row, row, row, row, row, 0};
}

} // namespace

class TestDemosEndToEnd : public QObject {
    Q_OBJECT
  private slots:
    void eachDemoOnTheDisplay();
};

void TestDemosEndToEnd::eachDemoOnTheDisplay() {
    SimWindow s(TerminalOptions{}, 6); // 20x4
    const QString error = s.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    s.window->findChild<QTabBar*>(QStringLiteral("TabStrip1"))->setCurrentIndex(5);
    auto* page = s.window->findChild<DemoPage*>(QStringLiteral("DemoPage"));
    const QByteArray blankRow(20, ' ');

    clickOption(page, 0);
    page->sldBargraph->setValue(37);
    QTRY_COMPARE(s.term.snapshot().lines.mid(0, 2),
                 (QList<QByteArray>{QByteArray(7, char(127)) + char(124) + QByteArray(12, ' '),
                                    "037" + QByteArray(17, ' ')}));
    QCOMPARE(display(s.term.snapshot(), "demo-bargraph.png")->cellRows(124), sameRows(0x18));

    std::array<quint8, 8> cup{};
    runDemo(page, 1, [&] {
        const TerminalState now = s.term.snapshot();
        // The third steam picture: the steam has moved on twice.
        if (!now.lines[1].startsWith("\x10\x11Kaffee") || now.lines[0].at(0) != 20) return false;
        cup = display(now, "demo-animation.png")->cellRows(16);
        QTest::mouseClick(page->stopDialog()->OKButton, Qt::LeftButton);
        return true;
    });
    QCOMPARE(cup, (std::array<quint8, 8>{31, 17, 17, 17, 17, 27, 14, 0}));
    QTRY_VERIFY(s.term.snapshot().cursorOn && s.term.snapshot().lines[1] == blankRow);

    bool moved = false;
    runDemo(page, 2, [&] {
        const TerminalState now = s.term.snapshot();
        if (now.lines[0] != "  Text" + QByteArray(14, ' ')) return false;
        display(now, "demo-laufschrift.png");
        QTest::mouseClick(page->stopDialog()->OKButton, Qt::LeftButton);
        return moved = true;
    });
    QVERIFY(moved);
    QTRY_VERIFY(s.term.snapshot().cursorOn && s.term.snapshot().lines[0] == blankRow);
    QVERIFY(s.dialogs.messages().isEmpty());
}

QTEST_MAIN(TestDemosEndToEnd)
#include "tst_demos_e2e.moc"
