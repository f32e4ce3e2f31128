#include "keyboard/keyboardpage.h"

#include "core/commands.h"
#include "core/dialogs.h"
#include "core/forms.h"
#include "core/twips.h"
#include "keyboard/keyboardops.h"
#include "link/flags.h"
#include "link/pagehost.h"
#include "link/portlost.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTimer>

namespace {

// Every text the page shows.
namespace text {
const auto pageTitle = QStringLiteral("Tastaturbelegung");
const auto editorFrame = QStringLiteral("Matrix-Tastatur");
const auto keyTip = QStringLiteral("Taste Nr. %1");
const auto hex = QStringLiteral("HEX-Anzeige");
const auto hexTip =
    QStringLiteral("Klicken Sie hier, um die Eingabefelder hexadezimal darzustellen.");
const auto ascii = QStringLiteral("ASCII-Anzeige");
const auto asciiTip =
    QStringLiteral("Klicken Sie hier, um die Eingabefelder als Zeichen darzustellen.");
const auto load = QStringLiteral("Tabelle aus Datei laden");
const auto loadTip =
    QStringLiteral("Klicken Sie hier, um eine Tastaturtabelle aus einer Datei zu laden.");
const auto save = QStringLiteral("Tabelle in Datei speichern");
const auto saveTip =
    QStringLiteral("Klicken Sie hier, um eine Tastaturtabelle in eine Datei zu speichern.");

const auto accessFrame = QStringLiteral("Zugriff auf Pultino");
const auto send = QStringLiteral("Tabelle im Pultino abspeichern");
const auto sendTip =
    QStringLiteral("Klicken Sie hier, um die Tastaturtabelle im Pultino abzulegen.");
const auto reset = QStringLiteral("Tastatur-Tabelle im Pultino löschen");
const auto resetTip = QStringLiteral(
    "Klicken Sie hier, um die Tastaturtabelle im Pultino auf Standardwerte zurückzusetzen.");
const auto configFrame = QStringLiteral("Tastaturkonfiguration");
const auto configFrameTip = QStringLiteral(
    "HINWEIS: Die Tastaturkonfiguration ist erst ab Pultino Firmware V.1.6 möglich!");
const auto modeQuery = QStringLiteral("Konfigurieren / Taste abfragen");
const auto modeConfigure = QStringLiteral("Tastatur konfigurieren");
const auto modeTip =
    QStringLiteral("Klicken Sie hier, um die Tastaturkonfiguration an das Pultino zu übertragen.");
const QString modeCaptions[8] = {QStringLiteral("Polling-Modus (1 Zeichen Puffer)"),
                                 QStringLiteral("Ungepuffert, ohne Repeat"),
                                 QStringLiteral("Ungepuffert, mit Repeat (schnell)"),
                                 QStringLiteral("Ungepuffert, mit Repeat"),
                                 QStringLiteral("Ungepuffert, mit Repeat"),
                                 QStringLiteral("Ungepuffert, mit Repeat"),
                                 QStringLiteral("Ungepuffert, mit Repeat"),
                                 QStringLiteral("Ungepuffert, mit Repeat (langsam)")};
const auto pollingTip = QStringLiteral("Das Pultino liefert die Tastencodes nur auf Anfrage.");
const auto noRepeatTip = QStringLiteral(
    "Ein erkannter Tastencode wird unmittelbar über die Schnittstelle geliefert. Bei längerem "
    "gedrückt-halten der Taste geschieht nichts.");
const auto repeatTip = QStringLiteral(
    "Ein erkannter Tastencode wird unmittelbar über die Schnittstelle geliefert. Bei längerem "
    "gedrückt-halten der Taste wird der Code wiederholt gesendet.");

const auto loadTitle = QStringLiteral("Tastaturtabelle aus Datei laden");
const auto saveTitle = QStringLiteral("Tastaturtabelle in Datei speichern");
const auto fileFilter = QStringLiteral("Tastaturtabelle (*.TST)|*.tst|Alle Dateien (*.*)|*.*");
const auto fileExt = QStringLiteral(".TST");
const auto loadFailed =
    QStringLiteral("Die Tastaturtabelle konnte nicht aus der Datei \"%1\" geladen werden:\r%2\r"
                   "Die Eingabefelder sind unverändert.");
const auto saveFailed =
    QStringLiteral("Die Tastaturtabelle konnte nicht in der Datei \"%1\" gespeichert werden:\r%2\r"
                   "Die Datei wurde nicht verändert.");

const auto statusSend = QStringLiteral("Tastaturtabelle im Pultino speichern...");
const auto statusReset = QStringLiteral("Tastaturtabelle im Pultino löschen...");
const auto sendFailed = QStringLiteral("Fehler beim Ändern der Tastaturtabelle!");
const auto notSupported =
    QStringLiteral("Das angeschlossene Pultino unterstützt die Tastaturkonfiguration nicht.");
const auto notSupportedTitle = QStringLiteral("Hinweis");
const auto modeNotSent = QStringLiteral("Die Tastaturkonfiguration wurde nicht übertragen.");
} // namespace text

using forms::button;
const auto at = forms::twipsRect;

// How long a field stays lit after its code arrived.
constexpr int kLightMs = 500;
const auto kLitStyle = QStringLiteral("QLineEdit { background-color: #ffd54f; }");

QLabel* heading(QWidget* parent, const QString& name, const QString& caption, const QRect& rect) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    l->setGeometry(rect);
    return l;
}

} // namespace

