#include "chars/charpage.h"

#include "chars/charops.h"
#include "core/dialogs.h"
#include "core/forms.h"
#include "link/pagehost.h"
#include "link/portlost.h"

#include <QBoxLayout>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QToolButton>
#include <functional>

namespace {

// Every text the page shows.
namespace text {
const auto pageTitle = QStringLiteral("Benutzerdefinierte Zeichen");
const auto cgClear = QStringLiteral("Eingabematrix löschen");
const auto cgClearTip = QStringLiteral("Klicken Sie hier, um die Eingabematrix zu löschen.");
const auto cgInvert = QStringLiteral("Eingabematrix invertieren");
const auto cgInvertTip = QStringLiteral("Klicken Sie hier, um die Eingabematrix zu invertieren.");
const auto leftRightTip = QStringLiteral("Klicken Sie hier, um die Matrix horizontal zu rotieren.");
const auto upDownTip = QStringLiteral("Klicken Sie hier, um die Matrix vertikal zu rotieren.");
const auto rotateLeft = QStringLiteral("Matrix nach links rotieren");
const auto rotateRight = QStringLiteral("Matrix nach rechts rotieren");
const auto rotateUp = QStringLiteral("Matrix nach oben rotieren");
const auto rotateDown = QStringLiteral("Matrix nach unten rotieren");
const auto accessFrame = QStringLiteral("Zugriff auf Pultino");
const auto cgramFrame = QStringLiteral("CG-RAM");
const auto tauschLabel = QStringLiteral("Tausch-Adresse");
const auto tauschTip =
    QStringLiteral("Geben Sie hier die Nummer des Zeichens ein, das durch das neu definierte "
                   "ersetzt werden soll. (32-127)");
const auto tauschStart = QStringLiteral("127");
const auto saveZeichen = QStringLiteral("Zeichen in Datei speichern");
const auto saveZeichenTip = QStringLiteral(
    "Klicken Sie hier, um ein benutzerdefiniertes Zeichen in eine Datei zu speichern.");
const auto loadZeichen = QStringLiteral("Zeichen aus Datei laden");
const auto loadZeichenTip = QStringLiteral(
    "Klicken Sie hier, um ein benutzerdefiniertes Zeichen aus einer Datei zu laden.");
const auto explanationFrame = QStringLiteral("Erläuterung:");
const auto explanation = QStringLiteral(
    "Das Display hat 8 Speicherplätze (CG-RAM), in denen benutzerdefinierte Zeichen abgelegt "
    "werden können. Durch die Tausch-Adresse wird festgelegt, unter welchem ASCII-Code das neu "
    "definierte Zeichen abgerufen werden kann. Wenn Sie z.B. als Tausch-Adresse 65 angeben "
    "(=ASCII-Code von 'A'), wird das neu definierte Zeichen immer dann dargestellt, wenn Sie ein "
    "'A' an das Pultino senden. Durch löschen des entsprechenden CG-RAM Speicherplatzes wird "
    "wieder das ursprüngliche Zeichen dargestellt.");
const auto storeChar = QStringLiteral("Zeichen im Pultino abspeichern");
const auto storeCharTip = QStringLiteral(
    "Klicken Sie hier, um das oben definierte Zeichen unter der ausgewählten CG-RAM-Adresse als "
    "Ersatz für das Zeichen mit Nummer \"Tausch-Adresse\" im Pultino abzuspeichern.");
const auto eraseChar = QStringLiteral("CG-RAM %1 auf Pultino löschen");
const auto eraseCharTip =
    QStringLiteral("Klicken Sie hier, um die ausgewählte CG-RAM Adresse zu löschen.");
const auto eraseAll = QStringLiteral("Alle CG-RAMs auf Pultino löschen");
const auto eraseAllTip = QStringLiteral("Klicken Sie hier, um alle 8 CG-RAM Adressen zu löschen.");

const auto saveTitle = QStringLiteral("Zeichendefinition in Datei speichern");
const auto loadTitle = QStringLiteral("Zeichendefinition aus Datei laden");
const auto fileFilter = QStringLiteral("Zeichendefinition (*.CHR)|*.chr|Alle Dateien (*.*)|*.*");
const auto fileExt = QStringLiteral(".CHR");
const auto loadFailed =
    QStringLiteral("Die Zeichendefinition konnte nicht aus der Datei \"%1\" geladen werden:\r%2\r"
                   "Das Zeichen im Programm ist unverändert.");
const auto saveFailed =
    QStringLiteral("Die Zeichendefinition konnte nicht in der Datei \"%1\" gespeichert werden:\r"
                   "%2\rDie Datei wurde nicht verändert.");

const auto statusStore = QStringLiteral("Benutzerdefiniertes Zeichen im Pultino speichern...");
const auto statusErase = QStringLiteral("Benutzerdefiniertes Zeichen im Pultino löschen...");
const auto statusEraseAll =
    QStringLiteral("Alle benutzerdefinierten Zeichen im Pultino löschen...");
// The definition goes out whole even so; the operator learns that the terminal did not take it.
const auto noEcho =
    QStringLiteral("Das Pultino hat das Zeichen nicht bestätigt (kein oder falsches "
                   "Echo bei Byte %1 von %2).");
const auto invalidAddress = QStringLiteral("Ungültige Tausch-Adresse!\rWert muß im Bereich von "
                                           "32 bis 127 liegen!\rZeichendefinition wird NICHT "
                                           "gespeichert!");
} // namespace text

const auto kPixelOn =
    QStringLiteral("QPushButton { background: #000000; border: 1px solid gray; }");
const auto kPixelOff =
    QStringLiteral("QPushButton { background: #ffffff; border: 1px solid gray; }");

constexpr int kCell = 24; // pixel buttons, in screen pixels
constexpr QPoint kMatrix(36, 52);

// Two arrows that act on every click, also on a second click of the same arrow, and repeat
// while held. The arrow keys work too once the pair has the focus.
class ArrowPair : public QWidget {
  public:
    ArrowPair(Qt::Orientation orientation, QWidget* parent) : QWidget(parent) {
        setFocusPolicy(Qt::StrongFocus);
        const bool across = orientation == Qt::Horizontal;
        QBoxLayout* layout = across ? static_cast<QBoxLayout*>(new QHBoxLayout(this))
                                    : static_cast<QBoxLayout*>(new QVBoxLayout(this));
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        // Left and down lower the value, right and up raise it; the lower arrow comes first
        // across, the upper arrow first down the side.
        lower_ = arrow(across ? Qt::LeftArrow : Qt::DownArrow, across ? "left" : "down",
                       across ? text::rotateLeft : text::rotateDown);
        raise_ = arrow(across ? Qt::RightArrow : Qt::UpArrow, across ? "right" : "up",
                       across ? text::rotateRight : text::rotateUp);
        layout->addWidget(across ? lower_ : raise_);
        layout->addWidget(across ? raise_ : lower_);
        connect(lower_, &QToolButton::clicked, this, [this] { step(0); });
        connect(raise_, &QToolButton::clicked, this, [this] { step(1); });
    }

