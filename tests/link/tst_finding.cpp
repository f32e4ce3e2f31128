// Finding a terminal: names of adapters, ports held by others, the search at four speeds.
#include "clirunner.h"
#include "control/portscan.h"
#include "link/portdialog.h"
#include "link/qtserialport.h"
#include "mainwindowfixture.h"
#include "sim/ptyterminal.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

const QString kById = QStringLiteral("/dev/serial/by-id/");

// Two identical FTDI adapters told apart by their serial numbers, one without any, and two
// cheap ones that share theirs.
FakePortCatalogue adapters() {
    FakePortCatalogue catalogue;
    for (const char* row : {"/dev/ttyUSB0|usb-FTDI_FT232R_USB_UART_A10K1ABC-if00-port0|A10K1ABC",
                            "/dev/ttyUSB1|usb-FTDI_FT232R_USB_UART_A10K2XYZ-if00-port0|A10K2XYZ",
                            "/dev/ttyUSB2|usb-1a86_USB_Serial-if00-port0|", "/dev/ttyACM0||0001",
                            "/dev/ttyACM1||0001"}) {
        const QStringList c = QString::fromLatin1(row).split(u'|');
        catalogue.table << PortInfo{
            c[0], c[1].isEmpty() ? QString() : kById + c[1], {}, {}, 0x0403, 0x6001, c[2]};
    }
    return catalogue;
}

// Holds its stored speed only: the search has to find it.
const TerminalOptions kAt2400{.speedCode = 2, .strictSpeed = true};

// A UUCP lock for `device` held by `pid`, removed again at the end of the test.
struct Lock {
    QString path;
    Lock(const QString& device, qint64 pid)
        : path(QStringLiteral("/tmp/") + SystemPortCatalogue::lockName(device)) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(QByteArray::number(pid).rightJustified(10) + '\n');
    }
    ~Lock() { QFile::remove(path); }
};

} // namespace

class TestFinding : public QObject {
    Q_OBJECT
  private slots:
    void resolve_data() {
        // The name, then the device it stands for (empty: refused) and a piece of the reason.
        for (const char* column : {"name", "device", "why"})
            QTest::addColumn<QString>(column);
        for (const char* row :
             {"usb:A10K1ABC|/dev/ttyUSB0|", "usb:a10k2xyz|/dev/ttyUSB1|",
              "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K2XYZ-if00-port0|/dev/ttyUSB1|",
              "usb-1a86_USB_Serial-if00-port0|/dev/ttyUSB2|", "/dev/ttyUSB2|/dev/ttyUSB2|",
              "usb:A10K9||Kein Adapter", "usb:0001||nicht eindeutig: /dev/ttyACM0, /dev/ttyACM1",
              "usb: ||fehlt die Seriennummer", "usb-Prolific-if00||Kein Adapter"}) {
            const QStringList c = QString::fromLatin1(row).split(u'|');
            QTest::newRow(row) << c[0] << c[1] << c[2];
        }
    }
    void resolve() {
        QFETCH(QString, name);
        QFETCH(QString, why);
        QString error;
        const FakePortCatalogue catalogue = adapters();
        QTEST(catalogue.resolve(name, &error), "device");
        QVERIFY2(error.contains(why), qPrintable(error));
    }

