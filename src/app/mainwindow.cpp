#include "app/mainwindow.h"

#include "app/about.h"
#include "app/displaygeometry.h"
#include "app/recipedialog.h"
#include "chars/charpage.h"
#include "control/controlops.h"
#include "control/devicepanel.h"
#include "control/textoutputpage.h"
#include "core/dialogs.h"
#include "core/displaytypes.h"
#include "core/fileio.h"
#include "core/forms.h"
#include "core/settings.h"
#include "core/twips.h"
#include "demos/demopage.h"
#include "fixedtext/fixedtextpage.h"
#include "keyboard/keyboardpage.h"
#include "link/commandexchange.h"
#include "link/devicemap.h"
#include "link/flags.h"
#include "link/portdialog.h"
#include "link/portlost.h"
#include "link/receivehandler.h"
#include "link/serialport.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>

namespace {

constexpr int kVersionMajor = 2;
constexpr int kVersionMinor = 2;

// Pages whose feature brings its own title leave titleName empty.
struct TabInfo {
    const char* caption;
    const char* tooltip;
    const char* titleName;
    const char* title;
};
const TabInfo kTabs[6] = {
    {"Einstellungen", "Programm-Einstellungen", "Label4", "Einstellungen"},
    {"Textausgabe", "Textausgabe und Tastaturabfrage", nullptr, nullptr},
    {"Festtext-Speicher", "Festtexte speichern und anzeigen", "Label2", "Festtexte"},
    {"Benutzerdefinierte Zeichen", "Benutzerdefinierte Zeichen", "Label3",
     "Benutzerdefinierte Zeichen"},
    {"Matrix-Tastatur", "Belegung der Matrixtasten und Konfiguration der Matrixtastatur", "Label1",
     "Tastaturbelegung"},
    {"Demonstration", nullptr, "Label15", "Demo"},
};

// A click, a key, the wheel or a context menu: what the operator does to a control.
bool isOperatorInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

// Page area of the tab strip, in pixels of the central widget.
constexpr QRect kPageArea(6, 30, 625, 340);

template <typename W> W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

QLabel* makeLabel(const QString& text, const QString& name, QWidget* parent, QRect geometry) {
    auto* l = named(new QLabel(text, parent), name);
    l->setGeometry(geometry);
    return l;
}

QPixmap builtInLogo(QSize size) {
    QPixmap pm(size);
    pm.fill(QColor(0x20, 0x30, 0x60));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QRect lcd = pm.rect().adjusted(16, 16, -16, -40);
    p.setBrush(QColor(0x9c, 0xc4, 0x3c));
    p.setPen(QPen(QColor(0x10, 0x10, 0x10), 3));
    p.drawRoundedRect(lcd, 6, 6);
    QFont f(QStringLiteral("Courier New"));
    f.setStyleHint(QFont::TypeWriter);
    f.setBold(true);
    f.setPixelSize(lcd.height() / 3);
    p.setFont(f);
    p.setPen(QColor(0x1c, 0x2c, 0x10));
    p.drawText(lcd, Qt::AlignCenter, QStringLiteral("PULTINO\nZEPTAL32"));
    QFont small = f;
    small.setPixelSize(14);
    p.setFont(small);
    p.setPen(Qt::white);
    p.drawText(QRect(0, size.height() - 36, size.width(), 30), Qt::AlignCenter,
               QStringLiteral("Bedienterminal-Software"));
    return pm;
}

} // namespace

QString MainWindow::title() {
    return QStringLiteral("ZEPTAL32   V. %1.%2").arg(kVersionMajor).arg(kVersionMinor);
}

