// Measures what one echo exchange through the command exchange costs over a real serial device
// (a pseudo-terminal with an echoing peer thread), against a plain blocking write/read loop on
// the same kind of device with the same kind of peer, and the CPU time burnt while an exchange
// waits for a reply that never comes.
//
// The two loops run in alternating rounds so that whatever else the machine is doing weighs on
// both alike.

#include "core/dialogs.h"
#include "link/commandexchange.h"
#include "link/eventloop.h"
#include "link/qtserialport.h"
#include "link/receivehandler.h"
#include "ptypeer.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kWarmUp = 200;
constexpr int kExchanges = 2000;
constexpr int kRounds = 4;
constexpr int kPacedExchanges = 800;

using Clock = std::chrono::steady_clock;

class NoDialogs : public Dialogs {
  public:
    Answer message(const QString& text, const QString&, Buttons, Icon) override {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
        return Answer::Ok;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QString openFileName(const FileDialog&) override { return {}; }
    QString saveFileName(const FileDialog&) override { return {}; }
};

// RUSAGE_SELF: the whole process; RUSAGE_THREAD: the calling thread, without the echo peers.
double cpuSeconds(int who = RUSAGE_SELF) {
    rusage ru{};
    ::getrusage(who, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

char byteFor(int i) {
    return static_cast<char>('A' + i % 26);
}

// Both loops: n one-byte echo exchanges; false when an echo went missing or came back wrong.
bool viaExchange(CommandExchange& exchange, int n) {
    for (int i = 0; i < n; ++i) {
        const QByteArray b(1, byteFor(i));
        if (exchange.sendAndWaitFor(b, b, -1000) != b) return false;
    }
    return true;
}

// As the fixed texts go out: one echo-checked transfer of n bytes.
bool viaEchoTransfer(CommandExchange& exchange, int n) {
    exchange.beginEchoTransfer({});
    for (int i = 0; i < n; ++i)
        if (!exchange.sendAndExpectEcho(byteFor(i), -1000)) return false;
    return true;
}

bool viaBlockingLoop(int fd, int n) {
    for (int i = 0; i < n; ++i) {
        const char c = byteFor(i);
        char back = 0;
        if (::write(fd, &c, 1) != 1 || ::read(fd, &back, 1) != 1 || back != c) return false;
    }
    return true;
}

struct Cost {
    double wall = 0; // seconds
    double cpu = 0;  // seconds of this thread
};

template <typename F> bool timed(Cost& cost, F&& run) {
    const auto start = Clock::now();
    const double cpuStart = cpuSeconds(RUSAGE_THREAD);
    const bool ok = run();
    cost.cpu += cpuSeconds(RUSAGE_THREAD) - cpuStart;
    cost.wall += std::chrono::duration<double>(Clock::now() - start).count();
    return ok;
}

int fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    preferPlainEventLoop(false); // as the command-line tool does
    QCoreApplication app(argc, argv);

    PtyPair exchangePty;
    PtyPair plainPty;
    if (!exchangePty.ok() || !plainPty.ok()) return fail("no pseudo-terminal available");
    EchoPeer exchangePeer(exchangePty.master());
    EchoPeer plainPeer(plainPty.master());

    QtSerialPort port([&exchangePty](int) { return exchangePty.slavePath(); });
    if (!port.open()) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(exchangePty.slavePath()),
                     qPrintable(port.errorString()));
        return 1;
    }
    ReceiveHandler receiver(port);
    NoDialogs dialogs;
    CommandExchange exchange(receiver, dialogs);

    const int plainFd = ::open(plainPty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (plainFd < 0) return fail("cannot open the second pseudo-terminal");

    if (!viaExchange(exchange, kWarmUp) || !viaBlockingLoop(plainFd, kWarmUp))
        return fail("an echo went missing while warming up");

    Cost viaExchangeCost;
    Cost plainCost;
    for (int round = 0; round < kRounds; ++round) {
        const int n = kExchanges / kRounds;
        if (!timed(viaExchangeCost, [&] { return viaExchange(exchange, n); }))
            return fail("an echo went missing in the exchange loop");
        if (!timed(plainCost, [&] { return viaBlockingLoop(plainFd, n); }))
            return fail("an echo went missing in the blocking loop");
    }
    std::printf("exchange via sendAndWaitFor: %d x, mean %.1f us (CPU of the caller %.1f us)\n",
                kExchanges, viaExchangeCost.wall * 1e6 / kExchanges,
                viaExchangeCost.cpu * 1e6 / kExchanges);
    std::printf("plain blocking write/read:   %d x, mean %.1f us (CPU of the caller %.1f us)\n",
                kExchanges, plainCost.wall * 1e6 / kExchanges, plainCost.cpu * 1e6 / kExchanges);

    // With the line's own time: each echo comes 2 x 11 bit times at 9600 baud after its byte,
    // so both loops sleep for every byte, as a transfer to a real terminal does.
    exchangePeer.delayNs = plainPeer.delayNs = 2L * 11 * 1'000'000'000 / 9600;
    Cost pacedExchange;
    Cost pacedPlain;
    for (int round = 0; round < kRounds; ++round) {
        const int n = kPacedExchanges / kRounds;
        if (!timed(pacedExchange, [&] { return viaEchoTransfer(exchange, n); }) ||
            !timed(pacedPlain, [&] { return viaBlockingLoop(plainFd, n); }))
            return fail("an echo went missing with line timing");
    }
    std::printf(
        "with 9600 baud line timing: echo transfer %.0f us, CPU %.1f us; plain loop %.0f us, "
        "CPU %.1f us\n",
        pacedExchange.wall * 1e6 / kPacedExchanges, pacedExchange.cpu * 1e6 / kPacedExchanges,
        pacedPlain.wall * 1e6 / kPacedExchanges, pacedPlain.cpu * 1e6 / kPacedExchanges);
    ::close(plainFd);

    exchangePeer.echo = false;
    const double cpuBefore = cpuSeconds();
    Cost waited;
    const bool silent =
        timed(waited, [&] { return exchange.sendAndWaitFor("?", "never", -1000).isEmpty(); });
    const double cpu = cpuSeconds() - cpuBefore;
    if (!silent) return fail("the silent wait got an answer");
    std::printf("silent 1000 ms time-out:     waited %.0f ms, CPU %.1f ms\n", waited.wall * 1e3,
                cpu * 1e3);
    return 0;
}
