#include "fixedtext/updown.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

UpDown::UpDown(int minimum, int maximum, QWidget* parent)
    : QWidget(parent), minimum_(minimum), maximum_(qMax(minimum, maximum)), value_(minimum),
      up_(new QToolButton(this)), down_(new QToolButton(this)) {
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const auto setUp = [this, layout](QToolButton* b, Qt::ArrowType arrow, const char* name) {
        b->setObjectName(QLatin1String(name));
        b->setArrowType(arrow);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::ClickFocus);
        b->setFocusProxy(this);
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        layout->addWidget(b);
    };
    setUp(up_, Qt::UpArrow, "up");
    setUp(down_, Qt::DownArrow, "down");
    connect(up_, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(down_, &QToolButton::clicked, this, &UpDown::stepDown);
}

void UpDown::setValue(int value) {
    value = qBound(minimum_, value, maximum_);
    if (value == value_) return;
    value_ = value;
    emit valueChanged(value_);
}

void UpDown::step(int direction) {
    setValue(value_ + direction);
    emit stepped(direction);
}

void UpDown::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up)
        stepUp();
    else if (event->key() == Qt::Key_Down)
        stepDown();
    else
        QWidget::keyPressEvent(event);
}