KeyboardPage::KeyboardPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName(QStringLiteral("KeyboardPage"));
    resize(px(9375), px(5100));
    buildControls();
}

void KeyboardPage::buildControls() {
    forms::pageTitleUnlessPresent(this, "Label1", text::pageTitle);

    // The editor, laid out as the keyboard: key k in row k / 8, column k % 8.
    auto* editor = forms::frame(this, "Frame10", text::editorFrame, at(120, 450, 5400, 3450));
    constexpr int kLeft = 420, kTop = 540, kStepX = 615, kStepY = 435;
    for (int c = 0; c < kKeyColumns; ++c)
        heading(editor, QStringLiteral("Label12_%1").arg(c), QString::number(c),
                at(kLeft + kStepX * c, 270, 570, 240));
    for (int r = 0; r < kKeyRows; ++r)
        heading(editor, QStringLiteral("Label13_%1").arg(r), QString::number(r),
                at(120, kTop + kStepY * r + 60, 240, 240));
    for (int k = 0; k < kKeyCount; ++k) {
        auto* field = new QLineEdit(editor);
        field->setObjectName(QStringLiteral("txtTaste_%1").arg(k));
        field->setAccessibleName(field->objectName());
        field->setToolTip(text::keyTip.arg(k + 1));
        field->setMaxLength(kKeyTextLength);
        field->setAlignment(Qt::AlignCenter);
        field->setGeometry(
            at(kLeft + kStepX * (k % kKeyColumns), kTop + kStepY * (k / kKeyColumns), 570, 360));
        field->installEventFilter(this);
        txtTaste_[k] = field;
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        timer->setInterval(kLightMs);
        connect(timer, &QTimer::timeout, this, [this, k] { setLit(k, false); });
        lightTimers_[k] = timer;
    }
    auto* hexButton =
        button(editor, "cmdHEX_ASCII_0", text::hex, text::hexTip, at(120, 2400, 2400, 375));
    auto* asciiButton =
        button(editor, "cmdHEX_ASCII_1", text::ascii, text::asciiTip, at(120, 2850, 2400, 375));
    auto* loadButton =
        button(editor, "cmdLoadKbdTabelle", text::load, text::loadTip, at(2640, 2400, 2640, 375));
    auto* saveButton =
        button(editor, "cmdSaveKbdTabelle", text::save, text::saveTip, at(2640, 2850, 2640, 375));
    connect(hexButton, &QPushButton::clicked, this, [this] { cmdHexAsciiClick(0); });
    connect(asciiButton, &QPushButton::clicked, this, [this] { cmdHexAsciiClick(1); });
    connect(loadButton, &QPushButton::clicked, this, &KeyboardPage::cmdLoadKbdTabelleClick);
    connect(saveButton, &QPushButton::clicked, this, &KeyboardPage::cmdSaveKbdTabelleClick);

    auto* access = forms::frame(this, "Frame11", text::accessFrame, at(5640, 450, 3630, 1290));
    auto* sendButton =
        button(access, "cmdSendKbdTable", text::send, text::sendTip, at(120, 330, 3390, 375));
    auto* resetButton =
        button(access, "cmdClearKbdTable", text::reset, text::resetTip, at(120, 780, 3390, 375));
    connect(sendButton, &QPushButton::clicked, this, &KeyboardPage::cmdSendKbdTableClick);
    connect(resetButton, &QPushButton::clicked, this, &KeyboardPage::cmdClearKbdTableClick);

    auto* config = forms::frame(this, "Frame12", text::configFrame, at(5640, 1830, 3630, 3180));
    config->setToolTip(text::configFrameTip);
    for (int i = 0; i < 8; ++i) {
        auto* option = new QRadioButton(text::modeCaptions[i], config);
        option->setObjectName(QStringLiteral("optMatrix_%1").arg(i));
        option->setToolTip(i == 0   ? text::pollingTip
                           : i == 1 ? text::noRepeatTip
                                    : text::repeatTip);
        option->setGeometry(at(120, 270 + 300 * i, 3390, 285));
        connect(option, &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked) optMatrixClick(i);
        });
        optMatrix_[i] = option;
    }
    cmdSetKbdMode_ =
        button(config, "cmdSetKbdMode", text::modeQuery, text::modeTip, at(120, 2700, 3390, 375));
    connect(cmdSetKbdMode_, &QPushButton::clicked, this, &KeyboardPage::cmdSetKbdModeClick);
}

bool KeyboardPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut)
        for (int k = 0; k < kKeyCount; ++k)
            if (watched == txtTaste_[k]) txtTasteValidate(k);
    return QWidget::eventFilter(watched, event);
}

