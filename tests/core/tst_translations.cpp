#include "core/translations.h"

#include <QtTest>

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
        QTest::newRow("German") << true;
        QTest::newRow("catalogue missing") << false;
    }
    void toolkitTexts() {
        QFETCH(bool, installed);
        QTemporaryDir empty;
        QCOMPARE(installToolkitTranslations(*QCoreApplication::instance(),
                                            installed ? QString() : empty.path()),
                 installed);
        const char* texts[][3] = {
            // context, source, German
            {"QPlatformTheme", "&Yes", "&Ja"},
            {"QPlatformTheme", "Cancel", "Abbrechen"},
            {"QFileDialog", "%1 already exists.\nDo you want to replace it?",
             "Die Datei %1 existiert bereits.\nSoll sie überschrieben werden?"}};
        for (const auto& [context, source, german] : texts)
            QCOMPARE(QCoreApplication::translate(context, source),
                     QString::fromUtf8(installed ? german : source));
    }
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
