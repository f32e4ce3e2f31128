#pragma once

#include <QWidget>

class QToolButton;

// A bare pair of arrow buttons holding a value in a range, for places where the number is shown
// elsewhere or not at all. Clicking an arrow takes the focus, so that a field being edited is
// left (and validated) before the value changes.
class UpDown : public QWidget {
    Q_OBJECT
  public:
    UpDown(int minimum, int maximum, QWidget* parent = nullptr);

    int value() const { return value_; }
    // Emits valueChanged only when the value really changes.
    void setValue(int value);
    // An arrow click or key: emits stepped every time, valueChanged when the value moves.
    void stepUp() { step(+1); }
    void stepDown() { step(-1); }

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

  signals:
    void valueChanged(int value);
    // +1 for the up arrow, -1 for the down arrow, on every click, also at the ends of the range.
    void stepped(int direction);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void step(int direction);

    int minimum_;
    int maximum_;
    int value_;
    QToolButton* up_;
    QToolButton* down_;
};
