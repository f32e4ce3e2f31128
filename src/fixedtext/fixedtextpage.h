#pragma once

#include "fixedtext/fixedtext.h"

#include <QWidget>
#include <optional>

class PageHost;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class UpDown;
struct OpResult;

// The tab "Festtext-Speicher": the editor of the fixed-text store, its file, and programming,
// reading back, verifying and calling up the texts in the terminal.
class FixedTextPage : public QWidget {
    Q_OBJECT
  public:
    explicit FixedTextPage(PageHost& host, QWidget* parent = nullptr);

    // The main window's display geometry code sizes, shows and empties these.
    QLineEdit* txtFesttext[kFixedTextRows];
    QGroupBox* frmFesttext;
    QWidget* FTUpDown;

    // Clamps id into 0..127 (and writes it back), shows that text in the editor fields.
    void showFesttext(int& id);
    FixedTextStore& store() { return store_; }
    int festtextNr() const { return festtextNr_; }
    // The page's part of the program start.
    void startUp();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();

    void txtFesttextValidate(int index);
    void ftUpDownStepped(int direction);
    void cmdSelectFTClick();
    void cmdClearFTWinClick();
    void cmdClearAllFTClick();
    void cmdDefaultFTClick();
    void ladeFesttexte();
    void cmdSaveFTClick();

    void cmdSendFTClick();
    void cmdVerifyFTClick();
    void cmdAuslesenFTClick();
    void cmdShowFTClick();
    void chkAutoIncFTToggled(int index, bool checked);
    void txtFTAbrufValidate();

    // The image read back after programming differs: the red label during the message.
    void showVerifyResult(const QByteArray& reply, const QByteArray& image);
    void setVerifyColor(const QColor& color);
    void setProgressVisible(bool visible);
    // A read that lost its port names the port in place of a guessed fault; true when it did.
    bool reportLostPort(const OpResult& result);

    PageHost& host_;
    FixedTextStore store_;
    int festtextNr_ = 0;
    // What the operator last typed into each editor field since the page last filled it.
    std::optional<QString> typed_[kFixedTextRows];
    // A line operation waits inside its click handler; a second one must not start meanwhile.
    bool busy_ = false;

    UpDown* ftUpDown_;
    QPushButton* cmdSelectFT;
    QPushButton* cmdClearFTWin;
    QPushButton* cmdClearAllFT;
    QPushButton* cmdDefaultFT;
    QPushButton* cmdLoadFT;
    QPushButton* cmdSaveFT;
    QPushButton* cmdSendFT;
    QPushButton* cmdVerifyFT;
    QPushButton* cmdAuslesenFT;
    QProgressBar* FTProgressBar;
    QLabel* lblFTProgCaption;
    QLabel* lblFesttextID;
    QLabel* lblVerifyFT;
    QLineEdit* txtFTAbruf;
    UpDown* FTSelect;
    QPushButton* cmdShowFT;
    QCheckBox* chkAutoIncFT[2];
};
