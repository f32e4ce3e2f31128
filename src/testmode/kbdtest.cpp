#include "testmode/kbdtest.h"

#include "link/flags.h"
#include "link/receivehandler.h"
#include "testmode/testsequence.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <utility>

KbdTest::KbdTest(ReceiveHandler& receiver, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("KbdTest"));
    setWindowTitle(QStringLiteral("PC-Tastatur Test"));
    setModal(true);
    setFixedSize(400, 150);
    auto* label1 =
        new QLabel(QStringLiteral("Drücken Sie nacheinander die Tasten F1 bis F4 am PT/BX"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setGeometry(12, 10, 376, 20);
    for (int k = 0; k < 4; ++k) {
        F[k] = new QLabel(QStringLiteral("F%1").arg(k + 1), this);
        F[k]->setObjectName(QStringLiteral("F_%1").arg(k));
        F[k]->setAccessibleName(F[k]->objectName());
        F[k]->setAlignment(Qt::AlignCenter);
        F[k]->setFrameShape(QFrame::Panel);
        F[k]->setFrameShadow(QFrame::Sunken);
        F[k]->setAutoFillBackground(true);
        F[k]->setGeometry(40 + 84 * k, 40, 60, 30);
    }
    auto* label2 = new QLabel(QStringLiteral("Klicken Sie danach OK"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setGeometry(12, 84, 200, 20);
    OKCommand = new QPushButton(QStringLiteral("OK"), this);
    OKCommand->setObjectName(QStringLiteral("OKCommand"));
    OKCommand->setGeometry(300, 110, 88, 28);
    OKCommand->setDefault(true);
    OKCommand->installEventFilter(this);
    connect(OKCommand, &QPushButton::clicked, this, &KbdTest::OKCommand_Click);
    connect(&receiver, &ReceiveHandler::keyCaptured, this, &KbdTest::takeKeys);
}

KbdTest::~KbdTest() {
    release();
}

void KbdTest::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!firstActivation_) return;
    firstActivation_ = false;
    auto& flags = LinkFlags::instance();
    flags.lastKeyReceived.clear();
    flags.keyCaptureActive = true;
}

void KbdTest::takeKeys() {
    auto& flags = LinkFlags::instance();
    if (!flags.keyCaptureActive || firstActivation_) return;
    for (const char c : flags.lastKeyReceived) {
        if (c < '1' || c > '4') continue;
        QLabel* key = F[c - '1'];
        key->clear();
        QPalette p = key->palette();
        p.setColor(QPalette::Window, QColor(0, 255, 0));
        key->setPalette(p);
    }
    flags.lastKeyReceived.clear();
}

bool KbdTest::eventFilter(QObject* watched, QEvent* event) {
    if (watched == OKCommand) {
        if (event->type() == QEvent::MouseButtonPress) releasedOver_ = shiftClick_ = false;
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            releasedOver_ = OKCommand->rect().contains(mouse->position().toPoint());
            shiftClick_ =
                mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ShiftModifier) != 0;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void KbdTest::OKCommand_Click() {
    // Only a mouse click on OK ends the test: Enter or Space, pressed out of habit while F1 to F4
    // are still to come, would end it at once and turn the row red.
    const bool byMouse = std::exchange(releasedOver_, false);
    const bool vouch = std::exchange(shiftClick_, false);
    if (!byMouse) return;
    // Shift + click: the operator vouches for all four keys.
    if (vouch)
        for (QLabel* key : F)
            key->clear();
    accept();
}

QString KbdTest::missingKeys() const {
    std::array<bool, 4> arrived{};
    for (int k = 0; k < 4; ++k)
        arrived[k] = F[k]->text().isEmpty();
    return testmode::missingKeysText(arrived);
}

void KbdTest::done(int result) {
    takeKeys(); // what arrived just before the close still counts
    release();
    QDialog::done(result);
}

void KbdTest::release() {
    auto& flags = LinkFlags::instance();
    flags.keyCaptureActive = false;
    flags.lastKeyReceived.clear();
}
