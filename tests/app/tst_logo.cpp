#include "mainwindowfixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QtTest>
#include <sys/stat.h>

// The OEM logo beside the program replaces the built-in one; an unreadable file does not, and
// one that is no file at all does not hold up the start.
class TestLogo : public QObject {
    Q_OBJECT
  private slots:

    void logoFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("oemShown");
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG");
        QTest::newRow("picture") << jpeg << true;
        QTest::newRow("none") << QByteArray() << false;
        QTest::newRow("named pipe without writer") << QByteArray("FIFO") << false;
    }

    void logoFile() {
        QFETCH(QByteArray, content);
        const QString path =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("OEMLOGO.JPG"));
        QFile::remove(path);
        if (content == "FIFO") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        MainWindowFixture f;
        f.start();
        QFile::remove(path);
        auto* page = f.find<QWidget>("Frame1_1");
        QFETCH(bool, oemShown);
        QCOMPARE(f.find<QLabel>("imgOEMlogo")->isVisibleTo(page), oemShown);
        QCOMPARE(f.find<QLabel>("imgLogo")->isVisibleTo(page), !oemShown);
        QVERIFY(f.dialogs.shown.isEmpty());
    }
};

QTEST_MAIN(TestLogo)
#include "tst_logo.moc"
