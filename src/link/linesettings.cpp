#include "link/linesettings.h"

#include <QStringList>

std::optional<LineSettings> LineSettings::parse(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return std::nullopt;
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0) return std::nullopt;
    const QString parity = parts[1].trimmed().toLower();
    if (parity.size() != 1 || !QStringLiteral("neoms").contains(parity)) return std::nullopt;
    s.parity = parity[0].toLatin1();
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 4 || s.dataBits > 8) return std::nullopt;
    s.stopBits = parts[3].trimmed();
    if (s.stopBits != QLatin1String("1") && s.stopBits != QLatin1String("1.5") &&
        s.stopBits != QLatin1String("2"))
        return std::nullopt;
    return s;
}

QString LineSettings::text() const {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(baud)
        .arg(QLatin1Char(parity))
        .arg(dataBits)
        .arg(stopBits);
}

SettingsFields splitSettingsFromEnd(const QString& s) {
    SettingsFields f;
    const int k = s.contains(QLatin1Char('.')) ? 2 : 0;
    const int len = s.size();
    auto at = [&](int pos) { return pos >= 1 && pos <= len ? s.at(pos - 1) : QChar(); };
    f.speed = s.left(qMax(0, len - 6 - k));
    static const QString letters = QStringLiteral("eonms");
    f.parityIndex = letters.indexOf(at(len - 4 - k));
    if (at(len - 4 - k).isNull()) f.parityIndex = -1;
    const QChar bits = at(len - 2 - k);
    f.dataBits = bits.isNull() ? QString() : QString(bits);
    f.stopBits = s.right(qMin(len, 1 + k));
    return f;
}
