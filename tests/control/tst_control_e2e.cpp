#include "controlwindow.h"

#include "link/qtserialport.h"
#include "sim/ptyterminal.h"

#include <QLabel>

namespace {

QString padded(const QString& text, int columns) {
    return text.leftJustified(columns, QLatin1Char(' '), true);
}

// The real main window on the real serial port class, opened on the simulated terminal's pty.
struct PtyWindow {
    PtyTerminal term;
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<DeviceMap> devices;
    std::unique_ptr<QtSerialPort> port;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;

    explicit PtyWindow(const TerminalOptions& options = {}) : term(options) {}

    bool start() {
        QString error;
        if (!term.start(&error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        auto& flags = LinkFlags::instance();
        flags.setAbortRequested(false);
        flags.keyCaptureActive = false;
        flags.showReceivedData = true;
        settings = std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("ZEPTAL32.ini")));
        devices = std::make_unique<DeviceMap>(*settings);
        devices->bindTemporarily(1, term.slavePath());
        port = std::make_unique<QtSerialPort>([this](int n) { return devices->device(n); });
        window = std::make_unique<MainWindow>(*port, dialogs, *settings, *devices);
        window->quit = [] {};
        addControlPages(*window);
        window->startUp();
        window->show();
        return port->isOpen();
    }

    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }
    void click(const QString& name) { find<QPushButton>(name)->click(); }
    void showTab(int index) { find<QTabBar>(QStringLiteral("TabStrip1"))->setCurrentIndex(index); }
    void select(const QString& list, int index, void (MainWindow::*handler)()) {
        find<QComboBox>(list)->setCurrentIndex(index);
        (window.get()->*handler)();
    }
};

} // namespace

class TestControlEndToEnd : public QObject {
    Q_OBJECT
  private slots:
    void textAndCursor();
    void queries_data();
    void queries();
    void storeSpeedAndDisplayType();
    void freeCommandAndBusAddress();
};

void TestControlEndToEnd::textAndCursor() {
    PtyWindow p;
    QVERIFY(p.start());
    p.showTab(1);
    const QStringList fields = {"Hallo Pultino", "", QStringLiteral("Grüße"), " "};
    for (int i = 0; i < 4; ++i)
        p.find<QLineEdit>(QStringLiteral("txtOutput_%1").arg(i))->setText(fields[i]);
    p.click("cmdSendTextOutput");
    QStringList expected;
    for (const QString& f : fields)
        expected.append(padded(f, 20));
    QTRY_COMPARE(p.term.snapshot().rowsText(), expected);

    auto* rows = p.find<QComboBox>("lstRow");
    auto* cols = p.find<QComboBox>("lstCol");
    for (int col : {11, 10, 19, 0}) {
        rows->setCurrentIndex(col % 4);
        cols->setCurrentIndex(col);
        p.click("cmdCursorSet");
        QTRY_COMPARE(p.term.snapshot().cursorColumn, col);
        QCOMPARE(p.term.snapshot().cursorRow, col % 4);
    }
    p.click("cmdCursorEin");
    QTRY_VERIFY(p.term.snapshot().cursorOn);
    p.click("cmdCursorAus");
    QTRY_VERIFY(!p.term.snapshot().cursorOn);
    p.click("cmdClearDisplay");
    QTRY_COMPARE(p.term.snapshot().rowsText(), QStringList(4, padded(QString(), 20)));
}

void TestControlEndToEnd::queries_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("startsWith");
    const QString cr(QChar(13));
    QTest::newRow("version") << ""
                             << "cmdGetVersion"
                             << "Die Firmware-Version ist 1.80.";
    QTest::newRow("version, old firmware")
        << "silentVersion"
        << "cmdGetVersion"
        << "Das Pultino hat auf die Versionsabfrage nicht reagiert.";
    QTest::newRow("version, only B") << "shortVersionReply"
                                     << "cmdGetVersion"
                                     << "Das Pultino hat auf die Versionsabfrage nicht reagiert.";
    QTest::newRow("EEPROM") << ""
                            << "cmdGetEEPROMInfo"
                            << "EEPROM Nr. 1: Vorhanden" + cr +
                                   "EEPROM Nr. 2: NICHT vorhanden oder defekt" + cr +
                                   "EEPROM Nr. 3: NICHT vorhanden oder defekt" + cr;
    QTest::newRow("EEPROM, old firmware")
        << "silentEeprom"
        << "cmdGetEEPROMInfo"
        << "Das Pultino hat auf die EEPROM-Informationsabfrage nicht reagiert.";
}

void TestControlEndToEnd::queries() {
    QFETCH(QString, fault);
    QFETCH(QString, button);
    QFETCH(QString, startsWith);
    TerminalOptions options;
    options.silentVersion = fault == "silentVersion";
    options.shortVersionReply = fault == "shortVersionReply";
    options.silentEeprom = fault == "silentEeprom";
    PtyWindow p(options);
    QVERIFY(p.start());
    p.click(button);
    QCOMPARE(p.dialogs.shown.size(), 1);
    QVERIFY2(p.dialogs.shown[0].text.startsWith(startsWith), qPrintable(p.dialogs.shown[0].text));
    QCOMPARE(p.find<QLabel>("lblReceiveData")->text(), QString());
    QTRY_VERIFY(p.window->centralWidget()->isEnabled());
}

void TestControlEndToEnd::storeSpeedAndDisplayType() {
    PtyWindow p;
    QVERIFY(p.start());
    p.select("cboBaudrate", 1, &MainWindow::cboBaudrate_Click);
    p.click("cmdSendBaudrate");
    QVERIFY(p.dialogs.shown.isEmpty());
    QVERIFY(p.port->isOpen());
    QCOMPARE(p.port->settings(), QString("4800,n,8,2"));
    QTRY_COMPARE(p.term.snapshot().speedCode, 1);
    QTRY_COMPARE(p.term.snapshot().rowsText().value(0), padded("4800,n,8,2", 20));

    p.select("cboDisplaytype", 3, &MainWindow::cboDisplaytype_Click); // 16x4
    p.click("cmdSendDisplayType");
    QTRY_COMPARE(p.term.snapshot().displayCode, 2);
    QTRY_COMPARE(p.term.snapshot().rowsText().value(0), padded("16x4 Display", 16));
}

void TestControlEndToEnd::freeCommandAndBusAddress() {
    PtyWindow p;
    QVERIFY(p.start());
    auto* field = p.find<QLineEdit>("txtSendCommandText");
    p.click("cmdSelectControlChar");
    field->insert("&C");
    p.click("cmdSendCommandText");
    QTRY_VERIFY(p.term.snapshot().cursorOn);

    auto* bus = p.find<QComboBox>("lstBusAddress");
    bus->setCurrentIndex(6); // address 5, not this terminal
    p.click("cmdBusAddress");
    QTRY_VERIFY(!p.term.snapshot().selected);
    bus->setCurrentIndex(0);
    p.click("cmdBusAddress");
    QTRY_VERIFY(p.term.snapshot().selected);
}

QTEST_MAIN(TestControlEndToEnd)
#include "tst_control_e2e.moc"