    // Another name of a port that is open is the same port, and the second open is refused.
    void twoNamesOfOneAdapterAreOnePort_data() {
        QTest::addColumn<QString>("first");
        QTest::newRow("usb serial") << "usb:PULT0001";
        QTest::newRow("by-id link") << kById + "usb-FTDI_Pultino_PULT0001-if00-port0";
        QTest::newRow("a symlink of one's own") << "link";
    }
    void twoNamesOfOneAdapterAreOnePort() {
        QFETCH(QString, first);
        PtyTerminal term;
        QVERIFY(term.start());
        const QString path = term.slavePath();
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(path, link));
        FakePortCatalogue catalogue;
        catalogue.table << PortInfo{
            path, kById + "usb-FTDI_Pultino_PULT0001-if00-port0", {}, {}, {}, {}, "PULT0001"};
        catalogue.links.insert(link, path);
        const QString name = first == QLatin1String("link") ? link : first;
        QtSerialPort a([&](int) { return name; });
        QtSerialPort b([&](int) { return path; });
        a.setCatalogue(catalogue);
        b.setCatalogue(catalogue);
        QVERIFY2(a.open(), qPrintable(a.errorString()));
        QVERIFY(!b.open());
        QVERIFY2(b.errorString().contains(QLatin1String("anderen Programm")),
                 qPrintable(b.errorString()));
    }

    void scan_data() {
        QTest::addColumn<TerminalOptions>("sim");
        QTest::addColumn<int>("holder");    // 0 none, 1 a live process, 2 one that has ended
        QTest::addColumn<QString>("found"); // line settings; empty: nothing
        QTest::newRow("stored 2400, strict") << kAt2400 << 0 << "2400,n,8,2";
        QTest::newRow("silent") << TerminalOptions{.silentVersion = true, .silentEeprom = true} << 0
                                << "";
        QTest::newRow("held by another process") << TerminalOptions{} << 1 << "";
        QTest::newRow("stale lock") << TerminalOptions{} << 2 << "9600,n,8,2";
    }
    void scan() {
        QFETCH(TerminalOptions, sim);
        QFETCH(int, holder);
        QFETCH(QString, found);
        PtyTerminal term(sim);
        QVERIFY(term.start());
        QProcess other;
        other.start(QStringLiteral("sleep"), {QString::fromLatin1(holder == 1 ? "30" : "0")});
        QVERIFY(other.waitForStarted());
        const qint64 pid = other.processId();
        if (holder == 2) QVERIFY(other.waitForFinished());
        std::optional<Lock> lock;
        if (holder) lock.emplace(term.slavePath(), pid);

        QElapsedTimer clock;
        clock.start();
        const QList<ScanRow> rows = control::scanPorts({term.slavePath()}, PortCatalogue::system());
        const qint64 ms = clock.elapsed();
        QCOMPARE(rows.size(), 1);
        const ScanRow& row = rows[0];
        QCOMPARE(row.found ? row.found->settings : QString(), found);
        // The firmware the search names is shown by the tool's and the dialog's tests.
        if (row.found)
            QCOMPARE(row.found->eeprom.value(0), QStringLiteral("EEPROM Nr. 1: Vorhanden"));
        QCOMPARE(row.use.busy(), holder == 1);
        if (holder == 1) {
            QCOMPARE(row.use.text(), QStringLiteral("in Benutzung durch sleep (PID %1)").arg(pid));
            other.kill();
            other.waitForFinished();
        }
        // The bound of a silent port, with room for a loaded machine.
        if (found.isEmpty())
            QVERIFY2(ms < control::kSilentPortMs + 1500, qPrintable(QString::number(ms)));
    }

    void dialogStoresOnlyAfterConfirmation_data() {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("declined") << false;
        QTest::newRow("confirmed") << true;
    }
    void dialogStoresOnlyAfterConfirmation() {
        QFETCH(bool, confirm);
        PtyTerminal term(kAt2400);
        QVERIFY(term.start());
        MainWindowFixture f;
        f.port.open();
        PortDialog d(f.port, *f.settings, *f.devices, f.dialogs);
        d.setSearch(control::portSearch(PortCatalogue::system()));
        d.txtDevice->setText(term.slavePath());
        f.dialogs.answers << (confirm ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        d.findChild<QPushButton*>(QStringLiteral("cmdSearch"))->click();
        QCOMPARE(f.dialogs.shown.size(), 1);
        QVERIFY2(f.dialogs.shown[0].text.contains(QLatin1String("2400,n,8,2, Firmware 1.80")),
                 qPrintable(f.dialogs.shown[0].text));
        QCOMPARE(f.settings->read(SettingsStore::kLineSettings),
                 confirm ? QStringLiteral("2400,n,8,2") : QString());
        QCOMPARE(f.settings->portDevice(1), confirm ? term.slavePath() : QString());
        QCOMPARE(f.port.settings(), confirm ? QStringLiteral("2400,n,8,2") : "9600,n,8,2");
        QCOMPARE(d.result(), int(confirm ? QDialog::Accepted : QDialog::Rejected));
    }

    // The tool's search keeps a lone terminal's settings and port for the next runs.
    void commandLineScanUse() {
        PtyTerminal term(kAt2400);
        QVERIFY(term.start());
        QTemporaryDir config;
        QVERIFY(QDir(config.path()).mkpath(QStringLiteral("ZEPTAL32")));
        const CliRun r =
            CliRunner(config.path()).run({"scan", "--port", term.slavePath(), "--use"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(term.slavePath() + ": Pultino mit 2400,n,8,2, Firmware 1.80"),
                 qPrintable(r.out));
        QFile ini(config.filePath(QStringLiteral("ZEPTAL32/ZEPTAL32.ini")));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("Einstellungen=\"2400,n,8,2\""));
    }
};

QTEST_MAIN(TestFinding)
#include "tst_finding.moc"
