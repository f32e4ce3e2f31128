#include "mainwindowfixture.h"

#include "app/displaygeometry.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestDisplayGeometry : public QObject {
    Q_OBJECT
  private slots:

    void displayTypes_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("caption");
        QTest::newRow("8x2") << 0 << 8 << 2 << "LCD 8x2 "
                             << "Pultino für   8x2 Display konfigurieren";
        QTest::newRow("20x4") << 6 << 20 << 4 << "LCD 20x4 "
                              << "Pultino für 20x4 Display konfigurieren";
        QTest::newRow("40x4") << 13 << 40 << 4 << "LCD 40x4 "
                              << "Pultino für 40x4 Display konfigurieren";
    }

    void displayTypes() {
        QFETCH(int, index);
        QFETCH(int, columns);
        QFETCH(int, rows);
        MainWindowFixture f;
        MainWindow& w = f.start();
        w.show();
        f.find<QLineEdit>("txtFesttext_0")->setText(QStringLiteral("typed")); // a switch empties it
        auto* list = f.find<QComboBox>("cboDisplaytype");
        list->setCurrentIndex(index);
        w.cboDisplaytype_Click();

        QCOMPARE(w.displayColumns(), columns);
        QCOMPARE(w.displayRows(), rows);
        QTEST(w.panelText(1), "panel");
        QTEST(f.find<QPushButton>("cmdSendDisplayType")->text(), "caption");

        const QString ruler =
            QStringLiteral("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZabcd").left(columns);
        auto* frmDisplay = f.find<QGroupBox>("frmDisplay");
        auto* frmFesttext = f.find<QGroupBox>("frmFesttext");
        for (int i = 0; i < 4; ++i) {
            auto* out = f.find<QLineEdit>(QStringLiteral("txtOutput_%1").arg(i));
            auto* ft = f.find<QLineEdit>(QStringLiteral("txtFesttext_%1").arg(i));
            QCOMPARE(out->isVisibleTo(frmDisplay), i < rows);
            QCOMPARE(ft->isVisibleTo(frmFesttext), i < rows);
            QCOMPARE(out->maxLength(), columns);
            QCOMPARE(ft->maxLength(), columns);
            QCOMPARE(out->text(), ruler);
            // Wide enough for the whole ruler, and the fixed-text rows as wide.
            QVERIFY(out->fontMetrics().horizontalAdvance(ruler) < out->width());
            QCOMPARE(ft->width(), out->width());
            QCOMPARE(ft->text(), QString());
        }
        // The frames grow with the rows so that the last one is not cut off.
        const auto* lastRow = f.find<QLineEdit>(QStringLiteral("txtOutput_%1").arg(rows - 1));
        QVERIFY(frmDisplay->rect().contains(lastRow->geometry()));
        QCOMPARE(frmFesttext->height(), frmDisplay->height());
        auto* lstCol = f.find<QComboBox>("lstCol");
        auto* lstRow = f.find<QComboBox>("lstRow");
        QCOMPARE(lstCol->count(), columns);
        QCOMPARE(lstCol->itemText(columns - 1), QString::number(columns));
        QCOMPARE(lstCol->currentIndex(), 0);
        QCOMPARE(lstRow->count(), rows);
        QCOMPARE(lstRow->currentIndex(), 0);
        QCOMPARE(f.settings->read(SettingsStore::kDisplayType), QString::number(index));
    }
};

QTEST_MAIN(TestDisplayGeometry)
#include "tst_displaygeometry.moc"
