#include "control/devicepanel.h"

#include "core/forms.h"

#include "control/controllogic.h"
#include "control/controlops.h"
#include "core/commands.h"
#include "core/dialogs.h"
#include "core/displaytypes.h"
#include "link/commandexchange.h"
#include "link/pagehost.h"
#include "link/portlost.h"
#include "link/serialport.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace {

// A query on a port that is gone gets no guessed terminal fault: a port closed all along is
// named here, a loss during the wait has been told by the main window the moment it happened.
bool portGone(PageHost& host, bool wasOpen) {
    if (host.exchange().lastEnd() != CommandExchange::WaitEnd::PortLost) return false;
    if (!wasOpen) host.dialogs().message(portLostMessage(host.port()), kAppTitle);
    return true;
}

using forms::button;
using forms::frame;

// The code the terminal knows the selected display type by: the item's data, or else the
// table entry of the item's text.
int displayCode(const QComboBox& list) {
    bool ok = false;
    const int code = list.currentData().toInt(&ok);
    if (ok) return code;
    const QString text = list.currentText();
    for (const DisplayType& type : kDisplayTypes)
        if (text == QLatin1String(type.text)) return type.code;
    return 0;
}

int speedCode(const QComboBox& list) {
    bool ok = false;
    const int code = list.currentData().toInt(&ok);
    return ok ? code : list.currentIndex();
}

