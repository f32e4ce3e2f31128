#pragma once

#include "chars/pattern.h"
#include "fixedtext/textcompare.h"
#include "link/operation.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class CommandExchange;

// A recipe (.pultino, UTF-8 JSON) names everything one terminal gets: display type, key table,
// keyboard mode, characters, fixed texts and line speed, each optional. Loading parses and checks
// it and reads every file it names before a port is even opened; applying runs the plan's steps
// through the same operations as the pages' buttons, in an order that cannot leave the terminal
// unreachable: the line speed comes last, and the program follows the terminal to it.
namespace recipe {

inline constexpr int kFormat = 1;
inline const QString kExtension = QStringLiteral(".pultino");

enum class StepKind { Display, KeyTable, KeyboardMode, Characters, Texts, Speed };

struct FileDigest {
    QString entry;     // the recipe entry that names it: "keyTable", "characters[1]", "texts"
    QString path;      // absolute path as loaded
    QByteArray sha256; // lower-case hex
};

struct Step {
    StepKind kind = StepKind::Display;
    QString title;          // German, for status lines and reports, e.g. "Tastaturtabelle"
    QString detail;         // what the step sends, e.g. "LINIE3.TST" or "40x4"
    qsizetype bytes = 0;    // bytes this step sends
    qsizetype received = 0; // bytes it awaits back (echoes, replies), for the time estimate
    int pauseMs = 0;        // pauses the operations take

    int displayIndex = -1;                 // Display: entry of the display type list
    QByteArray keyTable;                   // KeyTable: 32 codes
    int keyboardMode = 0;                  // KeyboardMode: 0..7
    QList<CharacterDefinition> characters; // Characters, in the recipe's order
    QByteArray image;                      // Texts: the fixed-text image
    int speedCode = 0;                     // Speed: index into control::speedItems()
};

struct Plan {
    QString name;      // recipe "name"
    QString path;      // recipe file, absolute
    QByteArray sha256; // of the recipe file, lower-case hex
    QList<FileDigest> files;
    QList<Step> steps;    // in the fixed order; only the entries the recipe has
    int displayIndex = 0; // the display the texts are laid out for
    QStringList notes;    // harmless things worth telling (0 characters loaded as blanks)

    const Step* find(StepKind kind) const;
};

struct LoadResult {
    std::optional<Plan> plan;
    QString error; // German, names the entry (and line/column for a JSON error); empty when fine
};

// Parses, checks and loads every file the recipe names through the bounded file reader. No
// port. Texts are laid out for the recipe's display, or for `fallbackDisplayIndex` when it names
// none.
LoadResult loadPlan(const QString& recipePath, int fallbackDisplayIndex);
LoadResult loadPlan(const QString& recipePath);

// What a step did, with the operator's words for a failure.
struct StepRun {
    OpResult result;
    QString failure;                              // German, empty when the step went through
    std::optional<FesttextComparison> comparison; // Texts: the read-back compared
};

// Runs step `index` of `plan` on the open port of `exchange` through the existing operations.
// The Speed step also switches the exchange's port to the new speed. Progress is reported in
// the step's own units; result.done = what was completed when it failed (the offset).
StepRun runPlanStep(const Plan& plan, int index, CommandExchange& exchange,
                    const Progress& progress = {});
OpResult runStep(const Plan& plan, int index, CommandExchange& exchange,
                 const Progress& progress = {});

// The time a step takes on the line at `baud` (11 bit times a byte both ways, and its pauses).
qint64 estimatedMs(const Step& step, int baud);

// What a recipe holds, for writing one.
struct Contents {
    QString name;
    std::optional<int> displayIndex;
    QString keyTable; // file names relative to the recipe's folder; empty = no entry
    std::optional<int> keyboardMode;
    QStringList characters;
    QString texts;
    std::optional<int> speedCode;
};
// The recipe file's bytes: the entries in the order they are applied, indented, UTF-8.
QByteArray recipeDocument(const Contents& contents);

// Line and column (both from 1) of a byte offset in UTF-8 text, columns counted in characters.
QPair<int, int> lineAndColumn(const QByteArray& utf8, qsizetype offset);

} // namespace recipe
