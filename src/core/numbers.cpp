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
