#pragma once

#include <QDialog>

class QPushButton;

// The small modeless window that keeps a running animation or marquee going: "Beenden", the
// button losing the focus to another window of the program, and the close box all close it,
// and closing it emits unloaded() so that the running demo ends.
class dlgAnimationRunning : public QDialog {
    Q_OBJECT
  public:
    explicit dlgAnimationRunning(QWidget* parent = nullptr);

    QPushButton* OKButton;

  signals:
    void unloaded();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
