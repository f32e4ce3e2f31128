#include "core/fileio.h"
#include "sim/ptyterminal.h"

#include "clirunner.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>

Q_DECLARE_METATYPE(QList<TerminalOptions>)

namespace {

QByteArray sha256(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex()
               : QByteArray();
}

} // namespace

// The tool as a process, against several simulated terminals at once.
class TestStationCli : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void severalTerminals_data();
    void severalTerminals();
    void watchProgramsEachTerminalPluggedIn();

  private:
    QString file(const QString& name) const { return dir_.filePath(name); }
    void start(QProcess& process, const QStringList& args) {
        CliRunner(file(QStringLiteral("config")))
            .start(process,
                   QStringList{QStringLiteral("apply"), file(QStringLiteral("r.pultino"))} + args);
    }

    QTemporaryDir dir_;
};

void TestStationCli::initTestCase() {
    QByteArray texts;
    for (int n = 0; n < 40; ++n)
        for (int r = 0; r < 4; ++r)
            texts += QByteArray(40, char('A' + (n + r) % 26)) + "\r\n";
    QVERIFY(fileio::writeFile(file(QStringLiteral("t.txt")), texts).isEmpty());
    QVERIFY(fileio::writeFile(file(QStringLiteral("k.tst")), QByteArray(32, 'K')).isEmpty());
    QVERIFY(fileio::writeFile(file(QStringLiteral("r.pultino")),
                              R"({"format": 1, "name": "Linie 3", "display": "40x4",
                                  "keyTable": "k.tst", "texts": "t.txt"})")
                .isEmpty());
}

void TestStationCli::severalTerminals_data() {
    QTest::addColumn<QList<TerminalOptions>>("terminals");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("closeAt"); // terminal 1's pty goes away after this many text bytes
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("results"); // per terminal: result/failed step/attempts
    // Each row has a good terminal beside the others, which must come out as it would alone.
    // The lost port ends long before the other's retry, so a code that is not the highest
    // would show; a lost port is never retried.
    QTest::newRow("wrong echo, pty closed")
        << QList<TerminalOptions>{{}, {}, {.wrongEchoAt = 2000}} << QStringList{"--retries", "1"}
        << 100 << 3 << QStringList{"ok//1", "port_lost/Festtexte/1", "terminal_failed/Festtexte/2"};
    QTest::newRow("wrong echo once, retried")
        << QList<TerminalOptions>{{}, {.wrongEchoAt = 10, .faultyTransfers = 1}}
        << QStringList{"--retries", "1"} << 0 << 0 << QStringList{"ok//1", "ok//2"};
    QTest::newRow("report not writable")
        << QList<TerminalOptions>{{}, {}} << QStringList{"--report", "@/config"} << 0 << 2
        << QStringList{};
}

