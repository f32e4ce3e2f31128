#include "mainwindowfixture.h"

#include "link/portdialog.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// Controls that lie on top of one another (a field under a frame) take each other's clicks, and
// one beyond the edge of `top` is cut off. Plain containers (pages, panels, the page frame) are
// looked into and are no controls; a frame with a caption is a control and is looked into; any
// other control counts as one piece.
QStringList layoutFaults(QWidget* top) {
    const auto plain = [](QWidget* w) {
        const QString type = QString::fromLatin1(w->metaObject()->className());
        return type.endsWith(u"Page") || type.endsWith(u"Panel") ||
               QStringList{"QWidget", "QFrame", "QStackedWidget", "QTabWidget"}.contains(type);
    };
    const auto rect = [top](QWidget* w) { return QRect(w->mapTo(top, QPoint(0, 0)), w->size()); };
    QList<QWidget*> controls, open{top};
    QStringList found;
    while (!open.isEmpty())
        for (QWidget* w : open.takeFirst()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!w->isVisibleTo(top) || w->isWindow() || w->size().isEmpty()) continue;
            if (!top->rect().contains(rect(w))) found << w->objectName() + " outside";
            if (!plain(w)) controls << w;
            if (plain(w) || w->inherits("QGroupBox")) open << w;
        }
    for (qsizetype i = 0; i < controls.size(); ++i)
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            QWidget *a = controls[i], *b = controls[j];
            if (!a->isAncestorOf(b) && !b->isAncestorOf(a) && rect(a).intersects(rect(b)))
                found << a->objectName() + " / " + b->objectName();
        }
    return found;
}

} // namespace

// Every control of every page lies inside its page for the largest and the smallest display,
// so nothing is cut off in the fixed-size window, and no control of a page or dialog covers
// another.
class TestPageLayout : public QObject {
    Q_OBJECT
  private slots:

    void controlsFitWithoutOverlap_data() {
        QTest::addColumn<int>("displayType");
        QTest::addColumn<QString>("window"); // a page "Frame1_<n>" or a dialog
        for (int type : {0, 13})
            for (int t = 1; t <= 6; ++t)
                QTest::addRow("%d page %d", type, t) << type << QStringLiteral("Frame1_%1").arg(t);
        QTest::newRow("main window") << 13 << "frmMain";
        QTest::newRow("port dialog") << 0 << "frmProperties";
    }

    void controlsFitWithoutOverlap() {
        QFETCH(int, displayType);
        QFETCH(QString, window);
        MainWindowFixture f;
        MainWindow& w = f.start();
        w.show();
        f.select("cboDisplaytype", displayType);
        QWidget* top = &w;
        PortDialog dialog(f.port, *f.settings, *f.devices, f.dialogs);
        if (window == u"frmProperties") {
            dialog.show();
            top = &dialog;
        } else if (window != u"frmMain") {
            f.find<QTabBar>("TabStrip1")->setCurrentIndex(window.back().digitValue() - 1);
            top = f.find<QWidget>(window);
        }
        QVERIFY(top && top->isVisible());
        const QStringList found = layoutFaults(top);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
    }

    // A switch of the display type shows a line field per row, each taking as many characters as
    // a row has, in frames that hold the last row.
    void displayTypes_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::newRow("8x2") << 0 << 8 << 2;
        QTest::newRow("20x4") << 6 << 20 << 4;
        QTest::newRow("40x4") << 13 << 40 << 4;
    }

    void displayTypes() {
        QFETCH(int, index);
        QFETCH(int, columns);
        QFETCH(int, rows);
        MainWindowFixture f;
        f.start().show();
        f.find<QLineEdit>("txtFesttext_0")->setText(QStringLiteral("typed")); // a switch empties it
        f.select("cboDisplaytype", index);
        QCOMPARE(f.settings->read(SettingsStore::kDisplayType), QString::number(index));
        auto* frmDisplay = f.find<QGroupBox>("frmDisplay");
        for (int i = 0; i < 4; ++i) {
            auto* out = f.find<QLineEdit>(QStringLiteral("txtOutput_%1").arg(i));
            auto* ft = f.find<QLineEdit>(QStringLiteral("txtFesttext_%1").arg(i));
            QCOMPARE(out->isVisibleTo(frmDisplay), i < rows);
            QCOMPARE(ft->isVisibleTo(f.find<QGroupBox>("frmFesttext")), i < rows);
            QCOMPARE(out->maxLength(), columns);
            QCOMPARE(ft->maxLength(), columns);
            QCOMPARE(out->text().size(), columns); // a ruler that must fit the field
            QVERIFY(out->fontMetrics().horizontalAdvance(out->text()) < out->width());
            QCOMPARE(ft->text(), QString());
        }
        const auto* lastRow = f.find<QLineEdit>(QStringLiteral("txtOutput_%1").arg(rows - 1));
        QVERIFY(frmDisplay->rect().contains(lastRow->geometry()));
        QCOMPARE(f.find<QComboBox>("lstCol")->count(), columns);
        QCOMPARE(f.find<QComboBox>("lstRow")->count(), rows);
    }
};

QTEST_MAIN(TestPageLayout)
#include "tst_pagelayout.moc"
