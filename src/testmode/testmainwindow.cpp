#include "testmode/testmainwindow.h"

#include "control/portscan.h"
#include "core/dialogs.h"
#include "core/settings.h"
#include "link/commandexchange.h"
#include "link/flags.h"
#include "link/portdialog.h"
#include "link/portlost.h"
#include "link/receivehandler.h"
#include "link/serialport.h"
#include "testmode/progressform.h"
#include "testmode/testsequence.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

namespace {

const QString kPortError = QStringLiteral("Schnittstellenfehler");

// Every geometry the terminal has a code for, and 8 columns for the smallest display.
constexpr int kColumns[] = {8, 16, 20, 24, 32, 40};
constexpr int kRows[] = {1, 2, 4};

QPushButton* button(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    return b;
}

QComboBox* list(QWidget* parent, const char* name, QRect geometry) {
    auto* l = new QComboBox(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setAccessibleName(l->objectName());
    l->setGeometry(geometry);
    return l;
}

} // namespace

TestMainWindow::TestMainWindow(SerialPort& port, Dialogs& dialogs, SettingsStore& settings,
                               DeviceMap& devices, QWidget* parent)
    : QMainWindow(parent), port_(port), dialogs_(dialogs), settings_(settings), devices_(devices),
      receiver_(new ReceiveHandler(port, this)),
      exchange_(new CommandExchange(*receiver_, dialogs, this)) {
    setObjectName(QStringLiteral("frmTestMain"));
    setWindowTitle(QStringLiteral("PT Test und Initialisierung"));
    auto* central = new QWidget(this);
    setCentralWidget(central);
    cmbPTCols = list(central, "cmbPTCols", QRect(12, 12, 70, 26));
    auto* label1 = new QLabel(QStringLiteral("X"), central);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setAlignment(Qt::AlignCenter);
    label1->setGeometry(82, 12, 24, 26);
    cmbPTRows = list(central, "cmbPTRows", QRect(106, 12, 70, 26));
    for (int c : kColumns)
        cmbPTCols->addItem(QString::number(c));
    for (int r : kRows)
        cmbPTRows->addItem(QString::number(r));
    connect(cmbPTCols, &QComboBox::activated, this, [this] { cmbPTCols_Click(); });
    connect(cmbPTRows, &QComboBox::activated, this, [this] { cmbPTRows_Click(); });
    StartCommand =
        button(central, "StartCommand", QStringLiteral("Starte Tests"), QRect(190, 12, 140, 28));
    DemoCommand =
        button(central, "DemoCommand", QStringLiteral("Demo-Text"), QRect(190, 46, 140, 28));
    CommProps =
        button(central, "CommProps", QStringLiteral("COM Einstellungen"), QRect(12, 46, 164, 28));
    DoneTesting =
        button(central, "DoneTesting", QStringLiteral("Programmende"), QRect(190, 80, 140, 28));
    connect(StartCommand, &QPushButton::clicked, this, &TestMainWindow::StartCommand_Click);
    connect(DemoCommand, &QPushButton::clicked, this, &TestMainWindow::DemoCommand_Click);
    connect(CommProps, &QPushButton::clicked, this, &TestMainWindow::CommProps_Click);
    connect(DoneTesting, &QPushButton::clicked, this, &TestMainWindow::DoneTesting_Click);
    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    setStatusBar(bar);
    setFixedSize(342, 150);
    // Between runs a vanished port is told at once; during a run the run reports it.
    connect(&port_, &SerialPort::lost, this, [this] {
        updateStatus();
        if (!progress_) dialogs_.message(portLostMessage(port_), kAppTitle);
    });
}

TestMainWindow::~TestMainWindow() = default;

void TestMainWindow::startUp() {
    TestRows = 0;
    TestCols = 0;
    cmbPTRows->setCurrentIndex(2);
    cmbPTRows_Click();
    cmbPTCols->setCurrentIndex(2);
    cmbPTCols_Click();
    LinkFlags::instance().keyCaptureActive = false;

    auto refused = [this] {
        dialogs_.message(port_.errorString(), kAppTitle, Dialogs::Buttons::Ok,
                         Dialogs::Icon::Warning);
    };
    const QString line = settings_.read(SettingsStore::kLineSettings);
    if (!line.isEmpty() && !port_.setSettings(line)) refused();
    const QString com = settings_.read(SettingsStore::kComPort);
    if (!com.isEmpty() && !port_.setPortNumber(com.trimmed().toInt())) refused();
    const QString handshaking = settings_.read(SettingsStore::kHandshaking);
    if (!handshaking.isEmpty() && !port_.setHandshaking(handshaking.trimmed().toInt())) refused();

    openPort();
    if (!port_.isOpen()) {
        dialogs_.message(QStringLiteral("Schnittstelle COM%1 wird bereits verwendet.\rBitte alle "
                                        "anderen Programme schließen und Schnittstelle ggf. im "
                                        "folgenden Disolg anpassen!")
                             .arg(port_.portNumber()),
                         kPortError);
        CommProps_Click();
        openPort();
        if (!port_.isOpen())
            dialogs_.message(QStringLiteral("Schnittstelle COM%1 konnte nicht geöffnet werden.\r"
                                            "Bitte beenden Sie das Programm und beheben Sie das "
                                            "Problem.")
                                 .arg(port_.portNumber()),
                             kPortError);
    }
    updateStatus();
}

void TestMainWindow::openPort() {
    if (!port_.isOpen()) port_.open();
}

QString TestMainWindow::statusText() const {
    return statusBar()->currentMessage();
}

void TestMainWindow::updateStatus() {
    statusBar()->showMessage(
        port_.isOpen() ? QStringLiteral("COM%1: %2").arg(port_.portNumber()).arg(port_.settings())
                       : QStringLiteral("Schnittstelle inaktiv. Keine Verbindung zum PT/BX."));
}

void TestMainWindow::cmbPTCols_Click() {
    TestCols = cmbPTCols->currentText().toInt();
}

void TestMainWindow::cmbPTRows_Click() {
    TestRows = cmbPTRows->currentText().toInt();
}

void TestMainWindow::StartCommand_Click() {
    port_.close();
    port_.open();
    updateStatus();
    if (!port_.isOpen()) {
        dialogs_.message(QStringLiteral("COM Port konnte nicht geöffnet werden.\rCOM%1 wird evtl. "
                                        "bereits von einem anderen Programm verwendet")
                             .arg(port_.portNumber()),
                         kAppTitle);
        return;
    }
    ProgressForm form(*exchange_, *receiver_, dialogs_, {TestCols, TestRows}, this);
    progress_ = &form;
    form.exec();
    progress_ = nullptr;
    updateStatus();
    if (closeAfterRun_) close();
}

void TestMainWindow::DemoCommand_Click() {
    port_.write(testmode::demoText(TestCols, TestRows));
}

void TestMainWindow::CommProps_Click() {
    PortDialog dialog(port_, settings_, devices_, dialogs_, this);
    dialog.setSearch(control::portSearch(PortCatalogue::system()));
    dialog.exec();
    updateStatus();
}

void TestMainWindow::DoneTesting_Click() {
    close();
}

void TestMainWindow::closeEvent(QCloseEvent* event) {
    // Leaving during a run ends the run first; the window closes when it has.
    if (progress_) {
        closeAfterRun_ = true;
        progress_->requestClose();
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
