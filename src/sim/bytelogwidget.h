#pragma once

#include <QByteArray>
#include <QList>
#include <QTimer>
#include <QWidget>

class QPlainTextEdit;

// The bytes on the line in both directions, as hex and as printable characters. Chunks that
// follow each other in one direction are joined into lines of up to 16 bytes.
class ByteLogWidget : public QWidget {
    Q_OBJECT
  public:
    enum class Direction { ToTerminal, FromTerminal, Lost };
    // The log keeps at least this many of the newest lines, and a quarter more at most.
    static constexpr int kMaxLines = 2000;

    explicit ByteLogWidget(QWidget* parent = nullptr);

    void append(Direction direction, const QByteArray& bytes);
    void clear();
    // Everything shown so far, flushed first.
    QString text();

    // "1B 26 23 41    .&#A": hex, padded to 16 bytes, then the bytes with every
    // non-printable one shown as ".".
    static QString formatBytes(const QByteArray& bytes);
    static QString prefix(Direction direction);

  private:
    void flush();

    QPlainTextEdit* view_;
    QTimer flushTimer_;
    QList<QPair<Direction, QByteArray>> pending_;
};
