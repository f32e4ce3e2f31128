#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;

// "Display-Testbild": shows the display as it must look after "Demo-Text" and asks the
// operator whether the terminal's display looks the same. Only "Ja" counts as yes.
class DisplayTest : public QDialog {
    Q_OBJECT
  public:
    DisplayTest(int columns, int rows, QWidget* parent = nullptr);

    QLabel* Image1;
    QPushButton* Command1;
    QPushButton* Command2;

    bool displayTestOk() const { return displayTestOk_; }

    // The display of `columns` × `rows` after "Demo-Text", drawn as an LCD with the cursor
    // under the top left character.
    static QPixmap picture(int columns, int rows);

  private:
    bool displayTestOk_ = false;
};
