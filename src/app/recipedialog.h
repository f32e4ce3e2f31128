#pragma once

#include "chars/pattern.h"
#include "recipe/recipe.h"

#include <QDialog>
#include <functional>
#include <map>
#include <optional>

class FixedTextStore;
class PageHost;
class QLabel;
class QProgressBar;
class QPushButton;

// What the recipe dialog reads from the window's pages and how the window follows the terminal
// after a recipe changed its display type or speed.
struct RecipeWindow {
    std::function<int()> displayIndex;
    std::function<int()> speedCode;
    std::function<QByteArray()> keyCodes;
    std::function<int()> keyboardMode;
    std::function<std::map<int, CharacterDefinition>()> storedCharacters;
    std::function<const FixedTextStore&()> texts;
    std::function<void(int)> followDisplay;
    std::function<void(int)> followSpeed;
};

// dlgRezept: loads a recipe, applies it to the terminal step by step, and saves the window's
// current state as a recipe with its side files.
class RecipeDialog : public QDialog {
    Q_OBJECT
  public:
    RecipeDialog(PageHost& host, RecipeWindow window, QWidget* parent = nullptr);

    void cmdLoadRecipeClick();
    void cmdApplyRecipeClick();
    void cmdSaveRecipeClick();
    const std::optional<recipe::Plan>& plan() const { return plan_; }
    bool running() const { return running_; }

  protected:
    // Escape or closing while a recipe runs ends the running transfer, as in the main window.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void showPlan();
    // Reads the recipe again so that what goes out is what the files hold now.
    bool reload();

    PageHost& host_;
    RecipeWindow window_;
    std::optional<recipe::Plan> plan_;
    QString path_;
    bool running_ = false;
    bool abortSetHere_ = false;

    QLabel* lblRezept = nullptr;
    QPushButton* cmdLoadRecipe = nullptr;
    QPushButton* cmdApplyRecipe = nullptr;
    QPushButton* cmdSaveRecipe = nullptr;
    QPushButton* cmdCloseRecipe = nullptr;
    QProgressBar* prgRezept = nullptr;
};
