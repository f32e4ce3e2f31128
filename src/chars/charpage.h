#pragma once

#include "chars/pattern.h"

#include <QWidget>
#include <map>

class PageHost;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The tab "Benutzerdefinierte Zeichen": the 5 x 7 pattern editor, its .CHR file, and storing
// and erasing CG-RAM places in the terminal.
class CharPage : public QWidget {
    Q_OBJECT
  public:
    explicit CharPage(PageHost& host, QWidget* parent = nullptr);

    // The page's part of the program start: an empty pattern, place "1", address "127".
    void startUp();

    const CharPattern& pattern() const { return pattern_; }
    // The place whose option is selected, 0 when none is.
    int selectedPlace() const;
    // What this run stored in each CG-RAM place and has not erased since, by place.
    const std::map<int, CharacterDefinition>& storedCharacters() const { return stored_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();

    void setPixel(int index, bool on);
    void updateHexCode(int row);
    void showPattern();

    void cmdPixelClick(int index);
    void cmdCGclearClick();
    void cmdCGinvertClick();
    void rotate(void (CharPattern::*move)());
    void txtTauschAdresseValidate();
    void optCGRAMClick(int index);
    void cmdSaveZeichenClick();
    void cmdLoadZeichenClick();

    void cmdSaveUserDefCharClick();
    void cmdEraseUserDefCharClick();
    void cmdEraseAllUserDefCharClick();
    // Runs a terminal operation with the monitor off and the window's input held; a click on a
    // terminal button meanwhile is refused.
    template <typename Operation> void runTransfer(const QString& status, Operation operation);

    PageHost& host_;
    CharPattern pattern_;
    std::map<int, CharacterDefinition> stored_;
    bool busy_ = false;

    QPushButton* cmdPixel[kPatternPixels];
    QLabel* lblHexCode[kPatternRows];
    QPushButton* cmdCGclear;
    QPushButton* cmdCGinvert;
    QWidget* CGLeftRight;
    QWidget* CGUpDown;
    QPushButton* cmdSaveZeichen;
    QPushButton* cmdLoadZeichen;
    QGroupBox* Frame13;
    QLineEdit* txtTauschAdresse;
    QGroupBox* Frame2;
    QRadioButton* optCGRAM[kCgramPlaces];
    QPushButton* cmdSaveUserDefChar;
    QPushButton* cmdEraseUserDefChar;
    QPushButton* cmdEraseAllUserDefChar;
};