    std::function<void(int value)> stepped;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Down:
            step(0);
            break;
        case Qt::Key_Right:
        case Qt::Key_Up:
            step(1);
            break;
        default:
            QWidget::keyPressEvent(event);
        }
    }

  private:
    QToolButton* arrow(Qt::ArrowType type, const char* name, const QString& what) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setAccessibleName(what);
        b->setArrowType(type);
        b->setAutoRepeat(true);
        // Taking the focus leaves (and so normalises) a field being edited first.
        b->setFocusPolicy(Qt::ClickFocus);
        b->setFocusProxy(this);
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        return b;
    }
    void step(int value) {
        if (stepped) stepped(value);
    }

    QToolButton* lower_;
    QToolButton* raise_;
};

} // namespace

CharPage::CharPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName(QStringLiteral("CharPage"));
    resize(625, 340);
    buildControls();
}

void CharPage::buildControls() {
    forms::pageTitleUnlessPresent(this, "Label3", text::pageTitle);

    // The editor: the matrix between its two spinners, the row codes beside it.
    for (int i = 0; i < kPatternPixels; ++i) {
        auto* b = new QPushButton(this);
        forms::nameUncaptioned(b, QStringLiteral("cmdPixel_%1").arg(i));
        b->setGeometry(kMatrix.x() + (i % kPatternColumns) * kCell,
                       kMatrix.y() + (i / kPatternColumns) * kCell, kCell, kCell);
        b->setStyleSheet(kPixelOff);
        connect(b, &QPushButton::clicked, this, [this, i] { cmdPixelClick(i); });
        cmdPixel[i] = b;
    }
    for (int r = 0; r < kPatternRows; ++r) {
        auto* l = new QLabel(this);
        l->setObjectName(QStringLiteral("lblHexCode_%1").arg(r));
        l->setGeometry(kMatrix.x() + kPatternColumns * kCell + 8, kMatrix.y() + r * kCell, 40,
                       kCell);
        lblHexCode[r] = l;
    }
    auto* leftRight = new ArrowPair(Qt::Horizontal, this);
    forms::nameUncaptioned(leftRight, QStringLiteral("CGLeftRight"));
    leftRight->setToolTip(text::leftRightTip);
    leftRight->setGeometry(kMatrix.x(), kMatrix.y() - 18, kPatternColumns * kCell, 16);
    leftRight->stepped = [this](int value) {
        rotate(value == 0 ? &CharPattern::rotateLeft : &CharPattern::rotateRight);
    };
    CGLeftRight = leftRight;
    auto* upDown = new ArrowPair(Qt::Vertical, this);
    forms::nameUncaptioned(upDown, QStringLiteral("CGUpDown"));
    upDown->setToolTip(text::upDownTip);
    upDown->setGeometry(kMatrix.x() - 20, kMatrix.y(), 18, kPatternRows * kCell);
    upDown->stepped = [this](int value) {
        rotate(value == 0 ? &CharPattern::rotateDown : &CharPattern::rotateUp);
    };
    CGUpDown = upDown;

    using forms::button;
    const int below = kMatrix.y() + kPatternRows * kCell + 8;
    cmdCGclear =
        button(this, "cmdCGclear", text::cgClear, text::cgClearTip, QRect(16, below, 190, 24));
    cmdCGinvert = button(this, "cmdCGinvert", text::cgInvert, text::cgInvertTip,
                         QRect(16, below + 26, 190, 24));
    cmdSaveZeichen = button(this, "cmdSaveZeichen", text::saveZeichen, text::saveZeichenTip,
                            QRect(16, below + 56, 190, 24));
    cmdLoadZeichen = button(this, "cmdLoadZeichen", text::loadZeichen, text::loadZeichenTip,
                            QRect(16, below + 82, 190, 24));
    connect(cmdCGclear, &QPushButton::clicked, this, &CharPage::cmdCGclearClick);
    connect(cmdCGinvert, &QPushButton::clicked, this, &CharPage::cmdCGinvertClick);
    connect(cmdSaveZeichen, &QPushButton::clicked, this, &CharPage::cmdSaveZeichenClick);
    connect(cmdLoadZeichen, &QPushButton::clicked, this, &CharPage::cmdLoadZeichenClick);

    // The terminal side: address, place and the three transfer buttons.
    Frame13 = forms::frame(this, "Frame13", text::accessFrame, QRect(216, 30, 403, 150));
    auto* label7 = new QLabel(text::tauschLabel, Frame13);
    label7->setObjectName(QStringLiteral("Label7"));
    label7->setGeometry(10, 24, 90, 22);
    txtTauschAdresse = new QLineEdit(text::tauschStart, Frame13);
    forms::nameUncaptioned(txtTauschAdresse, QStringLiteral("txtTauschAdresse"));
    txtTauschAdresse->setToolTip(text::tauschTip);
    txtTauschAdresse->setMaxLength(3);
    txtTauschAdresse->setGeometry(104, 23, 44, 24);
    txtTauschAdresse->installEventFilter(this);
    label7->setBuddy(txtTauschAdresse);

    Frame2 = forms::frame(Frame13, "Frame2", text::cgramFrame, QRect(10, 54, 184, 86));
    for (int p = 0; p < kCgramPlaces; ++p) {
        auto* o = new QRadioButton(QString::number(p + 1), Frame2);
        o->setObjectName(QStringLiteral("optCGRAM_%1").arg(p));
        o->setGeometry(12 + (p % 4) * 42, 24 + (p / 4) * 28, 40, 24);
        // Also when the arrow keys move the selection.
        connect(o, &QRadioButton::toggled, this, [this, p](bool on) {
            if (on) optCGRAMClick(p);
        });
        optCGRAM[p] = o;
    }

    cmdSaveUserDefChar = button(Frame13, "cmdSaveUserDefChar", text::storeChar, text::storeCharTip,
                                QRect(204, 22, 189, 28));
    cmdEraseUserDefChar = button(Frame13, "cmdEraseUserDefChar", text::eraseChar.arg(1),
                                 text::eraseCharTip, QRect(204, 62, 189, 28));
    cmdEraseAllUserDefChar = button(Frame13, "cmdEraseAllUserDefChar", text::eraseAll,
                                    text::eraseAllTip, QRect(204, 102, 189, 28));
    connect(cmdSaveUserDefChar, &QPushButton::clicked, this, &CharPage::cmdSaveUserDefCharClick);
    connect(cmdEraseUserDefChar, &QPushButton::clicked, this, &CharPage::cmdEraseUserDefCharClick);
    connect(cmdEraseAllUserDefChar, &QPushButton::clicked, this,
            &CharPage::cmdEraseAllUserDefCharClick);

    auto* frame5 = forms::frame(this, "Frame5", text::explanationFrame, QRect(216, 186, 403, 148));
    auto* label6 = new QLabel(text::explanation, frame5);
    label6->setObjectName(QStringLiteral("Label6"));
    label6->setWordWrap(true);
    label6->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label6->setGeometry(10, 22, 383, 120);
}

