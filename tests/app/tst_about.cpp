#include "app/about.h"
#include "mainwindowfixture.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class TestAbout : public QObject {
    Q_OBJECT
  private slots:
    // Opened by a click on the copyright label; links through the seam, and on a machine
    // without any serial port the program's own system information.
    void fromCopyrightLabel() {
        MainWindowFixture f;
        f.start();
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto* about = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
            seen << about->windowTitle() << about->lblVersion->text();
            about->openUrl = [&](const QUrl& url) { return seen.append(url.scheme()), false; };
            about->useRegistry = false;
            about->listPorts = [] { return QList<SystemPort>{}; };
            QTest::mouseClick(about->lblInternet[0], Qt::LeftButton);
            QTest::mouseClick(about->lblInternet[1], Qt::LeftButton);
            about->cmdSysInfo->click();
            seen << about->findChild<QPlainTextEdit*>()->toPlainText().section('\n', -2);
            about->cmdOK->click();
        });
        QTest::mouseClick(f.find<QLabel>(QStringLiteral("lblCopyright")), Qt::LeftButton);
        QCOMPARE(seen, (QStringList{"Info zu ZEPTAL32   V. 2.2", "Version 2.2", "https", "mailto",
                                    "  Das System meldet keine seriellen Schnittstellen.\n"}));
    }

    void registry_data() {
        // The tool's path in the first and the second registry place, the program started.
        for (const char* column : {"place1", "place2", "ran"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<bool>("message");
        for (const char* row :
             {"C:\\M\\msinfo32.exe|C:\\N|C:\\M\\msinfo32.exe|", "|C:\\N|C:\\N\\MSINFO32.EXE|",
              "|C:\\Leer||message", "C:\\kaputt.exe||C:\\kaputt.exe|message"}) {
            const QStringList c = QString::fromLatin1(row).split(u'|');
            QTest::newRow(row) << c[0] << c[1] << c[2] << !c[3].isEmpty();
        }
    }

    void registry() {
        QFETCH(QString, place1);
        QFETCH(QString, place2);
        FakeDialogs dialogs;
        AboutBox about(QStringLiteral("Z"), 2, 2, QString(), dialogs);
        about.useRegistry = true;
        about.readRegistry = [&](const QString& key, const QString& value) {
            const QString& v = key.endsWith("MSINFO") && value == "PATH" ? place1 : place2;
            return v.isEmpty() ? std::nullopt : std::optional(v);
        };
        about.fileExists = [](const QString& path) { return path == "C:\\N\\MSINFO32.EXE"; };
        QString ran;
        about.startProgram = [&](const QString& program) {
            ran = program;
            return program != "C:\\kaputt.exe";
        };
        about.cmdSysInfo->click();
        QTEST(ran, "ran");
        QTEST(dialogs.messages() ==
                  QStringList{QStringLiteral("Systeminformationen sind momentan nicht verfügbar")},
              "message");
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
