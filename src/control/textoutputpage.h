#pragma once

#include <QWidget>

class PageHost;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The page of the tab "Textausgabe": up to four display lines sent to the terminal, clearing,
// and the cursor. The main window's display geometry sizes the line fields, shows as many as the
// display has rows, moves the four buttons beside the frame and fills the cursor lists; so those
// controls are public.
class TextOutputPage : public QWidget {
    Q_OBJECT
  public:
    explicit TextOutputPage(PageHost& host, QWidget* parent = nullptr);

    QLineEdit* txtOutput[4] = {};
    QGroupBox* frmDisplay = nullptr;
    QPushButton* cmdSendTextOutput = nullptr;
    QPushButton* cmdClearDisplay = nullptr;
    QPushButton* cmtClearTxtOutputFields = nullptr;
    QPushButton* cmdDefaultTexte = nullptr;
    QPushButton* cmdCursorEin = nullptr;
    QPushButton* cmdCursorAus = nullptr;
    QPushButton* cmdCursorSet = nullptr;
    QComboBox* lstRow = nullptr;
    QComboBox* lstCol = nullptr;

  private:
    void cmdSendTextOutput_Click();
    void cmdClearDisplay_Click();
    void cmdCursorEin_Click();
    void cmdCursorAus_Click();
    void cmdCursorSet_Click();
    void cmdDefaultTexte_Click();
    void cmtClearTxtOutputFields_Click();

    PageHost& host_;
};