MainWindow::MainWindow(SerialPort& port, Dialogs& dialogs, SettingsStore& settings,
                       DeviceMap& devices, QWidget* parent)
    : QMainWindow(parent), port_(port), dialogs_(dialogs), settings_(settings), devices_(devices),
      receiver_(new ReceiveHandler(port, this)),
      exchange_(new CommandExchange(*receiver_, dialogs, this)) {
    setObjectName(QStringLiteral("frmMain"));
    // The pages are laid out in fixed positions for a small dialog font.
    QFont small = font();
    small.setPointSizeF(8.25);
    setFont(small);
    exchange_->setUiEnabled = [this](bool enabled) { setExchangeBusy(!enabled); };
    qApp->installEventFilter(this);
    dimTimer_ = new QTimer(this);
    dimTimer_->setSingleShot(true);
    dimTimer_->setInterval(250);
    connect(dimTimer_, &QTimer::timeout, this, [this] {
        if (inputBlocked_ && !dimmed_) {
            dimmed_ = true;
            centralWidget()->setEnabled(false);
        }
    });
    connect(receiver_, &ReceiveHandler::monitorAppend, this, [this](const QString& text) {
        lblReceiveData->setText(trimMonitorText(lblReceiveData->text() + text));
    });
    quit = [] { QCoreApplication::exit(0); };
    connect(&port_, &SerialPort::lost, this, &MainWindow::onPortLost);
    buildShell();
    buildPages();
}

MainWindow::~MainWindow() = default;

// Disabling a window with hundreds of controls costs milliseconds, far more than an echo
// exchange of one byte; so input is dropped at once and the window only greys out when a wait
// (or a held operation) lasts. A run of short exchanges therefore neither flickers nor pays
// for repainting the window around every byte.
void MainWindow::setExchangeBusy(bool busy) {
    exchangeBusy_ = busy;
    updateInputBlock();
}

void MainWindow::holdInput(bool hold) {
    holdCount_ += hold ? 1 : -1;
    updateInputBlock();
}

void MainWindow::updateInputBlock() {
    inputBlocked_ = exchangeBusy_ || holdCount_ > 0;
    if (inputBlocked_) {
        if (!dimmed_ && !dimTimer_->isActive()) dimTimer_->start();
        return;
    }
    dimTimer_->stop();
    if (dimmed_) {
        dimmed_ = false;
        centralWidget()->setEnabled(true);
    }
    if (quitAfterWait_) {
        quitAfterWait_ = false;
        releaseAbort();
        if (quit) quit();
    }
}

void MainWindow::releaseAbort() {
    if (!abortSetHere_) return;
    abortSetHere_ = false;
    LinkFlags::instance().setAbortRequested(false);
}

bool MainWindow::abortByOperator(QEvent* event, QWidget* widget) {
    const bool escape = event->type() == QEvent::KeyPress &&
                        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    const bool close = event->type() == QEvent::Close && widget == this;
    const bool quitClick = event->type() == QEvent::MouseButtonRelease && widget == btnQuit_;
    if (!escape && !close && !quitClick) return false;
    abortSetHere_ = true;
    if (close || quitClick) quitAfterWait_ = true;
    LinkFlags::instance().setAbortRequested(true);
    return true;
}

void MainWindow::beginActivity(std::function<void()> stop) {
    activityStop_ = std::move(stop);
}

void MainWindow::endActivity() {
    activityStop_ = nullptr;
    if (!quitAfterActivity_) return;
    quitAfterActivity_ = false;
    if (quit) quit();
}

// During a demo the pages and the port settings stay out of reach; the tabs, the receive monitor
// and "Programm beenden" stay usable.
bool MainWindow::refusedDuringActivity(QObject* watched, QEvent* event) const {
    if (!isOperatorInput(event->type())) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->objectName() == QLatin1String("CommProps")) return true;
    for (int t = 1; t <= 6; ++t)
        if (Frame1[t] && Frame1[t]->isAncestorOf(widget)) return true;
    return false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!activityStop_) {
        QMainWindow::closeEvent(event);
        return;
    }
    // The demo's loop is further down the stack: it ends first, then the program.
    event->ignore();
    quitAfterActivity_ = true;
    activityStop_();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType()) return false;
    if (activityStop_ && refusedDuringActivity(watched, event)) {
        event->ignore();
        return true;
    }
    if (!inputBlocked_) {
        // The operator's next action after an abort starts afresh: the flag stays set until
        // then, so that every remaining step of the aborted operation ends at once.
        const auto type = event->type();
        if (abortSetHere_ && (type == QEvent::MouseButtonPress || type == QEvent::KeyPress) &&
            (watched == this || isAncestorOf(static_cast<QWidget*>(watched))))
            releaseAbort();
        if (watched == lblCopyright && type == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            lblCopyright_Click();
            return true;
        }
        return false;
    }
    // While a command waits, a shortcut being resolved or a close counts as input too.
    const auto type = event->type();
    if (!isOperatorInput(type) && type != QEvent::ShortcutOverride && type != QEvent::Close)
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != this && !isAncestorOf(widget)) return false;
    abortByOperator(event, widget);
    event->ignore();
    return true;
}

