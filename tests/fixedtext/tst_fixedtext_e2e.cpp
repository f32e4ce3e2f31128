#include "fixedtext/fixedtextpage.h"
#include "ptywindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestFixedTextEndToEnd : public QObject {
    Q_OBJECT
  private slots:

    void programVerifyReadBackShow() {
        PtyWindow s({}, 6); // a 20x4 display
        const QString error = s.start(2);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        FixedTextPage* page = s.window->fixedTextPage();
        auto click = [&](const char* name) { page->findChild<QPushButton*>(name)->click(); };

        click("cmdDefaultFT");
        page->store().setEntry(9, 2, QStringLiteral("Grüße"));
        const FixedTextStore programmed = page->store();
        click("cmdSendFT");
        QCOMPARE(s.dialogs.messages(), QStringList());
        QCOMPARE(s.term.fixedTextImage(), buildFesttextImage(programmed, 4, 20));

        click("cmdVerifyFT");
        QCOMPARE(s.dialogs.messages(),
                 QStringList{QStringLiteral(
                     "Festtexte im Pultino sind mit den geladenen Festtexten identisch")});

        click("cmdClearAllFT");
        QVERIFY(page->store() == FixedTextStore{});
        click("cmdAuslesenFT");
        QCOMPARE(s.dialogs.messages().size(), 1);
        QVERIFY(page->store() == programmed);
        QCOMPARE(page->txtFesttext[0]->text(), QStringLiteral("000"));

        page->findChild<QLineEdit*>("txtFTAbruf")->setText(QStringLiteral("9"));
        click("cmdShowFT");
        QTRY_COMPARE(s.term.snapshot().rowsText(),
                     (QStringList{QStringLiteral("009").leftJustified(20), QString(20, ' '),
                                  QStringLiteral("Grüße").leftJustified(20), QString(20, ' ')}));
        QVERIFY(LinkFlags::instance().showReceivedData);
    }
};

QTEST_MAIN(TestFixedTextEndToEnd)
#include "tst_fixedtext_e2e.moc"
