#include "keyboard/keytable.h"

#include "core/fileio.h"
#include "core/win1252.h"

namespace {

bool isHexEntry(const QString& text) {
    if (text.size() < 3) return false;
    const QString prefix = text.left(2).toUpper();
    return prefix == QLatin1String("&H") || prefix == QLatin1String("0X");
}

int hexDigit(QChar c) {
    if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
    const QChar u = c.toUpper();
    if (u >= u'A' && u <= u'F') return u.unicode() - u'A' + 10;
    return -1;
}

// The leading hexadecimal digits as a number, taken as a byte.
quint8 hexDigitsValue(QStringView digits) {
    int value = 0;
    for (const QChar c : digits) {
        const int d = hexDigit(c);
        if (d < 0) break;
        value = (value * 16 + d) & 0xFF;
    }
    return static_cast<quint8>(value);
}

} // namespace

QStringList defaultKeyTexts() {
    const QString keys = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ+-*/$%");
    QStringList texts;
    for (const QChar c : keys)
        texts.append(QString(c));
    return texts;
}

quint8 keyCode(const QString& text) {
    if (isHexEntry(text)) return hexDigitsValue(QStringView(text).mid(2));
    if (text.isEmpty()) return 0;
    return static_cast<quint8>(win1252::encodeChar(text.at(0)));
}

QByteArray keyCodes(const QStringList& texts) {
    QByteArray codes(kKeyCount, '\0');
    for (int k = 0; k < kKeyCount && k < texts.size(); ++k)
        codes[k] = static_cast<char>(keyCode(texts.at(k)));
    return codes;
}

QString hexKeyText(quint8 code) {
    return QStringLiteral("&h") + QString::number(code, 16).toUpper();
}

QString keyText(quint8 code, bool characters) {
    if (!characters || code < 32) return hexKeyText(code);
    return win1252::decode(QByteArray(1, static_cast<char>(code)));
}

QStringList keyTexts(const QByteArray& codes, bool characters) {
    QStringList texts;
    for (const char c : codes)
        texts.append(keyText(static_cast<quint8>(c), characters));
    return texts;
}

QString normalisedKeyText(const QString& text) {
    if (isHexEntry(text)) return hexKeyText(keyCode(text));
    if (text.isEmpty()) return hexKeyText(0xFF);
    return text.left(1);
}

QByteArray keyTableFromBytes(const QByteArray& data) {
    QByteArray codes = data.left(kKeyCount);
    codes.append(QByteArray(kKeyCount - codes.size(), '\0'));
    return codes;
}

KeyTableFile readKeyTableFile(const QString& path) {
    const fileio::ReadResult read = fileio::readFile(path);
    if (!read.ok()) return {{}, read.error};
    return {keyTableFromBytes(read.data), {}};
}

QString writeKeyTableFile(const QString& path, const QByteArray& codes) {
    return fileio::writeFileHead(path, codes.left(kKeyCount));
}