void MainWindow::buildShell() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);

    TabStrip1 = named(new QTabBar(central), QStringLiteral("TabStrip1"));
    TabStrip1->setGeometry(kPageArea.x(), 6, kPageArea.width(), 24);
    TabStrip1->setExpanding(false);
    TabStrip1->setUsesScrollButtons(false);
    TabStrip1->setElideMode(Qt::ElideNone);
    TabStrip1->setStyleSheet(QStringLiteral(
        "QTabBar::tab { padding: 3px 4px; border: 1px solid palette(mid); border-bottom: none; "
        "border-top-left-radius: 3px; border-top-right-radius: 3px; background: palette(button); } "
        "QTabBar::tab:selected { background: palette(window); }"));
    auto* pageFrame = named(new QFrame(central), QStringLiteral("TabClientArea"));
    pageFrame->setFrameShape(QFrame::StyledPanel);
    pageFrame->setGeometry(kPageArea.adjusted(-1, -1, 1, 1));
    for (int t = 1; t <= 6; ++t) {
        const TabInfo& info = kTabs[t - 1];
        TabStrip1->addTab(QString::fromUtf8(info.caption));
        if (info.tooltip) TabStrip1->setTabToolTip(t - 1, QString::fromUtf8(info.tooltip));
        Frame1[t] = named(new QWidget(central), QStringLiteral("Frame1_%1").arg(t));
        Frame1[t]->resize(kPageArea.size());
        if (!info.titleName) continue;
        forms::pageTitle(Frame1[t], info.titleName, QString::fromUtf8(info.title));
    }
    connect(TabStrip1, &QTabBar::currentChanged, this, [this] { TabStrip1_Click(); });

    // Visible on every tab.
    auto* Line1 = named(new QFrame(central), QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setGeometry(6, 374, 625, 3);
    makeLabel(QStringLiteral("Empfangene Daten:"), QStringLiteral("Label9"), central,
              QRect(6, 380, 110, 22));
    lblReceiveData =
        makeLabel(QString(), QStringLiteral("lblReceiveData"), central, QRect(118, 380, 400, 22));
    lblReceiveData->setAccessibleName(QStringLiteral("lblReceiveData"));
    lblReceiveData->setFrameShape(QFrame::Panel);
    lblReceiveData->setFrameShadow(QFrame::Sunken);
    lblReceiveData->setToolTip(QStringLiteral(
        "Hier werden die Zeichen angezeigt, die das Pultino zuückliefert, z.B. Tastencodes, aber "
        "auch Rückmeldungen bei EEPROM-Programmierfunktionen."));
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::TypeWriter);
    mono.setPixelSize(12);
    lblReceiveData->setFont(mono);
    auto* cmdClearReceived = named(new QPushButton(QStringLiteral("Löschen"), central),
                                   QStringLiteral("cmdClearReceived"));
    cmdClearReceived->setGeometry(524, 379, 107, 24);
    cmdClearReceived->setToolTip(
        QStringLiteral("Klicken Sie hier, um den angezeigten Empfangspuffer zu löschen."));
    connect(cmdClearReceived, &QPushButton::clicked, this, &MainWindow::cmdClearReceived_Click);

    auto* CommProps = named(new QPushButton(QStringLiteral("COM Einstellungen"), central),
                            QStringLiteral("CommProps"));
    CommProps->setGeometry(6, 410, 130, 26);
    connect(CommProps, &QPushButton::clicked, this, &MainWindow::CommProps_Click);
    lblCopyright =
        makeLabel(QString(), QStringLiteral("lblCopyright"), central, QRect(146, 406, 368, 34));
    lblCopyright->setAlignment(Qt::AlignCenter);
    auto* btnQuit = btnQuit_ = named(new QPushButton(QStringLiteral("Programm beenden"), central),
                                     QStringLiteral("btnQuit"));
    btnQuit->setGeometry(516, 410, 115, 26);
    connect(btnQuit, &QPushButton::clicked, this, &MainWindow::btnQuit_Click);

    // State labels: not shown; their texts feed the status bar and the geometry readers.
    lblCurrentCOM = makeLabel(QStringLiteral("COM?"), QStringLiteral("lblCurrentCOM"), central, {});
    lblCurrendBaud =
        makeLabel(QStringLiteral("????,N,8,2"), QStringLiteral("lblCurrendBaud"), central, {});
    lblCurrentDisplayCols =
        makeLabel(QStringLiteral("00"), QStringLiteral("lblCurrentDisplayCols"), central, {});
    lblCurrentDisplay =
        makeLabel(QStringLiteral("x"), QStringLiteral("lblCurrentDisplay"), central, {});
    lblCurrentDisplayRows =
        makeLabel(QStringLiteral("0"), QStringLiteral("lblCurrentDisplayRows"), central, {});
    for (QLabel* l : {lblCurrentCOM, lblCurrendBaud, lblCurrentDisplayCols, lblCurrentDisplay,
                      lblCurrentDisplayRows})
        l->hide();

    auto* bar = named(new QStatusBar(this), QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    setStatusBar(bar);
    const int widths[4] = {80, 60, 90, 0};
    for (int i = 0; i < 4; ++i) {
        panels_[i] = named(new QLabel(bar), QStringLiteral("StatusBar_Panel%1").arg(i + 1));
        panels_[i]->setFrameShape(QFrame::Panel);
        panels_[i]->setFrameShadow(QFrame::Sunken);
        if (widths[i]) panels_[i]->setMinimumWidth(widths[i]);
        bar->addWidget(panels_[i], widths[i] ? 0 : 1);
    }
}

