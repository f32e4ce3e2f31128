#pragma once

#include "keyboard/keytable.h"

#include <QByteArray>
#include <QWidget>

class PageHost;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

// The tab "Matrix-Tastatur": the key-table editor and its file, loading the table or the
// standard table into the terminal, and the keyboard mode.
class KeyboardPage : public QWidget {
    Q_OBJECT
  public:
    explicit KeyboardPage(PageHost& host, QWidget* parent = nullptr);

    // The page's part of the program start: the default table, repeat mode 2 selected.
    void startUp();
    // Bytes received from the terminal: while the page is shown and the monitor shows them,
    // every field whose code arrived lights up for a moment.
    void lightReceived(const QByteArray& chunk);
    bool isLit(int key) const;
    // The 32 codes the fields hold, read by the fields' rules.
    QByteArray fieldCodes() const { return keyCodes(texts()); }
    // The keyboard mode whose option is selected.
    int keyboardMode() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    QStringList texts() const;
    void setTexts(const QStringList& texts);
    void setLit(int key, bool lit);

    void txtTasteValidate(int index);
    void cmdHexAsciiClick(int index);
    void cmdLoadKbdTabelleClick();
    void cmdSaveKbdTabelleClick();
    void cmdSendKbdTableClick();
    void cmdClearKbdTableClick();
    void cmdSetKbdModeClick();
    void optMatrixClick(int index);
    // Sends kbdTable_ with the monitor off and the window held; tells the operator of a failure.
    void sendKbdTable(const QString& status);

    PageHost& host_;
    // The staging copy of one transfer.
    QByteArray kbdTable_;
    // A transfer waits inside its click handler; a second one must not start meanwhile.
    bool busy_ = false;

    QLineEdit* txtTaste_[kKeyCount];
    QTimer* lightTimers_[kKeyCount];
    QRadioButton* optMatrix_[8];
    QPushButton* cmdSetKbdMode_;
};
