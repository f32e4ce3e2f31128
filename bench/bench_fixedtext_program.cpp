// Prints how long "Texte programmieren" takes against the simulated terminal, next to the time
// the bytes alone need on the line (every byte out and its echo back, 11 bits each), and what
// the simulated terminal's window adds when it is shown beside the main window, as with
// `zeptal32 --simulator`. Each run measures every selected case once, one after the other, so
// that whatever else the machine is doing weighs on all of them alike.
#include "fixedtext/fixedtextpage.h"
#include "link/eventloop.h"
#include "ptywindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <sys/resource.h>

namespace {

struct Setup {
    int baud = 9600;
    int displayType = 13; // 40x4
    int texts = kFixedTextCount;
    QList<bool> pacings{true, false};
    QList<bool> windows{false, true};
    int runs = 1;
};

struct Cost {
    double seconds = 0;
    double uiCpu = 0; // seconds of CPU time the user-interface thread spent
    double cpu = 0;   // the same for the whole process, the simulated terminal included
    Cost operator-(const Cost& o) const {
        return {seconds - o.seconds, uiCpu - o.uiCpu, cpu - o.cpu};
    }
};

double cpuSeconds(int who) {
    rusage ru{};
    ::getrusage(who, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

Cost now() {
    const auto t = std::chrono::steady_clock::now().time_since_epoch();
    return {std::chrono::duration<double>(t).count(), cpuSeconds(RUSAGE_THREAD),
            cpuSeconds(RUSAGE_SELF)};
}

Cost costOf(PtyWindow& s, const char* button) {
    const Cost before = now();
    s.window->fixedTextPage()->findChild<QPushButton*>(button)->click();
    return now() - before;
}

// Seconds of the echo-checked transfer alone: the click also pauses 500 ms and then reads the
// image back, and the read-back alone is what "Texte verifizieren" takes.
std::optional<Cost> programmingCost(const Setup& setup, bool lineRate, bool window,
                                    qsizetype* bytes) {
    static const QList<int> bauds{9600, 4800, 2400, 1200};
    const DisplayType& type = kDisplayTypes[setup.displayType];
    TerminalOptions o;
    o.columns = type.columns;
    o.rows = type.rows;
    o.lineRate = lineRate;
    o.speedCode = int(bauds.indexOf(setup.baud));
    PtyWindow s(o, setup.displayType);
    s.settings->write(SettingsStore::kLineSettings, QStringLiteral("%1,n,8,2").arg(setup.baud));
    const QString error = s.start(2, window);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "simulated terminal: %s\n", qPrintable(error));
        return std::nullopt;
    }
    // The window's first paint belongs to its start, not to the transfer.
    if (!QTest::qWaitForWindowExposed(s.window.get())) {
        std::fprintf(stderr, "the main window was not shown\n");
        return std::nullopt;
    }
    QCoreApplication::processEvents();
    for (int n = 0; n < setup.texts; ++n)
        for (int r = 0; r < type.rows; ++r)
            s.window->fixedTextPage()->store().setEntry(
                n, r, QString(type.columns, QLatin1Char('A' + n % 26)));
    *bytes = buildFesttextImage(s.window->fixedTextPage()->store(), type.rows, type.columns).size();
    const Cost send = costOf(s, "cmdSendFT");
    const Cost verify = costOf(s, "cmdVerifyFT");
    if (s.dialogs.messages() !=
        QStringList{
            QStringLiteral("Festtexte im Pultino sind mit den geladenen Festtexten identisch")}) {
        std::fprintf(stderr, "unexpected: %s\n",
                     qPrintable(s.dialogs.messages().join(QStringLiteral(" | "))));
        return std::nullopt;
    }
    return send - Cost{0.5, 0, 0} - verify;
}

QString caseName(bool lineRate, bool window) {
    return QStringLiteral("%1, %2").arg(
        lineRate ? QStringLiteral("line-rate timing") : QStringLiteral("no line timing"),
        window ? QStringLiteral("simulator window shown") : QStringLiteral("no simulator window"));
}

// "min / median / max" of the values.
QString spread(QList<double> v, const char* format) {
    std::sort(v.begin(), v.end());
    const double median =
        v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    return QString::asprintf(format, v.first()) + QStringLiteral(" / ") +
           QString::asprintf(format, median) + QStringLiteral(" / ") +
           QString::asprintf(format, v.last());
}

std::optional<Setup> parse(const QStringList& arguments) {
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Times the programming of the fixed texts against the simulated "
                       "terminal and compares it with the time the bytes need on the line."));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("baud"), QStringLiteral("Line speed: 9600, 4800, 2400 or 1200."),
         QStringLiteral("baud"), QStringLiteral("9600")},
        {QStringLiteral("display"), QStringLiteral("Display type, e.g. 40x4 or 20x2."),
         QStringLiteral("type"), QStringLiteral("40x4")},
        {QStringLiteral("texts"),
         QStringLiteral("How many fixed texts (1..128) are filled, every row full."),
         QStringLiteral("n"), QString::number(kFixedTextCount)},
        {QStringLiteral("pacing"),
         QStringLiteral("on: the simulated line takes 11 bit times a byte each way; off: as "
                        "fast as the program goes; both."),
         QStringLiteral("mode"), QStringLiteral("both")},
        {QStringLiteral("window"),
         QStringLiteral("on: the simulated terminal's window shown (offscreen unless "
                        "QT_QPA_PLATFORM says otherwise); off; both."),
         QStringLiteral("mode"), QStringLiteral("both")},
        {QStringLiteral("runs"), QStringLiteral("How often every case is measured."),
         QStringLiteral("n"), QStringLiteral("1")},
    });
    p.process(arguments);
    Setup s;
    bool ok = false;
    auto fail = [](const QString& why) {
        std::fprintf(stderr, "bench_fixedtext_program: %s\n", qPrintable(why));
        return std::nullopt;
    };
    s.baud = p.value(QStringLiteral("baud")).toInt(&ok);
    if (!ok || !QList<int>{9600, 4800, 2400, 1200}.contains(s.baud))
        return fail(QStringLiteral("unknown speed ") + p.value(QStringLiteral("baud")));
    const auto type = std::find_if(kDisplayTypes.begin(), kDisplayTypes.end(), [&](auto& t) {
        return QString::fromLatin1(t.text).trimmed() == p.value(QStringLiteral("display"));
    });
    if (type == kDisplayTypes.end())
        return fail(QStringLiteral("unknown display type ") + p.value(QStringLiteral("display")));
    s.displayType = int(type - kDisplayTypes.begin());
    s.texts = p.value(QStringLiteral("texts")).toInt(&ok);
    if (!ok || s.texts < 1 || s.texts > kFixedTextCount)
        return fail(QStringLiteral("--texts takes 1..128"));
    s.runs = p.value(QStringLiteral("runs")).toInt(&ok);
    if (!ok || s.runs < 1) return fail(QStringLiteral("--runs takes a positive number"));
    // "both" keeps the order of the defaults.
    auto modes = [&](const char* name, QList<bool>* out) {
        const QString v = p.value(QString::fromLatin1(name));
        if (v == QLatin1String("on"))
            *out = {true};
        else if (v == QLatin1String("off"))
            *out = {false};
        else if (v != QLatin1String("both"))
            return false;
        return true;
    };
    if (!modes("pacing", &s.pacings) || !modes("window", &s.windows))
        return fail(QStringLiteral("--pacing and --window take on, off or both"));
    return s;
}

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform complains about every window it cannot raise; that would bury the
// figures.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.startsWith(QLatin1String("This plugin does not support")))
        defaultHandler(type, context, text);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    defaultHandler = qInstallMessageHandler(quietHandler);
    preferPlainEventLoop(true); // as the program does
    QApplication app(argc, argv);
    const std::optional<Setup> setup = parse(QCoreApplication::arguments());
    if (!setup) return 2;
    const DisplayType& type = kDisplayTypes[setup->displayType];

    // costs[pacing][window]: one a run.
    QMap<bool, QMap<bool, QList<Cost>>> costs;
    qsizetype bytes = 0;
    auto perByte = [&](double seconds) { return 1e6 * seconds / double(bytes); };
    for (int run = 1; run <= setup->runs; ++run)
        for (bool lineRate : setup->pacings)
            for (bool window : setup->windows) {
                const auto c = programmingCost(*setup, lineRate, window, &bytes);
                if (!c) return 1;
                costs[lineRate][window].append(*c);
                std::printf("run %d, %-50s %7.2f s, %6.0f us a byte (CPU: program %3.0f us, "
                            "all %3.0f us)\n",
                            run, qPrintable(caseName(lineRate, window) + QLatin1Char(':')),
                            c->seconds, perByte(c->seconds), perByte(c->uiCpu), perByte(c->cpu));
                std::fflush(stdout);
            }

    const double lineLimit = double(bytes) * 2 * 11 / setup->baud;
    std::printf("\n%d texts on a %dx%d display, every row full: %lld bytes at %d baud\n",
                setup->texts, type.columns, type.rows, static_cast<long long>(bytes), setup->baud);
    std::printf("line time, bytes x 2 x 11 / baud: %.2f s (%.0f us a byte)\n", lineLimit,
                perByte(lineLimit));
    std::printf("over %d run(s), min / median / max:\n", setup->runs);
    for (bool lineRate : setup->pacings)
        for (bool window : setup->windows) {
            const QList<Cost>& c = costs[lineRate][window];
            auto figure = [&](const char* what, const char* format, auto value) {
                QList<double> v;
                for (qsizetype i = 0; i < c.size(); ++i)
                    v.append(value(i));
                std::printf("    %-36s %s\n", what, qPrintable(spread(v, format)));
            };
            std::printf("  %s\n", qPrintable(caseName(lineRate, window)));
            figure("time (s)", "%.2f", [&](qsizetype i) { return c[i].seconds; });
            figure("time a byte (us)", "%.0f", [&](qsizetype i) { return perByte(c[i].seconds); });
            figure("program's CPU a byte (us)", "%.0f",
                   [&](qsizetype i) { return perByte(c[i].uiCpu); });
            if (lineRate)
                figure("time / line time", "%.3f",
                       [&](qsizetype i) { return c[i].seconds / lineLimit; });
            if (window && costs[lineRate].contains(false)) {
                // Paired by run: both measured under the same load.
                const QList<Cost>& without = costs[lineRate][false];
                figure("time with window / without", "%.3f",
                       [&](qsizetype i) { return c[i].seconds / without[i].seconds; });
                figure("program's CPU with window / without", "%.3f",
                       [&](qsizetype i) { return c[i].uiCpu / without[i].uiCpu; });
            }
        }
    return 0;
}
