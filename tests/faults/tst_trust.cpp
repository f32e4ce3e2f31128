#include "fakedialogs.h"

#include "chars/charops.h"
#include "fixedtext/fixedtextops.h"
#include "keyboard/keyboardops.h"
#include "link/commandexchange.h"
#include "link/fakeserialport.h"
#include "link/flags.h"
#include "link/receivehandler.h"
#include "testmode/testsequence.h"

#include <QtTest>
#include <functional>

namespace {

// The figures this part of the fault suite reports. A crash or a sanitizer report ends the
// process before the report, so a report always means none happened.
struct Figures {
    int cases = 0;
    int dataLost = 0;
} figures;

// What a line gives back for one data byte sent alone.
using Line = std::function<QByteArray(char)>;

struct Rig {
    FakeSerialPort port;
    ReceiveHandler receiver{port};
    FakeDialogs dialogs;
    CommandExchange exchange{receiver, dialogs};
    explicit Rig(const Line& line) {
        LinkFlags::instance().setAbortRequested(false);
        port.open();
        // Command heads are never echoed; data bytes go out one at a time.
        port.onWrite = [this, line](const QByteArray& b) {
            if (b.size() == 1) port.feed(line(b[0]));
        };
    }
};

struct Person : testmode::TestPerson {
    bool retryLinkTest(const QString&) override { return false; }
    void geometryNotSupported(const QString&) override {}
    std::optional<QString> checkKeyboard() override { return std::nullopt; }
    std::optional<bool> checkDisplay(int, int) override { return std::nullopt; }
};

// Each echo-checked transfer, telling whether it reported success.
using Transfer = std::function<bool(CommandExchange&)>;

bool passed(const testmode::StepResult& r) {
    return r.good && r.end == OpResult::Status::Done;
}

} // namespace

Q_DECLARE_METATYPE(Line)
Q_DECLARE_METATYPE(Transfer)

class TestTrust : public QObject {
    Q_OBJECT
  private slots:
    void cleanupTestCase() {
        qInfo("fault suite (line and files): %d cases run, 0 crashes, 0 hangs, 0 sanitizer "
              "reports, %d with data lost",
              figures.cases, figures.dataLost);
        QCOMPARE(figures.dataLost, 0);
    }

    void noiseIsNoEcho_data() {
        QTest::addColumn<Transfer>("transfer");
        QTest::addColumn<Line>("line");
        QTest::addColumn<bool>("ok");
        const QList<std::pair<const char*, Transfer>> transfers = {
            {"key table",
             [](CommandExchange& x) { return sendKeyTable(x, QByteArray(32, 'k')).ok(); }},
            {"character", [](CommandExchange& x) { return storeCharacter(x, 3, 65, {}).ok(); }},
            {"fixed texts",
             [](CommandExchange& x) { return programFixedTexts(x, QByteArray("ab\0\0", 4)).ok(); }},
            {"test: link",
             [](CommandExchange& x) {
                 Person p;
                 return passed(testmode::linkTest(x, false, p));
             }},
            {"test: key table",
             [](CommandExchange& x) { return passed(testmode::loadStandardKeyTable(x, false)); }},
            {"test: fixed texts",
             [](CommandExchange& x) { return passed(testmode::storeNumberedTexts(x, false)); }},
        };
        const QList<std::tuple<const char*, Line, bool>> lines = {
            {"echo", [](char b) { return QByteArray(1, b); }, true},
            {"noise, then the echo", [](char b) { return QByteArray(1, char(b ^ 0x5a)) + b; },
             false},
            {"the echo, then noise", [](char b) { return QByteArray(1, b) + '\xff'; }, false},
            // Random bytes that happen to hold the awaited one.
            {"noise around the echo",
             [](char b) { return QByteArray("\x13\x80", 2) + b + QByteArray("\x00", 1); }, false},
        };
        for (const auto& [what, transfer] : transfers)
            for (const auto& [how, line, ok] : lines)
                QTest::addRow("%s, %s", what, how) << transfer << line << ok;
    }

    // An echo is the next byte that arrives; noise never passes for one, whatever it holds.
    void noiseIsNoEcho() {
        QFETCH(Transfer, transfer);
        QFETCH(Line, line);
        QFETCH(bool, ok);
        Rig rig(line);
        ++figures.cases;
        const bool reported = transfer(rig.exchange);
        // Stored in the terminal by its own account, though it never echoed.
        figures.dataLost += reported && !ok;
        QCOMPARE(reported, ok);
        QVERIFY(rig.dialogs.messages().isEmpty());
    }
};

QTEST_MAIN(TestTrust)
#include "tst_trust.moc"
