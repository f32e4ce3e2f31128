#include "demos/demopage.h"

#include "core/dialogs.h"
#include "core/forms.h"
#include "demos/demologic.h"
#include "demos/dlganimationrunning.h"
#include "link/pagehost.h"
#include "link/portlost.h"
#include "link/serialport.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>

namespace {

namespace text {
const auto selector = QStringLiteral("Demo-Auswahl");
const QString options[3] = {QStringLiteral("Balkengraphik"), QStringLiteral("Animation"),
                            QStringLiteral("Laufschrift")};
const auto barFrame = QStringLiteral("Balkengraphik");
const auto notes = QStringLiteral("Hinweise:");
const auto notesText = QStringLiteral(
    "Die Balkengraphik und Animation verwenden Benutzerdefinierte Zeichen zur Darstellung.\n"
    "Durch Starten einer dieser Demos werden  im Pultino gespeicherte Zeichendefinitionen "
    "überschrieben.\n"
    "Nach Ende der Demo werden die umdefinierten Zeichen nicht wieder zurückgesetzt, es "
    "empfiehlt sich dann ein Aufruf von \"Benutzerdefinierte Zeichen\" / \"Alle CG-RAMS auf "
    "Pultino löschen\"\n");
const auto barSymbols = QStringLiteral("Erstelle Balkengraphik-Symbole...");
const auto barReady = QStringLiteral("Balkengraphik: Bitte am Slider Wert einstellen!");
const auto animationSymbols = QStringLiteral("Erstelle Animations-Symbole...");
const auto animationRunning = QStringLiteral("Animation!");
const auto animationCaption = QStringLiteral("Animation...");
const auto tooFewRows =
    QStringLiteral("Für diese Animation ist ein mindestens zweizeiliges Display erforderlich!");
const auto errorTitle = QStringLiteral("Fehler");
const auto marquee = QStringLiteral("Laufschrift...");
const auto marqueeText = QStringLiteral("Text");
} // namespace text

// While a demo holds the terminal, the other pages' terminal controls are refused.
class ActivityScope {
  public:
    ActivityScope(PageHost& host, std::function<void()> stop) : host_(host) {
        host_.beginActivity(std::move(stop));
    }
    ~ActivityScope() { host_.endActivity(); }
    ActivityScope(const ActivityScope&) = delete;
    ActivityScope& operator=(const ActivityScope&) = delete;

  private:
    PageHost& host_;
};

} // namespace

DemoPage::DemoPage(PageHost& host, QWidget* parent)
    : QWidget(parent), host_(host),
      bargraph_({host.exchange(), clock_, [&host](bool on) { host.setReceiveMonitor(on); }}),
      DemoAnimation({host.exchange(), clock_, [&host](bool on) { host.setReceiveMonitor(on); }}),
      DemoLaufschrift({host.exchange(), clock_, {}}) {
    setObjectName(QStringLiteral("DemoPage"));
    resize(625, 340);

    auto* Frame17 = forms::frame(this, "Frame17", text::selector, QRect(10, 34, 200, 110));
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        optDemo[i] = new QRadioButton(text::options[i], Frame17);
        optDemo[i]->setObjectName(QStringLiteral("optDemo_%1").arg(i));
        optDemo[i]->setGeometry(14, 24 + 26 * i, 170, 22);
        group->addButton(optDemo[i], i);
        connect(optDemo[i], &QRadioButton::clicked, this, [this, i] { optDemo_Click(i); });
    }

    fraBargraph = forms::frame(this, "fraBargraph", text::barFrame, QRect(222, 34, 393, 110));
    sldBargraph = new QSlider(Qt::Horizontal, fraBargraph);
    sldBargraph->setObjectName(QStringLiteral("sldBargraph"));
    sldBargraph->setAccessibleName(QStringLiteral("sldBargraph"));
    sldBargraph->setGeometry(14, 44, 365, 24);
    sldBargraph->setRange(0, 5 * demo::kMaxBarCells);
    sldBargraph->installEventFilter(this);
    connect(sldBargraph, &QSlider::valueChanged, this, [this](int value) {
        if (barActive_) bargraph_.Paint(value);
    });
    fraBargraph->hide();

    auto* Frame16 = forms::frame(this, "Frame16", text::notes, QRect(10, 156, 605, 176));
    Text1 = new QPlainTextEdit(Frame16);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Text1"));
    Text1->setGeometry(10, 22, 585, 144);
    Text1->setPlainText(text::notesText);
    Text1->setReadOnly(true);

    bargraph_.displayRows = [this] { return host_.displayRows(); };
    dialog_ = new dlgAnimationRunning(parent ? parent->window() : nullptr);
    connect(dialog_, &dlgAnimationRunning::unloaded, this, [this] {
        DemoAnimation.Abort();
        DemoLaufschrift.Abort();
    });
    connect(&host_.port(), &SerialPort::lost, this, [this] {
        if (!barActive_) return; // a running animation or marquee sees the closed port itself
        endBargraph();           // the main window tells of the loss
    });
}

