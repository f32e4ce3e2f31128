// Prints how long programming a full fixed-text image takes against the simulated terminal at
// 9600 baud, next to the time the bytes alone need on the line. Run once with line-rate timing
// and once without, which leaves the program's own share per byte.
#include "simwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <cstdio>

namespace {

double secondsFor(SimWindow& s, const char* button) {
    QElapsedTimer clock;
    clock.start();
    s.find<QPushButton>(button)->click();
    return clock.nsecsElapsed() / 1e9;
}

// Seconds of the echo-checked transfer alone: the click also pauses 500 ms and then reads the
// image back, and the read-back alone is what "Texte verifizieren" takes.
double programmingSeconds(bool lineRate, qsizetype* bytes) {
    TerminalOptions o;
    o.columns = 40;
    o.lineRate = lineRate;
    o.speedCode = 0; // 9600 baud
    SimWindow s(o, 13);
    const QString error = s.start();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "simulated terminal: %s\n", qPrintable(error));
        return -1;
    }
    for (int n = 0; n < kFixedTextCount; ++n)
        for (int r = 0; r < kFixedTextRows; ++r)
            s.page->store().setEntry(n, r, QString(40, QLatin1Char('A' + n % 26)));
    *bytes = buildFesttextImage(s.page->store(), 4, 40).size();
    const double send = secondsFor(s, "cmdSendFT");
    const double verify = secondsFor(s, "cmdVerifyFT");
    if (s.dialogs.messages() !=
        QStringList{
            QStringLiteral("Festtexte im Pultino sind mit den geladenen Festtexten identisch")}) {
        std::fprintf(stderr, "unexpected: %s\n",
                     qPrintable(s.dialogs.messages().join(QStringLiteral(" | "))));
        return -1;
    }
    std::printf("  %-18s whole click %.2f s, read-back %.2f s\n",
                lineRate ? "line-rate timing:" : "no line timing:", send, verify);
    return send - 0.5 - verify;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qsizetype bytes = 0;
    std::printf("Programming 128 texts on a 40x4 display, every row full, at 9600 baud:\n");
    const double own = programmingSeconds(false, &bytes);
    const double paced = programmingSeconds(true, &bytes);
    if (own < 0 || paced < 0) return 1;
    const double lineLimit = bytes * 2 * 11 / 9600.0;
    std::printf("image:                                   %lld bytes\n",
                static_cast<long long>(bytes));
    std::printf("line time, bytes x 2 x 11 / 9600:        %.2f s (%.3f ms a byte)\n", lineLimit,
                1e3 * lineLimit / bytes);
    std::printf("programming against the paced simulator: %.2f s (%.3f ms a byte)\n", paced,
                1e3 * paced / bytes);
    std::printf("the program's own share (no pacing):     %.2f s (%.3f ms a byte)\n", own,
                1e3 * own / bytes);
    return 0;
}
