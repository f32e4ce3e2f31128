#include "fixedtext/fixedtextpage.h"

#include "core/forms.h"

#include "core/dialogs.h"
#include "core/displaytypes.h"
#include "core/twips.h"
#include "fixedtext/fixedtextops.h"
#include "fixedtext/textcompare.h"
#include "fixedtext/txtfile.h"
#include "fixedtext/updown.h"
#include "link/commandexchange.h"
#include "link/pagehost.h"
#include "link/portlost.h"
#include "link/serialport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>
#include <utility>

namespace {

// Every text the page shows.
namespace text {
const auto pageTitle = QStringLiteral("Festtexte");
const auto frameDesign = QStringLiteral("Festtext");
const auto frameNr = QStringLiteral("Festtext Nr. ");
const QString rowTips[kFixedTextRows] = {
    QStringLiteral("Erste Displayzeile"), QStringLiteral("Zweite Displayzeile"),
    QStringLiteral("Dritte Displayzeile"), QStringLiteral("Vierte Displayzeile")};
const auto upDownTip = QStringLiteral("Klicken Sie hier, um den nächsten Festtext auszuwählen.");
const auto previousText = QStringLiteral("Vorheriger Festtext");
const auto nextText = QStringLiteral("Nächster Festtext");
const auto numberUp = QStringLiteral("Festtext-Nummer erhöhen");
const auto numberDown = QStringLiteral("Festtext-Nummer verringern");
const auto selectFT = QStringLiteral("Festtext auswählen");
const auto selectFTTip =
    QStringLiteral("Klicken Sie hier, um einen bestimmten Festtext in das Eingabefeld zu holen.");
const auto clearFTWin = QStringLiteral("Eingabefelder löschen");
const auto clearFTWinTip =
    QStringLiteral("Klicken Sie hier, um die Eingabefelder für den aktuellen Festtext zu löschen.");
const auto clearAllFT = QStringLiteral("Alle Texte löschen");
const auto clearAllFTTip = QStringLiteral(
    "Klicken Sie hier, um alle Festtexte zu löschen. (Texte im Pultino bleiben unverändert!)");
const auto defaultFT = QStringLiteral("Default-Texte");
const auto defaultFTTip = QStringLiteral("Klicken Sie hier, um die Eingabefelder mit den "
                                         "Default-Werten (000-127) vorzubelegen.");
const auto loadFT = QStringLiteral("Texte aus Datei laden");
const auto loadFTTip = QStringLiteral("Klicken Sie hier, um Festtexte aus einer Datei zu laden.");
const auto saveFT = QStringLiteral("Texte in Datei speichern");
const auto saveFTTip =
    QStringLiteral("Klicken Sie hier, um Festtexte in einer Datei abzuspeichern.");

const auto accessFrame = QStringLiteral("Zugriff auf Pultino");
const auto sendFT = QStringLiteral("Texte programmieren");
const auto sendFTTip = QStringLiteral(
    "Klicken Sie hier, um die eingegebenen Festtexte im Pultino abzuspeichern. Alle bis dahin "
    "im Pultino gespeicherten Festtexte gehen dadurch verloren.");
const auto auslesenFT = QStringLiteral("Texte auslesen");
const auto auslesenFTTip = QStringLiteral(
    "Klicken Sie hier, um die Festtexte aus dem Pultino in das Programm zurückzulesen.");
const auto verifyFT = QStringLiteral("Texte verifizieren");
const auto verifyFTTip =
    QStringLiteral("Klicken Sie hier, um zu verifizieren, ob die geladenen Festtexte mit den im "
                   "Pultino gespeicherten Festtexten übereinstimmen.");
const auto progCaption = QStringLiteral("Programmiere Festtext Nr.");
const auto verifyLabel = QStringLiteral("Verifizieren der Festtexte. Bitte warten...");
const auto abrufTip = QStringLiteral("Geben Sie hier die Nummer des Festtextes ein, der "
                                     "angezeigt werden soll. (0-127)");
const auto showFT = QStringLiteral("Anzeigen");
const auto showFTTip = QStringLiteral(
    "Klicken Sie hier, um den links ausgewählten Festtext auf dem Pultino aufzurufen.");
const auto stepFrame = QStringLiteral("Weiterschaltung");
const auto stepFrameTip = QStringLiteral(
    "Ist eine Weiterschaltung aktiviert, so wird nach dem Klicken von \"Anzeigen\" die "
    "Festtext-Nummer entsprechend weitergezählt.");
const QString stepCaptions[2] = {QStringLiteral("vorwärts"), QStringLiteral("rückwärts")};
const QString stepTips[2] = {
    QStringLiteral("Weiterschaltung der Festtexte beim Anzeigen in aufsteigender Reigenfolge."),
    QStringLiteral("Weiterschaltung der Festtexte beim Anzeigen in absteigender Reigenfolge.")};

const auto selectPrompt = QStringLiteral("Bitte Nr. des gewünschten Festtextes eingeben:");
const auto selectTitle = QStringLiteral("Festtext-Suche");
const auto loadTitle = QStringLiteral("Festtexte aus Datei laden");
const auto saveTitle = QStringLiteral("Festtexte in Datei speichern");
const auto fileFilter = QStringLiteral("Festtexte (*.TXT)|*.txt|Alle Dateien (*.*)|*.*");
const auto fileExt = QStringLiteral(".TXT");
const auto loadFailed =
    QStringLiteral("Die Festtexte konnten nicht aus der Datei \"%1\" geladen werden:\r%2\r"
                   "Die Festtexte im Programm sind unverändert.");
const auto loadBlanked =
    QStringLiteral("Die Datei \"%1\" enthält %2 Nullzeichen. Sie wurden beim Laden durch "
                   "Leerzeichen ersetzt, weil ein Nullzeichen den Festtext im Pultino beenden "
                   "und alle folgenden Festtexte verschieben würde.");
const auto saveFailed =
    QStringLiteral("Die Festtexte konnten nicht in der Datei \"%1\" gespeichert werden:\r%2\r"
                   "Die Datei wurde nicht verändert.");

const auto statusSend = QStringLiteral("Festtexte im Pultino speichern...");
const auto statusVerify = QStringLiteral("Festtexte im Pultino überprüfen...");
const auto statusRead = QStringLiteral("Festtexte aus Pultino auslesen...");
const auto sendFailed = QStringLiteral("Fehler beim Speichern der Festtexte!\r(%1 von %2 Bytes "
                                       "gespeichert.)\r");
const auto causeLine =
    QStringLiteral("Wahrscheinliche Ursache: Übertragungsfehler. Bitte ggf. neu versuchen!");
const auto causeEeprom =
    QStringLiteral("Wahrscheinliche Ursache: Nicht genügend EEPROM-Speicher verfügbar.");
const auto sendAborted = QStringLiteral("Die Übertragung wurde abgebrochen.");
const auto verifyIdentical =
    QStringLiteral("Festtexte im Pultino sind mit den geladenen Festtexten identisch");
const auto readFailed = QStringLiteral("Fehler beim Auslesen der Festtexte!");
} // namespace text

using forms::button;
const auto at = forms::twipsRect;

const QColor kVerifyGreen(0, 255, 0);
const QColor kVerifyRed(255, 0, 0);

} // namespace