void MainWindow::buildSettingsPage(QWidget* page) {
    auto* Frame3 = named(new QGroupBox(QStringLiteral("Programm-Einstellungen"), page),
                         QStringLiteral("Frame3"));
    Frame3->setGeometry(8, 30, 300, 112);
    makeLabel(QStringLiteral("COM-Port:"), QStringLiteral("Label11"), Frame3,
              QRect(10, 22, 90, 22));
    cboComPort = forms::list(
        Frame3, "cboComPort",
        QStringLiteral("Wählen Sie hier den COM-Port, an den Sie Ihr Pultino angeschlossen haben."),
        QRect(100, 20, 185, 24));
    for (int n = 1; n <= 8; ++n)
        cboComPort->addItem(QStringLiteral("COM%1").arg(n), n);
    makeLabel(QStringLiteral("Baudrate:"), QStringLiteral("Label10"), Frame3,
              QRect(10, 50, 90, 22));
    cboBaudrate = forms::list(
        Frame3, "cboBaudrate",
        QStringLiteral("Wählen Sie hier die gewünschte Baudrate. Standard ist 9600 Baud."),
        QRect(100, 48, 185, 24));
    const QStringList speeds = control::speedItems();
    for (int i = 0; i < speeds.size(); ++i)
        cboBaudrate->addItem(speeds[i], i);
    makeLabel(QStringLiteral("Display-Typ:"), QStringLiteral("lblDisplaytype"), Frame3,
              QRect(10, 78, 90, 22));
    cboDisplaytype = forms::list(Frame3, "cboDisplaytype", QString(), QRect(100, 76, 185, 24));
    for (const DisplayType& t : kDisplayTypes)
        cboDisplaytype->addItem(QString::fromLatin1(t.text), t.code);
    for (QComboBox* list : {cboComPort, cboBaudrate, cboDisplaytype})
        list->setCurrentIndex(-1);
    connect(cboComPort, &QComboBox::activated, this, [this] { cboComPort_Click(); });
    connect(cboBaudrate, &QComboBox::activated, this, [this] { cboBaudrate_Click(); });
    connect(cboDisplaytype, &QComboBox::activated, this, [this] { cboDisplaytype_Click(); });

    const QRect logoRect(318, 30, 298, 112);
    imgLogo = makeLabel(QString(), QStringLiteral("imgLogo"), page, logoRect);
    imgLogo->setPixmap(builtInLogo(logoRect.size()));
    imgOEMlogo = makeLabel(QString(), QStringLiteral("imgOEMlogo"), page, logoRect);
    imgOEMlogo->setScaledContents(true);
    imgOEMlogo->hide();
}

