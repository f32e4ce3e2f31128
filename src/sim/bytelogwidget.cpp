#include "sim/bytelogwidget.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {
constexpr int kBytesPerLine = 16;
} // namespace

ByteLogWidget::ByteLogWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("byteLog"));
    view_ = new QPlainTextEdit(this);
    view_->setObjectName(QStringLiteral("txtByteLog"));
    view_->setAccessibleName(view_->objectName());
    view_->setReadOnly(true);
    // The document's own line limit lays out every line it drops; flush() trims in one cut.
    view_->document()->setUndoRedoEnabled(false);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* clearButton = new QPushButton(QStringLiteral("Protokoll löschen"), this);
    clearButton->setObjectName(QStringLiteral("cmdClearByteLog"));
    connect(clearButton, &QPushButton::clicked, this, &ByteLogWidget::clear);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(clearButton);
    layout->addLayout(row);

    // A transfer adds two lines a byte, thousands a second: nobody reads them as they pass, and
    // every flush lays out what it adds, so the log catches up a few times a second only.
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(100);
    connect(&flushTimer_, &QTimer::timeout, this, &ByteLogWidget::flush);
}

QString ByteLogWidget::prefix(Direction direction) {
    switch (direction) {
    case Direction::ToTerminal:
        return QStringLiteral("PC → Pultino  ");
    case Direction::FromTerminal:
        return QStringLiteral("Pultino → PC  ");
    case Direction::Lost:
        return QStringLiteral("verloren (Baudrate) ");
    }
    return {};
}

QString ByteLogWidget::formatBytes(const QByteArray& bytes) {
    QString hex;
    QString chars;
    for (char c : bytes) {
        const auto b = static_cast<quint8>(c);
        hex += QStringLiteral("%1 ").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        chars += b >= 32 && b < 127 ? QChar(b) : QChar('.');
    }
    return hex.leftJustified(kBytesPerLine * 3 + 1) + chars;
}

void ByteLogWidget::append(Direction direction, const QByteArray& bytes) {
    if (bytes.isEmpty()) return;
    if (!pending_.isEmpty() && pending_.last().first == direction)
        pending_.last().second += bytes;
    else
        pending_.append({direction, bytes});
    if (!flushTimer_.isActive()) flushTimer_.start();
}

void ByteLogWidget::flush() {
    flushTimer_.stop();
    if (pending_.isEmpty()) return;
    // Only the last kMaxLines lines can stay in view; older ones are not even formatted. The
    // rest goes in as one block: one layout and one scroll however many lines it holds.
    qsizetype lines = 0;
    for (const auto& chunk : pending_)
        lines += (chunk.second.size() + kBytesPerLine - 1) / kBytesPerLine;
    qsizetype skip = qMax<qsizetype>(0, lines - kMaxLines);
    QString block;
    for (const auto& [direction, bytes] : pending_)
        for (qsizetype i = 0; i < bytes.size(); i += kBytesPerLine) {
            if (skip > 0) {
                --skip;
                continue;
            }
            if (!block.isEmpty()) block += QLatin1Char('\n');
            block += prefix(direction) + formatBytes(bytes.mid(i, kBytesPerLine));
        }
    pending_.clear();
    view_->appendPlainText(block);
    QTextDocument* doc = view_->document();
    if (const int excess = doc->blockCount() - kMaxLines; excess > kMaxLines / 4) {
        QTextCursor cut(doc);
        cut.setPosition(doc->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
        cut.removeSelectedText();
    }
}

void ByteLogWidget::clear() {
    pending_.clear();
    view_->clear();
}

QString ByteLogWidget::text() {
    flush();
    return view_->toPlainText();
}
