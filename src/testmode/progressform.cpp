#include "testmode/progressform.h"

#include "core/dialogs.h"
#include "link/commandexchange.h"
#include "link/flags.h"
#include "link/portlost.h"
#include "link/serialport.h"
#include "testmode/displaytest.h"
#include "testmode/kbdtest.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace testmode;

ProgressForm::ProgressForm(CommandExchange& exchange, ReceiveHandler& receiver, Dialogs& dialogs,
                           const TestSetup& setup, QWidget* parent)
    : QDialog(parent), exchange_(exchange), receiver_(receiver), dialogs_(dialogs), setup_(setup) {
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowTitle(QStringLiteral("Testlauf"));
    setModal(true);
    for (int i = 0; i < kTestCount; ++i) {
        TestLabel[i] = new QLabel(rowName(i), this);
        TestLabel[i]->setObjectName(QStringLiteral("TestLabel_%1").arg(i));
        TestLabel[i]->setGeometry(12, 12 + 28 * i, 170, 24);
        ResultLabel[i] = new QLabel(this);
        ResultLabel[i]->setObjectName(QStringLiteral("ResultLabel_%1").arg(i));
        ResultLabel[i]->setAccessibleName(ResultLabel[i]->objectName());
        ResultLabel[i]->setGeometry(186, 12 + 28 * i, 320, 24);
        ResultLabel[i]->setFrameShape(QFrame::Panel);
        ResultLabel[i]->setFrameShadow(QFrame::Sunken);
        ResultLabel[i]->setAutoFillBackground(true);
    }
    const int below = 12 + 28 * kTestCount + 4;
    // Empty until the key test reports the keys that never arrived.
    KbdTestResult = new QLabel(this);
    KbdTestResult->setObjectName(QStringLiteral("KbdTestResult"));
    KbdTestResult->setAccessibleName(KbdTestResult->objectName());
    KbdTestResult->setGeometry(12, below, 300, 24);
    CancelCommand = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelCommand->setObjectName(QStringLiteral("CancelCommand"));
    CancelCommand->setGeometry(418, below, 88, 28);
    connect(CancelCommand, &QPushButton::clicked, this, &ProgressForm::CancelCommand_Click);
    setFixedSize(518, below + 40);
    LinkFlags::instance().setAbortRequested(false);
}

void ProgressForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!firstActivation_) return;
    firstActivation_ = false;
    // The run starts once the dialog is on screen and its own event loop runs; "Abbrechen"
    // before that cancels it as well.
    running_ = true;
    QTimer::singleShot(0, this, &ProgressForm::runTests);
}

void ProgressForm::runTests() {
    result_ = testmode::runTests(
        exchange_, setup_, *this,
        [this](int row, RowState state, const QString& text) { showRow(row, state, text); });
    running_ = false;
    CancelCommand->setText(QStringLiteral("OK"));
    if (closeAfterRun_) {
        QDialog::reject();
        return;
    }
    if (result_.portLost) dialogs_.message(portLostMessage(exchange_.port()), kAppTitle);
}

void ProgressForm::showRow(int row, RowState state, const QString& text) {
    QColor colour;
    switch (state) {
    case RowState::Neutral:
    case RowState::Running:
        colour = palette().color(QPalette::Button);
        break;
    case RowState::Passed:
        colour = QColor(0, 255, 0);
        break;
    case RowState::Failed:
        colour = QColor(255, 0, 0);
        break;
    case RowState::Cancelled:
        colour = QColor(255, 255, 0);
        break;
    }
    QLabel* label = ResultLabel[row];
    QPalette p = label->palette();
    p.setColor(QPalette::Window, colour);
    label->setPalette(p);
    label->setText(text);
}

void ProgressForm::CancelCommand_Click() {
    if (running_)
        LinkFlags::instance().setAbortRequested(true);
    else
        QDialog::reject();
}

void ProgressForm::requestClose() {
    if (!running_) {
        QDialog::reject();
        return;
    }
    closeAfterRun_ = true;
    LinkFlags::instance().setAbortRequested(true);
}

// Escape and the window frame (through QDialog::closeEvent) end a running run first; the
// dialog never closes under it.
void ProgressForm::reject() {
    requestClose();
}

bool ProgressForm::retryLinkTest(const QString& message) {
    return dialogs_.message(message, kAppTitle, Dialogs::Buttons::RetryCancel) ==
           Dialogs::Answer::Retry;
}

void ProgressForm::geometryNotSupported(const QString& message) {
    dialogs_.message(message, QStringLiteral("ACHTUNG!"));
}

std::optional<QString> ProgressForm::checkKeyboard() {
    KbdTest test(receiver_, this);
    // Neither a lost port nor the end of the run leaves the operator pressing keys in vain.
    connect(&exchange_.port(), &SerialPort::lost, &test, &QDialog::reject);
    connect(&LinkFlags::instance(), &LinkFlags::abortRequestedChanged, &test, [&test](bool abort) {
        if (abort) test.reject();
    });
    test.exec();
    const QString missing = test.missingKeys();
    KbdTestResult->setText(missing);
    return missing;
}

std::optional<bool> ProgressForm::checkDisplay(int columns, int rows) {
    DisplayTest test(columns, rows, this);
    connect(&exchange_.port(), &SerialPort::lost, &test, &QDialog::reject);
    test.exec();
    return test.displayTestOk();
}