void MainWindow::buildPages() {
    buildSettingsPage(Frame1[1]);
    devicePanel_ = new DevicePanel(*this, cboBaudrate, cboDisplaytype, Frame1[1]);
    textOutputPage_ = new TextOutputPage(*this, Frame1[2]);
    fixedTextPage_ = new FixedTextPage(*this, Frame1[3]);
    charPage_ = new CharPage(*this, Frame1[4]);
    keyboardPage_ = new KeyboardPage(*this, Frame1[5]);
    connect(receiver_, &ReceiveHandler::chunkReceived, keyboardPage_, &KeyboardPage::lightReceived);
    demoPage_ = new DemoPage(*this, Frame1[6]);
    buildRecipeDialog();
}

void MainWindow::buildRecipeDialog() {
    RecipeWindow pages;
    pages.displayIndex = [this] { return cboDisplaytype->currentIndex(); };
    pages.speedCode = [this] { return qMax(0, cboBaudrate->currentIndex()); };
    pages.keyCodes = [this] { return keyboardPage_->fieldCodes(); };
    pages.keyboardMode = [this] { return keyboardPage_->keyboardMode(); };
    pages.storedCharacters = [this] { return charPage_->storedCharacters(); };
    pages.texts = [this]() -> const FixedTextStore& { return fixedTextPage_->store(); };
    // As if the operator had chosen them: the window lays texts out for the display the
    // terminal now has and talks at the speed it now listens at.
    pages.followDisplay = [this](int index) {
        selectEntry(cboDisplaytype, index, &MainWindow::cboDisplaytype_Click);
    };
    pages.followSpeed = [this](int code) {
        selectEntry(cboBaudrate, code, &MainWindow::cboBaudrate_Click);
        settings_.write(SettingsStore::kLineSettings, cboBaudrate->currentText());
    };
    recipeDialog_ = new RecipeDialog(*this, std::move(pages), this);
    auto* open = forms::button(devicePanel_->Frame4, "cmdRezept", QStringLiteral("Rezepte ..."),
                               QStringLiteral("Klicken Sie hier, um alle Einstellungen eines "
                                              "Pultinos als Rezept zu laden, anzuwenden oder zu "
                                              "speichern."),
                               {12, 86, 276, 28});
    connect(open, &QPushButton::clicked, recipeDialog_, &QDialog::show);
}

void MainWindow::selectEntry(QComboBox* list, int index, void (MainWindow::*handler)()) {
    if (index < 0 || index >= list->count()) return;
    list->setCurrentIndex(index);
    (this->*handler)();
}

