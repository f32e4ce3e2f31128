#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class ReceiveHandler;

// "PC-Tastatur Test": the operator presses F1 to F4 on the terminal; each key that arrives
// over the line turns its label green and empties it. Key capture runs from the first showing
// until the dialog closes, and is released on every way out.
class KbdTest : public QDialog {
    Q_OBJECT
  public:
    explicit KbdTest(ReceiveHandler& receiver, QWidget* parent = nullptr);
    ~KbdTest() override;

    QLabel* F[4];
    QPushButton* OKCommand;

    // The captions of the keys that never arrived, each followed by a blank ("F2 F4 ").
    QString missingKeys() const;

    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void takeKeys();
    void OKCommand_Click();
    void release();

    bool firstActivation_ = true;
    bool shiftClick_ = false;
    bool releasedOver_ = false; // the mouse button went up over OK
};
