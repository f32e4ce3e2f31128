#include "cli/progress.h"

namespace cli {

namespace {

QString clockText(qint64 seconds) {
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

constexpr int kBarWidth = 24;
// A bar redrawn more often than this only costs the terminal time.
constexpr qint64 kRedrawMs = 100;

} // namespace

QString progressFigures(qsizetype done, qsizetype total, qint64 elapsedMs) {
    QString text = QStringLiteral("%1/%2 Bytes").arg(done).arg(total);
    if (done <= 0 || elapsedMs <= 0) return text + QStringLiteral("  -- B/s  noch --:--");
    const double rate = 1000.0 * static_cast<double>(done) / static_cast<double>(elapsedMs);
    const auto left =
        static_cast<qint64>(static_cast<double>(qMax<qsizetype>(0, total - done)) / rate + 0.5);
    return text + QStringLiteral("  %1 B/s  noch %2").arg(qRound(rate)).arg(clockText(left));
}

ProgressDisplay::ProgressDisplay(QString label, bool terminal, std::FILE* out)
    : label_(std::move(label)), terminal_(terminal), out_(out) {
    clock_.start();
}

void ProgressDisplay::update(qsizetype done, qsizetype total) {
    const qint64 now = clock_.elapsed();
    if (terminal_) {
        if (done < total && lastDrawn_ >= 0 && now - lastDrawn_ < kRedrawMs) return;
        lastDrawn_ = now;
        const auto filled =
            total > 0 ? static_cast<int>(kBarWidth * qMin(done, total) / total) : kBarWidth;
        const QString bar =
            QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char('-'));
        std::fprintf(out_, "\r\033[K%s [%s] %s", label_.toUtf8().constData(),
                     bar.toUtf8().constData(),
                     progressFigures(done, total, now).toUtf8().constData());
        std::fflush(out_);
        drawn_ = true;
        return;
    }
    const int tenth = total > 0 ? static_cast<int>(10 * qMin(done, total) / total) : 10;
    if (tenth == lastTenth_) return;
    lastTenth_ = tenth;
    std::fprintf(out_, "%s: %d %% (%s)\n", label_.toUtf8().constData(), tenth * 10,
                 progressFigures(done, total, now).toUtf8().constData());
    std::fflush(out_);
}

void ProgressDisplay::finish() {
    if (terminal_ && drawn_) {
        std::fputc('\n', out_);
        std::fflush(out_);
    }
    drawn_ = false;
}

} // namespace cli