int DemoPage::sliderMaximum() const {
    return 5 * qMin(host_.displayColumns(), demo::kMaxBarCells);
}

void DemoPage::pageShown() {
    sldBargraph->setRange(0, sliderMaximum());
}

void DemoPage::deselect(int index) {
    // An exclusive group keeps one option checked; lifting that for a moment leaves none.
    QButtonGroup* group = optDemo[index]->group();
    group->setExclusive(false);
    optDemo[index]->setChecked(false);
    group->setExclusive(true);
    if (current_ == index) current_ = -1;
}

void DemoPage::reportPortLost() {
    // A port lost during the demo has been told by the main window as it happened; one that was
    // closed all along is told here.
    if (!portOpenAtStart_) host_.dialogs().message(portLostMessage(host_.port()), kAppTitle);
}

void DemoPage::optDemo_Click(int index) {
    // A demo never starts inside another; clicking the running one's option changes nothing.
    if (current_ == index) return;
    if (current_ >= 0 && !barActive_) {
        optDemo[current_]->setChecked(true);
        return;
    }
    fraBargraph->hide();
    if (barActive_) endBargraph();
    current_ = index;
    portOpenAtStart_ = host_.port().isOpen();
    switch (index) {
    case 0:
        startBargraph();
        break;
    case 1:
        startAnimation();
        break;
    default:
        startLaufschrift();
        break;
    }
}

void DemoPage::startBargraph() {
    host_.showStatus(text::barSymbols);
    fraBargraph->show();
    OpResult result;
    {
        ActivityScope activity(host_, [this] { bargraph_.abort(); });
        result = bargraph_.Init();
    }
    if (!result.ok()) {
        // "Erstelle ..." must not stay when nothing more is being made.
        host_.clearStatus();
        fraBargraph->hide();
        deselect(0);
        if (result.status == OpResult::Status::PortLost) reportPortLost();
        return;
    }
    bargraph_.setColumns(qMin(host_.displayColumns(), demo::kMaxBarCells));
    sldBargraph->setRange(0, bargraph_.MaxValue());
    host_.showStatus(text::barReady);
    barActive_ = true;
    sldBargraph->setFocus(Qt::OtherFocusReason);
}

void DemoPage::endBargraph() {
    barActive_ = false;
    fraBargraph->hide();
    deselect(0);
}

bool DemoPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == sldBargraph && event->type() == QEvent::FocusOut && barActive_) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Only focus that moves inside the program ends the bar; a look at another window does not.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) endBargraph();
    }
    return QWidget::eventFilter(watched, event);
}

void DemoPage::showStopDialog(const QString& caption) {
    dialog_->setWindowTitle(caption);
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

void DemoPage::closeStopDialog() {
    if (dialog_->isVisible()) dialog_->close();
}

void DemoPage::startAnimation() {
    ActivityScope activity(host_, [this] { DemoAnimation.Abort(); });
    host_.showStatus(text::animationSymbols);
    const OpResult defined = DemoAnimation.Init(0);
    if (!defined.ok()) {
        host_.clearStatus();
        deselect(1);
        if (defined.status == OpResult::Status::PortLost) reportPortLost();
        return;
    }
    DemoAnimation.setColumns(host_.displayColumns());
    DemoAnimation.setRows(host_.displayRows());
    host_.showStatus(text::animationRunning);
    const DemoEnd end = DemoAnimation.Run([this] { showStopDialog(text::animationCaption); });
    closeStopDialog();
    if (end == DemoEnd::TooFewRows)
        host_.dialogs().message(text::tooFewRows, text::errorTitle, Dialogs::Buttons::Ok,
                                Dialogs::Icon::Critical);
    deselect(1);
    if (end == DemoEnd::PortLost) reportPortLost();
}

void DemoPage::startLaufschrift() {
    ActivityScope activity(host_, [this] { DemoLaufschrift.Abort(); });
    host_.showStatus(text::marquee);
    DemoLaufschrift.Init();
    DemoLaufschrift.setText(text::marqueeText);
    DemoLaufschrift.setColumns(host_.displayColumns());
    DemoLaufschrift.setRows(host_.displayRows());
    const DemoEnd end = DemoLaufschrift.Run([this] { showStopDialog(text::marquee); });
    closeStopDialog();
    deselect(2);
    if (end == DemoEnd::PortLost) reportPortLost();
}
