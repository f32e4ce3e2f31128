#pragma once

#include "station/station.h"

#include <QObject>
#include <QTimer>
#include <cstdio>

namespace station {

// The station on a text console: on a terminal one line per port redrawn in place (port, state
// or step, bar, rate, last result); otherwise plain lines prefixed with the port as things
// happen. At the end a summary table. No output at all when `out` is null.
class ConsoleView : public QObject {
    Q_OBJECT
  public:
    ConsoleView(Station& station, bool terminal, std::FILE* out = stderr);

    // The line of one port as the live display shows it.
    QString liveLine(int index) const;
    // The table of every record, then the totals per port in watch mode.
    QString summary(bool totals) const;
    // Ends the live lines.
    void finish();

  private:
    void redraw();
    void onChanged(int index);
    void onRecord(int index, const TerminalRecord& record);
    void plain(int index, const QString& text);

    Station& station_;
    bool terminal_;
    std::FILE* out_;
    QTimer timer_;
    int drawnLines_ = 0;
    QList<PortState> lastState_;
    QList<int> lastStep_;
};

} // namespace station