void MainWindow::startUp() {
    setReceiveMonitor(true);
    setWindowTitle(title());
    lblCopyright->setText(title() + QStringLiteral("\nSoftware für Pultino Bedienterminals"));
    setFixedSize(637, 478);
    startingUp_ = true;

    // Stored values that cannot be applied are passed over.
    const QString com = settings_.read(SettingsStore::kComPort);
    if (!com.isEmpty()) {
        bool ok = false;
        const int n = com.trimmed().toInt(&ok);
        if (ok) port_.setPortNumber(n);
    }
    selectEntry(cboComPort, portEntry(port_.portNumber()), &MainWindow::cboComPort_Click);

    const QString line = settings_.read(SettingsStore::kLineSettings);
    if (!line.isEmpty()) port_.setSettings(line);
    selectEntry(cboBaudrate, 0, &MainWindow::cboBaudrate_Click);
    for (int i = 1; i < cboBaudrate->count(); ++i)
        if (cboBaudrate->itemText(i) == line)
            selectEntry(cboBaudrate, i, &MainWindow::cboBaudrate_Click);

    bool ok = false;
    int type =
        settings_.read(SettingsStore::kDisplayType, QStringLiteral("6")).trimmed().toInt(&ok);
    // Without a valid display type every page would work on a display of no size.
    if (!ok || type < 0 || type >= cboDisplaytype->count()) type = kDefaultDisplayTypeIndex;
    selectEntry(cboDisplaytype, type, &MainWindow::cboDisplaytype_Click);

    startingUp_ = false;
    const QStringList ignored = devices_.ignoredEntries();
    if (!ignored.isEmpty())
        dialogs_.message(QStringLiteral("In den Einstellungen steht unter %1 kein gültiger "
                                        "Gerätename. Der Eintrag wird nicht verwendet.")
                             .arg(ignored.join(QStringLiteral(", "))),
                         kAppTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    port_.open();
    updateStatusbar();
    if (!port_.isOpen()) {
        dialogs_.message(QStringLiteral("Schnittstelle COM%1 konnte nicht geöffnet werden!\r"
                                        "Bitte andere Schnittstelle einstellen!")
                             .arg(port_.portNumber()),
                         kAppTitle);
    }

    for (int t = 1; t <= 6; ++t) {
        Frame1[t]->move(kPageArea.topLeft());
        Frame1[t]->hide();
    }
    CurrentTab = 0;
    TabStrip1_Click();

    devicePanel_->lstBusAddress->setCurrentIndex(0);
    fixedTextPage_->startUp();
    charPage_->startUp();
    keyboardPage_->startUp();
    loadLogo();
}

void MainWindow::loadLogo() {
    // Through the bounded reader: a pipe or a device under that name must not stop the start.
    const fileio::ReadResult file = fileio::readFile(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("OEMLOGO.JPG")));
    QPixmap oem;
    if (!file.ok() || !oem.loadFromData(file.data)) return;
    imgOEMlogo->setPixmap(oem);
    imgLogo->hide();
    imgOEMlogo->show();
}

void MainWindow::showStatus(const QString& status) {
    panels_[3]->setText(status);
}
void MainWindow::clearStatus() {
    panels_[3]->clear();
}

QString MainWindow::panelText(int panel) const {
    return panels_[panel - 1]->text();
}

void MainWindow::updateStatusbar() {
    panels_[0]->setText(QStringLiteral("LCD ") + lblCurrentDisplayCols->text() +
                        lblCurrentDisplay->text() + lblCurrentDisplayRows->text() +
                        QLatin1Char(' '));
    panels_[1]->setText(lblCurrentCOM->text() +
                        (port_.isOpen() ? QStringLiteral(" ") : QStringLiteral(" geschlossen ")));
    panels_[2]->setText(lblCurrendBaud->text() + QLatin1Char(' '));
}

void MainWindow::setReceiveMonitor(bool enable) {
    LinkFlags::instance().showReceivedData = enable;
    lblReceiveData->clear();
}

void MainWindow::clearReceiveMonitor() {
    lblReceiveData->clear();
}
void MainWindow::cmdClearReceived_Click() {
    lblReceiveData->clear();
}

int MainWindow::displayColumns() const {
    return lblCurrentDisplayCols->text().toInt();
}
int MainWindow::displayRows() const {
    return lblCurrentDisplayRows->text().toInt();
}

void MainWindow::reapplyDisplayType() {
    SetDisplayType(cboDisplaytype->currentIndex());
}

void MainWindow::TabStrip1_Click() {
    const int t = TabStrip1->currentIndex() + 1;
    if (t == CurrentTab) return;
    Frame1[t]->show();
    if (CurrentTab != 0) Frame1[CurrentTab]->hide();
    CurrentTab = t;
    if (t == 6) demoPage_->pageShown();
}

void MainWindow::onPortLost() {
    updateStatusbar();
    dialogs_.message(portLostMessage(port_), kAppTitle, Dialogs::Buttons::Ok,
                     Dialogs::Icon::Warning);
}

