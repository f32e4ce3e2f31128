// The tool and the page buttons put the same bytes on the line for the same file.
#include "mainwindowfixture.h"

#include "clirunner.h"
#include "core/fileio.h"
#include <QtTest>
#include <QtWidgets>

class TestCliPages : public QObject {
    Q_OBJECT
  private slots:
    void sameBytesAsThePage_data();
    void sameBytesAsThePage();
};

void TestCliPages::sameBytesAsThePage_data() {
    for (const char* column : {"command", "load", "send"})
        QTest::addColumn<QString>(column);
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("keys") << "keys"
                          << "cmdLoadKbdTabelle"
                          << "cmdSendKbdTable" << QByteArray("\x00\x1b\xff\x80 &u abc", 12);
    QTest::newRow("char") << "char"
                          << "cmdLoadZeichen"
                          << "cmdSaveUserDefChar"
                          << QByteArray("\x06\x7e\x1f\x11\x0a\x04\x0a\x11\x1f\x00", 10);
}

void TestCliPages::sameBytesAsThePage() {
    QFETCH(QString, command);
    QFETCH(QByteArray, file);
    MainWindowFixture f;
    const QString path = f.dir.filePath(QStringLiteral("file"));
    const QString trace = f.dir.filePath(QStringLiteral("trace"));
    QVERIFY(fileio::writeFile(path, file).isEmpty());
    QCOMPARE(runCli({"--simulator", "-q", "--trace", trace, command, "write", path}).code, 0);
    const QByteArray sent = tracedBytes(trace);
    f.start();
    f.showTab(command == u"keys" ? 4 : 3);
    f.dialogs.fileNames = {path};
    QFETCH(QString, load);
    f.find<QAbstractButton>(load)->click();
    f.port.clearWrites();
    f.port.onWrite = [&](const QByteArray& b) {
        if (b.size() == 1) f.port.feed(b); // the echo
    };
    QFETCH(QString, send);
    f.find<QAbstractButton>(send)->click();
    QCOMPARE(sent, f.port.written());
}

QTEST_MAIN(TestCliPages)
#include "tst_cli_pages.moc"
