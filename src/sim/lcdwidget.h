#pragma once

#include "sim/terminalengine.h"

#include <QWidget>

// A dot-matrix character display: 5 x 8 dots per cell, CG-RAM characters drawn from their
// rows, the cursor as an underline in the eighth dot row while it is on.
class LcdWidget : public QWidget {
    Q_OBJECT
  public:
    explicit LcdWidget(QWidget* parent = nullptr);

    void setState(const TerminalState& state);
    const TerminalState& state() const { return state_; }

    // The dot rows a cell shows for a code in the current state.
    std::array<quint8, 8> cellRows(quint8 code) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // Dot pitch in pixels that makes the whole display fit into `area`.
    int pitchFor(QSize area) const;
    QSize displaySize(int pitch) const;

    TerminalState state_;
};
