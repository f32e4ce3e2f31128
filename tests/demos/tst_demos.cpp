#include "core/commands.h"
#include "demos/demologic.h"
#include "demos/demopage.h"
#include "demos/dlganimationrunning.h"
#include "link/portlost.h"
#include "ptywindow.h"
#include "sim/faketerminal.h"
#include "sim/lcdwidget.h"
#include "testbytes.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
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

const QByteArray kClear = bytes({27, '&', '#'});

// The real main window on the fake port with a simulated terminal answering, tab "Demonstration".
struct DemoWindow : MainWindowFixture {
    FakeTerminal term;
    DemoPage* page;
    explicit DemoWindow(int rows, int wrongEchoAt = 0)
        : term(port, TerminalOptions{.columns = 16, .rows = rows, .wrongEchoAt = wrongEchoAt}) {
        settings->write(SettingsStore::kDisplayType, QString::number(rows)); // 16x1 or 16x2
        start().show();
        showTab(5);
        page = find<DemoPage>(QStringLiteral("DemoPage"));
        port.clearWrites();
    }
};

// A click on the option's circle (its right part is no button).
void clickOption(DemoPage* page, int index) {
    QRadioButton* option = page->optDemo[index];
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

// Starts demo `index` with a click on its option and, while its stop window shows, calls `step`
// every few milliseconds from inside the demo's loop until it returns true (it must not wait
// itself: the demo moves on only between calls). The click returns when the demo has ended; a
// demo still running after a generous time is stopped, so that a test fails instead of hanging.
void runDemo(DemoPage* page, int index, const std::function<bool()>& step) {
    QTimer poll, guard;
    QObject::connect(&guard, &QTimer::timeout, page->stopDialog(), &QWidget::close);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (page->stopDialog()->isVisible() && step()) poll.stop();
    });
    guard.start(60000);
    poll.start(10);
    clickOption(page, index);
}

// The cell rows the simulator's display draws for `code` now; the whole display is saved as a
// picture for the README when ZEPTAL_SCREENSHOT_DIR is set.
std::array<quint8, 8> shown(const TerminalState& state, int code, const char* picture) {
    LcdWidget lcd;
    lcd.setState(state);
    lcd.resize(lcd.sizeHint());
    const QString dir = qEnvironmentVariable("ZEPTAL_SCREENSHOT_DIR");
    if (!dir.isEmpty()) lcd.grab().save(QDir(dir).filePath(QString::fromLatin1(picture)));
    return lcd.cellRows(static_cast<quint8>(code));
}

} // namespace

class TestDemos : public QObject {
    Q_OBJECT
  private slots:

    // Bar paints, steam pictures and marquee rows, each against the bytes the display must get.
    void displayBytes_data() {
        QTest::addColumn<QByteArray>("actual");
        QTest::addColumn<QByteArray>("expected");
        auto row = [](const char* n, QByteArray a, QByteArray e) { QTest::newRow(n) << a << e; };
        auto bar = [](int value, bool showValue = true) {
            return demo::barBytes(value, 16, showValue);
        };
        auto blanks = [](int n) { return QByteArray(n, ' '); };
        const QByteArray full(1, char(127)), two(1, char(124));
        row("bar 0", bar(0), home(0) + blanks(16) + home(1) + "000");
        row("bar 5", bar(5), home(0) + full + blanks(15) + home(1) + "005");
        row("bar 7", bar(7), home(0) + full + two + blanks(14) + home(1) + "007");
        row("bar 80", bar(80), home(0) + QByteArray(16, char(127)) + home(1) + "080");
        row("bar 7, one row", bar(7, false), home(0) + full + two + blanks(14));
        QByteArray steam;
        for (int f = 0; f < 8; ++f)
            steam += char(demo::steamCode(f));
        row("steam pictures", steam, bytes({18, 19, 20, 21, 22, 23, 18, 19}));
        auto marquee = [](const char* text, int step) {
            return demo::marqueeLine(QString::fromLatin1(text), 16, step).toLatin1();
        };
        const QByteArray t = "Text", longer = "Ein langer Text fuer eine Zeile";
        row("marquee 1", marquee(t, 1), t + blanks(12));
        row("marquee 2", marquee(t, 2), blanks(1) + t + blanks(11));
        row("marquee 14", marquee(t, 14), blanks(13) + "Tex");
        row("marquee 17 = 1", marquee(t, 17), t + blanks(12));
        row("long text 1", marquee(longer, 1), longer.left(16));
    }

    void displayBytes() {
        QFETCH(QByteArray, actual);
        QTEST(actual, "expected");
    }

    // A terminal that gets an echo wrong still gets every bar symbol: only a lost port ends it.
    // Paints that come while one waits its turn are dropped, all but the last.
    void barGraphOnItsOwn() {
        DemoWindow w(2, 1);
        StepClock clock;
        clsBargraph bar({w.window->exchange(), clock, {}});
        QVERIFY(bar.Init().ok());
        QCOMPARE(w.port.written().count(cmd::defineCharacter()), demo::kBarSymbols);
        w.port.clearWrites();
        bar.setColumns(16);
        bar.displayRows = [] { return 2; };
        bar.Paint(1);
        clock.t = 50;
        clock.duringWait = [&] {
            for (int v = 10; v < 40; ++v)
                bar.Paint(v);
        };
        bar.Paint(5);
        QCOMPARE(w.port.writes,
                 (QList<QByteArray>{demo::barBytes(1, 16, true), demo::barBytes(5, 16, true),
                                    demo::barBytes(39, 16, true)}));
        QCOMPARE(clock.t, 2 * clsBargraph::kPaintSpacingMs);
    }

