#pragma once

#include "testmode/testsequence.h"

#include <QDialog>

class CommandExchange;
class Dialogs;
class QLabel;
class QPushButton;
class ReceiveHandler;

// "Testlauf": runs the test rows when first shown, one coloured result per row. It is the
// person of the run: it asks the Retry/Cancel question and opens the keyboard and display
// checks. Closing it during a run aborts the run; it closes once the run has ended.
class ProgressForm : public QDialog, public testmode::TestPerson {
    Q_OBJECT
  public:
    ProgressForm(CommandExchange& exchange, ReceiveHandler& receiver, Dialogs& dialogs,
                 const testmode::TestSetup& setup, QWidget* parent = nullptr);

    QLabel* TestLabel[testmode::kTestCount];
    QLabel* ResultLabel[testmode::kTestCount];
    QLabel* KbdTestResult;
    QPushButton* CancelCommand;

    bool running() const { return running_; }
    // Ends a running run and closes the dialog after it; closes at once otherwise.
    void requestClose();
    const testmode::RunResult& result() const { return result_; }

    void CancelCommand_Click();
    void reject() override;

    // TestPerson
    bool retryLinkTest(const QString& message) override;
    void geometryNotSupported(const QString& message) override;
    std::optional<QString> checkKeyboard() override;
    std::optional<bool> checkDisplay(int columns, int rows) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void runTests();
    void showRow(int row, testmode::RowState state, const QString& text);

    CommandExchange& exchange_;
    ReceiveHandler& receiver_;
    Dialogs& dialogs_;
    testmode::TestSetup setup_;
    testmode::RunResult result_;
    bool firstActivation_ = true;
    bool running_ = false;
    bool closeAfterRun_ = false;
};
