#include "chars/pattern.h"

#include "core/fileio.h"
#include "core/numbers.h"

#include <algorithm>
#include <limits>

namespace {

constexpr quint8 kRowMask = 0x1F;

quint8 bitOf(int column) {
    return static_cast<quint8>(1 << (kPatternColumns - 1 - column));
}

const auto tooShort = QStringLiteral(
    "Die Datei ist kürzer als %1 Bytes und enthält keine vollständige Zeichendefinition.");

} // namespace

CharPattern CharPattern::fromRows(const CharacterRows& rows) {
    CharPattern p;
    for (int r = 0; r < kPatternRows; ++r)
        p.rows_[r] = rows[r] & kRowMask;
    return p;
}

bool CharPattern::pixel(int row, int column) const {
    return rows_[row] & bitOf(column);
}

bool CharPattern::pixel(int index) const {
    return pixel(index / kPatternColumns, index % kPatternColumns);
}

void CharPattern::setPixel(int index, bool on) {
    quint8& row = rows_[index / kPatternColumns];
    const quint8 bit = bitOf(index % kPatternColumns);
    row = on ? (row | bit) : (row & ~bit);
}

void CharPattern::toggle(int index) {
    setPixel(index, !pixel(index));
}

void CharPattern::invert() {
    for (quint8& row : rows_)
        row ^= kRowMask;
}

// Bit 4 is the leftmost pixel, so moving left is a shift towards bit 4.
void CharPattern::rotateLeft() {
    for (quint8& row : rows_)
        row = ((row << 1) | (row >> (kPatternColumns - 1))) & kRowMask;
}

void CharPattern::rotateRight() {
    for (quint8& row : rows_)
        row = ((row >> 1) | (row << (kPatternColumns - 1))) & kRowMask;
}

void CharPattern::rotateUp() {
    std::rotate(rows_.begin(), rows_.begin() + 1, rows_.end());
}

void CharPattern::rotateDown() {
    std::rotate(rows_.rbegin(), rows_.rbegin() + 1, rows_.rend());
}

int CharPattern::litCount() const {
    int count = 0;
    for (int i = 0; i < kPatternPixels; ++i)
        count += pixel(i);
    return count;
}

QString hexCodeText(int rowCode) {
    return QStringLiteral("&H") +
           QStringLiteral("%1").arg(rowCode, 2, 16, QLatin1Char('0')).toUpper();
}

QString normaliseTauschAdresse(const QString& text) {
    if (text.isEmpty()) return QString::number(kLastTauschAdresse);
    const double value = roundedNumber(text).value_or(0);
    return QString::number(
        static_cast<int>(std::clamp<double>(value, kFirstTauschAdresse, kLastTauschAdresse)));
}

int tauschAdresseValue(const QString& text) {
    return parseRoundedNumber(text, std::numeric_limits<qint16>::min(),
                              std::numeric_limits<qint16>::max())
        .value_or(0);
}

bool isTauschAdresse(int code) {
    return code >= kFirstTauschAdresse && code <= kLastTauschAdresse;
}

QByteArray chrRecord(const CharacterDefinition& definition) {
    QByteArray record;
    record.append(static_cast<char>(definition.place));
    record.append(static_cast<char>(definition.code));
    for (quint8 row : definition.pattern.rows())
        record.append(static_cast<char>(row));
    record.append('\0');
    return record;
}

std::optional<CharacterDefinition> parseChrRecord(const QByteArray& data) {
    if (data.size() < kChrRecordSize) return std::nullopt;
    const auto byteAt = [&data](int i) { return static_cast<quint8>(data.at(i)); };
    CharacterDefinition d;
    d.place = byteAt(0) < kCgramPlaces ? byteAt(0) : 0;
    d.code = std::clamp<int>(byteAt(1), kFirstTauschAdresse, kLastTauschAdresse);
    CharacterRows rows{};
    for (int r = 0; r < kPatternRows; ++r)
        rows[r] = byteAt(2 + r);
    d.pattern = CharPattern::fromRows(rows);
    return d;
}

ChrLoad loadChrFile(const QString& path) {
    const fileio::ReadResult read = fileio::readFile(path);
    if (!read.ok()) return {std::nullopt, read.error};
    return chrFromFile(read.data);
}

ChrLoad chrFromFile(const QByteArray& data) {
    if (auto definition = parseChrRecord(data)) return {definition, {}};
    return {std::nullopt, tooShort.arg(kChrRecordSize)};
}

QString saveChrFile(const QString& path, const CharacterDefinition& definition) {
    return fileio::writeFile(path, chrRecord(definition));
}
