#include "fixedtext/fixedtext.h"

#include "core/win1252.h"

namespace {

// Only blanks count, as the terminal sees them; other white space is a character like any other.
// A 0 goes out as a blank, so it counts as one.
QString withoutTrailingBlanks(const QString& s) {
    qsizetype end = s.size();
    while (end > 0 && s.at(end - 1) == QLatin1Char(' '))
        --end;
    return s.left(end);
}

bool isBlank(const QString& s) {
    for (QChar c : s)
        if (c != QLatin1Char(' ') && c != QChar(0)) return false;
    return true;
}

} // namespace

int blankTerminators(QString& text) {
    const auto count = static_cast<int>(text.count(QChar(0)));
    if (count) text.replace(QChar(0), QLatin1Char(' '));
    return count;
}

void FixedTextStore::clear() {
    texts_.fill(FixedText{});
}

void FixedTextStore::fillDefaults() {
    for (int n = 0; n < kFixedTextCount; ++n)
        texts_[n] = FixedText{QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'))};
}

QByteArray buildFesttextImage(const FixedTextStore& store, int rows, int columns) {
    rows = qBound(1, rows, kFixedTextRows);
    int last = 0;
    for (int n = kFixedTextCount - 1; n > 0 && last == 0; --n)
        for (int r = 0; r < rows; ++r)
            if (!isBlank(store.entry(n, r))) {
                last = n;
                break;
            }

    QByteArray image;
    for (int n = 0; n <= last; ++n) {
        for (int r = 0; r < rows; ++r) {
            QString row = store.entry(n, r);
            blankTerminators(row);
            row = withoutTrailingBlanks(row);
            image.append(win1252::encode(row));
            if (r < rows - 1 && row.size() < columns) image.append('\r');
            if (rows == 1 && row.isEmpty()) image.append(' ');
        }
        image.append('\0');
    }
    image.append('\0');
    return image;
}

QList<FixedText> parseFesttextReply(const QByteArray& reply, int columns) {
    QList<FixedText> texts;
    if (reply.isEmpty()) return texts;
    // The last byte closes the image; bytes after the last terminator before it belong to no text.
    const QByteArray examined = reply.left(reply.size() - 1);
    qsizetype start = 0;
    while (texts.size() < kFixedTextCount) {
        const qsizetype end = examined.indexOf('\0', start);
        if (end < 0) break;
        FixedText text;
        int row = 0;
        int column = 0;
        for (qsizetype i = start; i < end; ++i) {
            const char b = examined.at(i);
            if (column < columns && b == '\r') {
                ++row;
                column = 0;
                continue;
            }
            if (column >= columns) {
                // A full row wraps: the byte opens the next row whatever it is.
                ++row;
                column = 0;
            }
            if (row < kFixedTextRows) text[row].append(win1252::decode(QByteArray(1, b)));
            ++column;
        }
        texts.append(text);
        start = end + 1;
    }
    return texts;
}

void applyFesttexts(FixedTextStore& store, const QList<FixedText>& texts) {
    for (qsizetype n = 0; n < texts.size() && n < kFixedTextCount; ++n)
        store.setText(static_cast<int>(n), texts.at(n));
}

std::optional<qsizetype> firstDifference(const QByteArray& a, const QByteArray& b) {
    const qsizetype common = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i)
        if (a.at(i) != b.at(i)) return i;
    if (a.size() != b.size()) return common;
    return std::nullopt;
}
