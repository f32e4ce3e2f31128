#pragma once

#include "core/numbers.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <optional>

inline constexpr int kFixedTextCount = 128;
inline constexpr int kFixedTextRows = 4;

// One fixed text: its display rows, top row first. Rows are never padded.
using FixedText = std::array<QString, kFixedTextRows>;

// The 128 fixed texts the program holds for the terminal's EEPROM. Rows beyond the current
// display's row count stay here untouched; only the operations decide how many rows they use.
class FixedTextStore {
  public:
    const QString& entry(int n, int row) const { return texts_.at(n).at(row); }
    void setEntry(int n, int row, const QString& text) { texts_.at(n).at(row) = text; }
    const FixedText& text(int n) const { return texts_.at(n); }
    void setText(int n, const FixedText& text) { texts_.at(n) = text; }

    void clearText(int n) { texts_.at(n) = FixedText{}; }
    void clear();
    // Text n becomes its number with three digits ("000" … "127") in row 0, other rows empty.
    void fillDefaults();

    bool operator==(const FixedTextStore&) const = default;

  private:
    std::array<FixedText, kFixedTextCount> texts_{};
};

// A 0 ends a text on the terminal: inside a text it would cut it and shift every later text by
// one. Replaces each such character with a blank and returns how many there were.
int blankTerminators(QString& text);

// The terminal's fixed-text image for a display of `rows` × `columns`: texts 0 up to the last
// one with a non-blank row, each row without trailing blanks, CR after a short row that is not
// the last, 0 after each text and one more 0 at the end. On a one-row display a blank text is
// sent as one blank, so that no text of the image is empty. A 0 inside a row goes out as a blank,
// so the image holds exactly one 0 per text and the closing one.
QByteArray buildFesttextImage(const FixedTextStore& store, int rows, int columns);

// The texts of a read-back reply (the image followed by its closing 0), split at the 0 bytes and
// wrapped at `columns`. Surplus rows and texts beyond the store are dropped. Texts the reply does
// not reach are not in the list, so applying it leaves them alone.
QList<FixedText> parseFesttextReply(const QByteArray& reply, int columns);
void applyFesttexts(FixedTextStore& store, const QList<FixedText>& texts);

// The first position at which the two differ (a position past the end of the shorter one counts
// as a difference), or nullopt when they are equal.
std::optional<qsizetype> firstDifference(const QByteArray& a, const QByteArray& b);
