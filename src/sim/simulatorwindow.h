#pragma once

#include "sim/terminalengine.h"

#include <QWidget>

class ByteLogWidget;
class KeypadWidget;
class LcdWidget;
class QLabel;
class TerminalLink;

// The simulated terminal as a person sees it: the display, the key matrix, what the terminal
// keeps (display type, speed, bus address, keyboard mode) and a log of the line.
class SimulatorWindow : public QWidget {
    Q_OBJECT
  public:
    // `link` may live in another thread; it must outlive the window.
    SimulatorWindow(TerminalLink& link, const QString& devicePath, QWidget* parent = nullptr);

    LcdWidget* lcd() const { return lcd_; }
    KeypadWidget* keypad() const { return keypad_; }
    ByteLogWidget* log() const { return log_; }
    // The status line under the display, e.g. "20x4 · 9600 Baud · Adresse 0 · Tastatur 2".
    QString statusText() const;

    // Reads the terminal's state now instead of at the next refresh.
    void refresh();

    static QString describe(const TerminalState& state);

  private:
    TerminalLink& link_;
    LcdWidget* lcd_;
    KeypadWidget* keypad_;
    ByteLogWidget* log_;
    QLabel* status_;
};