bool isEnter(const QKeyEvent& key) {
    return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
           (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

DevicePanel::DevicePanel(PageHost& host, QComboBox* cboBaudrate, QComboBox* cboDisplaytype,
                         QWidget* settingsPage)
    : QObject(settingsPage), host_(host), cboBaudrate_(cboBaudrate),
      cboDisplaytype_(cboDisplaytype), page_(settingsPage) {
    setObjectName(QStringLiteral("DevicePanel"));

    Frame4 = frame(page_, "Frame4", QStringLiteral("Pultino-Einstellungen"), {8, 150, 300, 120});
    cmdSendBaudrate = button(
        Frame4, "cmdSendBaudrate", QStringLiteral("Pultino auf 9600,n,8,2 konfigurieren"),
        QStringLiteral("Klicken Sie hier, um die angegebene Baudrate im Pultino abzuspeichern."),
        {12, 22, 276, 28});
    cmdSendDisplayType = button(
        Frame4, "cmdSendDisplayType", QStringLiteral("Pultino für ??x? Display konfigurieren"),
        QStringLiteral("Klicken Sie hier, um die angegebene Auflösung im Pultino abzuspeichern."),
        {12, 54, 276, 28});

    Frame6 = frame(page_, "Frame6", QStringLiteral("Erweiterte Funktionen"), {316, 150, 304, 120});
    cmdGetVersion = button(Frame6, "cmdGetVersion", QStringLiteral("Firmware-Version abfragen"),
                           QString(), {12, 22, 280, 28});
    cmdGetEEPROMInfo =
        button(Frame6, "cmdGetEEPROMInfo", QStringLiteral("EEPROM-Information abfragen"),
               QStringLiteral("Klicken Sie hier, um Informationen über das/die "
                              "EEPROM(s) auf dem Pultino abzufragen."),
               {12, 54, 280, 28});
    cmdBusAddress = button(Frame6, "cmdBusAddress", QStringLiteral("Bus-Adresse vorgeben"),
                           QStringLiteral("Klicken Sie hier, um im Bus-Mode das rechts angegebene "
                                          "Pultino zu selektieren."),
                           {12, 86, 196, 28});
    lstBusAddress = new QComboBox(Frame6);
    lstBusAddress->setObjectName(QStringLiteral("lstBusAddress"));
    lstBusAddress->setAccessibleName(QStringLiteral("lstBusAddress"));
    lstBusAddress->addItem(QStringLiteral("alle"));
    for (int address = 0; address <= 15; ++address)
        lstBusAddress->addItem(QString::number(address));
    lstBusAddress->setCurrentIndex(0);
    lstBusAddress->setGeometry(214, 86, 78, 28);

    Frame15 = frame(page_, "Frame15", QStringLiteral("Zeichen / Befehl an Pultino senden"),
                    {8, 276, 612, 58});
    txtSendCommandText = new QLineEdit(Frame15);
    txtSendCommandText->setObjectName(QStringLiteral("txtSendCommandText"));
    txtSendCommandText->setAccessibleName(QStringLiteral("txtSendCommandText"));
    txtSendCommandText->setToolTip(QStringLiteral("Geben Sie hier den Text und/oder Befehl ein, "
                                                  "den Sie an das Pultino senden wollen."));
    txtSendCommandText->setGeometry(12, 22, 372, 26);
    txtSendCommandText->installEventFilter(this);
    cmdSendCommandText = button(Frame15, "cmdSendCommandText", QStringLiteral("Senden"),
                                QStringLiteral("Klicken Sie hier, um den Text/Befehl im "
                                               "Eingabefeld an das Pultino zu senden."),
                                {392, 22, 96, 26});
    cmdSelectControlChar = button(Frame15, "cmdSelectControlChar", QStringLiteral("ESC einfügen"),
                                  QStringLiteral("Klicken Sie hier, um ein ESC-Zeichen in das "
                                                 "Eingabefeld einzufügen."),
                                  {496, 22, 104, 26});

    // Never seen and never focused; Enter anywhere in the window reaches it (see eventFilter).
    cmdDummyDefault = button(page_, "cmdDummyDefault", QStringLiteral("Dummy-Default"), QString(),
                             {8, 150, 90, 23});
    cmdDummyDefault->setFocusPolicy(Qt::NoFocus);
    cmdDummyDefault->setDefault(true);
    cmdDummyDefault->hide();
    // A main window has no dialog default-button handling, so Enter is caught once no widget
    // of the window has taken it for itself.
    qApp->installEventFilter(this);

    connect(cmdSendBaudrate, &QPushButton::clicked, this, &DevicePanel::cmdSendBaudrate_Click);
    connect(cmdSendDisplayType, &QPushButton::clicked, this,
            &DevicePanel::cmdSendDisplayType_Click);
    connect(cmdGetVersion, &QPushButton::clicked, this, &DevicePanel::cmdGetVersion_Click);
    connect(cmdGetEEPROMInfo, &QPushButton::clicked, this, &DevicePanel::cmdGetEEPROMInfo_Click);
    connect(cmdBusAddress, &QPushButton::clicked, this, &DevicePanel::cmdBusAddress_Click);
    connect(cmdSendCommandText, &QPushButton::clicked, this,
            &DevicePanel::cmdSendCommandText_Click);
    connect(cmdSelectControlChar, &QPushButton::clicked, this,
            &DevicePanel::cmdSelectControlChar_Click);
    connect(cmdDummyDefault, &QPushButton::clicked, this, &DevicePanel::cmdDummyDefault_Click);
}

bool DevicePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtSendCommandText && event->type() == QEvent::FocusOut) {
        savedSelectionStart_ = txtSendCommandText->hasSelectedText()
                                   ? txtSendCommandText->selectionStart()
                                   : txtSendCommandText->cursorPosition();
        savedSelectionLength_ = static_cast<int>(txtSendCommandText->selectedText().size());
    } else if (event->type() == QEvent::KeyPress && watched == page_->window() &&
               isEnter(*static_cast<QKeyEvent*>(event)) && cmdDummyDefault->isEnabled()) {
        // The key has travelled up from the focus widget unused: the default button takes it.
        cmdDummyDefault->click();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void DevicePanel::cmdSendBaudrate_Click() {
    if (cboBaudrate_->currentIndex() < 0) return;
    StatusScope status(host_, QStringLiteral("Schnittstellenkonfiguration am Pultino..."));
    QStringList speeds;
    for (int k = 0; k < std::min(4, cboBaudrate_->count()); ++k)
        speeds.append(cboBaudrate_->itemText(k));
    if (!control::storeSpeedAtAllRates(host_.port(), speeds, speedCode(*cboBaudrate_),
                                       cboBaudrate_->currentText()))
        host_.dialogs().message(control::kReopenFailed, kAppTitle);
}

void DevicePanel::cmdSendDisplayType_Click() {
    if (cboDisplaytype_->currentIndex() < 0) return;
    StatusScope status(host_, QStringLiteral("Displaykonfiguration am Pultino..."));
    control::storeDisplayType(host_.port(), displayCode(*cboDisplaytype_),
                              cboDisplaytype_->currentText());
}

void DevicePanel::cmdGetVersion_Click() {
    StatusScope status(host_, QStringLiteral("Versionsabfrage..."));
    const bool wasOpen = host_.port().isOpen();
    const QByteArray reply = control::queryVersion(host_.exchange()).reply;
    host_.clearReceiveMonitor();
    if (reply.isEmpty() && portGone(host_, wasOpen)) return;
    const control::Message message = control::versionMessage(reply);
    host_.dialogs().message(message.text, message.title);
}

void DevicePanel::cmdGetEEPROMInfo_Click() {
    StatusScope status(host_, QStringLiteral("EEPROM-Information abfragen..."));
    const bool wasOpen = host_.port().isOpen();
    const QByteArray reply = control::queryEeprom(host_.exchange()).reply;
    host_.clearReceiveMonitor();
    if (reply.isEmpty() && portGone(host_, wasOpen)) return;
    const control::Message message = control::eepromMessage(reply);
    host_.dialogs().message(message.text, message.title);
}

void DevicePanel::cmdBusAddress_Click() {
    control::selectBusAddress(host_.port(), lstBusAddress->currentIndex());
}

void DevicePanel::cmdSendCommandText_Click() {
    control::sendCommandText(host_.port(), txtSendCommandText->text());
}

void DevicePanel::cmdSelectControlChar_Click() {
    QLineEdit* field = txtSendCommandText;
    // Clicking the button took the focus and with it the field's selection; put it back.
    if (!field->hasFocus() && savedSelectionLength_ > 0 &&
        savedSelectionStart_ + savedSelectionLength_ <= field->text().size())
        field->setSelection(savedSelectionStart_, savedSelectionLength_);
    field->insert(QString(QChar(cmd::ESC)));
    field->setFocus();
}

void DevicePanel::cmdDummyDefault_Click() {
    QWidget* window = page_->window();
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    QCoreApplication::sendEvent(window->focusWidget() ? window->focusWidget() : window, &release);
}