void KeyboardPage::startUp() {
    setTexts(defaultKeyTexts());
    optMatrix_[2]->setChecked(true);
    optMatrixClick(2);
}

QStringList KeyboardPage::texts() const {
    QStringList out;
    for (const QLineEdit* field : txtTaste_)
        out.append(field->text());
    return out;
}

void KeyboardPage::setTexts(const QStringList& texts) {
    for (int k = 0; k < kKeyCount && k < texts.size(); ++k)
        txtTaste_[k]->setText(texts.at(k));
}

void KeyboardPage::lightReceived(const QByteArray& chunk) {
    if (!isVisible() || !LinkFlags::instance().showReceivedData) return;
    const QByteArray codes = keyCodes(texts());
    for (int k = 0; k < kKeyCount; ++k)
        if (chunk.contains(codes.at(k))) {
            setLit(k, true);
            lightTimers_[k]->start();
        }
}

bool KeyboardPage::isLit(int key) const {
    return txtTaste_[key]->property("lit").toBool();
}

void KeyboardPage::setLit(int key, bool lit) {
    txtTaste_[key]->setProperty("lit", lit);
    txtTaste_[key]->setStyleSheet(lit ? kLitStyle : QString());
}

void KeyboardPage::txtTasteValidate(int index) {
    txtTaste_[index]->setText(normalisedKeyText(txtTaste_[index]->text()));
}

void KeyboardPage::cmdHexAsciiClick(int index) {
    setTexts(keyTexts(keyCodes(texts()), index != 0));
}

void KeyboardPage::cmdLoadKbdTabelleClick() {
    Dialogs::FileDialog dialog{text::loadTitle, text::fileFilter, text::fileExt, true, false};
    const QString path = host_.dialogs().openFileName(dialog);
    if (path.isEmpty()) return;
    // An unreadable file would otherwise wipe the table being edited.
    const KeyTableFile file = readKeyTableFile(path);
    if (!file.ok()) {
        showFileFailure(host_.dialogs(), text::loadFailed, path, file.error);
        return;
    }
    setTexts(keyTexts(file.codes, false));
    cmdHexAsciiClick(1);
}

void KeyboardPage::cmdSaveKbdTabelleClick() {
    Dialogs::FileDialog dialog{text::saveTitle, text::fileFilter, text::fileExt, false, true};
    const QString path = host_.dialogs().saveFileName(dialog);
    if (path.isEmpty()) return;
    cmdHexAsciiClick(0);
    const QByteArray codes = keyCodes(texts());
    cmdHexAsciiClick(1);
    const QString error = writeKeyTableFile(path, codes);
    if (!error.isEmpty()) showFileFailure(host_.dialogs(), text::saveFailed, path, error);
}

void KeyboardPage::sendKbdTable(const QString& status) {
    busy_ = true;
    const auto done = qScopeGuard([this] { busy_ = false; });
    StatusScope shown(host_, status);
    OpResult result;
    {
        MonitorOff monitor(host_);
        InputHold held(host_);
        result = sendKeyTable(host_.exchange(), kbdTable_);
    }
    if (result.status == OpResult::Status::PortLost)
        host_.dialogs().message(text::sendFailed + QLatin1Char('\r') + portLostCause(host_.port()),
                                kAppTitle);
    else if (!result.ok())
        host_.dialogs().message(text::sendFailed, kAppTitle);
}

void KeyboardPage::cmdSendKbdTableClick() {
    if (busy_) return;
    cmdHexAsciiClick(0);
    kbdTable_ = keyCodes(texts());
    cmdHexAsciiClick(1);
    sendKbdTable(text::statusSend);
}

void KeyboardPage::cmdClearKbdTableClick() {
    if (busy_) return;
    kbdTable_ = cmd::standardKeyTable();
    sendKbdTable(text::statusReset);
}

int KeyboardPage::keyboardMode() const {
    int mode = 0;
    for (int i = 0; i < 8; ++i)
        if (optMatrix_[i]->isChecked()) mode = i;
    return mode;
}

void KeyboardPage::cmdSetKbdModeClick() {
    if (busy_) return;
    busy_ = true;
    const auto done = qScopeGuard([this] { busy_ = false; });
    const int mode = keyboardMode();
    OpResult result;
    {
        MonitorOff monitor(host_);
        InputHold held(host_);
        // The monitor is on again before the mode goes out, so that a polled key shows.
        result = setKeyboardMode(host_.exchange(), mode, [&monitor] { monitor.on(); });
    }
    // A vanished port says nothing about the terminal's firmware.
    if (result.status == OpResult::Status::PortLost)
        host_.dialogs().message(text::modeNotSent + QLatin1Char('\r') + portLostCause(host_.port()),
                                kAppTitle);
    else if (!result.ok())
        host_.dialogs().message(text::notSupported, text::notSupportedTitle);
}

void KeyboardPage::optMatrixClick(int index) {
    cmdSetKbdMode_->setText(index == 0 ? text::modeQuery : text::modeConfigure);
}
