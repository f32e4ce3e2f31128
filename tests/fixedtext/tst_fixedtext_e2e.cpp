#include "simwindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestFixedTextEndToEnd : public QObject {
    Q_OBJECT
  private slots:
    void programVerifyReadBackShow();
    void fullEeprom();
};

void TestFixedTextEndToEnd::programVerifyReadBackShow() {
    TerminalOptions o; // a 20x4 display
    SimWindow s(o, 6);
    const QString error = s.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    auto click = [&](const char* name) { s.find<QPushButton>(name)->click(); };

    click("cmdDefaultFT");
    s.page->store().setEntry(9, 2, QStringLiteral("Grüße"));
    const FixedTextStore programmed = s.page->store();
    click("cmdSendFT");
    QCOMPARE(s.dialogs.messages(), QStringList());
    QCOMPARE(s.term.fixedTextImage(), buildFesttextImage(programmed, 4, 20));

    click("cmdVerifyFT");
    QCOMPARE(s.dialogs.messages(),
             QStringList{QStringLiteral(
                 "Festtexte im Pultino sind mit den geladenen Festtexten identisch")});

    click("cmdClearAllFT");
    QVERIFY(s.page->store() == FixedTextStore{});
    click("cmdAuslesenFT");
    QCOMPARE(s.dialogs.messages().size(), 1);
    QVERIFY(s.page->store() == programmed);
    QCOMPARE(s.page->txtFesttext[0]->text(), QStringLiteral("000"));

    s.find<QLineEdit>("txtFTAbruf")->setText(QStringLiteral("9"));
    click("cmdShowFT");
    QTRY_COMPARE(s.term.snapshot().rowsText(),
                 (QStringList{QStringLiteral("009").leftJustified(20), QString(20, ' '),
                              QStringLiteral("Grüße").leftJustified(20), QString(20, ' ')}));
    QVERIFY(LinkFlags::instance().showReceivedData);
}

void TestFixedTextEndToEnd::fullEeprom() {
    TerminalOptions o;
    o.columns = 40;
    o.eepromCapacity = 1900;
    SimWindow s(o, 13); // 40x4
    const QString error = s.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    for (int n = 0; n < kFixedTextCount; ++n)
        s.page->store().setText(n, {"Zeile 1", "Zeile 2", "Zeile 3", "Zeile 4"});
    const int size = static_cast<int>(buildFesttextImage(s.page->store(), 4, 40).size());

    s.find<QPushButton>("cmdSendFT")->click();
    QCOMPARE(s.dialogs.messages(),
             QStringList{QStringLiteral("Fehler beim Speichern der Festtexte!\r(1900 von %1 Bytes "
                                        "gespeichert.)\rWahrscheinliche Ursache: Nicht genügend "
                                        "EEPROM-Speicher verfügbar.")
                             .arg(size)});
}

QTEST_MAIN(TestFixedTextEndToEnd)
#include "tst_fixedtext_e2e.moc"