    void barSymbolsAndPaint() {
        DemoWindow w(2);
        clickOption(w.page, 0);
        QByteArray expected = kClear + bytes({27, '&', 'D'});
        const int rowBytes[5] = {0xF0, 0xF8, 0xFC, 0xFE, 0xFF};
        for (int i = 0; i < 5; ++i)
            expected += bytes({27, '&', 'L', i, 123 + i}) + QByteArray(7, char(rowBytes[i])) +
                        QByteArray(1, '\0') + kClear;
        QCOMPARE(w.port.written(), expected);
        QVERIFY(w.page->fraBargraph->isVisible() && LinkFlags::instance().showReceivedData);
    }

    void demoEnds_data() {
        QTest::addColumn<int>("demo");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("quits");
        const auto row = [](const char* name, int demo, int rows, const char* how,
                            const QString& message, int quits) {
            QTest::newRow(name) << demo << rows << QString::fromLatin1(how) << message << quits;
        };
        row("animation, Beenden", 1, 2, "Beenden", {}, 0);
        row("animation on one row", 1, 1, "",
            "Für diese Animation ist ein mindestens zweizeiliges Display erforderlich!", 0);
        row("marquee, Programm beenden", 2, 2, "btnQuit", {}, 1);
        row("marquee, port lost", 2, 2, "vanish", "lost", 0);
    }

    void demoEnds() {
        QFETCH(int, demo);
        QFETCH(int, rows);
        QFETCH(QString, how);
        QFETCH(QString, message);
        DemoWindow w(rows);
        bool refused = false; // the selector, while a demo runs
        runDemo(w.page, demo, [&] {
            clickOption(w.page, 0);
            refused = w.window->activityRunning() && !w.page->optDemo[0]->isChecked();
            if (how == "Beenden") QTest::mouseClick(w.page->stopDialog()->OKButton, Qt::LeftButton);
            if (how == "btnQuit") QTest::mouseClick(w.find<QPushButton>("btnQuit"), Qt::LeftButton);
            if (how == "vanish") w.port.vanish();
            return true;
        });
        QCOMPARE(refused, !how.isEmpty());
        QVERIFY(!w.page->stopDialog()->isVisible() && !w.window->activityRunning() &&
                !w.page->optDemo[demo]->isChecked());
        QCOMPARE(w.window->panelText(4), demo == 1 ? "Animation!" : "Laufschrift...");
        QTEST(w.quitCount, "quits");
        if (message == "lost") message = portLostMessage(w.port);
        QCOMPARE(w.dialogs.messages(), message.isEmpty() ? QStringList() : QStringList{message});
        if (how.isEmpty())
            QVERIFY(w.dialogs.shown[0].title == "Fehler" &&
                    w.dialogs.shown[0].icon == Dialogs::Icon::Critical);
        if (how != "vanish")
            QVERIFY(
                w.port.written().endsWith(kClear + bytes({27, '&', how.isEmpty() ? 'D' : 'C'})));
    }

    // End to end over a pty.
    void eachDemoOnTheDisplay() {
        PtyWindow s({}, 6); // 20x4
        const QString error = s.start(5);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        auto* page = s.window->findChild<DemoPage*>(QStringLiteral("DemoPage"));
        auto blanks = [](int n) { return QByteArray(n, ' '); };

        clickOption(page, 0);
        page->sldBargraph->setValue(37);
        QTRY_COMPARE(s.term.snapshot().lines.mid(0, 2),
                     (QList<QByteArray>{QByteArray(7, char(127)) + char(124) + blanks(12),
                                        "037" + blanks(17)}));
        using Rows = std::array<quint8, 8>;
        QCOMPARE(shown(s.term.snapshot(), 124, "demo-bargraph.png"),
                 (Rows{0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0}));

        // Each runs until its picture is on the display: the third steam picture, the text at
        // column 2.
        Rows cup{};
        runDemo(page, 1, [&] {
            const TerminalState now = s.term.snapshot();
            if (!now.lines[1].startsWith("\x10\x11Kaffee") || now.lines[0].at(0) != 20)
                return false;
            cup = shown(now, 16, "demo-animation.png");
            QTest::mouseClick(page->stopDialog()->OKButton, Qt::LeftButton);
            return true;
        });
        QCOMPARE(cup, (Rows{31, 17, 17, 17, 17, 27, 14, 0}));
        runDemo(page, 2, [&] {
            const TerminalState now = s.term.snapshot();
            if (now.lines[0] != "  Text" + blanks(14)) return false;
            shown(now, 'T', "demo-laufschrift.png");
            QTest::mouseClick(page->stopDialog()->OKButton, Qt::LeftButton);
            return true;
        });
    }
};

QTEST_MAIN(TestDemos)
#include "tst_demos.moc"