FixedTextPage::FixedTextPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName(QStringLiteral("FixedTextPage"));
    resize(px(9375), px(5100));
    buildControls();
}

void FixedTextPage::buildControls() {
    forms::pageTitleUnlessPresent(this, "Label2", text::pageTitle);

    // The editor, designed for the largest display; the display geometry resizes it.
    frmFesttext = new QGroupBox(text::frameDesign, this);
    frmFesttext->setObjectName(QStringLiteral("frmFesttext"));
    frmFesttext->setGeometry(at(120, 600, 7035, 2355));
    const QFont fieldFont = forms::lineFieldFont();
    for (int i = 0; i < kFixedTextRows; ++i) {
        auto* field = new QLineEdit(frmFesttext);
        forms::nameUncaptioned(field, QStringLiteral("txtFesttext_%1").arg(i));
        field->setToolTip(text::rowTips[i]);
        field->setFont(fieldFont);
        field->setGeometry(
            at(forms::kLineLeft, forms::kLineTop + forms::kLineStep * i, 6795, forms::kLineHeight));
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this,
                [this, i](const QString& t) { typed_[i] = t; });
        txtFesttext[i] = field;
    }

    ftUpDown_ = new UpDown(0, 1, this);
    FTUpDown = ftUpDown_;
    forms::nameUncaptioned(ftUpDown_, QStringLiteral("FTUpDown"));
    ftUpDown_->setToolTip(text::upDownTip);
    ftUpDown_->upButton()->setAccessibleName(text::previousText);
    ftUpDown_->downButton()->setAccessibleName(text::nextText);
    ftUpDown_->setGeometry(at(7260, 700, 255, 2255));
    // Every click steps, also one that leaves the up-down's own value where it is.
    connect(ftUpDown_, &UpDown::stepped, this, &FixedTextPage::ftUpDownStepped);

    // Editor buttons in two rows below the editor.
    const int col[3] = {120, 2475, 4830};
    cmdSelectFT =
        button(this, "cmdSelectFT", text::selectFT, text::selectFTTip, at(col[0], 3120, 2250, 375));
    cmdClearFTWin = button(this, "cmdClearFTWin", text::clearFTWin, text::clearFTWinTip,
                           at(col[1], 3120, 2250, 375));
    cmdClearAllFT = button(this, "cmdClearAllFT", text::clearAllFT, text::clearAllFTTip,
                           at(col[2], 3120, 2250, 375));
    cmdDefaultFT = button(this, "cmdDefaultFT", text::defaultFT, text::defaultFTTip,
                          at(col[0], 3540, 2250, 375));
    cmdLoadFT =
        button(this, "cmdLoadFT", text::loadFT, text::loadFTTip, at(col[1], 3540, 2250, 375));
    cmdSaveFT =
        button(this, "cmdSaveFT", text::saveFT, text::saveFTTip, at(col[2], 3540, 2250, 375));
    connect(cmdSelectFT, &QPushButton::clicked, this, &FixedTextPage::cmdSelectFTClick);
    connect(cmdClearFTWin, &QPushButton::clicked, this, &FixedTextPage::cmdClearFTWinClick);
    connect(cmdClearAllFT, &QPushButton::clicked, this, &FixedTextPage::cmdClearAllFTClick);
    connect(cmdDefaultFT, &QPushButton::clicked, this, &FixedTextPage::cmdDefaultFTClick);
    connect(cmdLoadFT, &QPushButton::clicked, this, &FixedTextPage::ladeFesttexte);
    connect(cmdSaveFT, &QPushButton::clicked, this, &FixedTextPage::cmdSaveFTClick);

    // Transfers to and from the terminal, with their progress display.
    auto* access = new QGroupBox(text::accessFrame, this);
    access->setObjectName(QStringLiteral("fraZugriff"));
    access->setGeometry(at(120, 4020, 9150, 1020));
    cmdSendFT = button(access, "cmdSendFT", text::sendFT, text::sendFTTip, at(120, 360, 1875, 375));
    cmdVerifyFT =
        button(access, "cmdVerifyFT", text::verifyFT, text::verifyFTTip, at(2085, 360, 1875, 375));
    cmdAuslesenFT = button(access, "cmdAuslesenFT", text::auslesenFT, text::auslesenFTTip,
                           at(4050, 360, 1875, 375));
    connect(cmdSendFT, &QPushButton::clicked, this, &FixedTextPage::cmdSendFTClick);
    connect(cmdVerifyFT, &QPushButton::clicked, this, &FixedTextPage::cmdVerifyFTClick);
    connect(cmdAuslesenFT, &QPushButton::clicked, this, &FixedTextPage::cmdAuslesenFTClick);

    lblFTProgCaption = new QLabel(text::progCaption, access);
    lblFTProgCaption->setObjectName(QStringLiteral("lblFTProgCaption"));
    lblFTProgCaption->setGeometry(at(6075, 210, 2400, 270));
    lblFesttextID = new QLabel(access);
    lblFesttextID->setObjectName(QStringLiteral("lblFesttextID"));
    lblFesttextID->setGeometry(at(8505, 210, 525, 270));
    FTProgressBar = new QProgressBar(access);
    forms::nameUncaptioned(FTProgressBar, QStringLiteral("FTProgressBar"));
    FTProgressBar->setTextVisible(false);
    FTProgressBar->setGeometry(at(6075, 540, 2955, 300));
    lblVerifyFT = new QLabel(text::verifyLabel, access);
    lblVerifyFT->setObjectName(QStringLiteral("lblVerifyFT"));
    lblVerifyFT->setWordWrap(true);
    lblVerifyFT->setAlignment(Qt::AlignCenter);
    lblVerifyFT->setAutoFillBackground(true);
    lblVerifyFT->setGeometry(at(6075, 180, 2955, 660));
    setVerifyColor(kVerifyGreen);
    setProgressVisible(false);
    lblVerifyFT->hide();

    // Calling a text up on the terminal.
    txtFTAbruf = new QLineEdit(QStringLiteral("0"), this);
    forms::nameUncaptioned(txtFTAbruf, QStringLiteral("txtFTAbruf"));
    txtFTAbruf->setToolTip(text::abrufTip);
    txtFTAbruf->setGeometry(at(7680, 600, 1335, 360));
    txtFTAbruf->installEventFilter(this);
    FTSelect = new UpDown(0, kFixedTextCount - 1, this);
    forms::nameUncaptioned(FTSelect, QStringLiteral("FTSelect"));
    FTSelect->upButton()->setAccessibleName(text::numberUp);
    FTSelect->downButton()->setAccessibleName(text::numberDown);
    FTSelect->setGeometry(at(9015, 600, 255, 360));
    connect(FTSelect, &UpDown::valueChanged, this,
            [this](int value) { txtFTAbruf->setText(QString::number(value)); });
    cmdShowFT = button(this, "cmdShowFT", text::showFT, text::showFTTip, at(7680, 1050, 1590, 375));
    connect(cmdShowFT, &QPushButton::clicked, this, &FixedTextPage::cmdShowFTClick);

    auto* stepping = new QGroupBox(text::stepFrame, this);
    stepping->setObjectName(QStringLiteral("fraWeiterschaltung"));
    stepping->setToolTip(text::stepFrameTip);
    stepping->setGeometry(at(7680, 1530, 1590, 930));
    for (int i = 0; i < 2; ++i) {
        auto* box = new QCheckBox(text::stepCaptions[i], stepping);
        box->setObjectName(QStringLiteral("chkAutoIncFT_%1").arg(i));
        box->setToolTip(text::stepTips[i]);
        box->setGeometry(at(120, 270 + 300 * i, 1400, 285));
        connect(box, &QCheckBox::toggled, this,
                [this, i](bool checked) { chkAutoIncFTToggled(i, checked); });
        chkAutoIncFT[i] = box;
    }
}

