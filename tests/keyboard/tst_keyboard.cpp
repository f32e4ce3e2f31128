#include "keyboard/keytable.h"

#include <QTemporaryDir>
#include <QtTest>

class TestKeyboard : public QObject {
    Q_OBJECT
  private slots:
    void fieldRules_data();
    void fieldRules();
    void everyCodeSurvivesBothForms();
    void files();
};

void TestKeyboard::fieldRules_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("code");      // read by a display button, a save or a transfer
    QTest::addColumn<QString>("left");  // the text after leaving the field
    QTest::addColumn<QString>("shown"); // after "ASCII-Anzeige"
    const auto row = [](const char* name, const QString& typed, int code, const QString& left,
                        const QString& shown) {
        QTest::newRow(name) << typed << code << left << shown;
    };
    row("&h0", "&h0", 0, "&h0", "&h0");
    row("&hFF", "&hFF", 255, "&hFF", QStringLiteral("ÿ"));
    row("0x1f", "0x1f", 31, "&h1F", "&h1F");
    row("&H00", "&H00", 0, "&h0", "&h0");
    row("0XfF", "0XfF", 255, "&hFF", QStringLiteral("ÿ"));
    row("carriage return", "&hD", 13, "&hD", "&hD");
    row("blank", "&h20", 32, "&h20", " ");
    row("typed blank", " ", 32, " ", " ");
    row("no digit", "&hZZ", 0, "&h0", "&h0");
    row("digits up to a non-digit", "&h4G", 4, "&h4", "&h4");
    row("prefix alone", "&h", '&', "&", "&");
    row("empty", "", 0, "&hFF", "&h0");
    row("first character counts", "AB", 'A', "A", "A");
    row("a number is its first digit", "65", '6', "6", "6");
    row("umlaut", QStringLiteral("ä"), 228, QStringLiteral("ä"), QStringLiteral("ä"));
    row("euro", QStringLiteral("€"), 128, QStringLiteral("€"), QStringLiteral("€"));
}

void TestKeyboard::fieldRules() {
    QFETCH(QString, typed);
    QFETCH(int, code);
    QFETCH(QString, left);
    QFETCH(QString, shown);
    QCOMPARE(int(keyCode(typed)), code);
    QCOMPARE(normalisedKeyText(typed), left);
    QCOMPARE(keyText(keyCode(typed), true), shown);
    QCOMPARE(keyCode(keyText(keyCode(typed), false)), keyCode(typed));
}

void TestKeyboard::everyCodeSurvivesBothForms() {
    QByteArray all;
    for (int c = 0; c < 256; ++c)
        all.append(static_cast<char>(c));
    for (const bool characters : {false, true}) {
        QByteArray back;
        for (const QString& text : keyTexts(all, characters)) {
            QVERIFY(text.size() <= kKeyTextLength);
            back.append(static_cast<char>(keyCode(text)));
        }
        QCOMPARE(back, all);
    }
}

void TestKeyboard::files() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.TST"));
    QByteArray table = QByteArray("\0\xff\r ", 4) + defaultKeyTexts().join(QString()).toLatin1();
    table.truncate(kKeyCount);
    QCOMPARE(writeKeyTableFile(path, table), QString());
    QCOMPARE(readKeyTableFile(path).codes, table);

    // A longer file keeps its tail on save and loads only its first 32 bytes.
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(40, 'x'));
    file.close();
    QCOMPARE(readKeyTableFile(path).codes, QByteArray(kKeyCount, 'x'));
    QCOMPARE(writeKeyTableFile(path, table), QString());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), table + QByteArray(8, 'x'));
    file.close();

    // A short file fills the first keys and leaves 0 in the rest.
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("ab");
    file.close();
    QCOMPARE(readKeyTableFile(path).codes, "ab" + QByteArray(30, '\0'));

    // Unreadable and unwritable: a reason, no codes, nothing created.
    for (const QString& bad : {dir.path(), dir.filePath(QStringLiteral("missing.TST"))}) {
        const KeyTableFile read = readKeyTableFile(bad);
        QVERIFY(!read.error.isEmpty() && read.codes.isEmpty());
    }
    const QString noFolder = dir.filePath(QStringLiteral("no/t.TST"));
    QVERIFY(!writeKeyTableFile(noFolder, table).isEmpty());
    QVERIFY(!writeKeyTableFile(dir.path(), table).isEmpty());
    QVERIFY(!QFile::exists(noFolder));
}

QTEST_GUILESS_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
