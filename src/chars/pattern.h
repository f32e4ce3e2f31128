#pragma once

#include "chars/cgram.h"

#include <QByteArray>
#include <QString>
#include <optional>

inline constexpr int kPatternColumns = 5;
inline constexpr int kPatternPixels = kPatternRows * kPatternColumns;
// The codes a user-defined character may replace; below them lie the control codes.
inline constexpr int kFirstTauschAdresse = 32;
inline constexpr int kLastTauschAdresse = 127;

// A 5 x 7 character pattern. Pixel index = row * 5 + column, row 0 at the top, column 0 at the
// left. A row code has the leftmost pixel in bit 4 and the rightmost in bit 0.
class CharPattern {
  public:
    CharPattern() = default;
    // Bits 5 to 7 of the row bytes are not part of a row.
    static CharPattern fromRows(const CharacterRows& rows);

    bool pixel(int index) const;
    bool pixel(int row, int column) const;
    void setPixel(int index, bool on);
    void toggle(int index);

    void clear() { rows_ = {}; }
    void invert();
    // Every row one column to the left (or right), the pixel pushed out coming in at the other
    // end; likewise every column one row up (or down).
    void rotateLeft();
    void rotateRight();
    void rotateUp();
    void rotateDown();

    int rowCode(int row) const { return rows_[row]; }
    const CharacterRows& rows() const { return rows_; }
    int litCount() const;

    bool operator==(const CharPattern& other) const = default;

  private:
    CharacterRows rows_{};
};

// "&H" and the row code as two upper-case hexadecimal digits: "&H00" .. "&H1F".
QString hexCodeText(int rowCode);

// What the Tausch-Adresse field holds once it has been left: empty is 127; a number is rounded
// (halves to even) and brought into 32..127; anything else, a negative number included, is 32.
QString normaliseTauschAdresse(const QString& text);

// The field's text as the store command takes it: a whole number (rounded, halves to even)
// within the 16-bit range, else 0. Values outside 32..127 are refused by the caller.
int tauschAdresseValue(const QString& text);
bool isTauschAdresse(int code);

// One character definition as the .CHR file keeps it.
struct CharacterDefinition {
    int place = 0;  // CG-RAM place 0..7
    int code = 127; // Tausch-Adresse 32..127
    CharPattern pattern;
    bool operator==(const CharacterDefinition& other) const = default;
};

inline constexpr int kChrRecordSize = 10;

// place, code, the seven row codes and the unused eighth row as 0.
QByteArray chrRecord(const CharacterDefinition& definition);
// The first ten bytes of `data` with the loader's corrections: a place above 7 is 0, the code is
// brought into 32..127, bits 5 to 7 of the rows and the tenth byte are ignored. nullopt when
// there are fewer than ten bytes.
std::optional<CharacterDefinition> parseChrRecord(const QByteArray& data);

struct ChrLoad {
    std::optional<CharacterDefinition> definition;
    QString error; // the reason, when there is no definition
};

// Reads the file whole first, so a file that cannot be read or is too short changes nothing.
ChrLoad loadChrFile(const QString& path);
// The same for a file's bytes already read whole.
ChrLoad chrFromFile(const QByteArray& data);
// The ten bytes replace the file only once all of them are written. Returns the reason of a
// failure, or an empty text.
QString saveChrFile(const QString& path, const CharacterDefinition& definition);