bool FixedTextPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == txtFTAbruf) txtFTAbrufValidate();
        for (int i = 0; i < kFixedTextRows; ++i)
            if (watched == txtFesttext[i]) txtFesttextValidate(i);
    }
    return QWidget::eventFilter(watched, event);
}

void FixedTextPage::startUp() {
    int id = 0;
    showFesttext(id);
}

void FixedTextPage::showFesttext(int& id) {
    id = qBound(0, id, kFixedTextCount - 1);
    for (int r = 0; r < kFixedTextRows; ++r) {
        txtFesttext[r]->setText(store_.entry(id, r));
        typed_[r].reset();
    }
    festtextNr_ = id;
    frmFesttext->setTitle(text::frameNr + QString::number(id));
}

void FixedTextPage::txtFesttextValidate(int index) {
    // Only what the operator typed reaches the store: a field the program emptied or cut (a
    // display change) would otherwise overwrite a row nobody touched.
    if (!typed_[index] || *typed_[index] != txtFesttext[index]->text()) return;
    QString row = *typed_[index];
    blankTerminators(row);
    store_.setEntry(festtextNr_, index, row);
    typed_[index].reset();
}

void FixedTextPage::ftUpDownStepped(int direction) {
    // The up arrow steps one text back, the down arrow one on.
    int id = direction > 0 ? festtextNr_ - 1 : festtextNr_ + 1;
    showFesttext(id);
}

