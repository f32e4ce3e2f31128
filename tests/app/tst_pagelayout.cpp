#include "mainwindowfixture.h"

#include <QComboBox>
#include <QDir>
#include <QTabBar>
#include <QtTest>

// Every control of every page lies inside its page for the largest and the smallest display,
// so nothing is cut off in the fixed-size window. With ZEPTAL_SCREENSHOTS=<dir> the pages are
// also saved as pictures for a look by eye.
class TestPageLayout : public QObject {
    Q_OBJECT
  private slots:
    void controlsInsidePages_data();
    void controlsInsidePages();
};

void TestPageLayout::controlsInsidePages_data() {
    QTest::addColumn<int>("displayType");
    QTest::newRow("8x2") << 0;
    QTest::newRow("40x4") << 13;
}

void TestPageLayout::controlsInsidePages() {
    QFETCH(int, displayType);
    MainWindowFixture f;
    MainWindow& w = f.start();
    w.show();
    f.find<QComboBox>("cboDisplaytype")->setCurrentIndex(displayType);
    w.cboDisplaytype_Click();
    const QString shots = qEnvironmentVariable("ZEPTAL_SCREENSHOTS");
    auto* tabs = f.find<QTabBar>("TabStrip1");
    for (int t = 1; t <= 6; ++t) {
        tabs->setCurrentIndex(t - 1);
        auto* page = f.find<QWidget>(QStringLiteral("Frame1_%1").arg(t));
        QVERIFY(page->isVisible());
        const QRect area = page->rect();
        for (QWidget* child : page->findChildren<QWidget*>()) {
            if (!child->isVisibleTo(page) || child->isWindow()) continue;
            const QRect r(child->mapTo(page, QPoint(0, 0)), child->size());
            QVERIFY2(area.contains(r), qPrintable(QStringLiteral("%1 on page %2 at %3,%4 %5x%6")
                                                      .arg(child->objectName())
                                                      .arg(t)
                                                      .arg(r.x())
                                                      .arg(r.y())
                                                      .arg(r.width())
                                                      .arg(r.height())));
        }
        if (!shots.isEmpty())
            w.grab().save(QDir(shots).filePath(
                QStringLiteral("page%1-%2.png").arg(t).arg(QTest::currentDataTag())));
    }
}

QTEST_MAIN(TestPageLayout)
#include "tst_pagelayout.moc"
