#pragma once

#include "sim/bytelogwidget.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTimer>
#include <memory>

class TerminalLink;

// Gathers what the terminal's link reports from its own thread (the bytes on the line, that
// the state changed) and hands it over in the batcher's thread at most once a frame. A transfer
// makes the link report several times for every byte; the window only needs to catch up as
// often as the screen shows something new.
class LinkBatcher : public QObject {
    Q_OBJECT
  public:
    using Traffic = QList<QPair<ByteLogWidget::Direction, QByteArray>>;
    static constexpr int kFrameMs = 16;

    // `link` may live in another thread; it must outlive the batcher.
    explicit LinkBatcher(TerminalLink& link, QObject* parent = nullptr);
    ~LinkBatcher() override;

  signals:
    // The bytes in line order, neighbours in one direction joined; whether the state changed.
    void frame(const LinkBatcher::Traffic& traffic, bool stateChanged);

  private:
    struct Shared;
    void woken();
    // Hands over what has gathered so far.
    void flush();

    std::shared_ptr<Shared> shared_;
    QTimer timer_;
    QElapsedTimer sinceFrame_;
};