bool CharPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtTauschAdresse && event->type() == QEvent::FocusOut)
        txtTauschAdresseValidate();
    return QWidget::eventFilter(watched, event);
}

void CharPage::startUp() {
    for (int i = 0; i < kPatternPixels; ++i)
        setPixel(i, false);
    optCGRAM[0]->setChecked(true);
    optCGRAMClick(0);
    txtTauschAdresse->setText(text::tauschStart);
}

int CharPage::selectedPlace() const {
    for (int p = 0; p < kCgramPlaces; ++p)
        if (optCGRAM[p]->isChecked()) return p;
    return 0;
}

void CharPage::setPixel(int index, bool on) {
    pattern_.setPixel(index, on);
    cmdPixel[index]->setStyleSheet(on ? kPixelOn : kPixelOff);
    updateHexCode(index / kPatternColumns);
}

void CharPage::updateHexCode(int row) {
    lblHexCode[row]->setText(hexCodeText(pattern_.rowCode(row)));
}

void CharPage::showPattern() {
    for (int i = 0; i < kPatternPixels; ++i)
        cmdPixel[i]->setStyleSheet(pattern_.pixel(i) ? kPixelOn : kPixelOff);
    for (int r = 0; r < kPatternRows; ++r)
        updateHexCode(r);
}