void TestStationCli::severalTerminals() {
    QFETCH(QList<TerminalOptions>, terminals);
    QFETCH(QStringList, args);
    QFETCH(int, closeAt);
    QFETCH(QStringList, results);
    QFETCH(int, code);
    std::vector<std::unique_ptr<PtyTerminal>> sims;
    for (const TerminalOptions& options : terminals) {
        sims.push_back(std::make_unique<PtyTerminal>(options));
        QVERIFY(sims.back()->start());
        args += {QStringLiteral("--port"), sims.back()->slavePath()};
    }
    const QString report = file(QStringLiteral("%1.jsonl").arg(QTest::currentDataTag()));
    if (!args.contains(QStringLiteral("--report"))) args += {QStringLiteral("--report"), report};
    args.replaceInStrings(QStringLiteral("@"), dir_.path());

    QProcess tool;
    start(tool, args);
    QVERIFY(tool.waitForStarted());
    while (tool.state() == QProcess::Running) {
        if (closeAt > 0 && sims[1]->isRunning() && sims[1]->snapshot().eeprom.size() >= closeAt)
            sims[1]->stop();
        QTest::qWait(5);
    }
    QCOMPARE(tool.exitCode(), code);
    const QString out = QString::fromUtf8(tool.readAllStandardOutput());
    QHash<QString, QJsonObject> got; // by port
    QFile lines(report);
    for (const QByteArray& line :
         lines.open(QIODevice::ReadOnly) ? lines.readAll().split('\n') : QList<QByteArray>())
        if (!line.isEmpty()) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            got.insert(o[QStringLiteral("port")].toString(), o);
        }
    QCOMPARE(got.size(), results.size());
    if (results.isEmpty()) { // refused before the first byte
        for (auto& sim : sims)
            QCOMPARE(sim->snapshot().keyTable, PtyTerminal().snapshot().keyTable);
        return;
    }
    const QByteArray good = sims[0]->fixedTextImage();
    for (int i = 0; i < int(sims.size()); ++i) {
        const QString port = sims[size_t(i)]->slavePath();
        QVERIFY2(got.contains(port), qPrintable(port));
        const QJsonObject o = got[port];
        const QJsonArray steps = o[QStringLiteral("steps")].toArray();
        const QString failed = o[QStringLiteral("failed_step")].toString().section(' ', 0, 0);
        int attempts = 0;
        for (const QJsonValue& step : steps)
            attempts = qMax(attempts, int(step[QStringLiteral("attempts")].toArray().size()));
        QCOMPARE(QStringLiteral("%1/%2/%3")
                     .arg(o[QStringLiteral("result")].toString(), failed)
                     .arg(attempts),
                 results[i]);
        QCOMPARE(o[QStringLiteral("recipe_sha256")].toString().toLatin1(),
                 sha256(file(QStringLiteral("r.pultino"))));
        QCOMPARE(o[QStringLiteral("files")][1][QStringLiteral("sha256")].toString().toLatin1(),
                 sha256(file(QStringLiteral("t.txt"))));
        QCOMPARE(o[QStringLiteral("firmware")].toString(), QStringLiteral("1.80"));
        if (terminals[i].wrongEchoAt && results[i].startsWith(QLatin1String("terminal_failed")))
            QCOMPARE(o[QStringLiteral("offset")].toInt(), terminals[i].wrongEchoAt - 1);
        if (o[QStringLiteral("result")] == QLatin1String("ok"))
            QCOMPARE(sims[size_t(i)]->fixedTextImage(), good);
        else
            QVERIFY(out.contains(port + QLatin1Char(' ')));
    }
}

void TestStationCli::watchProgramsEachTerminalPluggedIn() {
    const QString link = file(QStringLiteral("ttyStation"));
    const QString report = file(QStringLiteral("watch.csv"));
    auto plugIn = [&](PtyTerminal& sim) {
        QFile::remove(link);
        return sim.start() && QFile::link(sim.slavePath(), link);
    };
    auto lines = [&] {
        QFile f(report);
        return f.open(QIODevice::ReadOnly) ? f.readAll().count('\n') : 0;
    };
    PtyTerminal first;
    PtyTerminal second;
    QVERIFY(plugIn(first));
    QProcess tool;
    start(tool, {QStringLiteral("--watch"), QStringLiteral("--port"), link,
                 QStringLiteral("--report"), report});
    QTRY_COMPARE_WITH_TIMEOUT(lines(), 2, 60000); // header and the first terminal
    first.stop();
    QVERIFY(plugIn(second));
    QTRY_COMPARE_WITH_TIMEOUT(lines(), 3, 60000);
    QCOMPARE(second.fixedTextImage(), first.fixedTextImage());
    ::kill(pid_t(tool.processId()), SIGINT);
    QVERIFY(tool.waitForFinished(20000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);
    const QString out = QString::fromUtf8(tool.readAllStandardOutput());
    QVERIFY2(out.contains(QStringLiteral("Gesamt: gut 2, fehlerhaft 0")), qPrintable(out));
}

QTEST_GUILESS_MAIN(TestStationCli)
#include "tst_station_cli.moc"
