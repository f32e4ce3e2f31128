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
            seen << about->windowTitle() << about->lblTitle->text() << about->lblVersion->text();
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
        QCOMPARE(seen,
                 (QStringList{"Info zu ZEPTAL32", "ZEPTAL32", "Version 2.2", "https", "mailto",
                              "  Das System meldet keine seriellen Schnittstellen.\n"}));
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
