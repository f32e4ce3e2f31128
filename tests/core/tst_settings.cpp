#include "core/fileio.h"
#include "core/settings.h"

#include <QtTest>

class TestSettings : public QObject {
    Q_OBJECT

  private slots:
    // Values written by hand or by the toolkit read back as the text they were.
    void read_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("unquoted commas by hand")
            << QByteArray("[Einstellungen]\nEinstellungen=4800,n,8,2\n")
            << SettingsStore::kLineSettings << "4800,n,8,2";
        QTest::newRow("quoted, blanks inside kept")
            << QByteArray("[Einstellungen]\r\nEinstellungen=\" 4800, n,8,2\" ; note\r\n")
            << SettingsStore::kLineSettings << " 4800, n,8,2";
        QTest::newRow("escaped key name")
            << QByteArray("[Einstellungen]\nCOM-Anschlu%DF=3\n") << SettingsStore::kComPort << "3";
        QTest::newRow("last of two lines wins, other groups ignored")
            << QByteArray("[Ports]\nDisplayTyp=9\n[Einstellungen]\nDisplayTyp=1\nDisplayTyp=2\n")
            << SettingsStore::kDisplayType << "2";
        QTest::newRow("escapes") << QByteArray("[Einstellungen]\nEcho=\"a\\\"b\\\\c\\x41\"\n")
                                 << SettingsStore::kEcho << "a\"b\\cA";
        QTest::newRow("absent") << QByteArray("[Einstellungen]\nEchoX=1\n") << SettingsStore::kEcho
                                << "default";
    }
    void read() {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        QTemporaryDir dir;
        const QString path = dir.filePath("z.ini");
        QCOMPARE(fileio::writeFile(path, file), QString());
        QTEST(SettingsStore(path).read(key, "default"), "value");
    }

    // A write replaces the line of its own key and nothing else; what it wrote reads back.
    void write() {
        QTemporaryDir dir;
        const QString path = dir.filePath("z.ini");
        QCOMPARE(fileio::writeFile(path, "[Ports]\r\nCOM2=/dev/tty\xe4\r\n[Einstellungen]\r\n"
                                         "Einstellungen=9600,n,8,2\r\nx=\xff\r\n"),
                 QString());
        SettingsStore store(path);
        store.write(SettingsStore::kLineSettings, "4800,n,8,2");
        QCOMPARE(fileio::readFile(path).data,
                 QByteArray("[Ports]\r\nCOM2=/dev/tty\xe4\r\n[Einstellungen]\r\n"
                            "Einstellungen=\"4800,n,8,2\"\r\nx=\xff\r\n"));
        QCOMPARE(store.read(SettingsStore::kLineSettings), QStringLiteral("4800,n,8,2"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