int MainWindow::portEntry(int n) {
    const int found = cboComPort->findData(n);
    if (found >= 0 || n < 1 || n > DeviceMap::kPortCount) return found;
    int at = 0;
    while (at < cboComPort->count() && cboComPort->itemData(at).toInt() < n)
        ++at;
    cboComPort->insertItem(at, QStringLiteral("COM%1").arg(n), n);
    return at;
}

void MainWindow::cboComPort_Click() {
    lblCurrentCOM->setText(cboComPort->currentText());
    updateStatusbar();
    const bool wasOpen = port_.isOpen();
    port_.close();
    port_.setPortNumber(cboComPort->currentData().toInt());
    // A port that was lost (or never opened) opens again when the operator chooses it, even
    // the same one; start-up opens the port itself once all stored values are applied. When a
    // port that was closed before cannot be opened either, the choice is saved all the same: the
    // next start uses the port the window shows.
    if (wasOpen || !startingUp_) {
        port_.open();
        updateStatusbar();
        if (!port_.isOpen()) {
            dialogs_.message(QStringLiteral("COM Port konnte nicht geöffnet werden.\rCOM%1 wird "
                                            "evtl. bereits von einem anderen Programm verwendet")
                                 .arg(port_.portNumber()),
                             kAppTitle);
            if (wasOpen) return;
        }
    }
    settings_.write(SettingsStore::kComPort, QString::number(port_.portNumber()));
}

void MainWindow::cboBaudrate_Click() {
    devicePanel_->cmdSendBaudrate->setText(QStringLiteral("Pultino auf ") +
                                           cboBaudrate->currentText() +
                                           QStringLiteral(" konfigurieren"));
    lblCurrendBaud->setText(cboBaudrate->currentText());
    updateStatusbar();
    const bool wasOpen = port_.isOpen();
    port_.close();
    port_.setSettings(cboBaudrate->currentText());
    if (wasOpen) {
        port_.open();
        updateStatusbar();
        if (!port_.isOpen()) {
            dialogs_.message(QStringLiteral("COM Port konnte nicht wieder geöffnet werden."),
                             kAppTitle);
            return;
        }
    }
    settings_.write(SettingsStore::kLineSettings, port_.settings());
}

void MainWindow::cboDisplaytype_Click() {
    devicePanel_->cmdSendDisplayType->setText(QStringLiteral("Pultino für ") +
                                              cboDisplaytype->currentText() +
                                              QStringLiteral(" Display konfigurieren"));
    SetDisplayType(cboDisplaytype->currentIndex());
    settings_.write(SettingsStore::kDisplayType, QString::number(cboDisplaytype->currentIndex()));
}

void MainWindow::SetDisplayType(int index) {
    if (index < 0 || index >= cboDisplaytype->count()) return;
    const DisplayGeometry g = geometryFromItemText(cboDisplaytype->itemText(index));
    lblCurrentDisplayRows->setText(QString::number(g.rows));
    lblCurrentDisplayCols->setText(QString::number(g.columns));
    updateStatusbar();

    applyDisplayGeometry(*textOutputPage_, *fixedTextPage_, g.columns, g.rows);
}

void MainWindow::CommProps_Click() {
    PortDialog dialog(port_, settings_, devices_, dialogs_, this);
    dialog.exec();
    // Keep the lists and the status bar in step with what the dialog did to the port.
    lblCurrentCOM->setText(QStringLiteral("COM%1").arg(port_.portNumber()));
    lblCurrendBaud->setText(port_.settings());
    cboComPort->setCurrentIndex(portEntry(port_.portNumber()));
    const int speed = cboBaudrate->findText(port_.settings());
    if (speed >= 0) cboBaudrate->setCurrentIndex(speed);
    updateStatusbar();
}

void MainWindow::btnQuit_Click() {
    if (activityStop_) {
        quitAfterActivity_ = true;
        activityStop_();
        return;
    }
    if (quit) quit();
}

void MainWindow::lblCopyright_Click() {
    // The version has a line of its own there; the caption and the title name the program.
    AboutBox about(kAppTitle, kVersionMajor, kVersionMinor, settings_.fileName(), dialogs_, this);
    about.exec();
}
