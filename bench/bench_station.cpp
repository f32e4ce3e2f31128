// Prints how the station scales: N paced simulated terminals on N pseudo-terminals (line-rate
// timing at 9600 baud) get a recipe with a full 40 x 4 fixed-text image from one zeptal32-cli
// process, for N = 1, 2, 4, 8 one after the other. Per N: the wall time, its ratio to N = 1, the
// tool's CPU time per echoed byte and its peak RSS. The terminals run in this process, so the
// tool's own figures come from its rusage alone.
#include "sim/ptyterminal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

struct Run {
    double seconds = 0;
    double cpu = 0;
    long rssKb = 0;
    int code = -1;
};

// The tool as a child; its rusage comes back with wait4.
Run runTool(const QStringList& args) {
    std::vector<QByteArray> bytes;
    bytes.push_back(QByteArrayLiteral(ZEPTAL32_CLI));
    for (const QString& a : args)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    Run r;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return r;
    int status = 0;
    rusage ru{};
    // The terminals answer from their own threads while this one waits.
    ::wait4(pid, &status, 0, &ru);
    r.seconds = double(clock.nsecsElapsed()) / 1e9;
    r.cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
            double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    r.rssKb = ru.ru_maxrss;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QList<int> counts{1, 2, 4, 8};
    if (argc > 1) {
        counts.clear();
        for (int i = 1; i < argc; ++i)
            counts.append(QByteArray(argv[i]).toInt());
    }
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    QDir(dir.path()).mkpath(QStringLiteral("config"));
    QByteArray texts;
    for (int n = 0; n < 128; ++n)
        for (int row = 0; row < 4; ++row)
            texts += QByteArray(40, char('A' + (n + row) % 26)) + "\r\n";
    QFile t(dir.filePath(QStringLiteral("full.txt")));
    QFile r(dir.filePath(QStringLiteral("full.pultino")));
    if (!t.open(QIODevice::WriteOnly) || t.write(texts) != texts.size() ||
        !r.open(QIODevice::WriteOnly))
        return 1;
    r.write(R"({"format": 1, "name": "Benchmark", "display": "40x4", "texts": "full.txt"})");
    t.close();
    r.close();

    std::printf("%3s %10s %8s %14s %10s\n", "N", "Wand (s)", "zu N=1", "CPU/Byte (us)",
                "RSS (MiB)");
    double first = 0;
    for (int n : counts) {
        std::vector<std::unique_ptr<PtyTerminal>> sims;
        QStringList args{QStringLiteral("--quiet"), QStringLiteral("apply"), r.fileName()};
        for (int i = 0; i < n; ++i) {
            TerminalOptions options;
            options.lineRate = true;
            sims.push_back(std::make_unique<PtyTerminal>(options));
            if (!sims.back()->start()) return 1;
            args += {QStringLiteral("--port"), sims.back()->slavePath()};
        }
        if (n == 1)
            args += {QStringLiteral("--retries"), QStringLiteral("0")}; // on the station too
        const Run run = runTool(args);
        const auto imageBytes = double(sims.front()->snapshot().eeprom.size());
        if (first == 0) first = run.seconds;
        std::printf("%3d %10.2f %8.3f %14.1f %10.1f%s\n", n, run.seconds, run.seconds / first,
                    1e6 * run.cpu / (imageBytes * n), double(run.rssKb) / 1024.0,
                    run.code == 0 ? "" : "  FEHLER");
        std::fflush(stdout);
    }
    return 0;
}
