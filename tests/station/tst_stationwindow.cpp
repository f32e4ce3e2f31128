#include "core/fileio.h"
#include "fakedialogs.h"
#include "sim/ptyterminal.h"
#include "station/stationwindow.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

// The station window against two simulated terminals at line rate.
class TestStationWindow : public QObject {
    Q_OBJECT
  private slots:
    void twoTerminalsFromTheWindow();
};

void TestStationWindow::twoTerminalsFromTheWindow() {
    QTemporaryDir dir;
    QByteArray texts;
    for (int n = 0; n < 24; ++n)
        texts += "Text " + QByteArray::number(n) + "\r\nStation\r\n\r\n\r\n";
    const QString recipe = dir.filePath(QStringLiteral("r.pultino"));
    QVERIFY(fileio::writeFile(dir.filePath(QStringLiteral("t.txt")), texts).isEmpty());
    QVERIFY(fileio::writeFile(
                recipe, R"({"format": 1, "name": "Linie 3", "display": "20x4", "texts": "t.txt"})")
                .isEmpty());

    const TerminalOptions paced{.lineRate = true};
    PtyTerminal a(paced);
    PtyTerminal b(paced);
    QVERIFY(a.start() && b.start());
    FakeDialogs dialogs;
    dialogs.fileNames = {recipe};
    station::StationWindow window(dialogs, 6);
    window.setPorts({a.slavePath(), b.slavePath()});
    window.findChild<QLineEdit*>(QStringLiteral("txtReport"))
        ->setText(dir.filePath(QStringLiteral("report.csv")));
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdRecipe")), Qt::LeftButton);
    auto* start = window.findChild<QPushButton*>(QStringLiteral("cmdStart"));
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY2(dialogs.messages().isEmpty(), qPrintable(dialogs.messages().join('\n')));
    QVERIFY(!start->isEnabled());

    // In the middle of the run, the picture for the README.
    auto* bar = window.findChild<QProgressBar*>(QStringLiteral("prgPort_1"));
    QTRY_VERIFY_WITH_TIMEOUT(bar && bar->value() > bar->maximum() / 3, 30000);
    if (const QString shots = qEnvironmentVariable("ZEPTAL_SCREENSHOT_DIR"); !shots.isEmpty())
        QVERIFY(window.grab().save(QDir(shots).filePath(QStringLiteral("station-window.png"))));

    auto* grid = window.findChild<QTableWidget*>(QStringLiteral("grdPorts"));
    QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), 60000);
    for (int row = 0; row < 2; ++row) {
        QCOMPARE(grid->item(row, 3)->text(), QStringLiteral("in Ordnung, Version 1.80"));
        QCOMPARE(grid->item(row, 4)->text(), QStringLiteral("1"));
    }
    QCOMPARE(a.fixedTextImage(), b.fixedTextImage());
    QFile report(dir.filePath(QStringLiteral("report.csv")));
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(report.readAll().count('\n'), 3);
}

QTEST_MAIN(TestStationWindow)
#include "tst_stationwindow.moc"
