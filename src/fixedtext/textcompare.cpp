#include "fixedtext/textcompare.h"

#include <QJsonArray>

namespace {

// The text and row an image byte belongs to, counted as the read-back splits the image: a 0 ends
// a text, CR ends a short row, a byte after a full row opens the next one.
void locate(const QByteArray& image, qsizetype offset, int columns, int* text, int* row) {
    int n = 0;
    int r = 0;
    int column = 0;
    const qsizetype end = qMin(offset, image.size());
    for (qsizetype i = 0; i < end; ++i) {
        const char b = image.at(i);
        if (b == '\0') {
            ++n;
            r = 0;
            column = 0;
        } else if (column < columns && b == '\r') {
            ++r;
            column = 0;
        } else if (column >= columns) {
            ++r;
            column = 1;
        } else {
            ++column;
        }
    }
    if (offset < image.size() && image.at(offset) != '\0' && column >= columns) ++r;
    *text = n;
    *row = qMin(r, kFixedTextRows - 1);
}

int firstDifferingRow(const FixedText& a, const FixedText& b) {
    for (int r = 0; r < kFixedTextRows; ++r)
        if (a[r] != b[r]) return r;
    return 0;
}

QString quoted(const QString& row) {
    return QLatin1Char('"') + row + QLatin1Char('"');
}

const char* kindName(FesttextDifference::Kind kind) {
    switch (kind) {
    case FesttextDifference::Kind::MissingOnTerminal:
        return "missingOnTerminal";
    case FesttextDifference::Kind::OnlyOnTerminal:
        return "onlyOnTerminal";
    case FesttextDifference::Kind::Changed:
        break;
    }
    return "changed";
}

} // namespace

FesttextComparison compareFesttextImages(const QByteArray& terminal, const QByteArray& file,
                                         int columns) {
    FesttextComparison out;
    out.offset = firstDifference(terminal, file);
    if (!out.offset) return out;
    const QList<FixedText> held = parseFesttextReply(terminal, columns);
    const QList<FixedText> wanted = parseFesttextReply(file, columns);
    out.fileTexts = int(wanted.size());
    out.offsetAtEnd = *out.offset >= file.size() - 1;
    if (!out.offsetAtEnd) locate(file, *out.offset, columns, &out.offsetText, &out.offsetRow);
    for (qsizetype n = 0; n < qMax(held.size(), wanted.size()); ++n) {
        FesttextDifference d;
        d.text = int(n);
        if (n >= held.size()) {
            d.kind = FesttextDifference::Kind::MissingOnTerminal;
            d.fileRow = wanted[n][0];
        } else if (n >= wanted.size()) {
            d.kind = FesttextDifference::Kind::OnlyOnTerminal;
            d.terminalRow = held[n][0];
        } else if (held[n] != wanted[n]) {
            d.row = firstDifferingRow(held[n], wanted[n]);
            d.terminalRow = held[n][d.row];
            d.fileRow = wanted[n][d.row];
        } else {
            continue;
        }
        out.texts.append(d);
    }
    return out;
}

QString differenceLine(const FesttextDifference& d) {
    const QString where = QStringLiteral("Festtext Nr. %1").arg(d.text);
    switch (d.kind) {
    case FesttextDifference::Kind::MissingOnTerminal:
        return QStringLiteral("%1: fehlt im Pultino (Datei, Zeile 1: %2)")
            .arg(where, quoted(d.fileRow));
    case FesttextDifference::Kind::OnlyOnTerminal:
        return QStringLiteral("%1: nur im Pultino, nicht in der Datei (Pultino, Zeile 1: %2)")
            .arg(where, quoted(d.terminalRow));
    case FesttextDifference::Kind::Changed:
        break;
    }
    return QStringLiteral("%1, Zeile %2: Pultino %3, Datei %4")
        .arg(where)
        .arg(d.row + 1)
        .arg(quoted(d.terminalRow), quoted(d.fileRow));
}

QStringList comparisonReport(const FesttextComparison& comparison, int listed) {
    QStringList lines;
    if (comparison.identical()) return lines;
    lines << QStringLiteral("Fehler in den gespeicherten Festtexten an Offsetadresse %1!")
                 .arg(*comparison.offset)
          << (comparison.offsetAtEnd ? QStringLiteral("(hinter dem letzten Festtext, Nr. %1)")
                                           .arg(comparison.fileTexts - 1)
                                     : QStringLiteral("(Festtext Nr. %1, Zeile %2)")
                                           .arg(comparison.offsetText)
                                           .arg(comparison.offsetRow + 1));
    for (qsizetype i = 0; i < comparison.texts.size() && i < listed; ++i)
        lines << differenceLine(comparison.texts[i]);
    if (comparison.texts.size() > listed)
        lines << QStringLiteral("... und %1 weitere abweichende Festtexte")
                     .arg(comparison.texts.size() - listed);
    return lines;
}

QJsonObject comparisonJson(const FesttextComparison& comparison) {
    QJsonObject out;
    out[QStringLiteral("identical")] = comparison.identical();
    if (comparison.identical()) return out;
    out[QStringLiteral("offset")] = double(*comparison.offset);
    out[QStringLiteral("offsetAtEnd")] = comparison.offsetAtEnd;
    if (!comparison.offsetAtEnd) {
        out[QStringLiteral("offsetText")] = comparison.offsetText;
        out[QStringLiteral("offsetRow")] = comparison.offsetRow + 1;
    }
    QJsonArray texts;
    for (const FesttextDifference& d : comparison.texts) {
        QJsonObject t;
        t[QStringLiteral("text")] = d.text;
        t[QStringLiteral("kind")] = QString::fromLatin1(kindName(d.kind));
        t[QStringLiteral("row")] = d.row + 1;
        if (d.kind != FesttextDifference::Kind::MissingOnTerminal)
            t[QStringLiteral("terminal")] = d.terminalRow;
        if (d.kind != FesttextDifference::Kind::OnlyOnTerminal)
            t[QStringLiteral("file")] = d.fileRow;
        texts.append(t);
    }
    out[QStringLiteral("texts")] = texts;
    return out;
}