void CharPage::cmdPixelClick(int index) {
    setPixel(index, !pattern_.pixel(index));
}

void CharPage::cmdCGclearClick() {
    pattern_.clear();
    showPattern();
}

void CharPage::cmdCGinvertClick() {
    pattern_.invert();
    showPattern();
}

void CharPage::rotate(void (CharPattern::*move)()) {
    (pattern_.*move)();
    showPattern();
}

void CharPage::txtTauschAdresseValidate() {
    txtTauschAdresse->setText(normaliseTauschAdresse(txtTauschAdresse->text()));
}

void CharPage::optCGRAMClick(int index) {
    cmdEraseUserDefChar->setText(text::eraseChar.arg(index + 1));
}

void CharPage::cmdSaveZeichenClick() {
    Dialogs::FileDialog dialog{text::saveTitle, text::fileFilter, text::fileExt, false, true};
    const QString path = host_.dialogs().saveFileName(dialog);
    if (path.isEmpty()) return;
    // The file only ever holds an address the terminal takes, as the field shows once left.
    txtTauschAdresseValidate();
    const CharacterDefinition definition{selectedPlace(), txtTauschAdresse->text().toInt(),
                                         pattern_};
    const QString error = saveChrFile(path, definition);
    if (!error.isEmpty()) showFileFailure(host_.dialogs(), text::saveFailed, path, error);
}

