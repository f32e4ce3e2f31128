#pragma once

#include "fixedtext/fixedtext.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What differs between the fixed texts a terminal returned and the image the program built, in
// terms an operator can act on: which text, which row, and both versions of that row.

struct FesttextDifference {
    enum class Kind {
        Changed,           // the text is in both, a row differs
        MissingOnTerminal, // the file has the text, the terminal's image ends before it
        OnlyOnTerminal,    // the terminal holds a text beyond the file's last one
    };
    Kind kind = Kind::Changed;
    int text = 0;
    int row = 0; // the first differing row, 0 = top
    QString terminalRow;
    QString fileRow;
};

struct FesttextComparison {
    std::optional<qsizetype> offset; // the first differing byte; nullopt when identical
    int offsetText = 0;              // the text and row that byte lies in
    int offsetRow = 0;
    // The byte is the file's closing 0 or lies beyond it: after the file's last text.
    bool offsetAtEnd = false;
    int fileTexts = 0;               // texts in the file's image
    QList<FesttextDifference> texts; // every differing text, in text order

    bool identical() const { return !offset.has_value(); }
};

// Compares a read-back reply with the image (both ending with the closing 0) on a display of
// `columns` columns. The offset follows the byte-wise rule: a position past the end of the
// shorter one counts as a difference.
FesttextComparison compareFesttextImages(const QByteArray& terminal, const QByteArray& file,
                                         int columns);

// How many differing texts a report lists one by one before it only counts the rest.
inline constexpr int kListedDifferences = 10;

// The operator's report: the offset sentence, where it lies, then one line per differing text
// (at most `listed`, then how many more). Empty when identical.
QStringList comparisonReport(const FesttextComparison& comparison, int listed = kListedDifferences);
// One line for one differing text.
QString differenceLine(const FesttextDifference& difference);
// The whole comparison for a line's test system; rows counted from 1 as on the screen.
QJsonObject comparisonJson(const FesttextComparison& comparison);
