#pragma once

#include <QString>
#include <optional>

// A number the operator typed, rounded to a whole number (halves to even). Either decimal mark
// is taken; nullopt for anything that is not a finite number.
std::optional<double> roundedNumber(const QString& text);

// The same, when it lies within [min, max].
std::optional<int> parseRoundedNumber(const QString& text, int min, int max);

// A whole number as a command line or a script writes it: decimal digits with an optional sign,
// leading zeros allowed ("+5", "007"), nothing else around it; nullopt when it is none or lies
// outside [min, max].
std::optional<int> parseWholeNumber(const QString& text, int min, int max);