void CharPage::cmdLoadZeichenClick() {
    Dialogs::FileDialog dialog{text::loadTitle, text::fileFilter, text::fileExt, true, false};
    const QString path = host_.dialogs().openFileName(dialog);
    if (path.isEmpty()) return;
    const ChrLoad load = loadChrFile(path);
    if (!load.definition) {
        showFileFailure(host_.dialogs(), text::loadFailed, path, load.error);
        return;
    }
    const CharacterDefinition& d = *load.definition;
    optCGRAM[d.place]->setChecked(true);
    optCGRAMClick(d.place);
    txtTauschAdresse->setText(QString::number(d.code));
    pattern_ = d.pattern;
    showPattern();
}

template <typename Operation>
void CharPage::runTransfer(const QString& status, Operation operation) {
    busy_ = true;
    const auto done = qScopeGuard([this] { busy_ = false; });
    OpResult result;
    const bool wasOpen = host_.port().isOpen();
    {
        StatusScope shown(host_, status);
        MonitorOff monitor(host_);
        InputHold held(host_);
        result = operation();
    }
    // Stays in the status line until the next operation clears it.
    if (result.status == OpResult::Status::TerminalFailed)
        host_.showStatus(text::noEcho.arg(result.done + 1).arg(result.total));
    // A silent terminal is not reported, a vanished port is: nothing more could reach it. A
    // port lost during the transfer has been told by the main window as it happened.
    if (result.status == OpResult::Status::PortLost && !wasOpen)
        host_.dialogs().message(portLostMessage(host_.port()), kAppTitle, Dialogs::Buttons::Ok,
                                Dialogs::Icon::Critical);
}

void CharPage::cmdSaveUserDefCharClick() {
    if (busy_) return;
    const int place = selectedPlace();
    const int code = tauschAdresseValue(txtTauschAdresse->text());
    if (!isTauschAdresse(code)) {
        StatusScope shown(host_, text::statusStore);
        host_.dialogs().message(text::invalidAddress, kAppTitle);
        return;
    }
    const CharacterRows rows = pattern_.rows();
    runTransfer(text::statusStore, [&] {
        const OpResult result = storeCharacter(host_.exchange(), place, code, rows);
        // A silent terminal may still have taken it; only what never left is not recorded.
        if (result.status != OpResult::Status::PortLost || result.done > 0)
            stored_[place] = {place, code, pattern_};
        return result;
    });
}

void CharPage::cmdEraseUserDefCharClick() {
    if (busy_) return;
    const int place = selectedPlace();
    const CharacterRows rows = pattern_.rows();
    stored_.erase(place);
    runTransfer(text::statusErase, [&] { return eraseCharacter(host_.exchange(), place, rows); });
}

void CharPage::cmdEraseAllUserDefCharClick() {
    if (busy_) return;
    const CharacterRows rows = pattern_.rows();
    stored_.clear();
    runTransfer(text::statusEraseAll, [&] { return eraseAllCharacters(host_.exchange(), rows); });
}
