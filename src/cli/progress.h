#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdio>

namespace cli {

// "812/2562 Bytes  87 B/s  noch 0:20": what is done, the rate so far and the time it gives for
// the rest ("--" while there is no rate yet).
QString progressFigures(qsizetype done, qsizetype total, qint64 elapsedMs);

// Progress of one transfer on stderr: a bar redrawn in place on a terminal, otherwise a plain
// line at every tenth of the way, so that logs stay short.
class ProgressDisplay {
  public:
    ProgressDisplay(QString label, bool terminal, std::FILE* out = stderr);
    void update(qsizetype done, qsizetype total);
    // Ends the bar's line; nothing for plain lines.
    void finish();

  private:
    QString label_;
    bool terminal_;
    std::FILE* out_;
    QElapsedTimer clock_;
    qint64 lastDrawn_ = -1;
    int lastTenth_ = -1;
    bool drawn_ = false;
};

} // namespace cli
