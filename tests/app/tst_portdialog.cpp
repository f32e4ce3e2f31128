#include "mainwindowfixture.h"

#include "link/portdialog.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

class TestPortDialog : public QObject {
    Q_OBJECT
  private slots:

    void loadShowsPortValues_data() {
        // Line settings and handshaking of the port, then what the dialog's lists show.
        for (const char* column : {"settings", "handshaking", "shown"})
            QTest::addColumn<QString>(column);
        for (const char* row : {"9600,n,8,2|0|9600 None 8 2", "19200,E,7,1.5|2|19200 Even 7 1.5",
                                "4800,o,8,1|3|4800 Odd 8 1", "4800,m,8,1|1|4800 Mark 8 1"}) {
            const QStringList c = QString::fromLatin1(row).split(u'|');
            QTest::newRow(row) << c[0] << c[1] << c[2];
        }
    }

    void loadShowsPortValues() {
        QFETCH(QString, settings);
        QFETCH(QString, handshaking);
        const int flow = handshaking.toInt();
        MainWindowFixture f;
        f.port.setPortNumber(5);
        QVERIFY(f.port.setSettings(settings));
        f.port.setHandshaking(flow);
        PortDialog d(f.port, *f.settings, *f.devices, f.dialogs);
        QTEST(QStringList({d.cboSpeed->currentText(), d.cboParity->currentText(),
                           d.cboDataBits->currentText(), d.cboStopBits->currentText()})
                  .join(u' '),
              "shown");
        QCOMPARE(d.cboPort->currentText(), QStringLiteral("Com5"));
        QVERIFY(d.optFlow[flow]->isChecked());
        QVERIFY(d.optEcho[0]->isChecked());
        QCOMPARE(d.txtDevice->text(), QStringLiteral("/dev/ttyS4"));
    }

    void refusals_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("portAfter");
        for (const char* row :
             {"open|Zugriff verweigert|1", "number|Ungültige Portnummer|1",
              "settings|Ungültige Einstellungen|3", "handshaking|Ungültiges Protokoll|3"}) {
            const QStringList c = QString::fromUtf8(row).split(u'|');
            QTest::newRow(row) << c[0] << c[1] << c[2].toInt();
        }
    }

    void refusals() {
        QFETCH(QString, fault);
        MainWindowFixture f;
        f.port.open();
        PortDialog d(f.port, *f.settings, *f.devices, f.dialogs);
        d.cboPort->setCurrentIndex(2);
        d.optFlow[1]->click();
        if (fault == "open") f.port.failOpenPorts << 3;
        if (fault == "number") f.port.refusedPortNumbers << 3;
        f.port.refuseSettings = fault == "settings";
        f.port.refuseHandshaking = fault == "handshaking";
        d.cmdOK_Click();
        QVERIFY(d.result() != QDialog::Accepted);
        QCOMPARE(f.dialogs.shown.size(), 1);
        QTEST(f.dialogs.shown.first().text, "error");
        QCOMPARE(f.dialogs.shown.first().icon, Dialogs::Icon::Warning);
        QTEST(f.port.portNumber(), "portAfter");
        QCOMPARE(f.settings->read(SettingsStore::kComPort), QString());
        QCOMPARE(f.settings->read(SettingsStore::kHandshaking), QString());
        // A refused new port leaves the old connection working.
        QVERIFY(f.port.isOpen());
    }

    void typedDeviceIsStoredAndUsed() {
        MainWindowFixture f;
        // A binding for this run only (the simulated terminal) is shown but never saved.
        f.devices->bindTemporarily(1, QStringLiteral("/dev/pts/77"));
        f.port.open();
        PortDialog d(f.port, *f.settings, *f.devices, f.dialogs);
        QCOMPARE(d.txtDevice->text(), QStringLiteral("/dev/pts/77"));
        d.cboPort->setCurrentIndex(1);
        QCOMPARE(d.txtDevice->text(), QStringLiteral("/dev/ttyS1"));
        d.txtDevice->setText(QStringLiteral("/dev/ttyUSB0"));
        d.cmdOK_Click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(f.settings->portDevice(2), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(f.devices->device(2), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(f.port.portNumber(), 2);
        QVERIFY(f.port.isOpen());
        QCOMPARE(f.settings->read(SettingsStore::kComPort), QStringLiteral("2"));
        QCOMPARE(f.settings->portDevice(1), QString());
    }

    void okWithTheSamePort_data() {
        QTest::addColumn<bool>("openBefore");
        QTest::addColumn<QString>("device"); // typed into the field; empty: left as shown
        QTest::addColumn<bool>("failOpen");
        QTest::addColumn<QString>("warning"); // empty: none
        QTest::newRow("open, no change") << true << "" << false << "";
        QTest::newRow("closed, no change") << false << "" << false << "";
        QTest::newRow("closed, same device typed again") << false << "/dev/ttyS0" << false << "";
        QTest::newRow("closed, device still missing")
            << false << "" << true << "Zugriff verweigert";
        QTest::newRow("control character in the device")
            << false << "/dev/tty\x01S0" << false << "kein gültiger Gerätename";
    }

    // OK leaves an open port as it is (not closed and reopened) and opens one that was lost (or
    // never opened), even with nothing changed; the keys are saved.
    void okWithTheSamePort() {
        QFETCH(bool, openBefore);
        QFETCH(QString, device);
        QFETCH(bool, failOpen);
        QFETCH(QString, warning);
        MainWindowFixture f;
        if (openBefore) f.port.open();
        f.port.failOpen = failOpen;
        PortDialog d(f.port, *f.settings, *f.devices, f.dialogs);
        d.optEcho[1]->click();
        if (!device.isEmpty()) d.txtDevice->setText(device);
        d.cmdOK_Click();
        QCOMPARE(f.port.isOpen(), warning.isEmpty());
        QCOMPARE(f.dialogs.shown.size(), warning.isEmpty() ? 0 : 1);
        if (!warning.isEmpty()) QVERIFY(f.dialogs.shown.first().text.contains(warning));
        QCOMPARE(f.settings->portDevice(1), QString());
        if (!warning.isEmpty()) return;
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(f.port.openCount, 1);
        QCOMPARE(f.settings->read(SettingsStore::kLineSettings), QStringLiteral("9600,n,8,2"));
        QCOMPARE(f.settings->read(SettingsStore::kComPort), QStringLiteral("1"));
        QCOMPARE(f.settings->read(SettingsStore::kHandshaking), QStringLiteral("0"));
        QVERIFY(SettingsStore::parseBool(f.settings->read(SettingsStore::kEcho)));
    }
};

QTEST_MAIN(TestPortDialog)
#include "tst_portdialog.moc"
