#include "station/consoleview.h"

namespace station {

namespace {

constexpr int kBarWidth = 20;

QString bar(qsizetype done, qsizetype total) {
    const int filled = total > 0 ? int(kBarWidth * qMin(done, total) / total) : 0;
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
           QString(kBarWidth - filled, QLatin1Char('-')) + QLatin1Char(']');
}

QString duration(qint64 ms) {
    const qint64 s = (ms + 500) / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString resultText(const TerminalRecord& r) {
    if (r.outcome == Outcome::Good) return outcomeText(r.outcome);
    QString text = outcomeText(r.outcome);
    if (r.failedStep >= 0)
        text += QStringLiteral(" (%1, Offset %2)").arg(r.failedStepTitle()).arg(r.offset);
    if (!r.problem.isEmpty()) text += QStringLiteral(": ") + r.problem;
    return text;
}

} // namespace

ConsoleView::ConsoleView(Station& station, bool terminal, std::FILE* out)
    : station_(station), terminal_(terminal), out_(out) {
    for (int i = 0; i < station_.ports().size(); ++i) {
        lastState_.append(PortState::Idle);
        lastStep_.append(-1);
    }
    connect(&station_, &Station::portChanged, this, &ConsoleView::onChanged);
    connect(&station_, &Station::recordAdded, this, &ConsoleView::onRecord);
    connect(&station_, &Station::reportFailed, this,
            [this](const QString& why) { plain(-1, QStringLiteral("zeptal32-cli: ") + why); });
    if (terminal_) {
        connect(&timer_, &QTimer::timeout, this, &ConsoleView::redraw);
        timer_.start(200);
    }
}

QString ConsoleView::liveLine(int index) const {
    const PortView& v = station_.ports()[index];
    QString line = v.port.shown.leftJustified(16) + QLatin1Char(' ');
    if (v.state == PortState::Running || v.state == PortState::Retrying) {
        QString step = v.stepTitle(station_.job());
        if (v.attempt > 1) step += QStringLiteral(" (Versuch %1)").arg(v.attempt);
        line += step.leftJustified(22) + QLatin1Char(' ') + bar(v.done, v.total) +
                QStringLiteral(" %1/%2 B %3 B/s").arg(v.done).arg(v.total).arg(v.rate());
    } else {
        line += stateText(v.state).leftJustified(22);
    }
    if (v.last) line += QStringLiteral("  zuletzt: ") + resultText(*v.last);
    if (v.good + v.failed > 1 || v.state == PortState::Waiting)
        line += QStringLiteral("  gut %1, fehlerhaft %2").arg(v.good).arg(v.failed);
    return line;
}

void ConsoleView::redraw() {
    if (!out_) return;
    QByteArray text;
    if (drawnLines_ > 0) text += "\033[" + QByteArray::number(drawnLines_) + "A";
    for (int i = 0; i < station_.ports().size(); ++i)
        text += "\r\033[K" + liveLine(i).toUtf8() + '\n';
    drawnLines_ = int(station_.ports().size());
    std::fputs(text.constData(), out_);
    std::fflush(out_);
}

void ConsoleView::finish() {
    if (!terminal_) return;
    timer_.stop();
    redraw();
}

void ConsoleView::plain(int index, const QString& text) {
    if (!out_) return;
    if (terminal_) {
        // Above the live lines, which are drawn again below it.
        if (drawnLines_ > 0) std::fprintf(out_, "\033[%dA\r\033[J", drawnLines_);
        drawnLines_ = 0;
    }
    const QString line =
        index < 0 ? text : station_.ports()[index].port.shown + QStringLiteral(": ") + text;
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), out_);
    std::fflush(out_);
    if (terminal_) redraw();
}

void ConsoleView::onChanged(int index) {
    if (terminal_) return;
    const PortView& v = station_.ports()[index];
    if (v.state == lastState_[index] && v.step == lastStep_[index] &&
        v.state != PortState::Retrying)
        return;
    const bool sameRetry = v.state == PortState::Retrying && lastState_[index] == v.state;
    lastState_[index] = v.state;
    lastStep_[index] = v.step;
    switch (v.state) {
    case PortState::Running:
        plain(index,
              QStringLiteral("%1 (%2 Bytes)%3")
                  .arg(v.stepTitle(station_.job()))
                  .arg(v.total)
                  .arg(v.attempt > 1 ? QStringLiteral(", Versuch %1").arg(v.attempt) : QString()));
        break;
    case PortState::Retrying:
        if (!sameRetry)
            plain(index,
                  QStringLiteral("%1: Fehler, neuer Versuch").arg(v.stepTitle(station_.job())));
        break;
    case PortState::Waiting:
        plain(index, stateText(v.state));
        break;
    default:
        break;
    }
}

void ConsoleView::onRecord(int index, const TerminalRecord& r) {
    const QString firmware =
        r.firmware.isEmpty() ? QString() : QStringLiteral(" (Version %1)").arg(r.firmware);
    if (!terminal_ || r.outcome != Outcome::Good)
        plain(index,
              resultText(r) + firmware + QStringLiteral(", %1").arg(duration(r.durationMs())));
}

QString ConsoleView::summary(bool totals) const {
    const auto& records = station_.records();
    QList<QStringList> rows{{QStringLiteral("Schnittstelle"), QStringLiteral("Pultino"),
                             QStringLiteral("Ergebnis"), QStringLiteral("Schritt"),
                             QStringLiteral("Offset"), QStringLiteral("Dauer")}};
    for (const TerminalRecord& r : records)
        rows.append({r.port, r.firmware.isEmpty() ? QStringLiteral("-") : r.firmware,
                     outcomeText(r.outcome),
                     r.failedStep >= 0 ? r.failedStepTitle() : QStringLiteral("-"),
                     r.failedStep >= 0 ? QString::number(r.offset) : QStringLiteral("-"),
                     duration(r.durationMs())});
    QList<int> widths(rows[0].size(), 0);
    for (const QStringList& row : rows)
        for (int c = 0; c < row.size(); ++c)
            widths[c] = qMax(widths[c], int(row[c].size()));
    QString text;
    for (const QStringList& row : rows) {
        QString line;
        for (int c = 0; c < row.size(); ++c)
            line += row[c].leftJustified(widths[c] + 2);
        text += line.trimmed() + QLatin1Char('\n');
    }
    if (totals) {
        int good = 0;
        int failed = 0;
        for (const PortView& v : station_.ports()) {
            text += QStringLiteral("%1: gut %2, fehlerhaft %3\n")
                        .arg(v.port.shown)
                        .arg(v.good)
                        .arg(v.failed);
            good += v.good;
            failed += v.failed;
        }
        text += QStringLiteral("Gesamt: gut %1, fehlerhaft %2\n").arg(good).arg(failed);
    }
    return text;
}

} // namespace station
