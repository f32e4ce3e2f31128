#include "core/numbers.h"

#include <QLocale>
#include <cmath>

std::optional<double> roundedNumber(const QString& text) {
    QString trimmed = text.trimmed();
    trimmed.replace(QLatin1Char(','), QLatin1Char('.'));
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return std::nearbyint(value);
}

std::optional<int> parseRoundedNumber(const QString& text, int min, int max) {
    const auto rounded = roundedNumber(text);
    if (!rounded || *rounded < min || *rounded > max) return std::nullopt;
    return static_cast<int>(*rounded);
}

std::optional<int> parseWholeNumber(const QString& text, int min, int max) {
    qsizetype i = 0;
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative || text.startsWith(QLatin1Char('+'))) i = 1;
    if (i >= text.size()) return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < '0' || c > '9') return std::nullopt;
        // Past any int the digits still have to be digits, but the value stays out of range.
        value = qMin<qint64>(value * 10 + (c - '0'), qint64(1) << 40);
    }
    if (negative) value = -value;
    if (value < min || value > max) return std::nullopt;
    return static_cast<int>(value);
}
