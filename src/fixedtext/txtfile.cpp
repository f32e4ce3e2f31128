#include "fixedtext/txtfile.h"

#include "core/win1252.h"
#include "fixedtext/fixedtext.h"

#include <QFile>
#include <QSaveFile>

namespace {

// Collects lines from chunks of a file, keeping only what loading can use, so that a huge or
// binary file chosen by mistake costs no more memory than a proper one.
class LineCollector {
  public:
    LineCollector(int maxLines, int columns) : maxLines_(maxLines), columns_(columns) {}

    bool full() const { return lines_.size() >= maxLines_; }

    void add(const QByteArray& chunk) {
        for (char b : chunk) {
            if (full()) return;
            if (b == '\n' && afterCr_) {
                afterCr_ = false;
                continue;
            }
            afterCr_ = false;
            if (b == '\r' || b == '\n') {
                afterCr_ = b == '\r';
                endLine();
            } else {
                open_ = true;
                if (current_.size() < columns_) current_.append(b);
            }
        }
    }

    QStringList finish() {
        if (open_ && !full()) endLine();
        return lines_;
    }

  private:
    void endLine() {
        lines_.append(win1252::decode(current_));
        current_.clear();
        open_ = false;
    }

    int maxLines_;
    int columns_;
    QStringList lines_;
    QByteArray current_;
    bool open_ = false;
    bool afterCr_ = false;
};

int maxLinesFor(int rows) {
    return kFixedTextCount * qBound(1, rows, kFixedTextRows);
}

} // namespace

QStringList splitFesttextLines(const QByteArray& data, int maxLines, int columns) {
    LineCollector collector(maxLines, columns);
    collector.add(data);
    return collector.finish();
}

void applyFesttextLines(FixedTextStore& store, const QStringList& lines, int rows) {
    rows = qBound(1, rows, kFixedTextRows);
    for (qsizetype i = 0; i < lines.size() && i < maxLinesFor(rows); ++i)
        store.setEntry(static_cast<int>(i / rows), static_cast<int>(i % rows), lines.at(i));
}

QString loadFesttextFile(FixedTextStore& store, const QString& path, int rows, int columns) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return file.errorString();
    LineCollector collector(maxLinesFor(rows), columns);
    while (!collector.full()) {
        const QByteArray chunk = file.read(64 * 1024);
        if (chunk.isEmpty()) {
            if (file.error() != QFileDevice::NoError) return file.errorString();
            break;
        }
        collector.add(chunk);
    }
    applyFesttextLines(store, collector.finish(), rows);
    return {};
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    const QByteArray contents = festtextFileContents(store, rows);
    if (file.write(contents) != contents.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) return file.errorString();
    return {};
}
