#include "demorun.h"
#include "demos/demologic.h"
#include "link/portlost.h"
#include "mainwindowfixture.h"
#include "sim/faketerminal.h"
#include "testbytes.h"

#include <QGroupBox>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>

namespace {

const QByteArray kClear = bytes({27, '&', '#'});

// The real main window on the fake port with a simulated terminal answering, tab "Demonstration".
struct DemoWindow : MainWindowFixture {
    std::unique_ptr<FakeTerminal> term;
    DemoPage* page = nullptr;
    DemoWindow(int displayType, int columns, int rows) {
        settings->write(SettingsStore::kDisplayType, QString::number(displayType));
        TerminalOptions o;
        o.columns = columns;
        o.rows = rows;
        term = std::make_unique<FakeTerminal>(port, o);
        start().show();
        find<QTabBar>(QStringLiteral("TabStrip1"))->setCurrentIndex(5);
        page = find<DemoPage>(QStringLiteral("DemoPage"));
        port.clearWrites();
    }
};

} // namespace

class TestDemoPage : public QObject {
    Q_OBJECT
  private slots:
    void barSymbolsAndPaint_data();
    void barSymbolsAndPaint();
    void demoEnds_data();
    void demoEnds();
};

void TestDemoPage::barSymbolsAndPaint_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("sliderMax");
    QTest::newRow("16x2") << 2 << 16 << 80;
    QTest::newRow("40x4: bar of 20 cells") << 13 << 40 << 100;
}

void TestDemoPage::barSymbolsAndPaint() {
    QFETCH(int, type);
    QFETCH(int, columns);
    DemoWindow w(type, columns, 2);
    clickOption(w.page, 0);
    QByteArray expected = kClear + bytes({27, '&', 'D'});
    const int rowBytes[5] = {0xF0, 0xF8, 0xFC, 0xFE, 0xFF};
    for (int i = 0; i < 5; ++i)
        expected += bytes({27, '&', 'L', i, 123 + i}) + QByteArray(7, char(rowBytes[i])) +
                    QByteArray(1, '\0') + kClear;
    QCOMPARE(w.port.written(), expected);
    QCOMPARE(w.window->panelText(4),
             QStringLiteral("Balkengraphik: Bitte am Slider Wert einstellen!"));
    QTEST(w.page->sldBargraph->maximum(), "sliderMax");
    QVERIFY(w.page->fraBargraph->isVisible() && w.page->optDemo[0]->isChecked());
    QVERIFY(LinkFlags::instance().showReceivedData);

    w.port.clearWrites();
    w.page->sldBargraph->setValue(7);
    QTRY_COMPARE(w.port.written(), demo::barBytes(7, qMin(columns, 20), true));
}

void TestDemoPage::demoEnds_data() {
    QTest::addColumn<int>("demo");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("quits");
    const QString anim = QStringLiteral("Animation!"), marquee = QStringLiteral("Laufschrift...");
    QTest::newRow("animation, Beenden") << 1 << 2 << 2 << "Beenden" << anim << "" << 0;
    QTest::newRow("marquee on one row, Beenden") << 2 << 1 << 1 << "Beenden" << marquee << "" << 0;
    QTest::newRow("animation on one row")
        << 1 << 1 << 1 << "" << anim
        << "Für diese Animation ist ein mindestens zweizeiliges Display erforderlich!" << 0;
    QTest::newRow("marquee, Programm beenden") << 2 << 2 << 2 << "btnQuit" << marquee << "" << 1;
    QTest::newRow("animation, window closed") << 1 << 2 << 2 << "close" << anim << "" << 1;
    QTest::newRow("marquee, port lost") << 2 << 2 << 2 << "vanish" << marquee << "lost" << 0;
}

void TestDemoPage::demoEnds() {
    QFETCH(int, demo);
    QFETCH(int, rows);
    QFETCH(QString, how);
    QFETCH(QString, message);
    QFETCH(int, type);
    DemoWindow w(type, 16, rows);
    DemoPage* page = w.page;
    bool refused = false;
    runDemo(page, demo, [&] {
        clickOption(page, 0); // refused while a demo runs
        refused = w.window->activityRunning() && !page->optDemo[0]->isChecked() &&
                  page->optDemo[demo]->isChecked();
        if (how == "Beenden") QTest::mouseClick(page->stopDialog()->OKButton, Qt::LeftButton);
        if (how == "btnQuit") QTest::mouseClick(w.find<QPushButton>("btnQuit"), Qt::LeftButton);
        if (how == "close") w.window->close();
        if (how == "vanish") w.port.vanish();
        return true;
    });
    QCOMPARE(refused, !how.isEmpty());
    QVERIFY(!page->stopDialog()->isVisible() && !w.window->activityRunning());
    QVERIFY(!page->optDemo[demo]->isChecked());
    QTEST(w.window->panelText(4), "status");
    QTEST(w.quitCount, "quits");
    if (message == "lost") message = portLostMessage(w.port);
    QCOMPARE(w.dialogs.messages(), message.isEmpty() ? QStringList() : QStringList{message});
    if (how.isEmpty()) {
        QCOMPARE(w.dialogs.shown[0].title, QStringLiteral("Fehler"));
        QCOMPARE(w.dialogs.shown[0].icon, Dialogs::Icon::Critical);
        QVERIFY(w.port.written().endsWith(kClear + bytes({27, '&', 'D'})));
    } else if (how != "vanish") {
        QVERIFY(w.port.written().endsWith(kClear + bytes({27, '&', 'C'})));
    }
}

QTEST_MAIN(TestDemoPage)
#include "tst_demopage.moc"
