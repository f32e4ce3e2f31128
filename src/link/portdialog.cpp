#include "link/portdialog.h"

#include "core/dialogs.h"
#include "core/settings.h"
#include "link/devicemap.h"
#include "link/linesettings.h"
#include "link/serialport.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QLabel* label(const QString& text, const QString& name, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QComboBox* combo(const QString& name, const QStringList& items, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->setAccessibleName(name);
    c->addItems(items);
    c->setCurrentIndex(-1);
    return c;
}

} // namespace

PortDialog::PortDialog(SerialPort& port, SettingsStore& settings, DeviceMap& devices,
                       Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), port_(port), settings_(settings), devices_(devices), dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("COM-Anschluß-Einstellungen"));
    setModal(true);

    auto* tabSettings = new QTabWidget(this);
    tabSettings->setObjectName(QStringLiteral("tabSettings"));
    tabSettings->setAccessibleName(tabSettings->objectName());
    auto* fraSettings = new QGroupBox(QStringLiteral("Einstellungen"));
    fraSettings->setObjectName(QStringLiteral("fraSettings"));
    tabSettings->addTab(fraSettings, QStringLiteral("Einstellungen"));

    QStringList ports;
    for (int i = 1; i <= 16; ++i)
        ports << QStringLiteral("Com%1").arg(i);
    cboPort = combo(QStringLiteral("cboPort"), ports, fraSettings);
    txtDevice = new QLineEdit(fraSettings);
    txtDevice->setObjectName(QStringLiteral("txtDevice"));
    txtDevice->setAccessibleName(QStringLiteral("txtDevice"));
    txtDevice->setToolTip(
        QStringLiteral("Gerät dieser Schnittstelle, z.B. /dev/ttyUSB0 oder /dev/serial/by-id/..."));

    auto* Frame1 = new QGroupBox(QStringLiteral("Maximale Geschwindigkeit"), fraSettings);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    cboSpeed = combo(QStringLiteral("cboSpeed"),
                     {"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                      "28800", "38400", "56000", "57600", "115200", "128000", "256000"},
                     Frame1);
    cboSpeed->setEditable(true);
    (new QVBoxLayout(Frame1))->addWidget(cboSpeed);

    auto* fraConnection = new QGroupBox(QStringLiteral("Übertragungsformat"), fraSettings);
    fraConnection->setObjectName(QStringLiteral("fraConnection"));
    cboDataBits = combo(QStringLiteral("cboDataBits"), {"4", "5", "6", "7", "8"}, fraConnection);
    cboParity =
        combo(QStringLiteral("cboParity"), {"Even", "Odd", "None", "Mark", "Space"}, fraConnection);
    cboStopBits = combo(QStringLiteral("cboStopBits"), {"1", "1.5", "2"}, fraConnection);
    auto* connLayout = new QGridLayout(fraConnection);
    connLayout->addWidget(
        label(QStringLiteral("Datenbits:"), QStringLiteral("Label3"), fraConnection), 0, 0);
    connLayout->addWidget(cboDataBits, 0, 1);
    connLayout->addWidget(
        label(QStringLiteral("Parität:"), QStringLiteral("Label4"), fraConnection), 1, 0);
    connLayout->addWidget(cboParity, 1, 1);
    connLayout->addWidget(
        label(QStringLiteral("Stopbits:"), QStringLiteral("Label5"), fraConnection), 2, 0);
    connLayout->addWidget(cboStopBits, 2, 1);

    auto* Frame5 = new QGroupBox(QStringLiteral("&Protokoll"), fraSettings);
    Frame5->setObjectName(QStringLiteral("Frame5"));
    auto* flowLayout = new QVBoxLayout(Frame5);
    const QStringList flows = {"Kein", "Xon/Xoff", "RTS", "Xon/RTS"};
    for (int i = 0; i < 4; ++i) {
        optFlow[i] = new QRadioButton(flows[i], Frame5);
        optFlow[i]->setObjectName(QStringLiteral("optFlow_%1").arg(i));
        flowLayout->addWidget(optFlow[i]);
        connect(optFlow[i], &QRadioButton::clicked, this, [this, i] { optFlow_Click(i); });
    }
    auto* Frame7 = new QGroupBox(QStringLiteral("&Echo"), fraSettings);
    Frame7->setObjectName(QStringLiteral("Frame7"));
    auto* echoLayout = new QVBoxLayout(Frame7);
    const QStringList echoes = {"Aus", "Ein"};
    for (int i = 0; i < 2; ++i) {
        optEcho[i] = new QRadioButton(echoes[i], Frame7);
        optEcho[i]->setObjectName(QStringLiteral("optEcho_%1").arg(i));
        echoLayout->addWidget(optEcho[i]);
        connect(optEcho[i], &QRadioButton::clicked, this, [this, i] { optEcho_Click(i); });
    }

    // Without it, a frame inside the settings frame is announced by the outer title.
    for (QGroupBox* frame : {Frame1, fraConnection, Frame5, Frame7})
        frame->setAccessibleName(frame->title().remove(QLatin1Char('&')));

    auto* grid = new QGridLayout(fraSettings);
    grid->addWidget(label(QStringLiteral("Anschluß:"), QStringLiteral("Label1"), fraSettings), 0,
                    0);
    grid->addWidget(cboPort, 0, 1);
    grid->addWidget(Frame1, 1, 0, 1, 2);
    grid->addWidget(fraConnection, 2, 0, 1, 2);
    grid->addWidget(Frame5, 0, 2, 2, 1);
    grid->addWidget(Frame7, 2, 2);
    // A row of its own across the whole width: a device path is long, and no frame may cover it.
    grid->addWidget(label(QStringLiteral("Gerät:"), QStringLiteral("lblDevice"), fraSettings), 3,
                    0);
    grid->addWidget(txtDevice, 3, 1, 1, 2);

    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto* cmdCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &PortDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &PortDialog::cmdCancel_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* top = new QVBoxLayout(this);
    top->addWidget(tabSettings);
    top->addLayout(buttons);

    connect(cboPort, &QComboBox::currentIndexChanged, this,
            [this](int index) { showDeviceOf(index + 1); });

    LoadPropertySettings();
}