void FixedTextPage::cmdSelectFTClick() {
    const auto answer =
        host_.dialogs().inputBox(text::selectPrompt, text::selectTitle, QStringLiteral("0"));
    int id = answer ? parseRoundedNumber(*answer, -32768, 32767).value_or(0) : 0;
    showFesttext(id);
}

void FixedTextPage::cmdClearFTWinClick() {
    store_.clearText(festtextNr_);
    int id = festtextNr_;
    showFesttext(id);
}

void FixedTextPage::cmdClearAllFTClick() {
    store_.clear();
    int id = 0;
    showFesttext(id);
}

void FixedTextPage::cmdDefaultFTClick() {
    store_.fillDefaults();
    int id = 0;
    showFesttext(id);
}

void FixedTextPage::ladeFesttexte() {
    Dialogs::FileDialog dialog{text::loadTitle, text::fileFilter, text::fileExt, true, false};
    const QString path = host_.dialogs().openFileName(dialog);
    if (path.isEmpty()) return;
    const FesttextLoad load =
        loadFesttextFile(store_, path, host_.displayRows(), host_.displayColumns());
    if (!load.error.isEmpty()) {
        showFileFailure(host_.dialogs(), text::loadFailed, path, load.error);
        return;
    }
    int id = 0;
    showFesttext(id);
    if (load.blanked > 0)
        host_.dialogs().message(
            text::loadBlanked.arg(QDir::toNativeSeparators(path)).arg(load.blanked), kAppTitle,
            Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

void FixedTextPage::cmdSaveFTClick() {
    Dialogs::FileDialog dialog{text::saveTitle, text::fileFilter, text::fileExt, false, true};
    const QString path = host_.dialogs().saveFileName(dialog);
    if (path.isEmpty()) return;
    const QString error = saveFesttextFile(store_, path, host_.displayRows());
    if (!error.isEmpty()) {
        showFileFailure(host_.dialogs(), text::saveFailed, path, error);
        return;
    }
    int id = 0;
    showFesttext(id);
}

void FixedTextPage::setVerifyColor(const QColor& color) {
    QPalette palette = lblVerifyFT->palette();
    palette.setColor(QPalette::Window, color);
    lblVerifyFT->setPalette(palette);
}

void FixedTextPage::setProgressVisible(bool visible) {
    FTProgressBar->setVisible(visible);
    lblFTProgCaption->setVisible(visible);
    lblFesttextID->setVisible(visible);
}

void FixedTextPage::showVerifyResult(const QByteArray& reply, const QByteArray& image) {
    const FesttextComparison comparison =
        compareFesttextImages(reply, image, host_.displayColumns());
    if (comparison.identical()) return;
    setVerifyColor(kVerifyRed);
    host_.dialogs().message(comparisonReport(comparison).join(QLatin1Char('\r')), kAppTitle);
    setVerifyColor(kVerifyGreen);
}

void FixedTextPage::cmdSendFTClick() {
    if (busy_) return;
    busy_ = true;
    StatusScope status(host_, text::statusSend);
    const QByteArray image =
        buildFesttextImage(store_, host_.displayRows(), host_.displayColumns());
    const auto size = static_cast<int>(image.size());

    FTProgressBar->setRange(0, size);
    FTProgressBar->setValue(0);
    setProgressVisible(true);
    const auto cleanUp = qScopeGuard([this] {
        setProgressVisible(false);
        lblVerifyFT->hide();
        setVerifyColor(kVerifyGreen);
        busy_ = false;
    });
    MonitorOff monitor(host_);
    InputHold held(host_);

    // The bar and the text number show the byte on its way and the text it belongs to. The
    // number changes once a text; the bar is redrawn at a pace the eye can follow.
    qsizetype counted = 0;
    int textCount = 0;
    const Progress bar =
        throttled([this](qsizetype sending, qsizetype) { FTProgressBar->setValue(int(sending)); });
    const OpResult result =
        programFixedTexts(host_.exchange(), image, [&](qsizetype done, qsizetype) {
            const qsizetype sending = qMin<qsizetype>(done + 1, size);
            for (; counted < sending; ++counted)
                if (image.at(counted) == '\0') ++textCount;
            bar(sending, size);
            lblFesttextID->setText(QString::number(textCount));
        });
    if (!result.ok()) {
        const auto done = static_cast<int>(result.done);
        QString cause;
        if (result.status == OpResult::Status::PortLost)
            cause = portLostCause(host_.port());
        else if (result.status == OpResult::Status::Aborted)
            cause = text::sendAborted;
        else
            cause = done < kLikelyEepromSize ? text::causeLine : text::causeEeprom;
        host_.dialogs().message(text::sendFailed.arg(done).arg(size) + cause, kAppTitle);
        return;
    }

    lblVerifyFT->show();
    setProgressVisible(false);
    const FixedTextReadBack back = readFixedTextImage(host_.exchange());
    if (reportLostPort(back.result) || back.result.status == OpResult::Status::Aborted) return;
    showVerifyResult(back.reply, image);
}

bool FixedTextPage::reportLostPort(const OpResult& result) {
    if (result.status != OpResult::Status::PortLost) return false;
    host_.dialogs().message(text::readFailed + QLatin1Char('\r') + portLostCause(host_.port()),
                            kAppTitle);
    return true;
}

void FixedTextPage::cmdVerifyFTClick() {
    if (busy_) return;
    busy_ = true;
    const auto done = qScopeGuard([this] { busy_ = false; });
    StatusScope status(host_, text::statusVerify);
    MonitorOff monitor(host_);
    const QByteArray image =
        buildFesttextImage(store_, host_.displayRows(), host_.displayColumns());
    const FixedTextReadBack back = readFixedTextImage(host_.exchange());
    // Nothing read is no image to compare: a lost port is named, an abort needs no word.
    if (reportLostPort(back.result) || back.result.status == OpResult::Status::Aborted) return;
    // The sentence with the offset comes first; then where it lies and every differing text.
    const FesttextComparison comparison =
        compareFesttextImages(back.reply, image, host_.displayColumns());
    host_.dialogs().message(comparison.identical()
                                ? text::verifyIdentical
                                : comparisonReport(comparison).join(QLatin1Char('\r')),
                            kAppTitle);
}

void FixedTextPage::cmdAuslesenFTClick() {
    if (busy_) return;
    busy_ = true;
    const auto done = qScopeGuard([this] { busy_ = false; });
    StatusScope status(host_, text::statusRead);
    MonitorOff monitor(host_);
    // A reply that stops in mid-stream runs into the idle time-out and comes back empty, so only
    // a complete image ever reaches the store.
    const FixedTextReadBack back = readFixedTextImage(host_.exchange());
    if (reportLostPort(back.result)) return;
    if (!back.result.ok()) {
        host_.dialogs().message(text::readFailed, kAppTitle);
        return;
    }
    applyFesttexts(store_, parseFesttextReply(back.reply, host_.displayColumns()));
    int id = 0;
    showFesttext(id);
}

void FixedTextPage::cmdShowFTClick() {
    if (busy_) return;
    int n = qMin(parseRoundedNumber(txtFTAbruf->text(), 0, 255).value_or(0), kFixedTextCount - 1);
    showFixedText(host_.port(), n);
    if (chkAutoIncFT[0]->isChecked())
        n = n == kFixedTextCount - 1 ? 0 : n + 1;
    else if (chkAutoIncFT[1]->isChecked())
        n = n == 0 ? kFixedTextCount - 1 : n - 1;
    txtFTAbruf->setText(QString::number(n));
    FTSelect->setValue(n);
}

void FixedTextPage::chkAutoIncFTToggled(int index, bool checked) {
    if (checked) chkAutoIncFT[1 - index]->setChecked(false);
}

void FixedTextPage::txtFTAbrufValidate() {
    if (const auto n = parseRoundedNumber(txtFTAbruf->text(), 0, kFixedTextCount - 1))
        FTSelect->setValue(*n);
}
