#include "core/translations.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

// The toolkit's dialogs and standard buttons speak German, and a system without the catalogue
// keeps running in English.
class TestTranslations : public QObject {
    Q_OBJECT
  private slots:

    void cleanup() {
        for (auto* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    }

    void toolkitTexts_data() {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QStringList>("texts"); // "context|source|shown"
        const QStringList texts = {
            "QPlatformTheme|&Yes|&Ja", "QPlatformTheme|&No|&Nein",
            "QPlatformTheme|Cancel|Abbrechen", "QFileDialog|File &name:|Datei&name:",
            "QFileDialog|%1 already exists.\nDo you want to replace it?|Die Datei %1 existiert "
            "bereits.\nSoll sie überschrieben werden?"};
        QStringList english;
        for (const QString& t : texts)
            english << t.section(u'|', 0, 1) + u'|' + t.section(u'|', 1, 1);
        QTest::newRow("German") << true << texts;
        QTest::newRow("catalogue missing") << false << english;
    }

    void toolkitTexts() {
        QFETCH(bool, installed);
        QFETCH(QStringList, texts);
        QTemporaryDir empty;
        QCOMPARE(installToolkitTranslations(*QCoreApplication::instance(),
                                            installed ? QString() : empty.path()),
                 installed);
        for (const QString& t : texts)
            QCOMPARE(QCoreApplication::translate(qPrintable(t.section(u'|', 0, 0)),
                                                 qPrintable(t.section(u'|', 1, 1))),
                     t.section(u'|', 2));
    }
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
