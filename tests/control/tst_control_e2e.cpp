#include "ptywindow.h"

namespace {

QString padded(const QString& text, int columns) {
    return text.leftJustified(columns, QLatin1Char(' '), true);
}

} // namespace

class TestControlEndToEnd : public QObject {
    Q_OBJECT
  private slots:

    void storeSpeed() {
        PtyWindow p;
        const QString error = p.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        p.select("cboBaudrate", 1);
        p.click("cmdSendBaudrate");
        QVERIFY(p.dialogs.shown.isEmpty());
        QVERIFY(p.serial.isOpen());
        QCOMPARE(p.serial.settings(), QString("4800,n,8,2"));
        QTRY_COMPARE(p.term.snapshot().speedCode, 1);
        QTRY_COMPARE(p.term.snapshot().rowsText().value(0), padded("4800,n,8,2", 20));
    }
};

QTEST_MAIN(TestControlEndToEnd)
#include "tst_control_e2e.moc"