void PortDialog::showDeviceOf(int number) {
    shownDevice_ = devices_.device(number);
    txtDevice->setText(shownDevice_);
}

void PortDialog::LoadPropertySettings() {
    const SettingsFields f = splitSettingsFromEnd(port_.settings());
    cboSpeed->setCurrentText(f.speed);
    if (f.parityIndex >= 0) cboParity->setCurrentIndex(f.parityIndex);
    cboDataBits->setCurrentIndex(cboDataBits->findText(f.dataBits));
    cboStopBits->setCurrentIndex(cboStopBits->findText(f.stopBits));
    cboPort->setCurrentIndex(port_.portNumber() - 1);
    showDeviceOf(port_.portNumber());
    const int flow = port_.handshaking();
    if (flow >= 0 && flow < 4) {
        optFlow[flow]->setChecked(true);
        optFlow_Click(flow);
    }
    optEcho[0]->setChecked(true);
    optEcho_Click(0);
}

void PortDialog::warn(const QString& text) {
    dialogs_.message(text, kAppTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

void PortDialog::cmdOK_Click() {
    // Port number, and the device behind it when the user typed another one.
    const int oldNumber = port_.portNumber();
    const int newNumber = cboPort->currentIndex() + 1;
    const QString device = txtDevice->text().trimmed();
    const bool deviceChanged = !device.isEmpty() && device != shownDevice_;
    if (deviceChanged && !DeviceMap::usableDevice(device)) {
        warn(QStringLiteral("\"%1\" ist kein gültiger Gerätename.").arg(device));
        return;
    }
    if (newNumber != oldNumber || deviceChanged) {
        const bool wasOpen = port_.isOpen();
        const QString oldStored = settings_.portDevice(newNumber);
        if (deviceChanged) devices_.store(newNumber, device);
        port_.close();
        bool ok = port_.setPortNumber(newNumber);
        if (ok) ok = port_.open();
        if (!ok) {
            warn(port_.errorString());
            if (deviceChanged) settings_.setPortDevice(newNumber, oldStored);
            port_.setPortNumber(oldNumber);
            // Leave the connection as it was rather than silently closed.
            if (wasOpen) port_.open();
            return;
        }
    }

    const QString settings =
        QStringList{cboSpeed->currentText().trimmed(), cboParity->currentText().left(1),
                    cboDataBits->currentText().trimmed(), cboStopBits->currentText().trimmed()}
            .join(QLatin1Char(','));
    if (!port_.setSettings(settings)) {
        warn(port_.errorString());
        return;
    }
    if (!port_.setHandshaking(handshaking_)) {
        warn(port_.errorString());
        return;
    }
    settings_.write(SettingsStore::kLineSettings, port_.settings());
    settings_.write(SettingsStore::kComPort, QString::number(port_.portNumber()));
    settings_.write(SettingsStore::kHandshaking, QString::number(port_.handshaking()));
    settings_.write(SettingsStore::kEcho, SettingsStore::boolText(echo_));
    // OK always leaves the port open if it can be opened: a port that was lost comes back
    // under the same number and device without a restart.
    if (!port_.isOpen() && !port_.open()) warn(port_.errorString());
    accept();
}
