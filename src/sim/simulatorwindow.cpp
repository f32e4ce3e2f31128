#include "sim/simulatorwindow.h"

#include "sim/bytelogwidget.h"
#include "sim/keypadwidget.h"
#include "sim/lcdwidget.h"
#include "sim/linkbatcher.h"
#include "sim/terminallink.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

SimulatorWindow::SimulatorWindow(TerminalLink& link, const QString& devicePath, QWidget* parent)
    : QWidget(parent), link_(link) {
    setObjectName(QStringLiteral("frmPultinoSim"));
    setWindowTitle(devicePath.isEmpty() ? QStringLiteral("Pultino-Simulator")
                                        : QStringLiteral("Pultino-Simulator – %1").arg(devicePath));

    lcd_ = new LcdWidget(this);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblSimStatus"));
    // The state shows what the program sent; the path is whatever the system handed out.
    status_->setTextFormat(Qt::PlainText);
    auto* device = new QLabel(QStringLiteral("Anschluss: %1").arg(devicePath), this);
    device->setTextFormat(Qt::PlainText);
    device->setObjectName(QStringLiteral("lblSimDevice"));
    device->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* keys = new QGroupBox(QStringLiteral("Matrix-Tastatur"), this);
    keypad_ = new KeypadWidget(keys);
    (new QVBoxLayout(keys))->addWidget(keypad_);

    auto* line = new QGroupBox(QStringLiteral("Schnittstelle"), this);
    log_ = new ByteLogWidget(line);
    (new QVBoxLayout(line))->addWidget(log_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lcd_);
    layout->addWidget(status_);
    layout->addWidget(device);
    layout->addWidget(keys);
    layout->addWidget(line, 1);

    connect(keypad_, &KeypadWidget::keyPressed, this, [this](int k) { link_.pressKey(k); });
    // A transfer reports every byte from the terminal's thread; the window takes them in
    // batches, so it costs a few updates a frame rather than several events a byte.
    auto* batcher = new LinkBatcher(link_, this);
    connect(batcher, &LinkBatcher::frame, this,
            [this](const LinkBatcher::Traffic& traffic, bool stateChanged) {
                for (const auto& [direction, bytes] : traffic)
                    log_->append(direction, bytes);
                if (stateChanged) refresh();
            });
    refresh();
    resize(sizeHint().width(), 640);
}

QString SimulatorWindow::describe(const TerminalState& s) {
    QString text = QStringLiteral("Display %1x%2 · %3 Baud · Bus-Adresse %4%5 · Tastatur-Modus %6")
                       .arg(s.columns)
                       .arg(s.rows)
                       .arg(s.baud())
                       .arg(s.busAddress)
                       .arg(s.selected ? QString() : QStringLiteral(" (nicht selektiert)"))
                       .arg(s.keyboardMode);
    if (s.keyboardMode == 0)
        text += s.bufferedKey ? QStringLiteral(" · Puffer: %1h")
                                    .arg(QString::number(*s.bufferedKey, 16)
                                             .rightJustified(2, QLatin1Char('0'))
                                             .toUpper())
                              : QStringLiteral(" · Puffer leer");
    return text;
}

QString SimulatorWindow::statusText() const {
    return status_->text();
}

void SimulatorWindow::refresh() {
    const TerminalState s = link_.snapshot();
    lcd_->setState(s);
    keypad_->setKeyTable(s.keyTable);
    keypad_->setKeyboardMode(s.keyboardMode);
    status_->setText(describe(s));
}
