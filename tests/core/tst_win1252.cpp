#include "core/win1252.h"

#include <QtTest>

class TestWin1252 : public QObject {
    Q_OBJECT
  private slots:

    void encode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("umlauts") << QStringLiteral("äÖß") << QByteArray("\xe4\xd6\xdf");
        QTest::newRow("euro and quotes") << QStringLiteral("€„”") << QByteArray("\x80\x84\x94");
        QTest::newRow("no byte for it") << QStringLiteral("a\u20ACb\u0416c\U0001F600")
                                        << QByteArray("a\x80"
                                                      "b?c??");
    }

    void encode() {
        QFETCH(QString, text);
        QTEST(win1252::encode(text), "bytes");
    }

    void everyByteSurvivesDecodeAndEncode() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        const QString text = win1252::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(win1252::encode(text), all);
    }
};

QTEST_APPLESS_MAIN(TestWin1252)
#include "tst_win1252.moc"
