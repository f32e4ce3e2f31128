#include "chars/pattern.h"
#include "testbytes.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

CharacterRows rowsOf(std::initializer_list<int> values) {
    CharacterRows rows{};
    std::copy(values.begin(), values.end(), rows.begin());
    return rows;
}

} // namespace

class TestChars : public QObject {
    Q_OBJECT
  private slots:
    void rowCodes_data();
    void rowCodes();
    void rotations_data();
    void rotations();
    void tauschAdresse_data();
    void tauschAdresse();
    void chrFiles_data();
    void chrFiles();
};

void TestChars::rowCodes_data() {
    QTest::addColumn<QList<int>>("pixels");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("hex");
    QTest::newRow("none") << QList<int>{} << 0 << "&H00";
    QTest::newRow("leftmost") << QList<int>{0} << 0 << "&H10";
    QTest::newRow("whole row") << QList<int>{0, 1, 2, 3, 4} << 0 << "&H1F";
    QTest::newRow("rightmost") << QList<int>{4} << 0 << "&H01";
    QTest::newRow("columns 1 and 3") << QList<int>{1, 3} << 0 << "&H0A";
    QTest::newRow("last pixel is row 6") << QList<int>{34, 29} << 6 << "&H01";
    QTest::newRow("toggled twice is off") << QList<int>{7, 7, 8} << 1 << "&H02";
}

void TestChars::rowCodes() {
    QFETCH(QList<int>, pixels);
    QFETCH(int, row);
    CharPattern p;
    for (int i : pixels)
        p.toggle(i);
    QTEST(hexCodeText(p.rowCode(row)), "hex");
}

void TestChars::rotations_data() {
    QTest::addColumn<CharacterRows>("rows");
    QTest::addColumn<QString>("moves"); // L R U D I (invert) C (clear)
    QTest::addColumn<CharacterRows>("expected");
    const CharacterRows mixed = rowsOf({0x10, 0x01, 0x0A, 0x1F, 0x00, 0x13, 0x04});
    QTest::newRow("right") << rowsOf({0x10}) << "R" << rowsOf({0x08});
    QTest::newRow("left wraps") << rowsOf({0x10}) << "L" << rowsOf({0x01});
    QTest::newRow("right wraps") << rowsOf({0x01}) << "R" << rowsOf({0x10});
    QTest::newRow("up: top row to the bottom")
        << mixed << "U" << rowsOf({0x01, 0x0A, 0x1F, 0x00, 0x13, 0x04, 0x10});
    QTest::newRow("down: bottom row to the top")
        << mixed << "D" << rowsOf({0x04, 0x10, 0x01, 0x0A, 0x1F, 0x00, 0x13});
    QTest::newRow("mixed left") << mixed << "L"
                                << rowsOf({0x01, 0x02, 0x14, 0x1F, 0x00, 0x07, 0x08});
    QTest::newRow("five times round") << mixed << "LLLLL" << mixed;
    QTest::newRow("seven times round") << mixed << "DDDDDDD" << mixed;
    QTest::newRow("there and back") << mixed << "LURD" << mixed;
    QTest::newRow("invert empty") << CharacterRows{} << "I" << rowsOf({31, 31, 31, 31, 31, 31, 31});
    QTest::newRow("invert twice") << mixed << "II" << mixed;
    QTest::newRow("clear") << mixed << "C" << CharacterRows{};
}

void TestChars::rotations() {
    QFETCH(CharacterRows, rows);
    QFETCH(QString, moves);
    CharPattern p = CharPattern::fromRows(rows);
    const int lit = p.litCount();
    for (QChar m : moves) {
        const std::map<char, void (CharPattern::*)()> move{
            {'L', &CharPattern::rotateLeft}, {'R', &CharPattern::rotateRight},
            {'U', &CharPattern::rotateUp},   {'D', &CharPattern::rotateDown},
            {'I', &CharPattern::invert},     {'C', &CharPattern::clear}};
        (p.*move.at(m.toLatin1()))();
    }
    QTEST(p.rows(), "expected");
    if (!moves.contains(u'I') && !moves.contains(u'C')) QCOMPARE(p.litCount(), lit);
}

void TestChars::tauschAdresse_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("normalised");
    QTest::addColumn<int>("value"); // as the store button reads the field unnormalised
    QTest::newRow("empty") << ""
                           << "127" << 0;
    QTest::newRow("31") << "31"
                        << "32" << 31;
    QTest::newRow("128") << "128"
                         << "127" << 128;
    QTest::newRow("999") << "999"
                         << "127" << 999;
    QTest::newRow("abc") << "abc"
                         << "32" << 0;
    QTest::newRow("-5") << "-5"
                        << "32" << -5;
    QTest::newRow("65") << "65"
                        << "65" << 65;
    QTest::newRow("045") << "045"
                         << "45" << 45;
    QTest::newRow("half down to even") << "6.5"
                                       << "32" << 6;
    QTest::newRow("half up to even") << "4,5"
                                     << "32" << 4;
    QTest::newRow("99.5") << "99.5"
                          << "100" << 100;
    QTest::newRow("98.5") << "98.5"
                          << "98" << 98;
    QTest::newRow("beyond 16 bits") << "1e9"
                                    << "127" << 0;
}

void TestChars::tauschAdresse() {
    QFETCH(QString, typed);
    QTEST(normaliseTauschAdresse(typed), "normalised");
    QTEST(tauschAdresseValue(typed), "value");
}

void TestChars::chrFiles_data() {
    QTest::addColumn<QByteArray>("file"); // "-": no file at all, "/": a folder
    QTest::addColumn<QString>("loaded");  // place, code, rows; or the reason
    QTest::newRow("corrected") << bytes({9, 20, 255, 0, 0, 0, 0, 0, 0, 7}) << "0 32 31,0,0,0,0,0,0";
    QTest::newRow("high address") << bytes({7, 200, 1, 2, 3, 4, 5, 6, 0xE7, 0})
                                  << "7 127 1,2,3,4,5,6,7";
    QTest::newRow("tail ignored") << bytes({3, 65, 1, 0, 0, 0, 0, 0, 0, 0, 99})
                                  << "3 65 1,0,0,0,0,0,0";
    QTest::newRow("short") << bytes({3, 65, 1, 0, 0, 0, 0, 0, 0})
                           << "Die Datei ist kürzer als 10 Bytes und enthält keine vollständige "
                              "Zeichendefinition.";
    QTest::newRow("missing") << QByteArray("-") << "Die Datei existiert nicht.";
    QTest::newRow("a folder") << QByteArray("/")
                              << "Das ist keine gewöhnliche Datei (sondern z. B. ein Ordner, ein "
                                 "Gerät oder eine Pipe).";
}

void TestChars::chrFiles() {
    QFETCH(QByteArray, file);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.CHR"));
    QFile f(path);
    if (file == "/")
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("x.CHR")));
    else if (file != "-")
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
    f.close();
    const ChrLoad load = loadChrFile(path);
    QString loaded = load.error;
    if (const auto& d = load.definition) {
        QStringList rows;
        for (quint8 r : d->pattern.rows())
            rows << QString::number(r);
        loaded = QStringLiteral("%1 %2 %3").arg(d->place).arg(d->code).arg(rows.join(u','));
        // Saved again, the corrected definition reads back the same.
        QVERIFY(saveChrFile(path, *d).isEmpty());
        QCOMPARE(loadChrFile(path).definition, d);
    }
    QTEST(loaded, "loaded");
}

QTEST_MAIN(TestChars)
#include "tst_chars.moc"
