#pragma once

#include "link/operation.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

class CommandExchange;

// The test and initialisation run of a freshly built terminal, without widgets: the test
// window and the command-line tool run the same steps over their own exchange.
namespace testmode {

// Rows of the run, in the order they run.
enum class Row { Link, Geometry, Keyboard, FixedTexts, FixedTextCheck, KeyTable, Spare };
inline constexpr int kTestCount = 7;
QString rowName(int row);

// The geometry the terminal is to be set up for.
struct TestSetup {
    int columns = 20;
    int rows = 4;
};

// What one step reports: its text ("OK", "abgebrochen", "FEHLER BEIM …") and its pass flag;
// `end` tells a step cut short by the operator or by a lost port from one that ran through.
struct StepResult {
    QString text = QStringLiteral("OK");
    bool good = true;
    OpResult::Status end = OpResult::Status::Done;
};

// What only the person at the bench can answer. The command-line tool may skip the two checks.
class TestPerson {
  public:
    virtual ~TestPerson() = default;
    // The link test got no answer: true to try again, false to cancel the whole run.
    virtual bool retryLinkTest(const QString& message) = 0;
    // The chosen geometry has no code of its own; the terminal has been set to 16x4.
    virtual void geometryNotSupported(const QString& message) = 0;
    // The keys F1 to F4 that never arrived, as "F2 F4 " (empty: all arrived); nullopt: skipped.
    virtual std::optional<QString> checkKeyboard() = 0;
    // Whether the display looks like demoPicture(columns, rows); nullopt: skipped.
    virtual std::optional<bool> checkDisplay(int columns, int rows) = 0;
};

// The single steps. `showMsgs` false keeps the exchange's time-out message away; the run
// always passes false and reports in the row instead.
StepResult linkTest(CommandExchange& exchange, bool showMsgs, TestPerson& person);
StepResult loadStandardKeyTable(CommandExchange& exchange, bool showMsgs);
StepResult setDisplayGeometry(CommandExchange& exchange, const TestSetup& setup,
                              TestPerson& person);
StepResult storeNumberedTexts(CommandExchange& exchange, bool showMsgs);
// Reads the fixed texts back and compares them with what storeNumberedTexts stored.
StepResult checkNumberedTexts(CommandExchange& exchange);

// Step `index` 0 to 3 as above (4 to 6 do nothing and pass); nothing is sent once the abort
// flag is set.
StepResult testFunction(CommandExchange& exchange, int index, bool showMsgs, const TestSetup& setup,
                        TestPerson& person);
// What row `row` checks, silently: the step its name says, with the person's check where the
// row has one.
StepResult runRow(CommandExchange& exchange, int row, const TestSetup& setup, TestPerson& person);

enum class RowState { Neutral, Running, Passed, Failed, Cancelled };
// Called when a row changes, with the text to show in it.
using RowCallback = std::function<void(int row, RowState state, const QString& text)>;

struct RunResult {
    std::array<RowState, kTestCount> rows{};
    bool portLost = false;
    bool allPassed() const;
};

// The whole run: every row in turn (a row after an abort or a lost port is cancelled without
// sending), then the end-of-run text on the exchange's port. The caller clears the abort flag
// when it opens the run, so that an abort requested before the first row still counts.
RunResult runTests(CommandExchange& exchange, const TestSetup& setup, TestPerson& person,
                   const RowCallback& onRow = {});

// The code step 2 sends for a geometry; nullopt for one the terminal has no code for.
std::optional<int> geometryCode(int columns, int rows);
// The stream after ESC "R": each text n its three-digit number, 0 after each, a final 0.
QByteArray numberedTextsImage();
// "Demo-Text": every row filled with the first `columns` characters of 0-9, A-Z, a-z, cursor
// on at the top left.
QByteArray demoText(int columns, int rows);
// The display lines demoText leaves (the cursor stands on row 0, column 0).
QStringList demoPicture(int columns, int rows);
QByteArray endOfRunText(int columns, int rows);
// "F1 F3 " for keys 0 and 2 missing; empty when all four arrived.
QString missingKeysText(const std::array<bool, 4>& arrived);

} // namespace testmode
