#include "sim/keypadwidget.h"

#include "core/win1252.h"

#include <QGridLayout>
#include <QPushButton>

namespace {
constexpr int kRows = 4;
constexpr int kColumns = 8;
} // namespace

KeypadWidget::KeypadWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("keypad"));
    auto* grid = new QGridLayout(this);
    grid->setSpacing(4);
    for (int k = 0; k < kRows * kColumns; ++k) {
        auto* b = new QPushButton(this);
        b->setObjectName(QStringLiteral("key_%1").arg(k));
        b->setAccessibleName(b->objectName());
        b->setMinimumSize(52, 40);
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolTip(QStringLiteral("Taste %1 (Zeile %2, Spalte %3)")
                          .arg(k)
                          .arg(k / kColumns + 1)
                          .arg(k % kColumns + 1));
        // pressed() rather than clicked(): a key sends when it goes down, and auto-repeat
        // sends again while it is held.
        connect(b, &QPushButton::pressed, this, [this, k] { emit keyPressed(k); });
        grid->addWidget(b, k / kColumns, k % kColumns);
        buttons_.append(b);
    }
    setKeyboardMode(2);
}

QString KeypadWidget::caption(quint8 code) {
    QString text =
        QString::number(code, 16).rightJustified(2, QLatin1Char('0')).toUpper() + QLatin1Char('h');
    const QString shown = win1252::decode(QByteArray(1, static_cast<char>(code)));
    if (code > 32 && shown[0].isPrint()) text += QLatin1Char('\n') + shown;
    return text;
}

void KeypadWidget::setKeyTable(const QByteArray& table) {
    if (table == table_) return;
    table_ = table;
    for (int k = 0; k < buttons_.size() && k < table.size(); ++k) {
        buttons_[k]->setText(caption(static_cast<quint8>(table[k])));
        // "&" would become a mnemonic otherwise.
        buttons_[k]->setText(buttons_[k]->text().replace(QLatin1Char('&'), QStringLiteral("&&")));
    }
}

void KeypadWidget::setKeyboardMode(int mode) {
    if (mode == mode_) return;
    mode_ = mode;
    const bool repeat = mode >= 2;
    for (auto* b : buttons_) {
        b->setAutoRepeat(repeat);
        b->setAutoRepeatDelay(400);
        b->setAutoRepeatInterval(repeat ? 40 + (mode - 2) * 60 : 100);
    }
}
