#include "demos/dlganimationrunning.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPushButton>
#include <QVBoxLayout>

dlgAnimationRunning::dlgAnimationRunning(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgAnimationRunning"));
    setWindowTitle(QStringLiteral("Animation..."));
    setModal(false);
    OKButton = new QPushButton(QStringLiteral("Beenden"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(OKButton);
    setFixedSize(220, 70);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::close);
    connect(this, &QDialog::finished, this, &dlgAnimationRunning::unloaded);
    OKButton->installEventFilter(this);
}

bool dlgAnimationRunning::eventFilter(QObject* watched, QEvent* event) {
    if (watched == OKButton && event->type() == QEvent::FocusOut && isVisible()) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another program coming to the front, or a tooltip or menu, is no decision to stop.
        const bool leftProgram =
            reason == Qt::ActiveWindowFocusReason && QApplication::activeWindow() == nullptr;
        if (!leftProgram && reason != Qt::PopupFocusReason) close();
    }
    return QDialog::eventFilter(watched, event);
}
