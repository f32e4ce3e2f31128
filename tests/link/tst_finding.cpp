// Finding a terminal: names of adapters, ports held by others, the search at four speeds.
#include "clirunner.h"
#include "control/portscan.h"
#include "link/portdialog.h"
#include "link/qtserialport.h"
#include "mainwindowfixture.h"
#include "sim/ptyterminal.h"
#include "sim/simoptions.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
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

std::unique_ptr<PtyTerminal> terminal(const QStringList& options) {
    SimulatorCommandLine sim;
    if (!parseSimulatorArguments(QStringList{QStringLiteral("pultino-sim")} + options, &sim,
                                 nullptr))
        return nullptr;
    auto t = std::make_unique<PtyTerminal>(sim.terminal);
    return t->start() ? std::move(t) : nullptr;
}

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
        auto term = terminal({});
        QVERIFY(term);
        const QString path = term->slavePath();
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(path, link));
        FakePortCatalogue catalogue;
        PortInfo pultino;
        pultino.device = path;
        pultino.byId = kById + "usb-FTDI_Pultino_PULT0001-if00-port0";
        pultino.serialNumber = QStringLiteral("PULT0001");
        catalogue.table << pultino;
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
        QTest::addColumn<QStringList>("sim"); // options of the simulated terminal
        QTest::addColumn<int>("holder");      // 0 none, 1 a live process, 2 one that has ended
        QTest::addColumn<QString>("found");   // line settings; empty: nothing
        QTest::newRow("stored 2400, strict")
            << QStringList{"--speed", "2400", "--strict-speed"} << 0 << "2400,n,8,2";
        QTest::newRow("silent") << QStringList{"--old-firmware"} << 0 << "";
        QTest::newRow("held by another process") << QStringList{} << 1 << "";
        QTest::newRow("stale lock") << QStringList{} << 2 << "9600,n,8,2";
    }
    void scan() {
        QFETCH(QStringList, sim);
        QFETCH(int, holder);
        QFETCH(QString, found);
        auto term = terminal(sim);
        QVERIFY(term);
        QProcess other;
        other.start(QStringLiteral("sleep"), {QString::fromLatin1(holder == 1 ? "30" : "0")});
        QVERIFY(other.waitForStarted());
        const qint64 pid = other.processId();
        if (holder == 2) QVERIFY(other.waitForFinished());
        std::optional<Lock> lock;
        if (holder) lock.emplace(term->slavePath(), pid);

        QElapsedTimer clock;
        clock.start();
        const QList<ScanRow> rows =
            control::scanPorts({term->slavePath()}, PortCatalogue::system());
        const qint64 ms = clock.elapsed();
        QCOMPARE(rows.size(), 1);
        const ScanRow& row = rows[0];
        QCOMPARE(row.found ? row.found->settings : QString(), found);
        if (row.found) {
            QCOMPARE(row.found->firmware, QStringLiteral("1.80"));
            QCOMPARE(row.found->eeprom.value(0), QStringLiteral("EEPROM Nr. 1: Vorhanden"));
        }
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
        auto term = terminal(
            {QStringLiteral("--speed"), QStringLiteral("4800"), QStringLiteral("--strict-speed")});
        QVERIFY(term);
        MainWindowFixture f;
        f.port.open();
        PortDialog d(f.port, *f.settings, *f.devices, f.dialogs);
        d.setSearch(control::portSearch(PortCatalogue::system()));
        d.txtDevice->setText(term->slavePath());
        f.dialogs.answers << (confirm ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        d.findChild<QPushButton*>(QStringLiteral("cmdSearch"))->click();
        QCOMPARE(f.dialogs.shown.size(), 1);
        QVERIFY2(f.dialogs.shown[0].text.contains(QLatin1String("4800,n,8,2, Firmware 1.80")),
                 qPrintable(f.dialogs.shown[0].text));
        QCOMPARE(f.settings->read(SettingsStore::kLineSettings),
                 confirm ? QStringLiteral("4800,n,8,2") : QString());
        QCOMPARE(f.settings->portDevice(1), confirm ? term->slavePath() : QString());
        QCOMPARE(f.port.settings(), confirm ? QStringLiteral("4800,n,8,2") : "9600,n,8,2");
        QCOMPARE(d.result(), int(confirm ? QDialog::Accepted : QDialog::Rejected));
    }

    // The tool's own calls: exit codes, what goes to stdout, what --use keeps.
    void commandLine_data() {
        QTest::addColumn<QStringList>("sim"); // the terminal at "PTY"
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");    // a piece of stdout
        QTest::addColumn<QString>("err");    // a piece of stderr
        QTest::addColumn<QString>("stored"); // a piece of the settings file
        const QStringList at2400{"--speed", "2400", "--strict-speed"};
        QTest::newRow("scan --use") << at2400 << QStringList{"scan", "--port", "PTY", "--use"} << 0
                                    << "PTY: Pultino mit 2400,n,8,2, Firmware 1.80"
                                    << ""
                                    << "Einstellungen=\"2400,n,8,2\"";
        QTest::newRow("no answer at 9600 points to the search")
            << at2400 << QStringList{"--port", "PTY", "--baud", "9600", "version"} << 1 << ""
            << "oder zeptal32-cli scan."
            << "";
    }
    void commandLine() {
        QFETCH(QStringList, sim);
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QString, stored);
        auto term = terminal(sim);
        QVERIFY(term);
        const QString pty = term->slavePath();
        QTemporaryDir config;
        QVERIFY(QDir(config.path()).mkpath(QStringLiteral("ZEPTAL32")));
        const CliRun r =
            CliRunner(config.path()).run(args.replaceInStrings(QStringLiteral("PTY"), pty));
        QTEST(r.code, "code");
        QFile ini(config.filePath(QStringLiteral("ZEPTAL32/ZEPTAL32.ini")));
        const QString kept = ini.open(QIODevice::ReadOnly) ? QString::fromUtf8(ini.readAll()) : "";
        QVERIFY2(r.out.contains(out.replace(QStringLiteral("PTY"), pty)), qPrintable(r.out));
        QVERIFY2(r.err.contains(err.replace(QStringLiteral("PTY"), pty)), qPrintable(r.err));
        QVERIFY2(kept.contains(stored), qPrintable(kept));
    }
};

QTEST_MAIN(TestFinding)
#include "tst_finding.moc"
