#include "fixedtext/txtfile.h"

#include "core/fileio.h"
#include "core/win1252.h"
#include "fixedtext/fixedtext.h"

namespace {

int maxLinesFor(int rows) {
    return kFixedTextCount * qBound(1, rows, kFixedTextRows);
}

} // namespace

QStringList splitFesttextLines(const QByteArray& data, int maxLines, int columns, int* blanked) {
    QStringList lines;
    QByteArray current;
    bool open = false;
    bool afterCr = false;
    int replaced = 0;
    const auto endLine = [&] {
        QString line = win1252::decode(current);
        replaced += blankTerminators(line);
        lines.append(line);
        current.clear();
        open = false;
    };
    for (char b : data) {
        if (lines.size() >= maxLines) break;
        if (b == '\n' && afterCr) {
            afterCr = false;
            continue;
        }
        afterCr = b == '\r';
        if (b == '\r' || b == '\n') {
            endLine();
        } else {
            open = true;
            if (current.size() < columns) current.append(b);
        }
    }
    if (open && lines.size() < maxLines) endLine();
    if (blanked) *blanked = replaced;
    return lines;
}

void applyFesttextLines(FixedTextStore& store, const QStringList& lines, int rows) {
    rows = qBound(1, rows, kFixedTextRows);
    for (qsizetype i = 0; i < lines.size() && i < maxLinesFor(rows); ++i)
        store.setEntry(static_cast<int>(i / rows), static_cast<int>(i % rows), lines.at(i));
}

FesttextLoad loadFesttextFile(FixedTextStore& store, const QString& path, int rows, int columns) {
    FesttextLoad load;
    const fileio::ReadResult file = fileio::readFile(path);
    if (!file.ok()) {
        load.error = file.error;
        return load;
    }
    return loadFesttextData(store, file.data, rows, columns);
}

FesttextLoad loadFesttextData(FixedTextStore& store, const QByteArray& data, int rows,
                              int columns) {
    FesttextLoad load;
    applyFesttextLines(store, splitFesttextLines(data, maxLinesFor(rows), columns, &load.blanked),
                       rows);
    return load;
}

QByteArray festtextFileContents(const FixedTextStore& store, int rows) {
    rows = qBound(1, rows, kFixedTextRows);
    QByteArray out;
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < rows; ++r)
            out.append(win1252::encode(store.entry(n, r))).append("\r\n");
    return out;
}

QString saveFesttextFile(const FixedTextStore& store, const QString& path, int rows) {
    return fileio::writeFile(path, festtextFileContents(store, rows));
}
